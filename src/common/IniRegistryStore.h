#pragma once

#include "common/RegistryStore.h"

#include <QString>

#include <memory>

namespace tesk {

// The per-user and per-machine registry layers kept as INI files, for
// platforms without a registry. Each layer is one file,
// <config folder>/Norvalis/Registry.ini, and a registry value
// root\A\B\C + name is the INI entry "A/B/C/name" (QSettings writes it as
// section [A] with the line B\C\name=value), so an installation's settings
// read like
//
//   [SOFTWARE]
//   Norvalis\_opt_TESK_klinik\TESK\ServerName=callsrv01
//
// Key paths and value names match regardless of letter case, as in the
// registry; an empty value name (the key's default value) is stored as "@".
// Every write is synced to disk before RegWriteString returns. A hand-edited
// file with lines that cannot be parsed is rewritten with what could be read
// at the next write (the original text is kept as "Registry.ini.bad").
class IniRegistryStore : public RegistryStore {
public:
    // userFolder / machineFolder: the configuration folders that hold
    // "Norvalis/" (for example ~/.config and /etc/xdg).
    IniRegistryStore(QString userFolder, QString machineFolder);

    // The layers in the folders the XDG environment names: $XDG_CONFIG_HOME
    // (default ~/.config) for the user, the first of $XDG_CONFIG_DIRS
    // (default /etc/xdg) for the machine.
    static std::unique_ptr<IniRegistryStore> FromEnvironment();

    QString filePath(RegistryRoot root) const;

    QString RegReadString(RegistryRoot root, const QString& subKey, const QString& valueName) override;
    bool RegWriteString(RegistryRoot root, const QString& subKey, const QString& valueName,
                        const QString& value) override;

    // The QSettings key a registry value is kept under (exposed for tests
    // and for an administrator's tools).
    static QString EntryKey(const QString& subKey, const QString& valueName);

private:
    QString m_userFile;
    QString m_machineFile;
};

} // namespace tesk
