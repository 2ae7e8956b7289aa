#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>

namespace tesk::test {

// A call server stand-in on 127.0.0.1 for the tests. It records every byte
// its clients send and answers only what a test tells it to: either by
// send() / sendRaw(), or automatically by a responder that sees each frame
// as it arrives.
class FakeServer : public QObject {
    Q_OBJECT
public:
    // Gets the text of one complete frame received ("¤CMD:...:CMD¤") and
    // returns the raw text to answer with (empty for no answer).
    using Responder = std::function<QString(const QString& frame)>;

    explicit FakeServer(QObject* parent = nullptr);
    ~FakeServer() override;

    bool listen();             // on 127.0.0.1, a free port
    quint16 port() const;
    void setResponder(Responder responder);

    // Everything received so far from all clients, decoded from Windows-1252.
    QString received() const;
    QByteArray receivedBytes() const { return m_received; }
    // Complete frames received so far, in order.
    QStringList frames() const;
    void clearReceived();

    QTcpSocket* client() const; // the most recent connection
    int connectionCount() const { return m_connections; }

    void send(const QString& text);          // encoded to Windows-1252
    void sendRaw(const QByteArray& bytes);
    void dropClient();                       // close the current connection
    void close();                            // stop listening and drop clients

    // Event-loop waits (no sleeping), true when the condition came true.
    bool waitForClient(int timeoutMs = 5000);
    bool waitForFrames(int count, int timeoutMs = 5000);
    bool waitForReceived(const QString& text, int timeoutMs = 5000);

Q_SIGNALS:
    void frameReceived(const QString& frame);
    void clientConnected();

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket* socket);

    QTcpServer m_server;
    QPointer<QTcpSocket> m_client;
    QByteArray m_received;
    QString m_pending; // text after the last complete frame
    QStringList m_frames;
    Responder m_responder;
    int m_connections = 0;
};

// Runs the event loop until pred() is true or the time is up.
bool waitUntil(const std::function<bool()>& pred, int timeoutMs = 5000);

} // namespace tesk::test
