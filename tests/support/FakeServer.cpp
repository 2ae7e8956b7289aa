#include "FakeServer.h"

#include "protocol/Codepage.h"
#include "protocol/Framing.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

namespace tesk::test {

bool waitUntil(const std::function<bool()>& pred, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!pred()) {
        if (deadline.hasExpired())
            return false;
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

FakeServer::FakeServer(QObject* parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &FakeServer::onNewConnection);
}

FakeServer::~FakeServer()
{
    close();
}

bool FakeServer::listen()
{
    return m_server.listen(QHostAddress::LocalHost, 0);
}

quint16 FakeServer::port() const
{
    return m_server.serverPort();
}

void FakeServer::setResponder(Responder responder)
{
    m_responder = std::move(responder);
}

QString FakeServer::received() const
{
    return FromAnsi(m_received);
}

QStringList FakeServer::frames() const
{
    return m_frames;
}

void FakeServer::clearReceived()
{
    m_received.clear();
    m_pending.clear();
    m_frames.clear();
}

QTcpSocket* FakeServer::client() const
{
    return m_client;
}

void FakeServer::send(const QString& text)
{
    sendRaw(ToAnsi(text));
}

void FakeServer::sendRaw(const QByteArray& bytes)
{
    if (m_client) {
        m_client->write(bytes);
        m_client->flush();
    }
}

void FakeServer::dropClient()
{
    if (m_client)
        m_client->disconnectFromHost();
}

void FakeServer::close()
{
    m_server.close();
    for (QTcpSocket* s : m_server.findChildren<QTcpSocket*>())
        s->abort();
    if (m_client)
        m_client->abort();
}

bool FakeServer::waitForClient(int timeoutMs)
{
    const int before = m_connections;
    return waitUntil([&] { return m_connections > before || (m_client && m_client->state() == QAbstractSocket::ConnectedState); }, timeoutMs);
}

bool FakeServer::waitForFrames(int count, int timeoutMs)
{
    return waitUntil([&] { return m_frames.size() >= count; }, timeoutMs);
}

bool FakeServer::waitForReceived(const QString& text, int timeoutMs)
{
    return waitUntil([&] { return received().contains(text); }, timeoutMs);
}

void FakeServer::onNewConnection()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        m_client = socket;
        ++m_connections;
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        Q_EMIT clientConnected();
    }
}

void FakeServer::onReadyRead(QTcpSocket* socket)
{
    const QByteArray bytes = socket->readAll();
    m_received += bytes;
    m_pending += FromAnsi(bytes);
    // A frame ends at ":NAME¤" where NAME is the command of its opening tag.
    for (;;) {
        const qsizetype open = m_pending.indexOf(FrameChar);
        if (open < 0) {
            m_pending.clear();
            return;
        }
        const qsizetype colon = m_pending.indexOf(QLatin1Char(':'), open);
        if (colon < 0)
            return;
        const QString command = m_pending.mid(open + 1, colon - open - 1);
        const QString close = ClosingTag(command);
        const qsizetype end = m_pending.indexOf(close, colon);
        if (end < 0)
            return;
        const QString frame = m_pending.mid(open, end + close.size() - open);
        m_pending.remove(0, end + close.size());
        m_frames << frame;
        Q_EMIT frameReceived(frame);
        if (m_responder) {
            const QString answer = m_responder(frame);
            if (!answer.isEmpty())
                send(answer);
        }
    }
}

} // namespace tesk::test
