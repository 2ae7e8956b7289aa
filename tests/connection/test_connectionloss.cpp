// Losses, refusals and re-entrancy: the ways a display could end up showing
// a dead connection as alive, or stale calls as current.

#include "ConnectionRig.h"

#include "common/WinsockErrorCode.h"
#include "common/ui/WidgetMessages.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace tesk;
using namespace tesk::test;

namespace {

const QString kListFrame = kCur + QStringLiteral("CURRENTLIST:L\u00E4kare:7:255:1:") + kCur
    + QStringLiteral("%Rum 1~3~2024-01-02 08:00:00~0~0~~%") + kCur + QStringLiteral(":CURRENTLIST") + kCur;

// The index of the first event equal to `event`, or -1.
int FirstIndex(const QStringList& events, const QString& event)
{
    return int(events.indexOf(event));
}

bool StartsWithCountdown(const QString& status)
{
    return status.startsWith(QStringLiteral("Ej ansluten - n\u00E4sta f\u00F6rs\u00F6k om "));
}

int FirstCountdown(const QStringList& events, int from = 0)
{
    for (int i = from; i < events.size(); ++i) {
        if (StartsWithCountdown(events[i]))
            return i;
    }
    return -1;
}

// Makes a setting missing locally, so that reading it asks the server.
void MakeServerOnly(Rig& rig, const char* section, const char* key)
{
    rig.temp.registry().RegWriteString(RegistryRoot::CurrentUser, rig.temp.keyPath(QString::fromLatin1(section)),
                                       QString::fromLatin1(key), QString());
}

} // namespace

class TestConnectionLoss : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void lossInTheMiddleOfALongMessage();
    void refusedServerIsLetGoBeforeTheBox();
    void realModalBoxWhileTheServerKeepsSending_data();
    void realModalBoxWhileTheServerKeepsSending();
    void lossOrNewAttemptDuringAHandshakeWait_data();
    void lossOrNewAttemptDuringAHandshakeWait();
    void lossOrNewAttemptDuringTheUpdateCheck_data();
    void lossOrNewAttemptDuringTheUpdateCheck();
    void versionAnswerOfALostConnection();
    void retriesForEverAfterASuccess();
    void numericAddressIsUsedWhole();
    void hostNameIsLookedUp();
    void socketErrorNumbers_data();
    void socketErrorNumbers();
    void countdownEndsWhenAConnectionIsMadeMeanwhile();
    void reconnectionModeRearmsThePeriodicReconnection();
};

void TestConnectionLoss::lossInTheMiddleOfALongMessage()
{
    Rig rig;
    rig.connection->Start();
    QVERIFY(rig.waitForStatus(QStringLiteral("Ansluten")));

    // Half a long message, then the server goes away.
    rig.server.send(QStringLiteral("#DATASTART#") + kListFrame.left(25));
    Rig::idle(30);
    rig.randoms = {0, 0};
    rig.statuses.clear();
    rig.server.dropClient();

    // The next connection's answers stand on their own: the handshake
    // completes and a call list is shown.
    QVERIFY(rig.server.waitForClient());
    QVERIFY(rig.waitForStatus(QStringLiteral("Ansluten")));
    QCOMPARE(rig.server.connectionCount(), 2);
    rig.server.send(kListFrame);
    QVERIFY(waitUntil([&] { return !rig.model.CallList.empty(); }));
    QCOMPARE(rig.model.CallList.front()->CallName, QStringLiteral("L\u00E4kare"));
}

void TestConnectionLoss::refusedServerIsLetGoBeforeTheBox()
{
    Rig rig;
    rig.versionAnswer = QStringLiteral("1.9.2");
    bool connectedWhileBoxOpen = true;
    QString statusWhileBoxOpen;
    rig.messages.onInfo = [&] {
        connectedWhileBoxOpen = rig.connection->isConnected();
        statusWhileBoxOpen = rig.connection->statusText();
        // The server goes on sending while the user reads the box.
        rig.server.send(kListFrame);
        Rig::idle(150);
    };
    rig.connection->Start();
    QVERIFY(waitUntil([&] { return !rig.messages.infos.isEmpty(); }));
    Rig::idle(50);

    QVERIFY(!connectedWhileBoxOpen);
    QCOMPARE(statusWhileBoxOpen, QStringLiteral("Fel serverversion 1.9.2 INTE ansluten"));
    QVERIFY(rig.model.CallList.empty());
    QCOMPARE(rig.messages.infos.size(), 1);
    QCOMPARE(rig.connection->lampColour(), ServerConnection::LampRed);
    QVERIFY(!rig.connection->timer3().isActive());
    QCOMPARE(rig.server.connectionCount(), 1);
}

