#include "ClientSession.h"

#include "protocol/Codepage.h"
#include "protocol/Commands.h"

#include <QTcpSocket>

namespace tesk::sim {

namespace {
constexpr qint64 kReadPiece = 64 * 1024;
}

ClientSession::ClientSession(QTcpSocket* socket, const Options& options, QObject* parent)
    : QObject(parent)
    , m_socket(socket)
    , m_options(options)
    , m_reader(options.maxPendingBytes)
{
    m_socket->setParent(this);
    m_peer = m_socket->peerAddress().toString() + QLatin1Char(':') + QString::number(m_socket->peerPort());
    m_gapTimer.setSingleShot(true);
    connect(&m_gapTimer, &QTimer::timeout, this, [this] {
        m_gapElapsed = true;
        pump();
    });
    connect(m_socket, &QTcpSocket::readyRead, this, &ClientSession::onReadyRead);
    connect(m_socket, &QTcpSocket::bytesWritten, this, &ClientSession::onBytesWritten);
    connect(m_socket, &QTcpSocket::disconnected, this, [this] {
        m_gapTimer.stop();
        m_queue.clear();
        if (!m_closedSignalled) {
            m_closedSignalled = true;
            emit closed(this);
        }
    });
}

ClientSession::~ClientSession() = default;

bool ClientSession::isConnected() const
{
    return m_socket->state() == QAbstractSocket::ConnectedState;
}

void ClientSession::sendMessage(const QString& text)
{
    QByteArray bytes = ToAnsi(text);
    if (bytes.size() > m_options.markerThreshold)
        bytes = ToAnsi(cmd::DataStart) + bytes + ToAnsi(cmd::DataEnd);
    enqueue(bytes, m_options.messageGapMs);
}

void ClientSession::sendRaw(const QByteArray& bytes, int gapMs)
{
    enqueue(bytes, gapMs);
}

void ClientSession::closeWhenSent()
{
    enqueue({}, 0, true);
}

void ClientSession::enqueue(const QByteArray& bytes, int gapMs, bool close)
{
    if (!isConnected())
        return;
    if (qsizetype(m_queue.size()) >= m_options.maxQueuedMessages) {
        m_queue.clear();
        m_gapTimer.stop();
        emit stalled(this);
        m_socket->abort();
        return;
    }
    m_queue.push_back({bytes, gapMs, close});
    pump();
}

void ClientSession::close()
{
    m_queue.clear();
    m_gapTimer.stop();
    if (m_socket->state() != QAbstractSocket::UnconnectedState)
        m_socket->disconnectFromHost();
}

void ClientSession::onReadyRead()
{
    while (isConnected() && m_socket->bytesAvailable() > 0) {
        QList<QByteArray> frames;
        QList<QByteArray> dropped;
        const FrameReader::Status status = m_reader.append(m_socket->read(kReadPiece), frames, &dropped);
        for (const QByteArray& d : dropped) {
            const QString text = FromAnsi(d);
            if (!text.trimmed().isEmpty())
                emit textDropped(this, text);
        }
        for (const QByteArray& f : frames)
            emit frameReceived(this, FromAnsi(f));
        if (status == FrameReader::Status::Overflow) {
            m_reader.clear();
            emit overflowed(this);
            m_queue.clear();
            m_socket->abort();
            return;
        }
    }
}

void ClientSession::onBytesWritten()
{
    if (m_socket->bytesToWrite() == 0)
        pump();
}

void ClientSession::pump()
{
    if (m_gapTimer.isActive())
        return;
    while (!m_queue.empty() && isConnected()) {
        if (m_socket->bytesToWrite() > 0)
            return; // onBytesWritten comes back when it has left
        const Pending& next = m_queue.front();
        if (m_wroteAny && next.gapMs > 0 && !m_gapElapsed) {
            m_gapTimer.start(next.gapMs);
            return;
        }
        if (next.close) {
            close();
            return;
        }
        const QByteArray bytes = next.bytes;
        m_queue.pop_front();
        m_gapElapsed = false;
        m_wroteAny = true;
        m_socket->write(bytes);
    }
}

} // namespace tesk::sim
