#include "common/ClientIdentity.h"
#include "display/connection/ServerConnection.h"
#include "display/connection/SuspendResume.h"
#include "platform/PowerEvents.h"

#include "../connection/RecordingPorts.h"
#include "FakeServer.h"
#include "TempSettings.h"

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <memory>

#include <fcntl.h>
#include <unistd.h>

using namespace tesk;
using namespace tesk::test;

// logind as the power events see it: the manager object that announces
// sleep (true) and wake-up (false).
class FakeLogind : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    QStringList inhibits; // "what/who/mode" of each lock handed out
    QList<int> lockEnds;  // our end of each lock's pipe: end of file once given back

    ~FakeLogind() override
    {
        for (int fd : std::as_const(lockEnds))
            ::close(fd);
    }

    // Whether every holder of lock `i` has closed it.
    bool released(int i) const
    {
        char byte;
        return ::read(lockEnds.at(i), &byte, 1) == 0;
    }

public Q_SLOTS:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString&, const QString& mode)
    {
        inhibits << what + QLatin1Char('/') + who + QLatin1Char('/') + mode;
        int fds[2];
        if (::pipe(fds) != 0)
            return {};
        ::fcntl(fds[0], F_SETFL, ::fcntl(fds[0], F_GETFL) | O_NONBLOCK);
        lockEnds << fds[0];
        QDBusUnixFileDescriptor handed(fds[1]); // a copy of its own
        ::close(fds[1]);
        return handed;
    }

Q_SIGNALS:
    void PrepareForSleep(bool start);
};

namespace {
const QString LogindBus = QStringLiteral("test-logind");
const QString ListenerBus = QStringLiteral("test-power-listener");
// Longer than any row takes, however loaded the machine: the pause never
// ends between two events by itself; a row that needs it over ends it.
constexpr int PauseMs = 60000;

// As if the pause after a wake-up had passed.
void EndPause(SuspendResume& suspendResume)
{
    auto* pause = suspendResume.findChild<QTimer*>();
    QVERIFY(pause);
    if (pause->isActive())
        pause->start(0);
}
}

class TestPowerEvents : public QObject {
    Q_OBJECT

