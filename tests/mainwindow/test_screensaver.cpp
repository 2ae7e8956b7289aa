#include "platform/ScreenSaverInhibitor.h"

#include "FakeServer.h"

#include <QDBusConnection>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

using namespace tesk;
using tesk::test::waitUntil;

// The desktop's screen saver as the inhibitor sees it on the session bus.
class FakeScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    QList<uint> active;
    QStringList applications;
    uint next = 41;

public Q_SLOTS:
    uint Inhibit(const QString& application, const QString&)
    {
        applications << application;
        active << ++next;
        return next;
    }
    void UnInhibit(uint cookie) { active.removeAll(cookie); }
};

class TestScreenSaver : public QObject {
    Q_OBJECT

    QProcess m_bus;
    FakeScreenSaver m_saver;
    bool m_registered = false;

    bool registerSaver()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        m_registered = bus.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), &m_saver,
                                          QDBusConnection::ExportAllSlots)
            && bus.registerService(QStringLiteral("org.freedesktop.ScreenSaver"));
        return m_registered;
    }

    void unregisterSaver()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.unregisterService(QStringLiteral("org.freedesktop.ScreenSaver"));
        bus.unregisterObject(QStringLiteral("/org/freedesktop/ScreenSaver"));
        m_registered = false;
    }

private Q_SLOTS:
    void initTestCase()
    {
        // A private session bus, so the test never touches a desktop's own.
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            QSKIP("dbus-daemon is not installed");
        m_bus.start(daemon, {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address")});
        QVERIFY(m_bus.waitForStarted());
        QVERIFY(waitUntil([&] { return m_bus.canReadLine(); }, 5000));
        const QByteArray address = m_bus.readLine().trimmed();
        QVERIFY(!address.isEmpty());
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        QVERIFY(QDBusConnection::sessionBus().isConnected());
    }

    void cleanupTestCase()
    {
        if (m_bus.state() != QProcess::NotRunning) {
            m_bus.terminate();
            m_bus.waitForFinished(2000);
        }
    }

    void cleanup()
    {
        unregisterSaver();
        m_saver.active.clear();
        m_saver.applications.clear();
    }

    void onAndOff_data()
    {
        QTest::addColumn<bool>("service");     // a screen saver listens on the bus
        QTest::addColumn<bool>("waitForReply"); // switched off only after the answer came
        QTest::newRow("on, then off") << true << true;
        QTest::newRow("off before the answer") << true << false;
        QTest::newRow("no screen saver on the bus") << false << true;
    }

    void onAndOff()
    {
        QFETCH(bool, service);
        QFETCH(bool, waitForReply);
        if (service)
            QVERIFY(registerSaver());

        ScreenSaverInhibitor inhibitor(QStringLiteral("TESK Windows Vistor"));
        QSignalSpy changed(&inhibitor, &ScreenSaverInhibitor::activeChanged);
        inhibitor.setInhibited(true);
        QVERIFY(inhibitor.isInhibited());
        inhibitor.setInhibited(true); // once is enough

        if (waitForReply) {
            if (service) {
                QVERIFY(waitUntil([&] { return inhibitor.isActive(); }, 5000));
                QCOMPARE(m_saver.active.size(), 1);
                QCOMPARE(m_saver.applications, QStringList{QStringLiteral("TESK Windows Vistor")});
            } else {
                QTest::qWait(50);
                QVERIFY(!inhibitor.isActive());
            }
        }
        inhibitor.setInhibited(false);
        QVERIFY(!inhibitor.isInhibited());
        QVERIFY(!inhibitor.isActive());
        if (service) {
            QVERIFY(waitUntil([&] { return m_saver.applications.size() == 1 && m_saver.active.isEmpty(); }, 5000));
            QTest::qWait(20);
            QVERIFY(m_saver.active.isEmpty());
            QCOMPARE(m_saver.applications.size(), 1);
        }
        QCOMPARE(changed.count(), service && waitForReply ? 2 : 0);
    }

    void releasedWhenDestroyed()
    {
        QVERIFY(registerSaver());
        {
            ScreenSaverInhibitor inhibitor(QStringLiteral("TESK Windows Vistor"));
            inhibitor.setInhibited(true);
            QVERIFY(waitUntil([&] { return inhibitor.isActive(); }, 5000));
        }
        QVERIFY(waitUntil([&] { return m_saver.active.isEmpty(); }, 5000));
    }
};

QTEST_GUILESS_MAIN(TestScreenSaver)
#include "test_screensaver.moc"
