#pragma once

#include "ClientSession.h"
#include "Register.h"
#include "UpdateService.h"

#include <QDateTime>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTimer>

#include <functional>

namespace tesk::sim {

struct ServerConfig {
    QString serverVersion = QStringLiteral("1.10.4");
    QString clinicName = QStringLiteral("Vårdcentralen Norrby");
    // Answer "ERROR: 001" to a display whose client is not registered.
    bool requireRegistration = false;
    ClientSession::Options session;
    UpdateService::Options update;
};

// The call server and the update server in one: accepts display clients,
// answers every request of the protocol from the register and sends each
// display its call list again after every change.
class CallServer : public QObject {
    Q_OBJECT
public:
    using Clock = std::function<QDateTime()>;
    using Logger = std::function<void(const QString& line)>;

    CallServer(Register& reg, const ServerConfig& config, Clock clock, Logger logger, QObject* parent = nullptr);
    ~CallServer() override;

    bool listen(const QHostAddress& address, quint16 port);
    quint16 port() const { return m_server.serverPort(); }
    QString errorString() const { return m_server.errorString(); }
    void close();

    Register& reg() { return m_reg; }
    const ServerConfig& config() const { return m_config; }

    // Sends every display its call list; for changes made outside a
    // client's request (demo traffic, the admin console).
    void broadcastCallLists();

    int sessionCount() const { return int(m_sessions.size()); }
    int displayCount() const;
    // Call lists sent to displays since start.
    qint64 listsSent() const { return m_listsSent; }

    // Trouble on purpose, for the soak test of a display.
    // Closes every display connection; with `midMessage` each first gets the
    // first kCutMessageBytes of a bracketed call list twice as long, in
    // kCutMessagePieces pieces apart, and never its end.
    void dropDisplays(bool midMessage);
    static constexpr qsizetype kCutMessageBytes = 64 * 1024;
    static constexpr int kCutMessagePieces = 4;
    static constexpr int kCutMessagePieceGapMs = 30;
    // Closes every display connection and takes no new ones for `ms`, so
    // that the displays' retries meet the refusal. A later end wins.
    void refuseConnectionsFor(int ms);
    // Bytes that belong to no frame, between the frames a display gets.
    void sendJunk(const QByteArray& bytes);

Q_SIGNALS:
    // After a frame of a client has been handled (tests wait on it).
    void frameHandled(const QString& command);

private:
    void onNewConnection();
    void onFrame(ClientSession* session, const QString& frame);
    void onClosed(ClientSession* session);
    void listenAgain();
    QByteArray longCallList(const QString& clientName) const;

    bool isRegistered(const ClientSession& session) const;
    void sendCallList(ClientSession& session);
    void becomeDisplay(ClientSession& session, const QString& clientName);
    void log(const QString& line) const;

    Register& m_reg;
    ServerConfig m_config;
    Clock m_clock;
    Logger m_logger;
    UpdateService m_update;
    QTcpServer m_server;
    QHostAddress m_listenAddress;
    quint16 m_listenPort = 0;
    QTimer m_refusal;
    QList<QPointer<ClientSession>> m_sessions;
    qint64 m_listsSent = 0;
};

} // namespace tesk::sim
