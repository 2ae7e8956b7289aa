#include "display/connection/ServerConnection.h"

#include "common/ClientIdentity.h"
#include "common/LogCategories.h"
#include "common/SettingsStore.h"
#include "common/TextHelpers.h"
#include "common/UserMessages.h"
#include "common/WinsockErrorCode.h"
#include "common/VersionCompare.h"
#include "display/connection/MessageDispatcher.h"
#include "display/connection/SystemRegisterPort.h"
#include "platform/TcpKeepAlive.h"
#include "platform/TcpPromptAck.h"
#include "protocol/Codepage.h"
#include "protocol/Commands.h"
#include "protocol/Framing.h"

#include <QHostAddress>
#include <QRandomGenerator>

#include <algorithm>
#include <exception>
#include <limits>

namespace tesk {
namespace {

const QString kServerSettings = QStringLiteral("ServerSettings");
const QString kMinimumVersion = QStringLiteral("1.10.1");
constexpr int kMinimumDotlessVersion = 1101;

// One read of the socket is at most this much; the rest waits in the
// kernel until the next read.
constexpr qint64 kReadBufferBytes = 1024 * 1024;

QString CountdownText(int delayMs)
{
    return QStringLiteral("Ej ansluten - n\u00E4sta f\u00F6rs\u00F6k om ") + QString::number(delayMs / 1000)
        + QStringLiteral(" sekunder");
}

} // namespace

class ServerConnection::HandshakeStep {
public:
    explicit HandshakeStep(ServerConnection& connection)
        : m_connection(connection)
    {
        ++m_connection.m_handshakeDepth;
    }
    ~HandshakeStep()
    {
        if (--m_connection.m_handshakeDepth == 0)
            Q_EMIT m_connection.handshakeIdle();
    }
    HandshakeStep(const HandshakeStep&) = delete;
    HandshakeStep& operator=(const HandshakeStep&) = delete;

private:
    ServerConnection& m_connection;
};

ServerConnection::ServerConnection(SettingsStore& settings, ClientIdentity& identity, UserMessages& messages,
                                   SystemRegisterPort& systemRegister, QObject* parent)
    : ServerConnection(settings, identity, messages, systemRegister, Clock{}, parent)
{
}

ServerConnection::ServerConnection(SettingsStore& settings, ClientIdentity& identity, UserMessages& messages,
                                   SystemRegisterPort& systemRegister, Clock clock, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_identity(identity)
    , m_messages(messages)
    , m_systemRegister(systemRegister)
    , m_clock(std::move(clock))
    , ClientSocket1(this)
    , Timer3(this)
    , ReconnectTimer(this)
{
    if (m_clock.tickMs <= 0)
        m_clock.tickMs = 1000;
    if (m_clock.minuteMs <= 0)
        m_clock.minuteMs = 60000;
    if (!m_clock.random)
        m_clock.random = [](int bound) { return static_cast<int>(QRandomGenerator::global()->bounded(bound)); };

    m_assembler.setDropReporter([this](const QString& reason) {
        qCWarning(lcConnection).noquote() << "message dropped:" << reason;
        m_messages.ShowInfoMessage(QStringLiteral("Error in ClientSocket1Read!\r\r") + reason);
    });

    m_registerauto = m_identity.GetParamValue(QStringLiteral("AUTOREGISTER"), true) == QLatin1String("1");
    m_paramcalllista = m_identity.GetParamValue(QStringLiteral("CALLLIST"), true);

    m_statusText = QStringLiteral("Ej ansluten");

    Timer3.setSingleShot(false);
    Timer3.setInterval(m_clock.tickMs);
    ReconnectTimer.setInterval(m_clock.minuteMs);

    ClientSocket1.setReadBufferSize(kReadBufferBytes);
    connect(&ClientSocket1, &QTcpSocket::connected, this, &ServerConnection::ClientSocket1Connect);
    connect(&ClientSocket1, &QTcpSocket::disconnected, this, [this] {
        if (m_attemptEnded)
            return;
        m_attemptEnded = true;
        ClientSocket1Disconnect();
    });
    connect(&ClientSocket1, &QTcpSocket::errorOccurred, this, &ServerConnection::ClientSocket1Error);
    // Queued on purpose: the socket does not signal readyRead again while a
    // readyRead handler runs. Handling a message may wait in a nested event
    // loop (a settings read answered by RETINITEXT on this very connection,
    // a modal box); a queued read lets those later reads through.
    connect(&ClientSocket1, &QTcpSocket::readyRead, this, &ServerConnection::ClientSocket1Read, Qt::QueuedConnection);
    connect(&Timer3, &QTimer::timeout, this, &ServerConnection::Timer3Timer);
    connect(&ReconnectTimer, &QTimer::timeout, this, &ServerConnection::ReconnectTimerTimer);
}

ServerConnection::~ServerConnection()
{
    StopTimers();
    m_attemptEnded = true;
    ClientSocket1.abort();
}

void ServerConnection::StopTimers()
{
    Timer3.stop();
    ReconnectTimer.stop();
}

bool ServerConnection::isConnected() const
{
    return ClientSocket1.state() == QAbstractSocket::ConnectedState;
}

QString ServerConnection::ClientName() const
{
    return m_identity.GetClientName();
}

void ServerConnection::SetStatus(const QString& text)
{
    m_statusText = text;
    Q_EMIT statusTextChanged(text);
}

void ServerConnection::SetLamp(TColor colour)
{
    m_lamp = colour;
    Q_EMIT lampChanged(colour == LampGreen);
}

void ServerConnection::SendFrame(const QString& command, const QStringList& fields)
{
    SendText(ComposeFrame(command, fields));
}

void ServerConnection::SendText(const QString& text)
{
    if (!isConnected())
        return;
    ClientSocket1.write(ToAnsi(text));
}

void ServerConnection::Start()
{
    m_hasConnected = false;
    const QString name = m_settings.GetIniTextDef(kServerSettings, QStringLiteral("ServerName"), QStringLiteral("ERROR"));
    if (name == QLatin1String("ERROR")) {
        m_messages.ShowInfoMessage(
            QStringLiteral("G\u00E5 till Systemregistret och st\u00E4ll in servernamn och serverport."));
        m_systemRegister.SetTabs(SysRegPage::tsServersettings);
        m_systemRegister.ShowModalUnlessVisible();
        return;
    }
    ConnectToServer(false);
}

void ServerConnection::ConnectToServer(bool Reconnect)
{
    try {
        SetStatus(Reconnect ? QStringLiteral("\u00C5teransluter...")
                            : QStringLiteral("Ej ansluten - f\u00F6rs\u00F6ker ansluta..."));
        if (isConnected())
            CloseConnection();
        AbortPendingAttempt();

        const QString name = m_settings.GetIniText(kServerSettings, QStringLiteral("ServerName"));
        m_server = ServerAddress::FromName(name);
        m_portSetting = m_settings.ReadInt(kServerSettings, QStringLiteral("ServerPort"), 0);
        // A port outside 1..65535 must fail, not wrap round into another one.
        m_port = (m_portSetting > 0 && m_portSetting <= 65535) ? static_cast<quint16>(m_portSetting) : 0;
        m_reconnectTag = Reconnect;
        qCInfo(lcConnection).noquote() << (Reconnect ? "periodic reconnection to" : "connecting to")
                                       << m_server.text() << "port" << m_portSetting;
        OpenSocket();
    } catch (const std::exception& e) {
        qCWarning(lcConnection).noquote() << "could not prepare the connection:" << ExceptionText(e);
        m_messages.ShowInfoMessage(QStringLiteral("Error when connecting to server!\r\r")
                                   + ExceptionText(e));
    }
}

void ServerConnection::AbortPendingAttempt()
{
    if (ClientSocket1.state() == QAbstractSocket::ConnectedState)
        return;
    // A lookup or connect still under way is dropped without a word: its
    // late error or disconnect belongs to an attempt nobody waits for.
    m_attemptEnded = true;
    ClientSocket1.abort();
}

void ServerConnection::OpenSocket()
{
    ++m_attempt;
    m_attemptConnected = false;
    m_attemptEnded = false;
    // Whatever a lost connection left half received belongs to it alone.
    m_assembler.reset();
    if (ConnectToServerAddress(ClientSocket1, m_server, m_port))
        return;
    // Not an address after all ("10.0.0.1.5"): it fails as an unknown host
    // would, without asking a name server about it.
    const quint64 attempt = m_attempt;
    QMetaObject::invokeMethod(
        this,
        [this, attempt] {
            if (attempt == m_attempt)
                ClientSocket1Error(QAbstractSocket::HostNotFoundError);
        },
        Qt::QueuedConnection);
}

bool ServerConnection::IsCurrentAttempt(quint64 attempt) const
{
    return attempt == m_attempt && !m_attemptEnded && isConnected();
}

void ServerConnection::CloseConnection()
{
    const auto state = ClientSocket1.state();
    if (state != QAbstractSocket::ConnectedState && state != QAbstractSocket::ClosingState)
        return;
    ClientSocket1.flush();
    ClientSocket1.disconnectFromHost();
    // Whatever could not be written by now is given up, so that the close
    // (and its disconnect handling) is complete when this returns.
    if (ClientSocket1.state() != QAbstractSocket::UnconnectedState)
        ClientSocket1.abort();
}

void ServerConnection::ReopenAfterResume()
{
    if (isConnected())
        CloseConnection();
    AbortPendingAttempt();
    m_reconnectTag = false;
    OpenSocket();
}

void ServerConnection::ClientSocket1Connect()
{
    const HandshakeStep step(*this);
    m_attemptConnected = true;
    const quint64 attempt = m_attempt;
    // The update check and the settings reads below wait in nested event
    // loops; a loss or a new attempt meanwhile ends this handshake, and
    // nothing of it may then show the lost connection as up.
    auto stillCurrent = [this, attempt] { return IsCurrentAttempt(attempt); };

    Timer3.stop();
    qCInfo(lcConnection).noquote() << "connected to" << ClientSocket1.peerAddress().toString() << "port"
                                   << ClientSocket1.peerPort();
    if (!EnableKeepAlive(ClientSocket1.socketDescriptor()))
        qCWarning(lcConnection) << "keep-alive could not be set; a dead link may go unnoticed";
    RequestPromptAcks(ClientSocket1.socketDescriptor());
    m_settings.SetActiveClientSocket(&ClientSocket1);
    m_hasConnected = true;
    Q_EMIT connectedToServer();

    if (m_updateCheckPending) {
        m_updateCheckPending = false;
        if (m_checkForUpdate && m_checkForUpdate()) {
            qCInfo(lcConnection) << "a newer build was started; this program ends";
            CloseConnection();
            StopTimers();
            Q_EMIT closeProgramRequested();
            return;
        }
        if (!stillCurrent())
            return;
    }

    // Kept only when the connection they were read for is still the one
    // that is up: a lost handshake must not overwrite a newer one's values.
    const SpeechSettings speech = ReadSpeechSettings(m_settings);
    if (!stillCurrent())
        return;
    m_speechSettings = speech;
    Q_EMIT speechSettingsReloaded(m_speechSettings);
    const BoardSettings board = ReadBoardSettings(m_settings);
    if (!stillCurrent())
        return;
    m_boardSettings = board;
    Q_EMIT boardSettingsReloaded(m_boardSettings);
    if (!stillCurrent())
        return;

    const QString typeCode = m_identity.ClientTypeCode();
    if (m_reconnectTag) {
        const QString name = ClientName();
        if (!stillCurrent())
            return;
        SendFrame(cmd::RECONNECT, {name, typeCode});
        ShowConnected(attempt);
        return;
    }

    if (m_registerauto) {
        qCInfo(lcConnection).noquote() << "registering as" << m_identity.GetParamValue(QStringLiteral("NAME"), true);
        const QString colour
            = QString::number(ReadInt(m_identity.GetParamValue(QStringLiteral("COLOR"), true), 0));
        const QString name = ClientName();
        if (!stillCurrent())
            return;
        SendFrame(cmd::REGISTERUPATEMACHINE,
                  {m_identity.GetParamValue(QStringLiteral("NAME"), true), typeCode,
                   m_identity.GetParamValue(QStringLiteral("PLACE"), true), colour, QString(), QString()});
        SendFrame(cmd::POSTCALLABLESLIST, {name, typeCode, m_paramcalllista});
    }
    const QString name = ClientName();
    if (!stillCurrent())
        return;
    SendFrame(cmd::GETSERVERVERSION, {name, typeCode});
}

void ServerConnection::ShowConnected(quint64 attempt)
{
    // A periodic reconnection left over from the last connection must not
    // fire into this handshake while the settings below are read.
    ReconnectTimer.stop();
    // Read before anything shows: the reads may wait for the server, and a
    // connection lost meanwhile must keep its red lamp and its countdown.
    const ReconnectPlan plan = ReadReconnectPlan();
    if (!IsCurrentAttempt(attempt))
        return;
    SetLamp(LampGreen);
    SetStatus(QStringLiteral("Ansluten"));
    RestartReconnectTimer(plan);
    Q_EMIT connectionUp();
    Q_EMIT windowRepaintRequested();
}

bool ServerConnection::IsServerVersionAccepted(const QString& versionText)
{
    const bool belowByNumber = DotlessVersionNumber(versionText) < kMinimumDotlessVersion;
    const bool belowByParts = CompareDottedVersions(versionText, kMinimumVersion) < 0;
    return !(belowByNumber && belowByParts);
}

bool ServerConnection::CheckServerVersion(const QString& versionText)
{
    const HandshakeStep step(*this);
    const quint64 attempt = m_attempt;
    m_serverVersion = versionText;
    if (m_systemRegister.isVisible())
        m_systemRegister.SetTabs(m_systemRegister.currentPage());

    if (!IsServerVersionAccepted(versionText)) {
        qCWarning(lcConnection).noquote() << "server version" << versionText << "refused: at least"
                                          << kMinimumVersion << "is needed; no retry";
        // Let go of the refused server before the box: while the box is open
        // nothing more from it may reach the board, and no retry may start.
        // The close is no loss to be retried: its handling is skipped.
        m_attemptEnded = true;
        CloseConnection();
        ReconnectTimer.stop();
        Timer3.stop();
        SetStatus(QStringLiteral("Fel serverversion ") + versionText + QStringLiteral(" INTE ansluten"));
        SetLamp(LampRed);
        Q_EMIT versionRefused(m_statusText);
        m_messages.ShowInfoMessage(QStringLiteral("Fel serverversion!\r\rTESK-Servern har version ") + versionText
                                   + QStringLiteral("\r") + QStringLiteral("Minst version ") + kMinimumVersion
                                   + QStringLiteral(" kr\u00E4vs!"));
        return false;
    }

    // An answer read before a loss that has been handled since belongs to a
    // connection that is gone: it must not turn the lamp green.
    if (!IsCurrentAttempt(attempt))
        return true;
    const QString name = ClientName();
    if (!IsCurrentAttempt(attempt))
        return true;
    qCInfo(lcConnection).noquote() << "server version" << versionText << "accepted";
    SendFrame(cmd::GETCALLLIST, {name, QStringLiteral("1")});
    SendFrame(cmd::GETKLINIKNAMN, {QStringLiteral("\u00A4\u00A4ADMIN\u00A4\u00A4"), QStringLiteral("2")});
    ShowConnected(attempt);
    return true;
}

ServerConnection::ReconnectPlan ServerConnection::ReadReconnectPlan()
{
    ReconnectPlan plan;
    plan.enabled = m_settings.ReadBool(QStringLiteral("TESK"), QStringLiteral("RefreshConnection"), false);
    if (!plan.enabled)
        return plan;
    // Less than a minute would reconnect without pause; more than the timer
    // holds would wrap round.
    const int minutes = std::max(1, m_settings.ReadInt(QStringLiteral("TESK"), QStringLiteral("RefreshConnectionTimer"), 1));
    plan.intervalMs = static_cast<int>(std::min<qint64>(qint64(minutes) * m_clock.minuteMs, std::numeric_limits<int>::max()));
    return plan;
}

void ServerConnection::RestartReconnectTimer(const ReconnectPlan& plan)
{
    ReconnectTimer.stop();
    if (!plan.enabled)
        return;
    ReconnectTimer.setInterval(plan.intervalMs);
    ReconnectTimer.start();
}

void ServerConnection::StartRetryCountdown()
{
    const int drawn = std::clamp(m_clock.random(15000), 0, 14999);
    const int delay = (drawn / 1000) * 1000 + 3000;
    Timer3.stop();
    m_timer3Tag = delay;
    Timer3.start();
    qCInfo(lcConnection) << "next attempt in" << delay / 1000 << "s";
    SetStatus(CountdownText(delay));
}

void ServerConnection::ClientSocket1Disconnect()
{
    qCInfo(lcConnection).noquote() << "connection lost:"
                                   << (ClientSocket1.error() == QAbstractSocket::UnknownSocketError
                                           ? QStringLiteral("closed")
                                           : ClientSocket1.errorString());
    // The periodic reconnection belongs to a connection that is up. Left
    // running, it would fire into the countdown and come back with RECONNECT
    // alone: no version check, no fresh call list, yet a green lamp and the
    // stale-data banner gone. The way back from a loss is the countdown's
    // full handshake; the next accepted connection starts the timer again.
    ReconnectTimer.stop();
    if (m_hasConnected)
        StartRetryCountdown();
    else
        SetStatus(QStringLiteral("Ej ansluten - kontrollera Serverinst\u00E4llningarna i Systemregistret"));
    SetLamp(LampRed);
    if (!m_plannedClose)
        Q_EMIT connectionDown();
}

void ServerConnection::ClientSocket1Error(QAbstractSocket::SocketError error)
{
    if (m_attemptEnded)
        return;
    if (m_attemptConnected) {
        // A connection that was up: its end is the disconnect, which the
        // socket reports as well unless it is already unconnected.
        if (ClientSocket1.state() != QAbstractSocket::UnconnectedState)
            return;
        m_attemptEnded = true;
        ClientSocket1Disconnect();
        return;
    }
    m_attemptEnded = true;
    qCWarning(lcConnection).noquote() << "could not connect to" << m_server.text() << "port" << m_portSetting
                                      << ":" << ClientSocket1.errorString() << "(" << WinsockErrorCode(error) << ")";
    if (m_hasConnected) {
        ClientSocket1Disconnect();
        return;
    }
    // Before the question: the board is to say so while the box is open.
    Q_EMIT connectionDown();
    AskToEditServerSettings(WinsockErrorCode(error));
}

void ServerConnection::AskToEditServerSettings(int errorCode)
{
    const QString question = QStringLiteral("Det gick inte att ansluta till ") + m_server.text()
        + QStringLiteral(" p\u00E5 port ") + QString::number(m_portSetting) + QStringLiteral("!") + QStringLiteral("\r\r")
        + QStringLiteral("Felkoden \u00E4r: ") + QString::number(errorCode) + QStringLiteral("\r\r")
        + QStringLiteral("Redigera serverinst\u00E4llningarna?");
    if (m_messages.AskYesNo(question)) {
        m_systemRegister.SetTabs(SysRegPage::tsServersettings);
        m_systemRegister.ShowModalUnlessVisible();
    }
}

void ServerConnection::ClientSocket1Read()
{
    try {
        const QByteArray chunk = ClientSocket1.readAll();
        if (chunk.isEmpty())
            return;
        // Re-armed at every read: the system falls back to delayed
        // acknowledgements by itself, and the next call must not wait on one.
        RequestPromptAcks(ClientSocket1.socketDescriptor());
        std::optional<QString> message = m_assembler.feed(chunk);
        if (message && m_messageHandler)
            m_messageHandler(*message);
    } catch (const std::exception& e) {
        m_messages.ShowInfoMessage(QStringLiteral("Error in ClientSocket1Read!\r\r") + ExceptionText(e));
    }
}

void ServerConnection::Timer3Timer()
{
    Timer3.stop();
    if (m_timer3Tag > 0) {
        m_timer3Tag -= 1000;
        Timer3.start();
        SetStatus(CountdownText(m_timer3Tag));
        return;
    }
    if (isConnected())
        return;
    ConnectToServer(false);
    const int drawn = std::clamp(m_clock.random(15000), 0, 14999);
    m_timer3Tag = (drawn / 1000) * 1000 + 3000;
    Timer3.start();
}

void ServerConnection::ReconnectTimerTimer()
{
    ReconnectTimer.stop();
    // A close of our own, back within moments: no reason to tell the room
    // the calls may be stale.
    m_plannedClose = true;
    CloseConnection();
    m_plannedClose = false;
    ConnectToServer(true);
}

void ConnectDispatcher(ServerConnection& connection, MessageDispatcher& dispatcher)
{
    connection.setMessageHandler([&dispatcher](const QString& message) { dispatcher.HandleServerMessage(message); });
    dispatcher.setVersionCheck([&connection](const QString& version) { return connection.CheckServerVersion(version); });
}

} // namespace tesk