void TestConnectionLoss::realModalBoxWhileTheServerKeepsSending_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<bool>("listsShown");
    QTest::addColumn<QString>("finalStatus");

    QTest::newRow("refused version: nothing reaches the board")
        << QStringLiteral("1.10.0") << QString() << false << QStringLiteral("Fel serverversion 1.10.0 INTE ansluten");
    QTest::newRow("server error box: lists go on being shown")
        << QStringLiteral("1.10.1") << QStringLiteral("ERROR: 042 databasen svarar inte") << true
        << QStringLiteral("Ansluten");
}

void TestConnectionLoss::realModalBoxWhileTheServerKeepsSending()
{
    QFETCH(QString, version);
    QFETCH(QString, trigger);
    QFETCH(bool, listsShown);
    QFETCH(QString, finalStatus);

    // The program's own message boxes, really modal, closed after a while.
    Rig rig;
    WidgetMessages boxes;
    rig.connection.reset();
    rig.dispatcher.reset();
    rig.connection = std::make_unique<ServerConnection>(rig.temp.settings(), *rig.identity, boxes, rig.systemRegister);
    rig.dispatcher = std::make_unique<MessageDispatcher>(rig.model, rig.temp.settings(), *rig.identity, boxes,
                                                         rig.systemRegister, rig.announcer);
    ConnectDispatcher(*rig.connection, *rig.dispatcher);
    rig.versionAnswer = version;

    int boxesSeen = 0;
    int listsSent = 0;
    QTimer sender;
    sender.setInterval(15);
    QObject::connect(&sender, &QTimer::timeout, [&] {
        if (QApplication::activeModalWidget()) {
            ++boxesSeen;
            if (boxesSeen == 1 || boxesSeen % 4 == 0) {
                rig.server.send(kListFrame);
                ++listsSent;
            }
            if (boxesSeen > 20)
                QApplication::activeModalWidget()->close();
        }
    });
    sender.start();

    rig.connection->Start();
    if (!trigger.isEmpty()) {
        QVERIFY(waitUntil([&] { return rig.connection->statusText() == QStringLiteral("Ansluten"); }));
        rig.server.send(trigger);
    }
    QVERIFY(waitUntil([&] { return boxesSeen > 20 && !QApplication::activeModalWidget(); }, 10000));
    sender.stop();
    Rig::idle(50);

    QVERIFY(listsSent > 2);
    QCOMPARE(!rig.model.CallList.empty(), listsShown);
    QCOMPARE(rig.connection->statusText(), finalStatus);
    QCOMPARE(rig.connection->isConnected(), listsShown);
}

void TestConnectionLoss::lossOrNewAttemptDuringAHandshakeWait_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("newAttempt");
    QTest::addColumn<bool>("periodic"); // the periodic reconnection's handshake
    QTest::addColumn<int>("skip");      // asks for the setting let through first
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("readOnReload"); // read by a handler of the reloaded settings

    const struct {
        const char* section;
        const char* key;
        const char* where;
    } waits[] = {
        {"Text2Speech", "UseSAPI5", "speech settings"},
        {"TESK", "ShowMode", "board settings"},
        {"TESK", "ClientName", "client name for the requests"},
        {"TESK", "RefreshConnection", "periodic reconnection setting"},
    };
    for (const auto& w : waits) {
        for (const bool newAttempt : {false, true}) {
            QTest::addRow("%s, %s", w.where, newAttempt ? "new attempt" : "loss")
                << QString::fromLatin1(w.section) << QString::fromLatin1(w.key) << newAttempt << false << 0
                << QStringList() << false;
        }
    }
    for (const bool newAttempt : {false, true}) {
        const char* what = newAttempt ? "new attempt" : "loss";
        // The second ask of the client name is the one for the call list,
        // after the version was accepted.
        QTest::addRow("client name for the call list, %s", what)
            << "TESK" << "ClientName" << newAttempt << false << 1 << QStringList() << false;
        QTest::addRow("client name for the registration, %s", what)
            << "TESK" << "ClientName" << newAttempt << false << 0
            << QStringList{"AUTOREGISTER=1", "NAME=Disk", "CALLLIST=1:0"} << false;
        // The main window reads the screen saver setting when the settings
        // are reloaded.
        QTest::addRow("screen saver setting read on reload, %s", what)
            << "TESK" << "PreventScreenSaver" << newAttempt << false << 0 << QStringList() << true;
    }
    QTest::newRow("reconnection mode, client name, loss")
        << "TESK" << "ClientName" << false << true << 0 << QStringList() << false;
    QTest::newRow("reconnection mode, reconnection setting, loss")
        << "TESK" << "RefreshConnection" << false << true << 0 << QStringList() << false;
}

