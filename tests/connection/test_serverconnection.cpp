#include "ConnectionRig.h"

#include <QSignalSpy>
#include <QTest>

#include <deque>
#include <memory>

using namespace tesk;
using namespace tesk::test;


class TestServerConnection : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void handshake_data();
    void handshake();
    void version_data();
    void version();
    void lossAfterSuccessCountsDownAndRetries_data();
    void lossAfterSuccessCountsDownAndRetries();
    void errorBeforeSuccessAsksAndDoesNotRetry_data();
    void errorBeforeSuccessAsksAndDoesNotRetry();
    void periodicReconnectSendsReconnectOnly();
    void startWithoutServerName();
    void updateStartedEndsTheProgram();
    void settingsReloadedAtConnection();
    void bracketedMessageOverSeveralReads();
    void settingsReadInsideDispatchGetsItsAnswer();
    void newAttemptAbortsOneUnderWay();
    void resumeShakesHandsInFull();
};

void TestServerConnection::handshake_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("clientName");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("without AUTOREGISTER: the version request alone")
        << QStringList{"NAME=ignored", "CALLLIST=1:0"} << QStringLiteral("V\u00E4ntrum \u00E5\u00E4\u00F6")
        << QByteArray("\xA4GETSERVERVERSION:V\xE4ntrum \xE5\xE4\xF6:1:GETSERVERVERSION\xA4");
    QTest::newRow("AUTOREGISTER other than 1")
        << QStringList{"AUTOREGISTER=ja", "NAME=x"} << QStringLiteral("Kassa")
        << QByteArray("\xA4GETSERVERVERSION:Kassa:1:GETSERVERVERSION\xA4");
    QTest::newRow("with AUTOREGISTER: registration, callables, version")
        << QStringList{"autoregister=1", QStringLiteral("NAME=v\u00E4ntrum \u00E5"), QStringLiteral("PLACE=rum \u00F6"),
                       "COLOR=255", "CALLLIST=12:0:15:1"}
        << QStringLiteral("V\u00C4NTRUM \u00C5")
        << QByteArray("\xA4REGISTERUPATEMACHINE:V\xC4NTRUM \xC5:1:RUM \xD6:255:::REGISTERUPATEMACHINE\xA4"
                      "\xA4POSTCALLABLESLIST:V\xC4NTRUM \xC5:1:12:0:15:1:POSTCALLABLESLIST\xA4"
                      "\xA4GETSERVERVERSION:V\xC4NTRUM \xC5:1:GETSERVERVERSION\xA4");
    QTest::newRow("with AUTOREGISTER: colour not a number, no callables")
        << QStringList{"AUTOREGISTER=1", "NAME=Disk", "PLACE=", "COLOR=red"} << QStringLiteral("DISK")
        << QByteArray("\xA4REGISTERUPATEMACHINE:DISK:1::0:::REGISTERUPATEMACHINE\xA4"
                      "\xA4POSTCALLABLESLIST:DISK:1::POSTCALLABLESLIST\xA4"
                      "\xA4GETSERVERVERSION:DISK:1:GETSERVERVERSION\xA4");
}

void TestServerConnection::handshake()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, clientName);
    QFETCH(QByteArray, expected);

    Rig rig(arguments);
    rig.set("TESK", "ClientName", clientName);
    rig.versionAnswer.clear(); // answered by hand below
    rig.connection->Start();
    QVERIFY(rig.server.waitForReceived(QStringLiteral(":GETSERVERVERSION") + kCur));
    QCOMPARE(rig.server.receivedBytes(), expected);
    QCOMPARE(rig.connection->statusText(), kTrying);
    QCOMPARE(rig.connection->lampColour(), ServerConnection::LampRed);
    QVERIFY(rig.connection->HasConnected());
    QCOMPARE(rig.temp.settings().ActiveClientSocket(), &rig.connection->socket());

    rig.server.clearReceived();
    rig.server.send(ComposeFrame(QStringLiteral("RETSERVERVERSION"), {QStringLiteral("1.10.1")}));
    QVERIFY(rig.server.waitForReceived(QStringLiteral(":GETKLINIKNAMN") + kCur));
    QCOMPARE(rig.server.receivedBytes(),
             Ansi(ComposeFrame("GETCALLLIST", {clientName, "1"})) + QByteArray("\xA4GETKLINIKNAMN:\xA4\xA4"
                                                                               "ADMIN\xA4\xA4:2:GETKLINIKNAMN\xA4"));
    QCOMPARE(rig.connection->statusText(), QStringLiteral("Ansluten"));
    QCOMPARE(rig.connection->lampColour(), ServerConnection::LampGreen);
    QCOMPARE(rig.connection->ServerVersion(), QStringLiteral("1.10.1"));
}

