#pragma once

#include <QAbstractSocket>
#include <QByteArray>
#include <QObject>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QTcpSocket>
#include <QTimer>

#include "common/UpdateReplyAssembly.h"

#include <functional>
#include <optional>

namespace tesk {

class ClientIdentity;
class SettingsStore;
class UserMessages;
struct InstallationPaths;

// The automatic update: at the first connection to the call server (and
// after the server settings were saved) the connection asks CheckForUpdate
// whether a newer build of this program is to replace it. The newest version
// number is the setting CHECKVERSION/<program file name>; when it is above
// the running build, the build comes from the update server over a second
// connection (UpdateSocket), is stored in the download folder and started
// with "RESTARTING=1" and the running program's arguments.
//
// Writing a program file and starting it is the most dangerous thing this
// program does, so a build is started only when it is whole and is the one
// that was announced:
//  - the bytes go to a temporary file beside the stored build, are flushed
//    and renamed into place only when all of them are written;
//  - the stored file's version record must read back as the announced
//    version, or it is deleted and not started;
//  - a reply larger than MaxReplyBytes is dropped, a transfer cut short by
//    the server is dropped, and text before the reply's start stays out of
//    the file.
//
// The three waits of a check (connect, decide, receive) run in a local event
// loop that ends on the awaited event or on UpdateTimer; sockets, timers and
// input keep running meanwhile. Widget-free: the user hears from it through
// UserMessages, and the transfer's progress is a signal the window shows.
class UpdateClient : public QObject {
    Q_OBJECT
public:
    static constexpr qsizetype MaxReplyBytes = UpdateReplyAssembler::MaxReplyBytes;

    // The limits of a check's waits; tests shorten them.
    struct Waits {
        int connectMs = 5000;
        int decideMs = 5000;
        int transferMs = 60000;
    };

    using StartProgram =
        std::function<bool(const QString& program, const QStringList& arguments, const QString& workingDirectory)>;

    struct Options {
        Waits waits;
        // The running program's file; its name is the one asked for and its
        // version record the running version. Empty: this program's own file.
        QString programPath;
        // Starts a stored build, detached. Empty: QProcess::startDetached.
        StartProgram startProgram;
        qsizetype maxReplyBytes = MaxReplyBytes;
        // Where the error balloon points. Empty: the middle of the desktop.
        std::function<QPoint()> screenCentre;
    };

    // `paths` is read at every check, so the window may fill it in after
    // creating the update client; it must outlive the update client.
    UpdateClient(SettingsStore& settings, ClientIdentity& identity, UserMessages& messages,
                 const InstallationPaths& paths, Options options, QObject* parent = nullptr);
    UpdateClient(SettingsStore& settings, ClientIdentity& identity, UserMessages& messages,
                 const InstallationPaths& paths, QObject* parent = nullptr);
    ~UpdateClient() override;

    // Runs the whole check. True only when the new build has been started;
    // the caller then ends this program. A check asked for while one runs
    // (from inside its waits) is refused with false.
    bool CheckForUpdate();

    // The update server's version text from its last RETSERVERVERSION; the
    // settings dialog shows it and clears it when the server settings change.
    QString UpdateServerVersion() const { return m_updateServerVersion; }
    void ClearUpdateServerVersion() { m_updateServerVersion.clear(); }
    // Where the last check went (for the settings dialog's server page).
    QString UpdateHost() const { return m_updateHost; }
    quint16 UpdatePort() const { return m_updatePort; }

    // 0 undecided, 1 up to date, 2 a newer build is announced.
    int UpdateState() const { return m_updateState; }
    bool UpdateRestartStarted() const { return m_restartStarted; }
    bool UpdateSaveFailed() const { return m_saveFailed; }
    bool UpdateTimedOut() const { return m_timedOut; }
    bool DataNotReady() const { return m_assembly.dataNotReady(); }
    bool DataIsNewFile() const { return m_assembly.dataIsNewFile(); }
    bool isChecking() const { return m_checking; }

    // The running program's file name, and the stored build's full path.
    QString ProgramFileName() const;
    QString StoredBuildPath() const;

    // The product version of a file with every "." removed, as a decimal
    // integer; 1000 when that is not one (a file without version record).
    // Only the running program is read this way.
    static int VersionNumberOf(const QString& fileName);
    static int VersionNumber(const QString& productVersion);
    // The same number, but none when the text is not one: a build that is to
    // be started must carry its version, since 1000 is also the number of a
    // real 1.0.0.0 and a file without record (an error page, a cut-off
    // build) would otherwise pass for it.
    static std::optional<int> RecordedVersion(const QString& productVersion);
    static std::optional<int> RecordedVersionOf(const QString& fileName);

    // The text shown while a build arrives; empty when none does.
    static QString ProgressText(qint64 bytes);

    QTcpSocket& socket() { return UpdateSocket; }
    const QTimer& timer() const { return UpdateTimer; }

Q_SIGNALS:
    // While a build arrives: what to show in the tray tooltip and the status
    // text. An empty text when the transfer is over.
    void transferProgressChanged(const QString& text);

private:
    void UpdateSocketConnect();
    void UpdateSocketRead();
    void UpdateSocketError(QAbstractSocket::SocketError error);
    void UpdateSocketDisconnect(quint64 check);
    void UpdateTimerTimer();

    void RestartTimer(int ms);
    // Waits until done() or the timer fires.
    void WaitFor(const std::function<bool()>& done);
    void Wake();

    void DropReply(const QString& reason, bool wasFile);
    void CompleteFile(const QByteArray& bytes);
    bool StartBuild();
    void ReportProgress(qsizetype bytes);
    void EndProgress();
    void Send(const QString& command, const QStringList& fields);

    SettingsStore& m_settings;
    ClientIdentity& m_identity;
    UserMessages& m_messages;
    const InstallationPaths& m_paths;
    Options m_options;

    QTcpSocket UpdateSocket;
    QTimer UpdateTimer;

    // State of one check.
    bool m_checking = false;
    quint64 m_check = 0; // increases with every check
    bool m_connected = false;
    int m_updateState = 0;
    bool m_restartStarted = false;
    bool m_saveFailed = false;
    bool m_transferFailed = false; // dropped, cut short or not verified
    bool m_timedOut = false;
    int m_newest = 0;
    std::function<void()> m_wake;

    UpdateReplyAssembler m_assembly;
    bool m_progressShown = false;

    QString m_updateServerVersion;
    QString m_updateHost;
    quint16 m_updatePort = 0;
};

} // namespace tesk
