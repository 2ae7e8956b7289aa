#include "common/SettingsStore.h"

#include "common/LogCategories.h"
#include "common/RegistryLayout.h"
#include "common/RegistryStore.h"
#include "common/TextHelpers.h"
#include "platform/MachineName.h"
#include "protocol/Codepage.h"
#include "protocol/Commands.h"
#include "protocol/Framing.h"

#include <QEventLoop>
#include <QTimer>

#include <deque>
#include <memory>

namespace tesk {

namespace {

const QString ErrorValue = QStringLiteral("ERROR");

} // namespace

// One GETINITEXT on its way: queued, out on the wire, or finished.
struct SettingsStore::Request {
    enum class State { Queued, Sent, Answered, NoAnswer };

    QString frame;
    State state = State::Queued;
    QString answer;
    QEventLoop* loop = nullptr;  // the caller's wait, while it runs
    const QObject* sentOn = nullptr; // identity only: the socket may be gone

    bool finished() const { return state == State::Answered || state == State::NoAnswer; }
};

struct SettingsStore::Private {
    RegistryStore& registry;
    MachineNameFn machineName;
    QString subKey;
    QPointer<QAbstractSocket> socket;
    int replyTimeout = 5000;
    QTimer socketTimer;
    // The front request is the one out on the wire (or about to be); the
    // answers carry no key, so they are matched to requests by order.
    std::deque<std::shared_ptr<Request>> queue;