void TestServerConnection::version_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("1.10.1") << "1.10.1" << true;
    QTest::newRow("2.0.0") << "2.0.0" << true;
    QTest::newRow("1.9.12") << "1.9.12" << true;
    QTest::newRow("1.10.0") << "1.10.0" << false;
    QTest::newRow("1.9.2") << "1.9.2" << false;
}

void TestServerConnection::version()
{
    QFETCH(QString, version);
    QFETCH(bool, accepted);

    Rig rig;
    rig.set("TESK", "RefreshConnection", "-1");
    rig.versionAnswer = version;
    rig.systemRegister.visible = true;
    rig.systemRegister.page = SysRegPage::tsVoice;
    rig.connection->Start();

    if (accepted) {
        QVERIFY(rig.server.waitForReceived(QStringLiteral(":GETKLINIKNAMN") + kCur));
        QCOMPARE(rig.connection->statusText(), QStringLiteral("Ansluten"));
        QCOMPARE(rig.connection->lampColour(), ServerConnection::LampGreen);
        QVERIFY(rig.connection->reconnectTimer().isActive());
        QCOMPARE(rig.connection->reconnectTimer().interval(), 600000);
        QCOMPARE(rig.messages.infos, QStringList());
    } else {
        const QString refused = QStringLiteral("Fel serverversion ") + version + QStringLiteral(" INTE ansluten");
        QVERIFY(rig.waitForStatus(refused));
        QCOMPARE(rig.messages.infos,
                 QStringList{QStringLiteral("Fel serverversion!\r\rTESK-Servern har version ") + version
                             + QStringLiteral("\rMinst version 1.10.1 kr\u00E4vs!")});
        QCOMPARE(rig.connection->lampColour(), ServerConnection::LampRed);
        QVERIFY(!rig.connection->isConnected());
        Rig::idle(300); // thirty "seconds"
        QVERIFY(!rig.connection->timer3().isActive());
        QVERIFY(!rig.connection->reconnectTimer().isActive());
        QCOMPARE(rig.server.connectionCount(), 1);
        QCOMPARE(rig.connection->statusText(), refused);
        QVERIFY(!rig.server.received().contains(QStringLiteral("GETCALLLIST")));
    }
    QCOMPARE(rig.connection->ServerVersion(), version);
    // The dialog, being visible, reloaded its current page for the new version.
    QVERIFY(rig.log.contains(QStringLiteral("SetTabs(tsVoice)")));
}

void TestServerConnection::lossAfterSuccessCountsDownAndRetries_data()
{
    QTest::addColumn<int>("random");
    QTest::addColumn<int>("seconds");
    QTest::newRow("shortest") << 0 << 3;
    QTest::newRow("whole thousands") << 2999 << 5;
    QTest::newRow("longest") << 14999 << 17;
}

void TestServerConnection::lossAfterSuccessCountsDownAndRetries()
{
    QFETCH(int, random);
    QFETCH(int, seconds);

    Rig rig;
    rig.connection->Start();
    QVERIFY(rig.waitForStatus(QStringLiteral("Ansluten")));
    QCOMPARE(rig.updateChecks, 1);
    QCOMPARE(rig.draws, 0);

    rig.randoms = {random, 0};
    rig.statuses.clear();
    rig.server.clearReceived();
    rig.server.dropClient();
    QVERIFY(rig.server.waitForClient());
    QVERIFY(rig.waitForStatus(QStringLiteral("Ansluten")));

    QStringList expected;
    for (int s = seconds; s >= 0; --s)
        expected << Countdown(s);
    expected << kTrying << QStringLiteral("Ansluten");
    QCOMPARE(rig.statuses, expected);
    // One draw for the loss, one after the attempt (stopped by the connect).
    QCOMPARE(rig.draws, 2);
    QVERIFY(!rig.connection->timer3().isActive());
    QCOMPARE(rig.server.connectionCount(), 2);
    // The update check ran at the first connection only; the new connection
    // shakes hands in full.
    QCOMPARE(rig.updateChecks, 1);
    QVERIFY(rig.server.received().startsWith(kCur + QStringLiteral("GETSERVERVERSION:")));
    QCOMPARE(rig.messages.questions, QStringList());
}

void TestServerConnection::errorBeforeSuccessAsksAndDoesNotRetry_data()
{
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QStringList>("dialog");
    QTest::newRow("No") << false << QStringList();
    QTest::newRow("Yes opens the server page") << true
                                               << QStringList{"SetTabs(tsServersettings)", "ShowModal"};
}