void TestConnectionLoss::lossOrNewAttemptDuringAHandshakeWait()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(bool, newAttempt);
    QFETCH(bool, periodic);
    QFETCH(int, skip);
    QFETCH(QStringList, arguments);
    QFETCH(bool, readOnReload);

    Rig rig(arguments);
    rig.randoms = {0, 0, 0, 0};
    if (readOnReload) {
        QObject::connect(rig.connection.get(), &ServerConnection::boardSettingsReloaded, [&] {
            rig.temp.settings().ReadBool(QStringLiteral("TESK"), QStringLiteral("PreventScreenSaver"), false);
        });
    }
    if (periodic) {
        // The first handshake completes with everything local; the wait is in
        // the reconnection's own handshake.
        rig.connection->ConnectToServer(true);
        QVERIFY(rig.waitForStatus(QStringLiteral("Ansluten")));
        rig.events.clear();
    }
    MakeServerOnly(rig, section.toLatin1().constData(), key.toLatin1().constData());

    // The first time the handshake asks the server for the setting, the
    // connection is lost (or a new attempt starts) instead of an answer.
    bool disrupted = false;
    const QString asked = QStringLiteral("GETINITEXT:TESTMACHINE\\") + section + QLatin1Char(':') + key + QLatin1Char(':');
    rig.server.setResponder([&](const QString& frame) -> QString {
        if (frame.startsWith(kCur + QStringLiteral("GETSERVERVERSION:")))
            return ComposeFrame(QStringLiteral("RETSERVERVERSION"), {QStringLiteral("1.10.1")});
        if (frame.contains(asked) && !disrupted && skip-- <= 0) {
            disrupted = true;
            rig.events << QStringLiteral("disrupted");
            QTimer::singleShot(0, [&rig, newAttempt] {
                if (newAttempt)
                    rig.connection->ConnectToServer(false);
                else
                    rig.server.dropClient();
            });
            return {};
        }
        if (frame.startsWith(kCur + QStringLiteral("GETINITEXT:")))
            return ComposeFrame(QStringLiteral("RETINITEXT"), {QStringLiteral("0")});
        return {};
    });

    if (periodic) {
        rig.connection->CloseConnection();
        rig.connection->ConnectToServer(true);
    } else {
        rig.connection->Start();
    }
    QVERIFY(waitUntil([&] { return disrupted; }));
    // Then the next attempt (the retry, or the new one) completes.
    QVERIFY(waitUntil([&] { return rig.events.count(QStringLiteral("green")) >= 1; }));
    Rig::idle(100);

    const int disruptedAt = FirstIndex(rig.events, QStringLiteral("disrupted"));
    const int greenAt = FirstIndex(rig.events, QStringLiteral("green"));
    QVERIFY2(greenAt > disruptedAt, qPrintable(rig.events.join(QStringLiteral(" | "))));
    // One green lamp and one "Ansluten": the connection that was lost or
    // replaced never showed as up.
    QCOMPARE(rig.events.count(QStringLiteral("green")), 1);
    QCOMPARE(rig.events.count(QStringLiteral("Ansluten")), 1);
    if (!newAttempt) {
        const int countdownAt = FirstCountdown(rig.events, disruptedAt);
        QVERIFY(countdownAt > disruptedAt);
        QVERIFY(greenAt > countdownAt);
    }
    QVERIFY(rig.connection->isConnected());
    QCOMPARE(rig.connection->lampColour(), ServerConnection::LampGreen);
}

