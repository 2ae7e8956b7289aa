#include "common/UpdateClient.h"

#include "common/ClientIdentity.h"
#include "common/InstallationPaths.h"
#include "common/ServerAddress.h"
#include "common/SettingsStore.h"
#include "common/TextHelpers.h"
#include "common/UserMessages.h"
#include "common/VersionInfo.h"
#include "common/LogCategories.h"
#include "common/WinsockErrorCode.h"
#include "protocol/Codepage.h"
#include "protocol/Commands.h"
#include "protocol/Framing.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHostAddress>
#include <QProcess>
#include <QSaveFile>
#include <QScreen>

#include <algorithm>
#include <exception>


namespace tesk {

namespace {

const QString kServerSettings = QStringLiteral("ServerSettings");

// One read of the update connection is at most this much; the rest waits in
// the kernel for the next read.
constexpr qint64 kReadBufferBytes = 1024 * 1024;

bool StartDetached(const QString& program, const QStringList& arguments, const QString& workingDirectory)
{
    return QProcess::startDetached(program, arguments, workingDirectory);
}

QPoint DesktopCentre()
{
    const QScreen* screen = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
        ? QGuiApplication::primaryScreen()
        : nullptr;
    if (!screen)
        return {};
    const QRect desktop = screen->virtualGeometry();
    return {desktop.width() / 2, desktop.height() / 2};
}

} // namespace

UpdateClient::UpdateClient(SettingsStore& settings, ClientIdentity& identity, UserMessages& messages,
                           const InstallationPaths& paths, QObject* parent)
    : UpdateClient(settings, identity, messages, paths, Options{}, parent)
{
}

UpdateClient::UpdateClient(SettingsStore& settings, ClientIdentity& identity, UserMessages& messages,
                           const InstallationPaths& paths, Options options, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_identity(identity)
    , m_messages(messages)
    , m_paths(paths)
    , m_options(std::move(options))
    , UpdateSocket(this)
    , UpdateTimer(this)
    , m_assembly(m_options.maxReplyBytes)
{
    if (m_options.programPath.isEmpty() && QCoreApplication::instance())
        m_options.programPath = QCoreApplication::applicationFilePath();
    if (!m_options.startProgram)
        m_options.startProgram = StartDetached;
    if (!m_options.screenCentre)
        m_options.screenCentre = DesktopCentre;

    UpdateTimer.setSingleShot(true);
    UpdateTimer.setInterval(m_options.waits.connectMs);
    connect(&UpdateTimer, &QTimer::timeout, this, &UpdateClient::UpdateTimerTimer);

    UpdateSocket.setReadBufferSize(kReadBufferBytes);
    connect(&UpdateSocket, &QTcpSocket::connected, this, [this] {
        m_connected = true;
        // The decision has its own limit from here: the connection handler
        // reads a setting, which may wait for the call server.
        m_timedOut = false;
        RestartTimer(m_options.waits.decideMs);
        Wake();
        UpdateSocketConnect();
    });
    connect(&UpdateSocket, &QTcpSocket::errorOccurred, this, &UpdateClient::UpdateSocketError);
    // Queued, like the main connection: a read may show a modal box, and the
    // reads after it must still come through; and the loss of the connection
    // is looked at only after the reads that came before it.
    connect(&UpdateSocket, &QTcpSocket::readyRead, this, &UpdateClient::UpdateSocketRead, Qt::QueuedConnection);
    connect(&UpdateSocket, &QTcpSocket::disconnected, this, [this] {
        const quint64 check = m_check;
        QMetaObject::invokeMethod(
            this, [this, check] { UpdateSocketDisconnect(check); }, Qt::QueuedConnection);
    });
}

UpdateClient::~UpdateClient()
{
    UpdateTimer.stop();
    m_wake = nullptr;
    UpdateSocket.abort();
}

QString UpdateClient::ProgramFileName() const
{
    return QFileInfo(m_options.programPath).fileName();
}

QString UpdateClient::StoredBuildPath() const
{
    if (m_paths.DownloadPath.isEmpty() || ProgramFileName().isEmpty())
        return {};
    return QDir(QDir::fromNativeSeparators(m_paths.DownloadPath)).filePath(ProgramFileName());
}

std::optional<int> UpdateClient::RecordedVersion(const QString& productVersion)
{
    QString digits = productVersion;
    digits.remove(QLatin1Char('.'));
    bool ok = false;
    const int number = TrimBlank(digits).toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return number;
}

std::optional<int> UpdateClient::RecordedVersionOf(const QString& fileName)
{
    TCEVersionInfo info;
    info.GetInfo(fileName);
    return RecordedVersion(info.ProductVersion());
}

int UpdateClient::VersionNumber(const QString& productVersion)
{
    return RecordedVersion(productVersion).value_or(1000);
}

int UpdateClient::VersionNumberOf(const QString& fileName)
{
    return RecordedVersionOf(fileName).value_or(1000);
}

QString UpdateClient::ProgressText(qint64 bytes)
{
    return QStringLiteral("H\u00E4mtar ny version av programmet: ") + QString::number(bytes / 1024)
        + QStringLiteral(" kB mottaget");
}

void UpdateClient::RestartTimer(int ms)
{
    UpdateTimer.stop();
    UpdateTimer.setInterval(std::max(0, ms));
    UpdateTimer.start();
}

void UpdateClient::Wake()
{
    if (m_wake)
        m_wake();
}

void UpdateClient::WaitFor(const std::function<bool()>& done)
{
    if (done() || m_timedOut)
        return;
    QEventLoop loop;
    m_wake = [&] {
        if (done() || m_timedOut)
            loop.quit();
    };
    // One loop, bounded by the timer: if the application is quitting the
    // loop returns at once and the caller sees the condition unmet.
    loop.exec();
    m_wake = nullptr;
}

bool UpdateClient::CheckForUpdate()
{
    if (m_checking)
        return false;
    m_checking = true;
    const struct Finish {
        UpdateClient* self;
        ~Finish()
        {
            self->m_checking = false;
            self->EndProgress();
        }
    } finish{this};

    try {
        if (UpdateSocket.state() != QAbstractSocket::UnconnectedState)
            UpdateSocket.abort();
        // Only after the old connection is gone: abort() reports its end at
        // once, under the number current then, and that end is the earlier
        // check's, not this one's.
        ++m_check;
        m_assembly.reset();

        // The update server is the call server unless the server's settings
        // name another one.
        QString host;
        quint16 mainPort = 0;
        if (QAbstractSocket* main = m_settings.ActiveClientSocket()) {
            host = TrimBlank(main->peerName());
            if (host.isEmpty())
                host = main->peerAddress().toString();
            mainPort = main->peerPort();
        }
        m_updateHost =
            TrimBlank(m_settings.GetServerIniTextDef(kServerSettings, QStringLiteral("UpdateServerName"), host));
        const int port =
            ReadInt(m_settings.GetServerIniText(kServerSettings, QStringLiteral("UpdateServerPort")), mainPort);
        // A port outside 1..65535 must fail, not wrap round into another one.
        m_updatePort = (port > 0 && port <= 65535) ? quint16(port) : 0;

        m_timedOut = false;
        m_connected = false;
        RestartTimer(m_options.waits.connectMs);
        m_updateState = 0;
        m_restartStarted = false;
        m_saveFailed = false;
        m_transferFailed = false;

        qCInfo(lcUpdate) << "checking for an update at" << m_updateHost << m_updatePort;
        if (!ConnectToServerAddress(UpdateSocket, ServerAddress::FromName(m_updateHost), m_updatePort)) {
            // As the main connection does: no lookup, and the check ends by
            // its connect limit as for any other unreachable server.
            const quint64 check = m_check;
            QMetaObject::invokeMethod(
                this,
                [this, check] {
                    if (check == m_check)
                        UpdateSocketError(QAbstractSocket::HostNotFoundError);
                },
                Qt::QueuedConnection);
        }

        WaitFor([this] { return m_connected; });
        if (m_timedOut || !m_connected)
            return false;

        // The connection handler restarted the timer for the decision.
        WaitFor([this] { return m_updateState != 0; });
        if (m_timedOut || m_updateState == 0)
            return false;

        if (m_updateState == 1) {
            // Lets the server's version answer arrive before the connection goes.
            RestartTimer(m_options.waits.decideMs);
            return false;
        }

        m_timedOut = false;
        RestartTimer(m_options.waits.transferMs);
        WaitFor([this] { return m_restartStarted || m_saveFailed || m_transferFailed; });
        UpdateTimer.stop();
        if (m_timedOut)
            return false;
        if (m_restartStarted) {
            RestartTimer(m_options.waits.transferMs);
            return true;
        }
        // Not stored, not whole, not verified or not started: this program
        // runs on. The connection stays until the next check closes it.
        return false;
    } catch (const std::exception& e) {
        m_messages.ShowInfoMessage(QStringLiteral("Error in CheckForUpdate!\r\r") + QString::fromLocal8Bit(e.what()));
        return false;
    }
}

void UpdateClient::UpdateTimerTimer()
{
    m_timedOut = true;
    UpdateTimer.stop();
    UpdateSocket.abort();
    m_assembly.reset();
    Wake();
}

void UpdateClient::Send(const QString& command, const QStringList& fields)
{
    if (UpdateSocket.state() == QAbstractSocket::ConnectedState)
        UpdateSocket.write(ToAnsi(ComposeFrame(command, fields)));
}

void UpdateClient::UpdateSocketConnect()
{
    const quint64 check = m_check;
    try {
        const int mine = VersionNumberOf(m_options.programPath);
        const QString name = ProgramFileName();
        // May wait for the call server; the check can end meanwhile.
        const int newest = ReadInt(m_settings.GetIniText(QStringLiteral("CHECKVERSION"), name), mine);
        if (!m_checking || check != m_check || m_timedOut)
            return; // nobody waits for this decision any more
        m_newest = newest;

        const QString clientName = m_identity.GetClientName();
        const QString typeCode = m_identity.ClientTypeCode();
        Send(cmd::GETSERVERVERSION, {clientName, typeCode});

        if (mine >= newest) {
            m_updateState = 1;
            Wake();
            return;
        }
        m_updateState = 2;
        qCInfo(lcUpdate) << "version" << newest << "is announced; running" << mine;
        const QString stored = StoredBuildPath();
        if (!stored.isEmpty() && QFileInfo(stored).isFile() && RecordedVersionOf(stored) == newest) {
            // Fetched earlier and still the announced build.
            if (StartBuild())
                m_restartStarted = true;
            else
                m_transferFailed = true;
            Wake();
            return;
        }
        Send(cmd::GETNEWCLIENT, {name, clientName, typeCode});
        Wake();
    } catch (const std::exception& e) {
        m_messages.ShowInfoMessage(QStringLiteral("Error in UpdateSocketConnect!\r\r") + QString::fromLocal8Bit(e.what()));
    }
}

void UpdateClient::DropReply(const QString& reason, bool wasFile)
{
    qCWarning(lcUpdate) << "reply dropped:" << reason;
    // The rest of the reply would be read as loose text; nothing useful can
    // follow it on this connection.
    UpdateSocket.abort();
    if (wasFile)
        m_transferFailed = true;
    EndProgress();
    Wake();
    m_messages.ShowInfoMessage(QStringLiteral("Error in UpdateSocketRead!\r\r") + reason);
}

void UpdateClient::UpdateSocketRead()
{
    try {
        const UpdateReplyAssembler::Step step = m_assembly.feed(UpdateSocket.readAll());
        if (step.dropped)
            DropReply(*step.dropped, step.droppedFile);
        if (step.progress)
            ReportProgress(*step.progress);
        if (step.serverVersion)
            m_updateServerVersion = *step.serverVersion;
        if (step.errorReport)
            m_messages.ShowInfoMessage(QStringLiteral("Servern svarade med f\u00F6ljande fel: ") + *step.errorReport);
        if (step.file)
            CompleteFile(*step.file);
    } catch (const std::exception& e) {
        m_messages.ShowInfoMessage(QStringLiteral("Error in UpdateSocketRead!\r\r") + QString::fromLocal8Bit(e.what()));
    }
}

void UpdateClient::CompleteFile(const QByteArray& bytes)
{
    // A file that nobody waits for (the check has ended) is not stored.
    if (!m_checking || m_timedOut || m_updateState != 2)
        return;

    const QString target = StoredBuildPath();
    bool stored = false;
    if (!target.isEmpty()) {
        QDir().mkpath(QFileInfo(target).absolutePath());
        // Written beside the stored build under a temporary name, flushed to
        // disk and renamed into place only once every byte is there.
        QSaveFile out(target);
        out.setDirectWriteFallback(false);
        stored = out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && out.commit();
        if (!stored)
            qCWarning(lcUpdate) << "cannot store" << target << out.errorString();
    }
    if (!stored) {
        m_saveFailed = true;
        Wake();
        m_messages.ShowInfoMessage(
            QStringLiteral("Det fanns en ny version tillg\u00E4nglig. Den gick dock inte att spara ner i katalogen \r")
            + m_paths.DownloadPath + QStringLiteral("!"));
        return;
    }

    const std::optional<int> version = RecordedVersionOf(target);
    if (QFileInfo(target).size() != bytes.size() || version != m_newest) {
        qCWarning(lcUpdate).noquote() << "stored build reads back as version"
                                      << (version ? QString::number(*version) : QStringLiteral("(none)"))
                                      << "instead of" << m_newest;
        QFile::remove(target);
        m_transferFailed = true;
        Wake();
        m_messages.ShowInfoMessage(QStringLiteral("Den nya versionen kunde inte verifieras och har inte startats."));
        return;
    }
    if (StartBuild())
        m_restartStarted = true;
    else
        m_transferFailed = true;
    Wake();
}

bool UpdateClient::StartBuild()
{
    const QString program = StoredBuildPath();
    // Only the account this program runs as may start what it fetched.
    const QFileDevice::Permissions others = QFileDevice::ExeGroup | QFileDevice::ExeOther;
    QFile::setPermissions(program, (QFile::permissions(program) & ~others) | QFileDevice::ExeOwner
                                       | QFileDevice::ExeUser);
    QStringList arguments{QStringLiteral("RESTARTING=1")};
    arguments += m_identity.arguments();
    qCInfo(lcUpdate) << "starting" << program << arguments << "in" << m_paths.CurrentPath;
    if (m_options.startProgram(program, arguments, m_paths.CurrentPath))
        return true;
    qCWarning(lcUpdate) << "the new build could not be started";
    m_messages.ShowInfoMessage(QStringLiteral("Den nya versionen kunde inte startas."));
    return false;
}

void UpdateClient::UpdateSocketError(QAbstractSocket::SocketError error)
{
    // A connection that no check waits for any more ends without a word.
    if (!m_checking)
        return;
    // The server closing a connection that was made is its orderly end
    // after a reply, not a fault; the disconnect handling deals with it.
    if (error == QAbstractSocket::RemoteHostClosedError && m_connected)
        return;
    const int code = WinsockErrorCode(error);
    qCWarning(lcUpdate) << "update connection:" << UpdateSocket.errorString() << code;
    m_messages.ShowInfoBalloonAt(QStringLiteral("Error in UpdateSocket: ") + QString::number(code),
                                 m_options.screenCentre());
}

void UpdateClient::UpdateSocketDisconnect(quint64 check)
{
    // The end of a connection that an earlier check left behind.
    if (check != m_check)
        return;
    // Whatever arrived before the end is read first.
    if (UpdateSocket.bytesAvailable() > 0)
        UpdateSocketRead();
    if (m_checking && m_updateState == 2 && !m_restartStarted && !m_saveFailed) {
        // Nothing more can arrive for this check: a build announced but not
        // (wholly) delivered does not keep the handshake waiting for its limit.
        m_transferFailed = true;
        Wake();
    }
    if (m_assembly.dataNotReady() && m_assembly.dataIsNewFile()) {
        // The server went away in the middle of the file: what came is not
        // the build, and nothing more will come.
        qCWarning(lcUpdate) << "the transfer ended after" << m_assembly.pendingBytes() << "bytes without its end";
        m_assembly.reset();
        m_transferFailed = true;
        EndProgress();
        Wake();
    }
}

void UpdateClient::ReportProgress(qsizetype bytes)
{
    m_progressShown = true;
    Q_EMIT transferProgressChanged(ProgressText(bytes));
}

void UpdateClient::EndProgress()
{
    if (!m_progressShown)
        return;
    m_progressShown = false;
    Q_EMIT transferProgressChanged(QString());
}

} // namespace tesk
