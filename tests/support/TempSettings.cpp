#include "TempSettings.h"

#include "FakeServer.h"

#include "protocol/Codepage.h"
#include "protocol/Commands.h"
#include "protocol/Framing.h"

#include <QDir>
#include <QFile>
#include <QHostAddress>

namespace tesk::test {

TempSettings::TempSettings()
    : TempSettings(Options())
{
}

TempSettings::TempSettings(const Options& options)
    : m_options(options)
{
    const QString blocker = m_dir.filePath(QStringLiteral("not-a-folder"));
    if (!options.machineWritable || !options.userWritable) {
        QFile file(blocker);
        if (file.open(QIODevice::WriteOnly))
            file.write("x");
    }
    auto folder = [&](const QString& name, bool writable) {
        if (!writable)
            return blocker + QLatin1Char('/') + name;
        const QString path = m_dir.filePath(name);
        QDir().mkpath(path);
        return path;
    };
    m_user = folder(QStringLiteral("user"), options.userWritable);
    m_machine = folder(QStringLiteral("machine"), options.machineWritable);
    m_registry = std::make_unique<IniRegistryStore>(m_user, m_machine);
    const QString name = options.machineName;
    m_settings = std::make_unique<SettingsStore>(*m_registry, [name] { return name; });
    m_settings->setSettingsSubKey(options.subKey);
    m_settings->setReplyTimeout(options.replyTimeoutMs);
}

TempSettings::~TempSettings()
{
    // The store must not see a dying socket that it still points at.
    m_settings.reset();
    m_socket.reset();
}

bool TempSettings::isValid() const
{
    return m_dir.isValid();
}

QString TempSettings::userFolder() const
{
    return m_user;
}

QString TempSettings::machineFolder() const
{
    return m_machine;
}

QString TempSettings::keyPath(const QString& section) const
{
    return QStringLiteral("SOFTWARE\\Norvalis\\") + m_options.subKey + section;
}

bool TempSettings::setUser(const QString& section, const QString& key, const QString& value)
{
    return m_registry->RegWriteString(RegistryRoot::CurrentUser, keyPath(section), key, value);
}

bool TempSettings::setMachine(const QString& section, const QString& key, const QString& value)
{
    return m_registry->RegWriteString(RegistryRoot::LocalMachine, keyPath(section), key, value);
}

QString TempSettings::user(const QString& section, const QString& key)
{
    return m_registry->RegReadString(RegistryRoot::CurrentUser, keyPath(section), key);
}

QString TempSettings::machine(const QString& section, const QString& key)
{
    return m_registry->RegReadString(RegistryRoot::LocalMachine, keyPath(section), key);
}

QTcpSocket* TempSettings::connectTo(FakeServer& server, bool route)
{
    m_settings->SetActiveClientSocket(nullptr);
    m_socket = std::make_unique<QTcpSocket>();
    m_pending.clear();
    const int before = server.connectionCount();
    m_socket->connectToHost(QHostAddress::LocalHost, server.port());
    if (!waitUntil([&] {
            return m_socket->state() == QAbstractSocket::ConnectedState && server.connectionCount() > before;
        })) {
        m_socket.reset();
        return nullptr;
    }
    if (route)
        QObject::connect(m_socket.get(), &QTcpSocket::readyRead, m_socket.get(), [this] { routeReplies(); });
    m_settings->SetActiveClientSocket(m_socket.get());
    return m_socket.get();
}

void TempSettings::routeReplies()
{
    m_pending += FromAnsi(m_socket->readAll());
    while (const auto frame = FindFrame(m_pending, cmd::RETINITEXT)) {
        const QString value = frame->field(1);
        RemoveFrame(m_pending, *frame);
        m_settings->ReceiveIniReply(value);
    }
    // Whatever else the server sent is not ours to keep.
    if (m_pending.size() > 1 << 20)
        m_pending.clear();
}

} // namespace tesk::test
