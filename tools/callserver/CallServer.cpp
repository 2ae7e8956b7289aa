#include "CallServer.h"

#include "ServerMessages.h"

#include "common/TextHelpers.h"
#include "protocol/Codepage.h"
#include "protocol/Commands.h"
#include "protocol/Framing.h"

#include <QTcpSocket>
#include <QTimer>

namespace tesk::sim {

namespace {

constexpr int kLoggedFrameChars = 600;

QString CommandOf(const QString& frame)
{
    const qsizetype colon = frame.indexOf(QLatin1Char(':'));
    return colon > 1 ? frame.mid(1, colon - 1) : QString();
}

QString Shortened(const QString& text)
{
    if (text.size() <= kLoggedFrameChars)
        return text;
    return text.left(kLoggedFrameChars) + QStringLiteral(" … (%1 tecken)").arg(text.size());
}

// A colour from the wire: decimal 0x00BBGGRR; anything else is black.
TColor ReadColour(const QString& text)
{
    bool ok = false;
    const qint64 value = TrimBlank(text).toLongLong(&ok);
    return ok && value >= 0 && value <= 0xFFFFFFFFLL ? TColor(value) : 0;
}

} // namespace

CallServer::CallServer(Register& reg, const ServerConfig& config, Clock clock, Logger logger, QObject* parent)
    : QObject(parent)
    , m_reg(reg)
    , m_config(config)
    , m_clock(std::move(clock))
    , m_logger(std::move(logger))
    , m_update(config.update)
{
    connect(&m_server, &QTcpServer::newConnection, this, &CallServer::onNewConnection);
    m_refusal.setSingleShot(true);
    connect(&m_refusal, &QTimer::timeout, this, &CallServer::listenAgain);
}

CallServer::~CallServer()
{
    close();
}

bool CallServer::listen(const QHostAddress& address, quint16 port)
{
    if (!m_server.listen(address, port))
        return false;
    m_listenAddress = address;
    m_listenPort = m_server.serverPort();
    return true;
}

void CallServer::dropDisplays(bool midMessage)
{
    const auto sessions = m_sessions;
    for (const QPointer<ClientSession>& s : sessions) {
        if (!s || !s->display || !s->isConnected())
            continue;
        if (midMessage) {
            // Everything queued before goes out first, then the pieces, then
            // the close: the display is left holding half a message that has
            // already taken it several reads.
            const QByteArray cut = longCallList(s->clientName).left(kCutMessageBytes);
            const qsizetype piece = cut.size() / kCutMessagePieces + 1;
            for (qsizetype at = 0; at < cut.size(); at += piece)
                s->sendRaw(cut.mid(at, piece), kCutMessagePieceGapMs);
            s->closeWhenSent();
        } else {
            s->close();
        }
    }
}

QByteArray CallServer::longCallList(const QString& clientName) const
{
    // The display's own records, repeated until the list is long enough; a
    // display with none gets one made up.
    std::vector<const SimResource*> own = m_reg.resourcesFor(clientName);
    SimResource standIn;
    if (own.empty()) {
        standIn.number = 1;
        standIn.name = QStringLiteral("Reserv");
        own.push_back(&standIn);
    }
    const qsizetype once = ToAnsi(msg::CurrentList(own)).size();
    std::vector<const SimResource*> records;
    for (qsizetype n = 0; n * once < 2 * kCutMessageBytes; ++n)
        records.insert(records.end(), own.begin(), own.end());
    return ToAnsi(cmd::DataStart) + ToAnsi(msg::CurrentList(records)) + ToAnsi(cmd::DataEnd);
}

void CallServer::refuseConnectionsFor(int ms)
{
    // Listening stops first, so that nothing gets back in between.
    m_server.close();
    if (ms > m_refusal.remainingTime())
        m_refusal.start(ms);
    dropDisplays(false);
}

void CallServer::listenAgain()
{
    if (m_server.isListening())
        return;
    if (m_server.listen(m_listenAddress, m_listenPort))
        log(QStringLiteral("tar emot anslutningar igen"));
    else
        log(QStringLiteral("kan inte lyssna igen: %1").arg(m_server.errorString()));
}

void CallServer::sendJunk(const QByteArray& bytes)
{
    for (const QPointer<ClientSession>& s : std::as_const(m_sessions)) {
        if (s && s->display && s->isConnected())
            s->sendRaw(bytes, 0);
    }
}

void CallServer::close()
{
    m_refusal.stop();
    m_server.close();
    const auto sessions = m_sessions;
    m_sessions.clear();
    for (const QPointer<ClientSession>& s : sessions) {
        if (s) {
            s->disconnect(this);
            s->close();
            s->deleteLater();
        }
    }
}

int CallServer::displayCount() const
{
    int n = 0;
    for (const QPointer<ClientSession>& s : m_sessions) {
        if (s && s->display && s->isConnected())
            ++n;
    }
    return n;
}

void CallServer::log(const QString& line) const
{
    if (m_logger)
        m_logger(line);
}

void CallServer::onNewConnection()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        auto* session = new ClientSession(socket, m_config.session, this);
        m_sessions.append(session);
        log(QStringLiteral("%1 ansluten").arg(session->peer()));
        connect(session, &ClientSession::frameReceived, this, &CallServer::onFrame);
        connect(session, &ClientSession::closed, this, &CallServer::onClosed);
        connect(session, &ClientSession::textDropped, this, [this](ClientSession* s, const QString& text) {
            log(QStringLiteral("%1 <- (text utanför ramar ignoreras) %2").arg(s->peer(), Shortened(text)));
        });
        connect(session, &ClientSession::stalled, this, [this](ClientSession* s) {
            log(QStringLiteral("%1 läser inte det servern skickar; anslutningen stängs").arg(s->peer()));
        });
        connect(session, &ClientSession::overflowed, this, [this](ClientSession* s) {
            log(QStringLiteral("%1 skickade mer än %2 byte utan en hel ram; anslutningen stängs")
                    .arg(s->peer())
                    .arg(m_config.session.maxPendingBytes));
        });
    }
}

