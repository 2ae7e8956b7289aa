#include "common/InstallationPaths.h"

#include "platform/UserDataFolder.h"

#include <QDir>

#include <stdexcept>

namespace tesk {

QString SettingsSubKeyFor(const QString& currentPath)
{
    QString key = currentPath;
    // Drop the trailing separator, but keep a root of its own ("/").
    if (key.size() > 1 && (key.endsWith(QLatin1Char('/')) || key.endsWith(QLatin1Char('\\'))))
        key.chop(1);
    key.replace(QLatin1Char(' '), QLatin1Char('_'));
    // Both separators: a "\" inside a Linux folder name would otherwise split
    // the key path.
    key.replace(QLatin1Char('/'), QLatin1Char('_'));
    key.replace(QLatin1Char('\\'), QLatin1Char('_'));
    key.remove(QLatin1Char(':'));
    return key + QLatin1Char('\\');
}

InstallationPaths InitInstallationPaths()
{
    InstallationPaths paths;

    const QString current = QDir::currentPath();
    if (current.isEmpty() || !QDir(current).exists())
        throw std::runtime_error("Unable to get Current path");
    paths.CurrentPath = QDir::toNativeSeparators(current);
    const QString separator = QDir::separator();
    if (!paths.CurrentPath.endsWith(separator))
        paths.CurrentPath += separator;

    paths.SettingsSubKey = SettingsSubKeyFor(paths.CurrentPath);

    const QString data = UserDataFolder();
    if (!data.isEmpty()) {
        // A folder that cannot be created stays named: the later save of a
        // downloaded build then fails where the user can see it.
        paths.DownloadPath = QDir::toNativeSeparators(data + QStringLiteral("/Norvalis/TESK/"));
        QDir().mkpath(paths.DownloadPath);
    }
    return paths;
}

} // namespace tesk
