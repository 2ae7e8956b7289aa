#pragma once

#include "common/IniRegistryStore.h"
#include "common/SettingsStore.h"

#include <QString>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <memory>

namespace tesk::test {

class FakeServer;

// A settings store on temporary user and machine folders, for tests:
//
//   TempSettings temp;                       // machine "TESTMACHINE", 1000 ms replies
//   temp.setMachine("TESK", "ShowMode", "2");
//   temp.settings().GetIniText("TESK", "ShowMode");    // "2"
//   temp.connectTo(server);                  // server layer on a FakeServer
//
// The folders are removed when the fixture goes.
class TempSettings {
public:
    struct Options {
        QString machineName = QStringLiteral("TESTMACHINE");
        int replyTimeoutMs = 1000;
        QString subKey = QStringLiteral("_test_TESK\\");
        // false: the machine layer lies under a regular file, so every write
        // to it fails (also for root, whom file modes do not stop).
        bool machineWritable = true;
        bool userWritable = true; // the same for the user layer
    };

    TempSettings();
    explicit TempSettings(const Options& options);
    ~TempSettings();

    bool isValid() const;
    QString userFolder() const;
    QString machineFolder() const;

    IniRegistryStore& registry() { return *m_registry; }
    SettingsStore& settings() { return *m_settings; }

    // The registry key path of a section: "SOFTWARE\Norvalis\" + sub-key + section.
    QString keyPath(const QString& section) const;

    // Direct access to one layer, bypassing the store's layering.
    bool setUser(const QString& section, const QString& key, const QString& value);
    bool setMachine(const QString& section, const QString& key, const QString& value);
    QString user(const QString& section, const QString& key);
    QString machine(const QString& section, const QString& key);

    // Opens a connection to the server, makes it the store's active socket
    // and (unless routeReplies is false) hands every RETINITEXT value that
    // arrives on it to the store, as the dispatcher does. Null on failure.
    QTcpSocket* connectTo(FakeServer& server, bool routeReplies = true);
    QTcpSocket* socket() const { return m_socket.get(); }
    // Deletes the connection object (the store is left pointing at nothing).
    void deleteSocket() { m_socket.reset(); }

private:
    void routeReplies();

    Options m_options;
    QTemporaryDir m_dir;
    QString m_user;
    QString m_machine;
    std::unique_ptr<IniRegistryStore> m_registry;
    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<QTcpSocket> m_socket;
    QString m_pending;
};

} // namespace tesk::test