void CallServer::onClosed(ClientSession* session)
{
    log(QStringLiteral("%1 frånkopplad").arg(session->peer()));
    m_sessions.removeAll(session);
    session->deleteLater();
}

bool CallServer::isRegistered(const ClientSession& session) const
{
    return session.registeredHere || m_reg.findClient(session.clientName) != nullptr;
}

void CallServer::sendCallList(ClientSession& session)
{
    if (m_config.requireRegistration && !isRegistered(session)) {
        // Told once; the list follows as soon as the client registers.
        if (!session.awaitingRegistration) {
            session.awaitingRegistration = true;
            session.sendMessage(msg::NotRegistered());
            log(QStringLiteral("%1 -> ERROR: 001 (\"%2\" är inte registrerad)").arg(session.peer(), session.clientName));
        }
        return;
    }
    session.awaitingRegistration = false;
    session.sendMessage(msg::CurrentList(m_reg.resourcesFor(session.clientName)));
    ++m_listsSent;
}

void CallServer::becomeDisplay(ClientSession& session, const QString& clientName)
{
    if (!clientName.isEmpty())
        session.clientName = clientName;
    session.display = true;
    // A display that asks again is told again.
    session.awaitingRegistration = false;
    sendCallList(session);
}

void CallServer::broadcastCallLists()
{
    for (const QPointer<ClientSession>& s : std::as_const(m_sessions)) {
        if (s && s->display && s->isConnected())
            sendCallList(*s);
    }
}

void CallServer::onFrame(ClientSession* session, const QString& frame)
{
    log(QStringLiteral("%1 <- %2").arg(session->peer(), Shortened(frame)));
    const QString command = CommandOf(frame);
    const std::optional<FrameCut> cut = FindFrame(frame, command);
    if (command.isEmpty() || !cut) {
        emit frameHandled(command);
        return;
    }
    const auto field = [&](int k) { return cut->field(k); };
    ClientSession& s = *session;

    if (command == cmd::GETSERVERVERSION) {
        if (!field(1).isEmpty())
            s.clientName = field(1);
        s.sendMessage(msg::ServerVersion(m_config.serverVersion));
    } else if (command == cmd::REGISTERUPATEMACHINE) {
        const QString name = field(1).isEmpty() ? s.clientName : field(1);
        if (name.isEmpty()) {
            s.sendMessage(msg::ErrorReport(QStringLiteral("Klientnamn saknas i registreringen.")));
        } else if (const SimClient* client = m_reg.registerClient(name, field(3), ReadColour(field(4)))) {
            s.registeredHere = true;
            if (s.clientName.isEmpty())
                s.clientName = name;
            s.sendMessage(msg::ClientData(*client));
            if (s.display && s.awaitingRegistration)
                sendCallList(s);
        } else {
            s.sendMessage(msg::ErrorReport(QStringLiteral("Klientregistret är fullt.")));
        }
    } else if (command == cmd::POSTCALLABLESLIST) {
        const QString name = field(1).isEmpty() ? s.clientName : field(1);
        QList<QPair<int, int>> entries;
        for (int h = 0; h < Register::MaxStationEntries; ++h) {
            const QString numberText = field(3 + 2 * h);
            if (numberText.isEmpty())
                break;
            const int number = ReadInt(numberText, -1);
            if (number >= 0)
                entries.append({number, ReadInt(field(4 + 2 * h), h)});
        }
        if (!name.isEmpty()) {
            m_reg.setStation(name, entries);
            broadcastCallLists();
        }
    } else if (command == cmd::RECONNECT || command == cmd::GETCALLLIST) {
        becomeDisplay(s, field(1));
    } else if (command == cmd::GETKLINIKNAMN) {
        s.sendMessage(msg::ClinicName(m_config.clinicName));
    } else if (command == cmd::GETINITEXT) {
        s.sendMessage(msg::IniText(m_reg.setting(field(1), field(2))));
    } else if (command == cmd::SETINITEXT) {
        if (!m_reg.setSetting(field(1), field(2), field(3)))
            log(QStringLiteral("%1: inställningsregistret är fullt; SETINITEXT ignoreras").arg(s.peer()));
    } else if (command == cmd::GETALLCALLABLES) {
        if (!field(1).isEmpty() && s.clientName.isEmpty())
            s.clientName = field(1);
        s.sendMessage(msg::AllCallables(m_reg));
    } else if (command == cmd::GETSTATIONCALLABLES) {
        s.sendMessage(msg::StationCallables(m_reg.station(field(1).isEmpty() ? s.clientName : field(1))));
    } else if (command == cmd::COMING) {
        const SimClient* client = m_reg.findClient(s.clientName);
        QString byName = client && !TrimBlank(client->place).isEmpty() ? client->place : s.clientName;
        if (byName.isEmpty())
            byName = QStringLiteral("Okänd");
        if (m_reg.confirmCall(ReadInt(field(1), 0), ReadInt(field(2), 0), byName, m_clock()))
            broadcastCallLists();
        else
            log(QStringLiteral("%1: COMING för en kallelse som inte finns (%2, %3)").arg(s.peer(), field(1), field(2)));
    } else if (command == cmd::GETNEWCLIENT) {
        log(QStringLiteral("%1 -> %2").arg(s.peer(), m_update.answer(s, field(1))));
    } else {
        log(QStringLiteral("%1: okänt kommando %2 ignoreras").arg(s.peer(), command));
    }
    emit frameHandled(command);
}

} // namespace tesk::sim