void TestConnectionLoss::lossOrNewAttemptDuringTheUpdateCheck_data()
{
    QTest::addColumn<bool>("newAttempt");
    QTest::newRow("loss") << false;
    QTest::newRow("new attempt") << true;
}

void TestConnectionLoss::lossOrNewAttemptDuringTheUpdateCheck()
{
    QFETCH(bool, newAttempt);

    Rig rig;
    rig.randoms = {0, 0};
    rig.connection->setUpdateCheck([&] {
        ++rig.updateChecks;
        rig.events << QStringLiteral("update check");
        // The check waits for the update server; meanwhile the main
        // connection goes, or the user starts a new attempt.
        if (newAttempt)
            QTimer::singleShot(0, [&rig] { rig.connection->ConnectToServer(false); });
        else
            rig.server.dropClient();
        Rig::idle(50);
        return false;
    });
    rig.connection->Start();
    QVERIFY(waitUntil([&] { return rig.events.contains(QStringLiteral("green")); }));
    Rig::idle(100);

    QCOMPARE(rig.updateChecks, 1);
    QCOMPARE(rig.events.count(QStringLiteral("green")), 1);
    QVERIFY(FirstIndex(rig.events, QStringLiteral("green")) > FirstIndex(rig.events, QStringLiteral("update check")));
    // Only the connection that outlived the check asked for the version.
    QCOMPARE(rig.server.frames().filter(QStringLiteral("GETSERVERVERSION")).size(), 1);
}

void TestConnectionLoss::versionAnswerOfALostConnection()
{
    Rig rig;
    rig.set("TESK", "RefreshConnection", "-1");
    rig.versionAnswer.clear();
    rig.randoms = {14999};
    rig.connection->Start();
    QVERIFY(rig.server.waitForReceived(QStringLiteral(":GETSERVERVERSION") + kCur));
    rig.server.dropClient();
    QVERIFY(waitUntil([&] { return rig.statuses.contains(Countdown(17)); }));
    QVERIFY(StartsWithCountdown(rig.events.last()) || rig.events.last() == QStringLiteral("red"));

    // The answer was read before the loss; it is handled after it.
    rig.dispatcher->HandleServerMessage(ComposeFrame(QStringLiteral("RETSERVERVERSION"), {QStringLiteral("1.10.1")}));

    QCOMPARE(rig.connection->lampColour(), ServerConnection::LampRed);
    QVERIFY(StartsWithCountdown(rig.connection->statusText()));
    QVERIFY(!rig.events.contains(QStringLiteral("green")));
    QVERIFY(!rig.connection->reconnectTimer().isActive());
    QVERIFY(rig.connection->timer3().isActive());
}

void TestConnectionLoss::retriesForEverAfterASuccess()
{
    Rig rig;
    rig.connection->Start();
    QVERIFY(rig.waitForStatus(QStringLiteral("Ansluten")));

    // The server goes away for good: every attempt is refused, and each
    // refusal starts the next countdown, without a question to the user.
    rig.statuses.clear();
    rig.server.close();
    QVERIFY(waitUntil([&] { return rig.statuses.count(kTrying) >= 3; }, 10000));
    rig.connection->StopTimers();

    QCOMPARE(rig.messages.questions, QStringList());
    QCOMPARE(rig.connection->lampColour(), ServerConnection::LampRed);
    // Each refusal starts a new countdown of three "seconds" (how the ticks
    // and the refusals interleave depends on the machine's load).
    QCOMPARE(rig.statuses.first(), Countdown(3));
    QVERIFY(rig.statuses.count(Countdown(3)) >= 3);
    for (const QString& status : std::as_const(rig.statuses))
        QVERIFY2(status == kTrying || QStringList({Countdown(3), Countdown(2), Countdown(1), Countdown(0)}).contains(status),
                 qPrintable(status));
    QVERIFY(rig.connection->HasConnected());
}

