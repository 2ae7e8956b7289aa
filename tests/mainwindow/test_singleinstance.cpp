#include "platform/SingleInstance.h"

#include "FakeServer.h"

#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

using namespace tesk;
using tesk::test::waitUntil;

class TestSingleInstance : public QObject {
    Q_OBJECT

    QString uniqueName() const
    {
        return QStringLiteral("TESK_WVistor_test_") + QUuid::createUuid().toString(QUuid::Id128).left(12);
    }

private Q_SLOTS:
    void nameCarriesTheUser()
    {
        SingleInstance one(QStringLiteral("TESK_WVistor"));
        QVERIFY(one.serverName().startsWith(QStringLiteral("TESK_WVistor-")));
        QVERIFY(one.serverName().endsWith(SingleInstance::userName()));
        QVERIFY(!SingleInstance::userName().contains(QLatin1Char('/')));
    }

    void secondStartActivatesTheFirst()
    {
        QTemporaryDir dir;
        const QString name = uniqueName();
        SingleInstance first(name, nullptr, dir.path());
        QVERIFY(first.tryAcquire());
        QVERIFY(first.isPrimary());
        QSignalSpy activated(&first, &SingleInstance::activationRequested);

        SingleInstance second(name, nullptr, dir.path());
        QVERIFY(!second.tryAcquire());
        QVERIFY(!second.isPrimary());
        QVERIFY(second.activateRunning(2000));
        QVERIFY(waitUntil([&] { return activated.count() == 1; }, 2000));
    }

    void activationWithNobodyListeningFails()
    {
        QTemporaryDir dir;
        SingleInstance lonely(uniqueName(), nullptr, dir.path());
        QVERIFY(!lonely.activateRunning(200));
    }

    void junkOnTheSocketIsIgnored()
    {
        QTemporaryDir dir;
        const QString name = uniqueName();
        SingleInstance first(name, nullptr, dir.path());
        QVERIFY(first.tryAcquire());
        QSignalSpy activated(&first, &SingleInstance::activationRequested);
        QLocalSocket junk;
        junk.connectToServer(first.serverName());
        QVERIFY(junk.waitForConnected(2000));
        junk.write(QByteArray(100000, 'x'));
        junk.flush();
        QVERIFY(waitUntil([&] { return junk.state() == QLocalSocket::UnconnectedState; }, 2000));
        QCOMPARE(activated.count(), 0);
    }

    void lockIsFreeAfterTheFirstEnds()
    {
        QTemporaryDir dir;
        const QString name = uniqueName();
        {
            SingleInstance first(name, nullptr, dir.path());
            QVERIFY(first.tryAcquire());
        }
        SingleInstance next(name, nullptr, dir.path());
        QVERIFY(next.tryAcquire());
        // The next one answers on the same name.
        QSignalSpy activated(&next, &SingleInstance::activationRequested);
        SingleInstance third(name, nullptr, dir.path());
        QVERIFY(third.activateRunning(2000));
        QVERIFY(waitUntil([&] { return activated.count() == 1; }, 2000));
    }

    // A restart after an update runs beside the old program for a moment and
    // takes the lock over when the old one ends.
    void restartTakesTheLockOver()
    {
        QTemporaryDir dir;
        const QString name = uniqueName();
        auto old = std::make_unique<SingleInstance>(name, nullptr, dir.path());
        QVERIFY(old->tryAcquire());

        SingleInstance restarted(name, nullptr, dir.path());
        QVERIFY(!restarted.tryAcquire());
        QSignalSpy acquired(&restarted, &SingleInstance::acquired);
        restarted.acquireWhenFree(10);
        QTest::qWait(30);
        QCOMPARE(acquired.count(), 0);
        old.reset();
        QVERIFY(waitUntil([&] { return acquired.count() == 1; }, 2000));
        QVERIFY(restarted.isPrimary());

        SingleInstance third(name, nullptr, dir.path());
        QVERIFY(!third.tryAcquire());
        QSignalSpy activated(&restarted, &SingleInstance::activationRequested);
        QVERIFY(third.activateRunning(2000));
        QVERIFY(waitUntil([&] { return activated.count() == 1; }, 2000));
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "test_singleinstance.moc"
