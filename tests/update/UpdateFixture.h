#pragma once

#include "common/InstallationPaths.h"
#include "common/VersionInfo.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

namespace tesk::test {

// A program file as the update sees it: bytes around a version record of
// `version`, with the frame byte and pieces of the reply's tags among them
// so that nothing may take the file's own bytes for protocol.
inline QByteArray FakeBuild(const QString& version, int size = 20000)
{
    QByteArray noise(size, Qt::Uninitialized);
    QRandomGenerator random(quint32(size) ^ 0x7e5c);
    for (char& b : noise)
        b = char(random.bounded(256));
    return QByteArray("\xA4RETNEWCLIENT-ish:") + noise.left(size / 3) + ComposeVersionRecord(version, version)
        + ":RETNEWCLIENT" + noise.mid(size / 3);
}

// Bytes of the same kind without any version record: what an error page or
// a build cut off before its record would leave behind.
inline QByteArray FileWithoutRecord(int size = 20000)
{
    QByteArray noise(size, Qt::Uninitialized);
    QRandomGenerator random(quint32(size) ^ 0x51a3);
    for (char& b : noise)
        b = char(random.bounded(256));
    return noise;
}

inline bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The folders of one update: the working directory, the download folder
// and the running "program" (a file named TESKVistor carrying the record
// of version 1.10.1.5, the number 11015).
struct UpdateFolders {
    static inline const QString ProgramName = QStringLiteral("TESKVistor");
    static inline const QString RunningVersion = QStringLiteral("1.10.1.5");

    QTemporaryDir dir;
    InstallationPaths paths;
    QString programPath;

    explicit UpdateFolders(bool downloadWritable = true)
    {
        QDir root(dir.path());
        root.mkpath(QStringLiteral("current"));
        root.mkpath(QStringLiteral("program"));
        paths.CurrentPath = QDir::toNativeSeparators(root.filePath(QStringLiteral("current"))) + QDir::separator();
        if (downloadWritable) {
            root.mkpath(QStringLiteral("download"));
            paths.DownloadPath = root.filePath(QStringLiteral("download")) + QLatin1Char('/');
        } else {
            // Under a regular file: no folder can be made there, whoever runs.
            WriteFile(root.filePath(QStringLiteral("blocker")), "x");
            paths.DownloadPath = root.filePath(QStringLiteral("blocker/download")) + QLatin1Char('/');
        }
        programPath = root.filePath(QStringLiteral("program/") + ProgramName);
        WriteFile(programPath, FakeBuild(RunningVersion, 3000));
    }

    QString storedBuild() const { return paths.DownloadPath + ProgramName; }
};

} // namespace tesk::test
