#include "SpeakingWindow.h"

#include "display/connection/MessageDispatcher.h"
#include "speech/SpeechEngine.h"

#include <QTest>

using namespace tesk;
using tesk::test::OneCall;
using tesk::test::SpeakingWindow;
using tesk::test::TempSettings;
using tesk::test::waitUntil;

namespace {

const QString T2S = QStringLiteral("Text2Speech");

} // namespace

class TestAnnouncing : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The first activation creates the engine when speech is switched on,
    // with the stored voice; the accepted connection creates it again.
    void speechAtActivationAndConnection_data()
    {
        QTest::addColumn<QString>("useSapi5"); // "<none>": missing
        QTest::addColumn<QString>("voice");
        QTest::addColumn<int>("created");
        QTest::addColumn<QString>("speaking");
        QTest::newRow("on, stored voice") << "1" << "Amy" << 2 << "Amy";
        QTest::newRow("on, no voice: Swedish") << "1" << "<none>" << 2 << "Alva";
        QTest::newRow("off") << "0" << "Amy" << 0 << "";
        QTest::newRow("missing") << "<none>" << "Amy" << 0 << "";
        QTest::newRow("not exactly 1") << "-1" << "Amy" << 0 << "";
    }

    void speechAtActivationAndConnection()
    {
        QFETCH(QString, useSapi5);
        QFETCH(QString, voice);
        QFETCH(int, created);
        QFETCH(QString, speaking);
        SpeakingWindow f([&](TempSettings& t) {
            if (useSapi5 != "<none>")
                t.setUser(T2S, QStringLiteral("UseSAPI5"), useSapi5);
            if (voice != "<none>")
                t.setUser(T2S, QStringLiteral("VoiceSAPI5.1"), voice);
        });
        TfrmTeskShowMain& w = *f.window;
        QVERIFY(!w.speech().engine());
        w.show();
        QVERIFY(waitUntil([&] { return w.model().CallList.size() == 1; }));
        QCOMPARE(f.script->backendsMade, created);
        QCOMPARE(w.speech().engine() != nullptr, created > 0);
        QCOMPARE(w.speech().ready(), created > 0);
        QCOMPARE(f.script->currentVoice, speaking);
        QVERIFY(f.messages.questions.isEmpty());
    }

    // A synthesiser that takes seconds to start (a speech daemon spawned on
    // demand) must not hold up the connection: the call list is shown while
    // it starts, and the call that arrived meanwhile is spoken once it is up.
    void slowSynthesiserDoesNotDelayTheCalls_data()
    {
        QTest::addColumn<int>("slowAttach");
        QTest::newRow("at the first activation") << 1;
        QTest::newRow("at the connection") << 2;
    }

    void slowSynthesiserDoesNotDelayTheCalls()
    {
        QFETCH(int, slowAttach);
        SpeakingWindow f([](TempSettings& t) {
            t.setUser(T2S, QStringLiteral("UseSAPI5"), QStringLiteral("1"));
            t.setUser(QStringLiteral("TESK"), QStringLiteral("SayBalloonInfo"), QStringLiteral("-1"));
        });
        TfrmTeskShowMain& w = *f.window;
        bool listWhileStarting = false;
        f.script->duringAttach = [&] {
            if (f.script->attachCalls != slowAttach)
                return;
            listWhileStarting = waitUntil([&] { return w.model().CallList.size() == 1; }, 5000);
        };
        w.show();
        QVERIFY(waitUntil([&] { return f.script->attachCalls >= 2 && w.speech().ready(); }, 10000));
        QVERIFY(listWhileStarting);
        QCOMPARE(f.script->spoken.count(QStringLiteral("Rum 1 kallar p\u00E5 Dr. \u00C5sa, \r")), 1);
    }

    // Asked for again while a synthesiser starts, the service does not
    // start a second one beside it (two at once crash a shared voice
    // library); it creates again once the first is done.
    void recreationWhileStartingWaitsItsTurn()
    {
        SpeakingWindow f;
        SpeechService& speech = f.window->speech();
        int attachesSeenInside = -1;
        f.script->duringAttach = [&] {
            if (f.script->attachCalls != 1)
                return;
            speech.Recreate();
            attachesSeenInside = f.script->attachCalls;
        };
        speech.Recreate();
        QCOMPARE(attachesSeenInside, 1);
        QCOMPARE(f.script->attachCalls, 2);
        QVERIFY(speech.ready());
        QCOMPARE(f.script->backendsMade, 2);
    }

    // A new call list reaches the announcer: spoken through the engine,
    // the balloon at the window (no tray here), the sound.
    void callListIsAnnounced()
    {
        SpeakingWindow f([](TempSettings& t) {
            t.setUser(T2S, QStringLiteral("UseSAPI5"), QStringLiteral("1"));
            t.setUser(QStringLiteral("TESK"), QStringLiteral("SayBalloonInfo"), QStringLiteral("-1"));
            t.setUser(QStringLiteral("TESK"), QStringLiteral("ShowBalloonInfo"), QStringLiteral("-1"));
            t.setUser(QStringLiteral("TESK"), QStringLiteral("PlayWindowsSound"), QStringLiteral("-1"));
            t.setUser(QStringLiteral("TESK"), QStringLiteral("ActiveWindowsSound"), QStringLiteral("SystemAsterisk"));
        });
        TfrmTeskShowMain& w = *f.window;
        w.show();
        QVERIFY(waitUntil([&] { return !f.script->spoken.isEmpty(); }));
        QCOMPARE(f.script->spoken, QStringList{QStringLiteral("Rum 1 kallar på Dr. Åsa, \r")});
        QCOMPARE(f.sounds, QStringList{"SystemAsterisk"});
        QCOMPARE(f.messages.balloons.size(), size_t(1));
        QCOMPARE(f.messages.balloons[0].title, QStringLiteral("Från signaleringssystemet"));
        QCOMPARE(f.messages.balloons[0].text, QStringLiteral("Rum 1 kallar på Dr. Åsa, \r"));
        QVERIFY(w.SayTimer.isActive());
        QCOMPARE(w.model().SayList.size(), size_t(1));
    }

    // A connection that finds speech switched off silences the engine it
    // does not re-create.
    void connectionWithSpeechOffSilences()
    {
        SpeakingWindow f([](TempSettings& t) { t.setUser(T2S, QStringLiteral("UseSAPI5"), QStringLiteral("1")); });
        TfrmTeskShowMain& w = *f.window;
        w.show();
        QVERIFY(waitUntil([&] { return w.model().CallList.size() == 1; }));
        QVERIFY(w.speech().ready());
        f.temp.setUser(T2S, QStringLiteral("UseSAPI5"), QStringLiteral("0"));
        f.server.dropClient();
        QVERIFY(waitUntil([&] { return f.server.connectionCount() == 2 && w.model().CallList.size() == 1; }));
        QVERIFY(waitUntil([&] { return !w.speech().ready(); }));
        QCOMPARE(f.script->backendsMade, 2);
        QVERIFY(w.speech().engine()); // kept, but silent
    }

    // The announcer brings the window forward in the state Visibility asks for.
    void activationAppliesVisibility_data()
    {
        QTest::addColumn<QString>("visibility");
        QTest::addColumn<bool>("maximised");
        QTest::newRow("0 maximised") << "0" << true;
        QTest::newRow("1 normal") << "1" << false;
        QTest::newRow("2 normal") << "2" << false;
    }

    void activationAppliesVisibility()
    {
        QFETCH(QString, visibility);
        QFETCH(bool, maximised);
        SpeakingWindow f([&](TempSettings& t) {
            t.setUser(QStringLiteral("TESK"), QStringLiteral("ActivateClientOnBalloon"), QStringLiteral("-1"));
            t.setUser(QStringLiteral("TESK"), QStringLiteral("Visibility"), visibility);
        });
        TfrmTeskShowMain& w = *f.window;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.MinimizeTimer.stop();
        w.hide(); // in the tray
        f.window->dispatcher().HandleServerMessage(OneCall);
        QVERIFY(w.isVisible());
        QVERIFY(!w.isMinimized());
        QCOMPARE(w.isMaximized(), maximised);
    }

    void trayDoubleClickBringsTheWindowBack()
    {
        SpeakingWindow f;
        TfrmTeskShowMain& w = *f.window;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.showMinimized();
        w.TrayIcon1DblClick();
        QVERIFY(w.isVisible());
        QVERIFY(!w.isMinimized());
        w.hide();
        w.TrayIcon1DblClick();
        QVERIFY(w.isVisible());
    }
};

QTEST_MAIN(TestAnnouncing)
#include "test_announcing.moc"