    QProcess m_bus;
    FakeLogind m_logind;
    std::unique_ptr<PowerEvents> m_power;

private Q_SLOTS:
    void initTestCase()
    {
        // A private bus stands in for the system bus: nothing here reaches
        // the machine's own logind.
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            QSKIP("dbus-daemon is not installed");
        m_bus.start(daemon, {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address")});
        QVERIFY(m_bus.waitForStarted());
        QVERIFY(waitUntil([&] { return m_bus.canReadLine(); }, 5000));
        const QString address = QString::fromUtf8(m_bus.readLine().trimmed());
        QVERIFY(!address.isEmpty());

        QDBusConnection logind = QDBusConnection::connectToBus(address, LogindBus);
        QVERIFY(logind.isConnected());
        QVERIFY(logind.registerObject(QStringLiteral("/org/freedesktop/login1"), &m_logind,
                                      QDBusConnection::ExportAllSignals | QDBusConnection::ExportAllSlots));
        QVERIFY(logind.registerService(QStringLiteral("org.freedesktop.login1")));

        QVERIFY(QDBusConnection::connectToBus(address, ListenerBus).isConnected());
        m_power = std::make_unique<PowerEvents>(ListenerBus, nullptr);
        QVERIFY(m_power->isListening());
    }

    void cleanupTestCase()
    {
        m_power.reset();
        QDBusConnection::disconnectFromBus(ListenerBus);
        QDBusConnection::disconnectFromBus(LogindBus);
        if (m_bus.state() != QProcess::NotRunning) {
            m_bus.terminate();
            m_bus.waitForFinished(2000);
        }
    }

    void logindSignals_data()
    {
        QTest::addColumn<QList<bool>>("announced");
        QTest::addColumn<QStringList>("reported");
        QTest::newRow("sleep") << QList<bool>{true} << QStringList{"suspending"};
        QTest::newRow("sleep and wake-up") << QList<bool>{true, false} << QStringList{"suspending", "resumed"};
        QTest::newRow("wake-up alone (a sleep that did not happen)") << QList<bool>{false} << QStringList{"resumed"};
    }

    void logindSignals()
    {
        QFETCH(QList<bool>, announced);
        QFETCH(QStringList, reported);
        QStringList got;
        const auto a = connect(m_power.get(), &PowerEvents::suspending, this, [&] { got << "suspending"; });
        const auto b = connect(m_power.get(), &PowerEvents::resumed, this, [&] { got << "resumed"; });
        for (bool start : announced)
            Q_EMIT m_logind.PrepareForSleep(start);
        QVERIFY(waitUntil([&] { return got.size() >= reported.size(); }, 5000));
        QTest::qWait(20);
        QCOMPARE(got, reported);
        disconnect(a);
        disconnect(b);
    }

    // logind waits for a "delay" lock before the machine sleeps; it is given
    // back once the sleep has been reported, and taken anew at the wake-up.
    void sleepLock()
    {
        QVERIFY(waitUntil([&] { return m_power->holdsSleepLock(); }));
        const int lock = int(m_logind.lockEnds.size()) - 1;
        QVERIFY(lock >= 0);
        QCOMPARE(m_logind.inhibits.last(), QStringLiteral("sleep/TESK Windows Vistor/delay"));
        QVERIFY(!m_logind.released(lock));

        bool heldWhileReported = false;
        const auto c = connect(m_power.get(), &PowerEvents::suspending, this,
                               [&] { heldWhileReported = m_power->holdsSleepLock(); });
        Q_EMIT m_logind.PrepareForSleep(true);
        QVERIFY(waitUntil([&] { return m_logind.released(lock); }));
        disconnect(c);
        QVERIFY(heldWhileReported);
        QVERIFY(!m_power->holdsSleepLock());

        Q_EMIT m_logind.PrepareForSleep(false);
        QVERIFY(waitUntil([&] { return m_power->holdsSleepLock(); }));
        QCOMPARE(m_logind.lockEnds.size(), lock + 2);
        QVERIFY(!m_logind.released(lock + 1));
    }

    void mainConnection_data()
    {
        QTest::addColumn<bool>("connectFirst");
        QTest::addColumn<QString>("events"); // S sleep, R wake-up, in order
        QTest::addColumn<int>("connections"); // the call server's count at the end
        QTest::addColumn<bool>("connectedAtEnd");

        QTest::newRow("sleep closes, wake-up reopens after the pause") << true << "SR" << 2 << true;
        QTest::newRow("sleep alone leaves it closed") << true << "S" << 1 << false;
        QTest::newRow("two wake-up reports reopen once") << true << "SRR" << 2 << true;
        QTest::newRow("sleep again during the pause: no reopening") << true << "SRS" << 1 << false;
        QTest::newRow("wake-up without any connection made does nothing") << false << "R" << 0 << false;
        QTest::newRow("sleep and wake-up without any connection") << false << "SR" << 0 << false;
    }

    void mainConnection()
    {
        QFETCH(bool, connectFirst);
        QFETCH(QString, events);
        QFETCH(int, connections);
        QFETCH(bool, connectedAtEnd);

        FakeServer server;
        QVERIFY(server.listen());
        // Every setting the handshake reads is missing on the server too.
        server.setResponder([](const QString& frame) -> QString {
            return frame.startsWith(QStringLiteral("\u00A4GETINITEXT:")) ? QStringLiteral("\u00A4RETINITEXT::RETINITEXT\u00A4")
                                                                        : QString();
        });
        TempSettings temp;
        temp.setUser(QStringLiteral("ServerSettings"), QStringLiteral("ServerName"), QStringLiteral("127.0.0.1"));
        temp.setUser(QStringLiteral("ServerSettings"), QStringLiteral("ServerPort"), QString::number(server.port()));
        ClientIdentity identity(temp.settings(), {});
        identity.ClientType = TTESKClientType::ctShow;
        QStringList log;
        LoggingMessages messages(log);
        RecordingSystemRegister systemRegister(log);
        ServerConnection connection(temp.settings(), identity, messages, systemRegister);
        connection.setMessageHandler([&](const QString& message) {
            if (message.contains(QStringLiteral("RETINITEXT")))
                temp.settings().ReceiveIniReply(QString());
        });
        SuspendResume suspendResume(connection, PauseMs);
        connect(m_power.get(), &PowerEvents::suspending, &suspendResume, &SuspendResume::Suspend);
        connect(m_power.get(), &PowerEvents::resumed, &suspendResume, &SuspendResume::Resume);

        if (connectFirst) {
            connection.Start();
            QVERIFY(server.waitForReceived(QStringLiteral("GETSERVERVERSION")));
            QVERIFY(connection.isConnected());
        }

        QSignalSpy status(&connection, &ServerConnection::statusTextChanged);
        QSignalSpy attempts(&connection.socket(), &QAbstractSocket::stateChanged);
        const QStringList logBefore = log;

        int resumes = 0;
        int suspends = 0;
        const auto a = connect(m_power.get(), &PowerEvents::resumed, this, [&] { ++resumes; });
        const auto b = connect(m_power.get(), &PowerEvents::suspending, this, [&] { ++suspends; });
        for (const QChar e : events) {
            const bool sleep = e == QLatin1Char('S');
            const int before = sleep ? suspends : resumes;
            Q_EMIT m_logind.PrepareForSleep(sleep);
            QVERIFY(waitUntil([&] { return (sleep ? suspends : resumes) > before; }, 5000));
            if (sleep)
                QVERIFY(!connection.isConnected());
            else
                QVERIFY(suspendResume.isResumePending()); // a pause, not a reopening at once
            QCOMPARE(server.connectionCount(), connectFirst ? 1 : 0);
        }
        disconnect(a);
        disconnect(b);

        EndPause(suspendResume);
        QVERIFY(waitUntil([&] { return !suspendResume.isResumePending(); }));
        if (!connectedAtEnd)
            QTest::qWait(100); // room for a wrong attempt to show
        QCOMPARE(server.connectionCount(), connections);
        if (!connectFirst) {
            // Nothing at all: no attempt, no status text, no question.
            QCOMPARE(attempts.count(), 0);
            QCOMPARE(status.count(), 0);
            QCOMPARE(log, logBefore);
        }
        if (connectedAtEnd) {
            QVERIFY(waitUntil([&] { return connection.isConnected(); }));
            // A first connection again: the version is asked for anew.
            QVERIFY(waitUntil([&] { return server.received().count(QStringLiteral("\u00A4GETSERVERVERSION:")) == 2; }));
            QVERIFY(!server.received().contains(QStringLiteral("RECONNECT")));
        } else {
            QVERIFY(!connection.isConnected());
        }
        connection.StopTimers();
        connection.CloseConnection();
        connection.StopTimers();
    }
};

QTEST_GUILESS_MAIN(TestPowerEvents)
#include "test_powerevents.moc"