void TestConnectionLoss::numericAddressIsUsedWhole()
{
    Rig rig;
    rig.set("ServerSettings", "ServerName", QStringLiteral("127.0.0.1.5"));
    rig.connection->Start();
    QVERIFY(waitUntil([&] { return !rig.messages.questions.isEmpty(); }));
    QCOMPARE(rig.server.connectionCount(), 0);
    QCOMPARE(rig.messages.questions,
             QStringList{QStringLiteral("Det gick inte att ansluta till 127.0.0.1.5 p\u00E5 port ")
                         + QString::number(rig.server.port())
                         + QStringLiteral("!\r\rFelkoden \u00E4r: 11001\r\rRedigera serverinst\u00E4llningarna?")});
}

void TestConnectionLoss::hostNameIsLookedUp()
{
    Rig rig;
    rig.set("ServerSettings", "ServerName", QStringLiteral("localhost"));
    rig.connection->Start();
    QVERIFY(rig.waitForStatus(QStringLiteral("Ansluten"), 10000));
    QCOMPARE(rig.messages.questions, QStringList());
}

void TestConnectionLoss::socketErrorNumbers_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("number");
    QTest::newRow("refused") << int(QAbstractSocket::ConnectionRefusedError) << 10061;
    QTest::newRow("reset by the server") << int(QAbstractSocket::RemoteHostClosedError) << 10054;
    QTest::newRow("unknown host") << int(QAbstractSocket::HostNotFoundError) << 11001;
    QTest::newRow("timed out") << int(QAbstractSocket::SocketTimeoutError) << 10060;
    QTest::newRow("network unreachable") << int(QAbstractSocket::NetworkError) << 10051;
    QTest::newRow("message too long") << int(QAbstractSocket::DatagramTooLargeError) << 10040;
    QTest::newRow("operation in progress") << int(QAbstractSocket::UnfinishedSocketOperationError) << 10036;
    QTest::newRow("not connected") << int(QAbstractSocket::OperationError) << 10057;
    QTest::newRow("would block") << int(QAbstractSocket::TemporaryError) << 10035;
    QTest::newRow("proxy: Qt's own number") << int(QAbstractSocket::ProxyConnectionRefusedError) << 14;
    QTest::newRow("unknown: Qt's own number") << int(QAbstractSocket::UnknownSocketError) << -1;
}

void TestConnectionLoss::socketErrorNumbers()
{
    QFETCH(int, error);
    QTEST(WinsockErrorCode(QAbstractSocket::SocketError(error)), "number");
}

void TestConnectionLoss::countdownEndsWhenAConnectionIsMadeMeanwhile()
{
    Rig rig;
    rig.randoms = {14999};
    rig.connection->Start();
    QVERIFY(rig.waitForStatus(QStringLiteral("Ansluten")));
    rig.server.dropClient();
    QVERIFY(waitUntil([&] { return rig.statuses.contains(Countdown(17)); }));

    // The dialog reconnects while the countdown runs.
    rig.connection->ConnectToServer(false);
    QVERIFY(rig.waitForStatus(QStringLiteral("Ansluten")));
    Rig::idle(300); // longer than the countdown had left
    QVERIFY(!rig.connection->timer3().isActive());
    QCOMPARE(rig.server.connectionCount(), 2);
    QCOMPARE(rig.connection->statusText(), QStringLiteral("Ansluten"));
}

void TestConnectionLoss::reconnectionModeRearmsThePeriodicReconnection()
{
    Rig rig({}, 60); // a "minute" of 60 ms
    rig.set("TESK", "RefreshConnection", "-1");
    rig.connection->Start();
    QVERIFY(rig.waitForStatus(QStringLiteral("Ansluten")));
    // Two periodic reconnections in a row: the first one's connect started
    // the timer again.
    QVERIFY(waitUntil([&] { return rig.server.frames().filter(QStringLiteral("RECONNECT")).size() >= 2; }));
    rig.connection->StopTimers();
    Rig::idle(50);
    // One first connection, then one connection per RECONNECT.
    QCOMPARE(rig.server.connectionCount(), rig.server.frames().filter(QStringLiteral("RECONNECT")).size() + 1);
    QCOMPARE(rig.server.frames().filter(QStringLiteral("GETSERVERVERSION")).size(), 1);
}

QTEST_MAIN(TestConnectionLoss)
#include "test_connectionloss.moc"
