#include "platform/SingleInstance.h"

#include <QDir>
#include <QLocalSocket>
#include <QPointer>
#include <QRegularExpression>

namespace tesk {

namespace {
const QByteArray ActivateRequest = QByteArrayLiteral("ACTIVATE\n");
// A peer on the socket gets this many bytes to say what it wants.
constexpr qint64 MaxRequestBytes = 64;
}

QString SingleInstance::userName()
{
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("USERNAME");
    if (user.isEmpty())
        user = QStringLiteral("user");
    // The name becomes part of a file name and a socket name.
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9_.-]"));
    return user.replace(unsafe, QStringLiteral("_"));
}

SingleInstance::SingleInstance(const QString& baseName, QObject* parent, const QString& lockDir)
    : QObject(parent)
    , m_name(baseName + QLatin1Char('-') + userName())
{
    const QString dir = lockDir.isEmpty() ? QDir::tempPath() : lockDir;
    m_lock = std::make_unique<QLockFile>(QDir(dir).filePath(m_name + QStringLiteral(".lock")));
    // A live holder keeps the lock for as long as it runs; only a holder
    // whose process is gone (a crash) leaves a stale lock behind.
    m_lock->setStaleLockTime(0);
    m_retry.setSingleShot(false);
    connect(&m_retry, &QTimer::timeout, this, [this] {
        if (tryAcquire()) {
            m_retry.stop();
            Q_EMIT acquired();
        }
    });
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
}

SingleInstance::~SingleInstance()
{
    m_server.close();
    if (m_primary)
        m_lock->unlock();
}

bool SingleInstance::tryAcquire()
{
    if (m_primary)
        return true;
    if (!m_lock->tryLock(0))
        return false;
    m_primary = true;
    listen();
    return true;
}

void SingleInstance::acquireWhenFree(int retryMs)
{
    if (m_primary)
        return;
    m_retry.start(retryMs);
}

void SingleInstance::listen()
{
    // We hold the lock, so a socket of this name is a leftover of a program
    // that ended without cleaning up.
    QLocalServer::removeServer(m_name);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    m_server.listen(m_name);
}

void SingleInstance::onNewConnection()
{
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        QPointer<QLocalSocket> guard(socket);
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, guard] {
            if (!guard)
                return;
            const QByteArray request = guard->read(MaxRequestBytes);
            if (request.startsWith(ActivateRequest.trimmed()))
                Q_EMIT activationRequested();
            // One request per connection; anything else is ignored.
            guard->disconnect(this);
            guard->abort();
            guard->deleteLater();
        });
    }
}

bool SingleInstance::activateRunning(int timeoutMs) const
{
    // Runs before any event loop of the second start exists, so blocking
    // waits on the socket are the simple and correct tool here.
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(ActivateRequest);
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(timeoutMs);
    return true;
}

} // namespace tesk