void TestServerConnection::errorBeforeSuccessAsksAndDoesNotRetry()
{
    QFETCH(bool, answer);
    QFETCH(QStringList, dialog);

    Rig rig;
    const quint16 closedPort = rig.server.port();
    rig.server.close(); // nothing listens there any more
    rig.messages.answers = {answer};
    rig.connection->Start();
    QVERIFY(waitUntil([&] { return !rig.messages.questions.isEmpty(); }));
    Rig::idle(300);

    const QString question = QStringLiteral("Det gick inte att ansluta till 127.0.0.1 p\u00E5 port ")
        + QString::number(closedPort)
        + QStringLiteral("!\r\rFelkoden \u00E4r: 10061\r\rRedigera serverinst\u00E4llningarna?");
    QCOMPARE(rig.messages.questions, QStringList{question});
    QStringList expectedLog{QStringLiteral("Ask(") + question + ')'};
    expectedLog += dialog;
    QCOMPARE(rig.log, expectedLog);
    QCOMPARE(rig.statuses, QStringList{kTrying});
    QCOMPARE(rig.connection->lampColour(), ServerConnection::LampRed);
    QVERIFY(!rig.connection->timer3().isActive());
    QVERIFY(!rig.connection->HasConnected());
    QCOMPARE(rig.draws, 0);
}

void TestServerConnection::periodicReconnectSendsReconnectOnly()
{
    // A "minute" of 300 ms: long enough for the first handshake's last
    // requests to arrive before the record is cleared, on a slow machine too.
    Rig rig({}, 300);
    rig.set("TESK", "RefreshConnection", "True");
    rig.connection->Start();
    QVERIFY(rig.waitForStatus(QStringLiteral("Ansluten")));
    QCOMPARE(rig.connection->reconnectTimer().interval(), 300);
    QVERIFY(rig.server.waitForReceived(QStringLiteral(":GETKLINIKNAMN") + kCur));
    rig.server.clearReceived();
    rig.statuses.clear();

    QVERIFY(rig.server.waitForReceived(QStringLiteral(":RECONNECT") + kCur));
    rig.connection->StopTimers();
    Rig::idle(100);
    QCOMPARE(rig.server.receivedBytes(), QByteArray("\xA4RECONNECT:V\xE4ntrum \xE5\xE4\xF6:1:RECONNECT\xA4"));
    QCOMPARE(rig.server.connectionCount(), 2);
    QCOMPARE(rig.statuses, QStringList({Countdown(3), QStringLiteral("\u00C5teransluter..."), QStringLiteral("Ansluten")}));
    QCOMPARE(rig.connection->lampColour(), ServerConnection::LampGreen);
    QCOMPARE(rig.updateChecks, 1);
}

void TestServerConnection::startWithoutServerName()
{
    Rig rig;
    rig.temp.registry().RegWriteString(RegistryRoot::CurrentUser, rig.temp.keyPath("ServerSettings"),
                                       QStringLiteral("ServerName"), QString());
    rig.connection->Start();
    Rig::idle(50);
    QCOMPARE(rig.log, QStringList({QStringLiteral("Info(G\u00E5 till Systemregistret och st\u00E4ll in servernamn och "
                                                  "serverport.)"),
                                   "SetTabs(tsServersettings)", "ShowModal"}));
    QCOMPARE(rig.server.connectionCount(), 0);
    QCOMPARE(rig.connection->statusText(), QStringLiteral("Ej ansluten"));
}

void TestServerConnection::updateStartedEndsTheProgram()
{
    Rig rig;
    rig.updateStarted = true;
    QSignalSpy closeRequests(rig.connection.get(), &ServerConnection::closeProgramRequested);
    rig.connection->Start();
    QVERIFY(closeRequests.wait(5000));
    Rig::idle(50);
    QVERIFY(!rig.connection->isConnected());
    QVERIFY(!rig.connection->timer3().isActive());
    QCOMPARE(rig.server.receivedBytes(), QByteArray());
    QCOMPARE(rig.updateChecks, 1);
}