    Private(RegistryStore& r, MachineNameFn fn)
        : registry(r)
        , machineName(std::move(fn))
    {
    }
};

SettingsStore::SettingsStore(RegistryStore& registry, MachineNameFn machineName, QObject* parent)
    : QObject(parent)
    , d(new Private(registry, std::move(machineName)))
{
    d->socketTimer.setSingleShot(true);
    connect(&d->socketTimer, &QTimer::timeout, this, &SettingsStore::OnReplyTimeout);
}

SettingsStore::~SettingsStore()
{
    // Waits still running higher up the stack end as "no answer"; they hold
    // their own requests and no longer touch the store.
    auto queue = std::move(d->queue);
    for (auto& request : queue) {
        request->state = Request::State::NoAnswer;
        if (request->loop)
            request->loop->quit();
    }
    delete d;
}

void SettingsStore::setSettingsSubKey(const QString& subKey)
{
    d->subKey = subKey;
}

QString SettingsStore::settingsSubKey() const
{
    return d->subKey;
}

void SettingsStore::SetActiveClientSocket(QAbstractSocket* socket)
{
    d->socket = socket;
    if (socket)
        WatchSocket(socket);
}

QAbstractSocket* SettingsStore::ActiveClientSocket() const
{
    return d->socket.data();
}

void SettingsStore::setReplyTimeout(int ms)
{
    d->replyTimeout = qMax(0, ms);
}

int SettingsStore::replyTimeout() const
{
    return d->replyTimeout;
}

RegistryStore& SettingsStore::registry() const
{
    return d->registry;
}

QString SettingsStore::MachineName() const
{
    return d->machineName ? d->machineName() : tesk::GetMachineName();
}

bool SettingsStore::IsWaitingForServer() const
{
    return !d->queue.empty();
}

bool SettingsStore::ServerConnected() const
{
    return d->socket && d->socket->state() == QAbstractSocket::ConnectedState;
}

QString SettingsStore::GetIniText(const QString& section, const QString& key)
{
    const QString path = SettingsKeyPath(d->subKey, section);
    QString result = d->registry.RegReadString(RegistryRoot::CurrentUser, path, key);
    if (IsBlank(result))
        result = d->registry.RegReadString(RegistryRoot::LocalMachine, path, key);
    if (!IsBlank(result))
        return result; // registry values are returned as stored
    return GetServerIniText(section, key);
}

QString SettingsStore::GetIniTextDef(const QString& section, const QString& key, const QString& defaultValue)
{
    const QString result = GetIniText(section, key);
    return TrimBlank(result) == ErrorValue ? defaultValue : result;
}

QString SettingsStore::GetServerIniText(const QString& section, const QString& key)
{
    // Anything may happen during a wait, the end of this store included.
    const QPointer<SettingsStore> self(this);
    QString result;
    if (ServerConnected()) {
        const QString frame = ComposeFrame(cmd::GETINITEXT, {MachineName() + QLatin1Char('\\') + section, key});
        result = TrimBlank(ServerRequest(frame).value_or(QString()));
    }
    // The first wait may have seen the connection go.
    if (IsBlank(result) && self && ServerConnected()) {
        const QString frame = ComposeFrame(cmd::GETINITEXT, {QLatin1Char('\\') + section, key});
        result = TrimBlank(ServerRequest(frame).value_or(QString()));
    }
    return IsBlank(result) ? ErrorValue : result;
}

QString SettingsStore::GetServerIniTextDef(const QString& section, const QString& key, const QString& defaultValue)
{
    const QString result = GetServerIniText(section, key);
    return TrimBlank(result) == ErrorValue ? defaultValue : result;
}

void SettingsStore::SetIniText(const QString& section, const QString& key, const QString& value)
{
    const QString path = SettingsKeyPath(d->subKey, section);
    const bool user = d->registry.RegWriteString(RegistryRoot::CurrentUser, path, key, value);
    const bool machine = d->registry.RegWriteString(RegistryRoot::LocalMachine, path, key, value);
    if (!machine && user)
        d->registry.RegWriteString(RegistryRoot::CurrentUser, MachineWriteFailureKey(), MachineWriteFailureValueName(),
                                   d->registry.LastRegistryError);
    // Keys only: a value may be anything a clinic types.
    if (user && machine)
        qCInfo(lcSettings).noquote() << "stored" << section + QLatin1Char('/') + key;
    else
        qCWarning(lcSettings).noquote() << "could not store" << section + QLatin1Char('/') + key
                                        << (user ? "in the machine layer:" : "in the user layer:")
                                        << d->registry.LastRegistryError;

    if (ServerConnected()) {
        // Both copies always go together: every write also replaces the
        // shared copy that new clients start from.
        const QString specific =
            ComposeFrame(cmd::SETINITEXT, {MachineName() + QLatin1Char('\\') + section, key, value});
        const QString shared = ComposeFrame(cmd::SETINITEXT, {section, key, value});
        d->socket->write(ToAnsi(specific));
        d->socket->write(ToAnsi(shared));
    }
}

bool SettingsStore::ReadBool(const QString& section, const QString& key, bool defaultValue)
{
    return tesk::ReadBool(GetIniText(section, key), defaultValue);
}

int SettingsStore::ReadInt(const QString& section, const QString& key, int defaultValue)
{
    return tesk::ReadInt(GetIniText(section, key), defaultValue);
}

void SettingsStore::ReceiveIniReply(const QString& value)
{
    // An answer that arrives while nobody waits (a late one, after its
    // request timed out) belongs to no request; the next starts afresh.
    if (d->queue.empty() || d->queue.front()->state != Request::State::Sent)
        return;
    d->socketTimer.stop();
    auto request = d->queue.front();
    d->queue.pop_front();
    request->answer = value;
    request->state = Request::State::Answered;
    if (request->loop)
        request->loop->quit();
    SendNext();
}

void SettingsStore::OnReplyTimeout()
{
    FailFront();
}

void SettingsStore::OnSocketStateChanged(QAbstractSocket::SocketState state)
{
    if (state == QAbstractSocket::ConnectedState)
        return;
    if (!d->queue.empty() && d->queue.front()->state == Request::State::Sent
        && d->queue.front()->sentOn == sender())
        FailFront();
}

void SettingsStore::OnSocketDestroyed(QObject* socket)
{
    if (!d->queue.empty() && d->queue.front()->state == Request::State::Sent
        && d->queue.front()->sentOn == socket)
        FailFront();
}

void SettingsStore::WatchSocket(QAbstractSocket* socket)
{
    connect(socket, &QAbstractSocket::stateChanged, this, &SettingsStore::OnSocketStateChanged,
            Qt::UniqueConnection);
    connect(socket, &QObject::destroyed, this, &SettingsStore::OnSocketDestroyed, Qt::UniqueConnection);
}

// The front request ends without an answer; the next one gets its turn.
void SettingsStore::FailFront()
{
    d->socketTimer.stop();
    if (d->queue.empty())
        return;
    auto request = d->queue.front();
    d->queue.pop_front();
    request->state = Request::State::NoAnswer;
    if (request->loop)
        request->loop->quit();
    SendNext();
}

// Puts the front request on the wire, or ends it at once when there is no
// connection to send it on.
void SettingsStore::SendNext()
{
    while (!d->queue.empty()) {
        auto request = d->queue.front();
        if (request->state != Request::State::Queued)
            return; // already out
        if (ServerConnected() && d->socket->write(ToAnsi(request->frame)) >= 0) {
            request->state = Request::State::Sent;
            request->sentOn = d->socket.data();
            // The limit runs from this request's own send.
            d->socketTimer.start(d->replyTimeout);
            return;
        }
        d->queue.pop_front();
        request->state = Request::State::NoAnswer;
        if (request->loop)
            request->loop->quit();
    }
}

std::optional<QString> SettingsStore::ServerRequest(const QString& frame)
{
    auto request = std::make_shared<Request>();
    request->frame = frame;
    d->queue.push_back(request);
    if (d->queue.size() == 1)
        SendNext();

    if (!request->finished()) {
        // Sockets, timers and input keep running while we wait; a handler
        // that reads a setting meanwhile queues its own request behind ours.
        QPointer<SettingsStore> self(this);
        QEventLoop loop;
        request->loop = &loop;
        loop.exec();
        request->loop = nullptr;
        if (!self)
            return std::nullopt;
        if (!request->finished()) {
            // The loop was ended from outside (the application is quitting).
            const bool front = !d->queue.empty() && d->queue.front() == request;
            if (front) {
                FailFront();
            } else {
                std::erase(d->queue, request);
            }
            return std::nullopt;
        }
    }
    if (request->state == Request::State::Answered)
        return request->answer;
    return std::nullopt;
}

} // namespace tesk
