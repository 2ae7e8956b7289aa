#pragma once

#include <QString>

namespace tesk {

struct InstallationPaths {
    QString CurrentPath;    // working directory at start, trailing separator
    QString SettingsSubKey; // this installation's key, ending in "\"
    QString DownloadPath;   // per-user folder for downloaded builds, or empty
};

// Determined once at start. Throws std::runtime_error("Unable to get Current
// path") when the working directory cannot be determined.
InstallationPaths InitInstallationPaths();

// The sub-key of a working directory (with or without its trailing
// separator): spaces and path separators become "_", drive colons go, and a
// "\" ends it: "/opt/TESK klinik/" gives "_opt_TESK_klinik\".
QString SettingsSubKeyFor(const QString& currentPath);

} // namespace tesk