void TestServerConnection::settingsReloadedAtConnection()
{
    Rig rig;
    QSignalSpy board(rig.connection.get(), &ServerConnection::boardSettingsReloaded);
    QSignalSpy speech(rig.connection.get(), &ServerConnection::speechSettingsReloaded);
    rig.connection->Start();
    QVERIFY(rig.waitForStatus(QStringLiteral("Ansluten")));
    QCOMPARE(board.count(), 1);
    QCOMPARE(speech.count(), 1);
    BoardSettings expected;
    expected.ShowingAlwaysShowAll = true;
    expected.TESKShowMode = 1;
    expected.FPaintEffect = false;
    expected.TESKShowFontName = QStringLiteral("Verdana");
    expected.FCallPrefix = QStringLiteral("Till");
    expected.FConfirmPrefix = QStringLiteral("Klar");
    QCOMPARE(rig.connection->boardSettings(), expected);
    QCOMPARE(rig.connection->speechSettings(), (SpeechSettings{false, QStringLiteral("R\u00F6st")}));
}

void TestServerConnection::bracketedMessageOverSeveralReads()
{
    Rig rig;
    rig.connection->Start();
    QVERIFY(rig.waitForStatus(QStringLiteral("Ansluten")));
    const QString frame = kCur + QStringLiteral("CURRENTLIST:\u00C5sa:7:255:1:") + kCur
        + QStringLiteral("%Rum 1~3~2024-01-02 08:00:00~0~0~~%") + kCur + QStringLiteral(":CURRENTLIST") + kCur;
    rig.server.send(QStringLiteral("#DATASTART#") + frame.left(20));
    Rig::idle(30);
    QVERIFY(rig.model.CallList.empty());
    rig.server.send(frame.mid(20) + QStringLiteral("#DATAEND#"));
    QVERIFY(waitUntil([&] { return !rig.model.CallList.empty(); }));
    QCOMPARE(rig.model.CallList.front()->CallName, QStringLiteral("\u00C5sa"));
    QCOMPARE(rig.model.BalloonText, QStringLiteral("Rum 1 kallar p\u00E5 \u00C5sa, \r"));
    QVERIFY(rig.log.contains(QStringLiteral("Announce(1,0)")));
}

void TestServerConnection::settingsReadInsideDispatchGetsItsAnswer()
{
    // Handling the clinic name reads a setting that only the server has: its
    // answer arrives on this same connection while the first message is
    // still being handled, and must get through.
    Rig rig;
    rig.connection->Start();
    QVERIFY(rig.waitForStatus(QStringLiteral("Ansluten")));
    QString value;
    QObject::connect(rig.dispatcher.get(), &MessageDispatcher::captionChanged, [&] {
        value = rig.temp.settings().GetIniText(QStringLiteral("Okand"), QStringLiteral("Nyckel"));
    });
    rig.server.send(ComposeFrame(QStringLiteral("RETKLINIKNAMN"), {QStringLiteral("Kliniken")}));
    QVERIFY(waitUntil([&] { return !value.isEmpty(); }, 3000));
    QCOMPARE(value, QStringLiteral("svar"));
}

void TestServerConnection::newAttemptAbortsOneUnderWay()
{
    // A second ConnectToServer while the first is still connecting starts
    // afresh: the first attempt's end is never reported.
    Rig rig;
    rig.versionAnswer.clear();
    rig.connection->ConnectToServer(false);
    rig.connection->ConnectToServer(false);
    QVERIFY(rig.server.waitForReceived(QStringLiteral(":GETSERVERVERSION") + kCur));
    Rig::idle(50);
    QCOMPARE(rig.server.frames().size(), 1);
    QCOMPARE(rig.messages.questions, QStringList());
    QVERIFY(rig.connection->isConnected());
}

void TestServerConnection::resumeShakesHandsInFull()
{
    // Even when the last attempt was a periodic reconnection, the reopening
    // after a suspension is a first connection: version request, not RECONNECT.
    Rig rig({}, 40);
    rig.set("TESK", "RefreshConnection", "1");
    rig.connection->Start();
    QVERIFY(rig.server.waitForReceived(QStringLiteral(":RECONNECT") + kCur));
    QVERIFY(rig.waitForStatus(QStringLiteral("Ansluten")));
    rig.connection->StopTimers();
    rig.set("TESK", "RefreshConnection", "0"); // no further reconnection in this test
    rig.server.clearReceived();
    const int before = rig.server.connectionCount();
    rig.connection->ReopenAfterResume();
    QVERIFY(rig.server.waitForReceived(QStringLiteral(":GETKLINIKNAMN") + kCur));
    QCOMPARE(rig.server.connectionCount(), before + 1);
    QVERIFY(rig.server.received().startsWith(kCur + QStringLiteral("GETSERVERVERSION:")));
    QVERIFY(!rig.server.received().contains(QStringLiteral("RECONNECT")));
}

QTEST_GUILESS_MAIN(TestServerConnection)
#include "test_serverconnection.moc"
