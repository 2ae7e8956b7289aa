#include "display/announcer/Announcer.h"

#include "common/ClientIdentity.h"
#include "display/connection/CallListModel.h"
#include "display/connection/MessageDispatcher.h"
#include "display/connection/SystemRegisterPort.h"
#include "protocol/Codepage.h"
#include "protocol/Framing.h"

#include "FakeServer.h"
#include "RecordingMessages.h"
#include "TempSettings.h"

#include <QTest>
#include <QThread>
#include <QTimer>

#include <stdexcept>
#include <utility>

using namespace tesk;
using tesk::test::FakeServer;
using tesk::test::RecordingMessages;
using tesk::test::TempSettings;

namespace {

const QString Cur = QStringLiteral("\u00A4");
const QString Title = QStringLiteral("Från signaleringssystemet");
constexpr double Minute = 1.0 / 1440.0;
constexpr double Second = Minute / 60.0;

// One waiting caller; `coming` above 0: somebody confirmed it.
struct Caller {
    QString name;
    int lopnr;
    int coming = 0;
};

struct Call {
    QString name;
    int lopnr;
    QList<Caller> callers;
};

// A CURRENTLIST frame as the server sends it.
QString CurrentList(const QList<Call>& calls)
{
    QString payload;
    int ix = 0;
    for (const Call& c : calls) {
        QStringList fields;
        for (const Caller& k : c.callers)
            fields << k.name << QString::number(k.lopnr) << QStringLiteral("2024-01-02 08:00:00")
                   << QStringLiteral("0") << QString::number(k.coming)
                   << (k.coming > 0 ? QStringLiteral("2024-01-02 08:01:00") : QString())
                   << (k.coming > 0 ? QStringLiteral("Syster Eva") : QString());
        payload += QStringLiteral("%1:%2:255:%3:").arg(c.name).arg(c.lopnr).arg(ix++) + Cur + '%'
            + fields.join('~') + '%' + Cur + ':';
    }
    if (payload.endsWith(':'))
        payload.chop(1);
    return Cur + QStringLiteral("CURRENTLIST:") + payload + QStringLiteral(":CURRENTLIST") + Cur;
}

QString Line(const QString& caller, const QString& call)
{
    return caller + QStringLiteral(" kallar på ") + call + QStringLiteral(", \r");
}

// Every effect, in the order it happened.
class RecordingWindow : public AnnouncerWindow {
public:
    explicit RecordingWindow(QStringList& log)
        : m_log(log)
    {
    }
    void ShowBalloon(const QString& title, const QString& text) override
    {
        m_log << QStringLiteral("Balloon(%1|%2)").arg(title, text);
    }
    void BringToFront() override
    {
        m_log << QStringLiteral("Front");
        // How deep in nested waits the announcement runs.
        loopLevels << QThread::currentThread()->loopLevel();
    }
    void ApplyVisibility(int v) override { m_log << QStringLiteral("Visibility(%1)").arg(v); }

    QList<int> loopLevels;

private:
    QStringList& m_log;
};

// The dispatcher with the announcer behind it, on temporary settings and a
// clock the test moves.
struct Fixture {
    TempSettings temp;
    ClientIdentity identity{temp.settings(), {}};
    CallListModel model;
    RecordingMessages messages;
    NoSystemRegister systemRegister;
    QTimer sayTimer;
    QStringList log;
    TDateTime now = 45000.5; // 2023-03-15 12:00
    std::unique_ptr<Announcer> announcer;
    std::unique_ptr<MessageDispatcher> dispatcher;
    RecordingWindow* window = nullptr;
    // Runs once inside the next event sound, as if the server's lists
    // arrived while the announcement waits for a setting.
    std::function<void()> duringSound;

    Fixture()
    {
        sayTimer.setInterval(5 * 60000);
        Announcer::Services s;
        s.model = &model;
        s.settings = &temp.settings();
        auto recording = std::make_unique<RecordingWindow>(log);
        window = recording.get();
        s.window = std::move(recording);
        s.sayTimer = &sayTimer;
        s.say = [this](const QString& text) { log << QStringLiteral("Say(%1)").arg(text); };
        s.playSound = [this](const QString& alias) {
            log << QStringLiteral("Sound(%1)").arg(alias);
            if (auto during = std::exchange(duringSound, nullptr))
                during();
        };
        s.now = [this] { return now; };
        announcer = std::make_unique<Announcer>(std::move(s));
        dispatcher = std::make_unique<MessageDispatcher>(model, temp.settings(), identity, messages, systemRegister,
                                                         *announcer);
    }

    void set(const QString& key, const QString& value) { temp.setUser(QStringLiteral("TESK"), key, value); }
    void on(const QString& key) { set(key, QStringLiteral("-1")); }
    void off(const QString& key) { set(key, QStringLiteral("0")); }

    // A call list arrives; returns what it caused.
    QStringList receive(const QList<Call>& calls)
    {
        log.clear();
        dispatcher->HandleServerMessage(CurrentList(calls));
        return log;
    }
    QStringList tick()
    {
        log.clear();
        announcer->SayTimerTimer();
        return log;
    }
    void advance(double days) { now += days; }

    QStringList said() const
    {
        QStringList out;
        for (const auto& s : model.SayList)
            out << QStringLiteral("%1/%2").arg(s->CallLopnr).arg(s->CallerLopnr);
        return out;
    }
};

const Call Doctor{QStringLiteral("Dr. Ström"), 5, {{QStringLiteral("Rum 1"), 501}}};
const Call Nurse{QStringLiteral("Syster Åsa"), 6, {{QStringLiteral("Rum 2"), 601}}};
const Call NurseConfirmed{QStringLiteral("Syster Åsa"), 6, {{QStringLiteral("Rum 2"), 601, 9}}};
const Call Porter{QStringLiteral("Vaktmästare"), 7, {{QStringLiteral("Rum 3"), 701}}};

} // namespace

class TestAnnouncer : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The first list after start with two calls: which effects, in which order.
    void firstListWithTwoCalls_data()
    {
        QTest::addColumn<QStringList>("settingsOn");
        QTest::addColumn<QStringList>("effects");
        const QString twoLines = Line("Rum 1", "Dr. Ström") + Line("Rum 2", "Syster Åsa");
        const QString balloon = QStringLiteral("Balloon(%1|%2)").arg(Title, twoLines);
        QTest::newRow("balloon and speech")
            << QStringList{"ShowBalloonInfo", "SayBalloonInfo"} << QStringList{"Say(" + twoLines + ")", balloon};
        QTest::newRow("balloon and sound")
            << QStringList{"ShowBalloonInfo", "PlayWindowsSound"} << QStringList{balloon, "Sound(.default)"};
        QTest::newRow("all four")
            << QStringList{"ShowBalloonInfo", "SayBalloonInfo", "PlayWindowsSound", "ActivateClientOnBalloon"}
            << QStringList{"Say(" + twoLines + ")", balloon, "Sound(.default)", "Front", "Visibility(1)"};
        QTest::newRow("nothing chosen") << QStringList{} << QStringList{};
        QTest::newRow("bring to front alone") << QStringList{"ActivateClientOnBalloon"}
                                              << QStringList{"Front", "Visibility(1)"};
    }

    void firstListWithTwoCalls()
    {
        QFETCH(QStringList, settingsOn);
        QFETCH(QStringList, effects);
        Fixture f;
        for (const QString& key : settingsOn)
            f.on(key);
        QCOMPARE(f.receive({Doctor, Nurse}), effects);
        QCOMPARE(f.said(), QStringList({"5/501", "6/601"}));
    }

    void settingValues_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QStringList>("effects");
        QTest::newRow("named sound") << "ActiveWindowsSound" << "SystemAsterisk"
                                     << QStringList{"Sound(SystemAsterisk)", "Front", "Visibility(1)"};
        QTest::newRow("blank sound is the default") << "ActiveWindowsSound" << "  "
                                                    << QStringList{"Sound(.default)", "Front", "Visibility(1)"};
        QTest::newRow("visibility 0") << "Visibility" << "0"
                                      << QStringList{"Sound(.default)", "Front", "Visibility(0)"};
        QTest::newRow("visibility 2") << "Visibility" << "2"
                                      << QStringList{"Sound(.default)", "Front", "Visibility(2)"};
        QTest::newRow("visibility 7 is passed on") << "Visibility" << "7"
                                                   << QStringList{"Sound(.default)", "Front", "Visibility(7)"};
        QTest::newRow("visibility garbage is 1") << "Visibility" << "x"
                                                 << QStringList{"Sound(.default)", "Front", "Visibility(1)"};
    }

    void settingValues()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QStringList, effects);
        Fixture f;
        f.on("PlayWindowsSound");
        f.on("ActivateClientOnBalloon");
        f.set(key, value);
        QCOMPARE(f.receive({Doctor}), effects);
    }

    // The sequences of the edge cases, one step after another.
    void sequences()
    {
        Fixture f;
        f.on("ShowBalloonInfo");
        f.on("SayBalloonInfo");
        f.on("PlayWindowsSound");
        const QString balloonOf2 = QStringLiteral("Balloon(%1|%2)").arg(Title, Line("Rum 1", "Dr. Ström") + Line("Rum 2", "Syster Åsa"));

        // Two calls arrive.
        QCOMPARE(f.receive({Doctor, Nurse}).size(), 3);

        // One gets confirmed a minute later: same count, nothing said again.
        f.advance(1 * Minute);
        QCOMPARE(f.receive({Doctor, NurseConfirmed}), QStringList{});

        // One replaced by another: no balloon, no sound, but the new one is spoken.
        f.advance(1 * Minute);
        QCOMPARE(f.receive({Doctor, Porter}), QStringList{"Say(" + Line("Rum 3", "Vaktmästare") + ")"});
        QCOMPARE(f.said(), QStringList({"5/501", "7/701"}));

        // The nurse comes back: a third call; Doctor and Porter were spoken
        // less than five minutes ago.
        f.advance(1 * Minute);
        QStringList three = f.receive({Doctor, Nurse, Porter});
        QCOMPARE(three.value(0), "Say(" + Line("Rum 2", "Syster Åsa") + ")");
        QCOMPARE(three.size(), 3);

        // One of three removed: balloon of the other two and the sound, no speech.
        f.advance(1 * Minute);
        QCOMPARE(f.receive({Doctor, Nurse}), QStringList({balloonOf2, "Sound(.default)"}));

        // More than five minutes after the doctor was first spoken.
        f.advance(2 * Minute); // 6 minutes after the first list
        QCOMPARE(f.receive({Doctor, Nurse}), QStringList{"Say(" + Line("Rum 1", "Dr. Ström") + ")"});

        // The last call removed: nothing at all, the say list empties.
        f.advance(1 * Minute);
        f.on("ActivateClientOnBalloon");
        QCOMPARE(f.receive({}), QStringList({"Front", "Visibility(1)"}));
        QVERIFY(f.model.SayList.empty());

        // A call that left and comes back is spoken at once.
        f.advance(10 * Second);
        f.off("ActivateClientOnBalloon");
        QCOMPARE(f.receive({Doctor}),
                 QStringList({"Say(" + Line("Rum 1", "Dr. Ström") + ")",
                              QStringLiteral("Balloon(%1|%2)").arg(Title, Line("Rum 1", "Dr. Ström")),
                              "Sound(.default)"}));
    }

    // "Later than five minutes" is strict; a clock set back makes a call due.
    void fiveMinuteRule_data()
    {
        QTest::addColumn<double>("after");
        QTest::addColumn<bool>("spoken");
        QTest::newRow("4:59") << 4 * Minute + 59 * Second << false;
        QTest::newRow("exactly 5:00") << 5 * Minute << false;
        QTest::newRow("5:01") << 5 * Minute + 1 * Second << true;
        QTest::newRow("an hour") << 60 * Minute << true;
        QTest::newRow("clock set back an hour") << -60 * Minute << true;
    }

    void fiveMinuteRule()
    {
        QFETCH(double, after);
        QFETCH(bool, spoken);
        Fixture f;
        f.on("SayBalloonInfo");
        f.receive({Doctor});
        f.advance(after);
        QCOMPARE(f.receive({Doctor}).size(), spoken ? 1 : 0);
        // Either way the repeat timer runs a full interval again.
        QVERIFY(f.sayTimer.isActive());
        QCOMPARE(f.sayTimer.interval(), 5 * 60000);
    }

    void repeatTimerFollowsRepeatSayInfo_data()
    {
        QTest::addColumn<QString>("repeat"); // "<none>": missing
        QTest::addColumn<bool>("running");
        QTest::newRow("missing is on") << "<none>" << true;
        QTest::newRow("on") << "-1" << true;
        QTest::newRow("off") << "0" << false;
    }

    void repeatTimerFollowsRepeatSayInfo()
    {
        QFETCH(QString, repeat);
        QFETCH(bool, running);
        Fixture f;
        if (repeat != "<none>")
            f.set("RepeatSayInfo", repeat);
        f.on("SayBalloonInfo");
        f.sayTimer.start();
        f.receive({Doctor});
        QCOMPARE(f.sayTimer.isActive(), running);
        f.advance(6 * Minute);
        f.tick();
        QCOMPARE(f.sayTimer.isActive(), running);
        // No calls spoken: the pass still sets the timer.
        f.sayTimer.start();
        f.tick();
        QCOMPARE(f.sayTimer.isActive(), running);
    }

    // "Tyst" in the dialog: nothing spoken after a call list, but the repeat
    // timer speaks the waiting calls.
    void quietStillRepeats()
    {
        Fixture f;
        f.on("QuietMode");
        f.off("SayBalloonInfo");
        f.off("PlayWindowsSound");
        QCOMPARE(f.receive({Doctor, Nurse}), QStringList{});
        f.advance(5 * Minute);
        QCOMPARE(f.tick(), QStringList{"Say(" + Line("Rum 1", "Dr. Ström") + Line("Rum 2", "Syster Åsa") + ")"});
        f.advance(1 * Minute);
        QCOMPARE(f.tick(), QStringList{});
        f.advance(5 * Minute);
        QCOMPARE(f.tick().size(), 1);
    }

    // Somebody is on the way: the repeat timer does not say the call again;
    // the calls nobody answered are still repeated.
    void confirmedCallsAreNotRepeated()
    {
        Fixture f;
        f.on("SayBalloonInfo");
        f.receive({Doctor, Nurse});
        f.advance(1 * Minute);
        f.receive({Doctor, NurseConfirmed});
        f.advance(5 * Minute);
        QCOMPARE(f.tick(), QStringList{"Say(" + Line("Rum 1", "Dr. Ström") + ")"});
        f.advance(6 * Minute);
        QCOMPARE(f.tick(), QStringList{"Say(" + Line("Rum 1", "Dr. Ström") + ")"});
        // Unconfirmed again (the confirmation withdrawn): repeated again.
        f.receive({Doctor, Nurse});
        f.advance(6 * Minute);
        QCOMPARE(f.tick(), QStringList{"Say(" + Line("Rum 1", "Dr. Ström") + Line("Rum 2", "Syster Åsa") + ")"});
    }

    // Nor does a later call list: a new call arriving more than five
    // minutes after a confirmed one was spoken says only the new call.
    void confirmedCallsAreNotRepeatedByALaterList()
    {
        Fixture f;
        f.on("SayBalloonInfo");
        f.receive({Doctor, Nurse});
        f.advance(1 * Minute);
        f.receive({Doctor, NurseConfirmed});
        f.advance(6 * Minute);
        const QStringList effects = f.receive({Doctor, NurseConfirmed, Porter});
        QVERIFY(!effects.isEmpty());
        QCOMPARE(effects.first(), "Say(" + Line("Rum 1", "Dr. Ström") + Line("Rum 3", "Vaktmästare") + ")");
    }

    // The repeat timer's tick lands a few milliseconds either side of five
    // minutes: either way it counts as exactly five minutes, never later.
    void fiveMinutesIsDecidedToTheSecond_data()
    {
        QTest::addColumn<double>("offsetMs");
        QTest::addColumn<bool>("said");
        QTest::newRow("5 min - 3 ms") << -3.0 << false;
        QTest::newRow("5 min + 3 ms") << 3.0 << false;
        QTest::newRow("5 min + 400 ms") << 400.0 << false;
        QTest::newRow("5 min + 1 s") << 1000.0 << true;
    }

    void fiveMinutesIsDecidedToTheSecond()
    {
        QFETCH(double, offsetMs);
        QFETCH(bool, said);
        Fixture f;
        f.on("SayBalloonInfo");
        f.receive({Doctor});
        f.advance(5 * Minute + offsetMs * Minute / 60000.0);
        QCOMPARE(f.tick().size(), said ? 1 : 0);
    }

    // A call confirmed before it was ever spoken is new: the timer says it once.
    void confirmedButNeverSpokenIsSpokenOnce()
    {
        Fixture f;
        f.off("SayBalloonInfo");
        f.receive({NurseConfirmed});
        QCOMPARE(f.tick(), QStringList{"Say(" + Line("Rum 2", "Syster Åsa") + ")"});
        f.advance(6 * Minute);
        QCOMPARE(f.tick(), QStringList{});
    }

    void balloonTextIsCut_data()
    {
        QTest::addColumn<int>("callers");
        QTest::addColumn<int>("shown");
        // Each line "Rum NN kallar på Dr. Ström, \r" is 29 characters.
        QTest::newRow("8 lines, 232 characters") << 8 << 232;
        QTest::newRow("9 lines, cut at 255") << 9 << 255;
        QTest::newRow("40 lines, cut at 255") << 40 << 255;
    }

    void balloonTextIsCut()
    {
        QFETCH(int, callers);
        QFETCH(int, shown);
        Fixture f;
        f.on("ShowBalloonInfo");
        Call many{QStringLiteral("Dr. Ström"), 5, {}};
        for (int i = 0; i < callers; ++i)
            many.callers << Caller{QStringLiteral("Rum %1").arg(10 + i), 500 + i};
        const QStringList effects = f.receive({many});
        QCOMPARE(effects.size(), 1);
        const QString text = effects[0].mid(QStringLiteral("Balloon(").size() + Title.size() + 1).chopped(1);
        QCOMPARE(text.size(), shown);
        QCOMPARE(text, f.model.BalloonText.left(shown));
    }

    void balloonCutKeepsWholeCharacters()
    {
        const QString text = QString(254, QLatin1Char('a')) + QStringLiteral("\U0001F600") + QStringLiteral("b");
        QCOMPARE(Announcer::BalloonShown(text), QString(254, QLatin1Char('a')));
        QCOMPARE(Announcer::BalloonShown(QStringLiteral("kort")), QStringLiteral("kort"));
    }

    // The say list follows the call list: order of first appearance, kept
    // records keep when they were spoken, pairs that repeat count once.
    void sayListFollowsTheCallList()
    {
        Fixture f;
        f.on("SayBalloonInfo");
        f.receive({Doctor, Nurse});
        const TDateTime spokenAt = f.now;
        f.advance(1 * Minute);
        f.receive({Porter, Nurse, Doctor});
        QCOMPARE(f.said(), QStringList({"5/501", "6/601", "7/701"}));
        QCOMPARE(f.model.SayList[0]->LastSaid, spokenAt);
        QCOMPARE(f.model.SayList[2]->LastSaid, f.now);
        QCOMPARE(f.model.SayList[2]->CallerName, QStringLiteral("Rum 3"));
        QCOMPARE(f.model.SayList[2]->CallName, QStringLiteral("Vaktmästare"));
        // The same caller number under another resource is another call.
        const Call twice{QStringLiteral("Dr. Ström"), 5, {{QStringLiteral("Rum 1"), 501}, {QStringLiteral("Rum 1 igen"), 501}}};
        const Call elsewhere{QStringLiteral("Dr. Berg"), 8, {{QStringLiteral("Rum 1"), 501}}};
        f.receive({twice, elsewhere});
        QCOMPARE(f.said(), QStringList({"5/501", "8/501"}));
    }

    // A busy server sends the next call list before it answers a settings
    // read, so every list arrives while the previous one's announcement
    // waits for a setting. The announcements must not nest inside each
    // other's waits (the waits would pile up for as long as the lists keep
    // coming, ten a second); the newest list is announced once the running
    // announcement is done, and every call is spoken once.
    void listsDuringAnAnnouncementsWaitDoNotNest()
    {
        Fixture f;
        f.on("SayBalloonInfo");
        f.on("ActivateClientOnBalloon");
        // The balloon, the sound and the visibility are asked of the server.
        FakeServer server;
        QVERIFY(server.listen());
        QList<Call> list{Doctor};
        QList<Call> last = list;
        QList<Caller>& callers = list[0].callers;
        int listsToCome = 8;
        server.setResponder([&](const QString& frame) {
            QString answer;
            if (!frame.startsWith(Cur + QStringLiteral("GETINITEXT:")))
                return answer;
            if (listsToCome > 0) {
                --listsToCome;
                callers << Caller{QStringLiteral("Rum %1").arg(callers.size() + 1), 501 + int(callers.size())};
                last = list;
                answer = CurrentList(list);
            }
            return answer + ComposeFrame(QStringLiteral("RETINITEXT"), {QString()});
        });
        QTcpSocket* socket = f.temp.connectTo(server, false);
        QVERIFY(socket);
        // Every read is one message, queued as on the main connection (the
        // socket signals no new data while a handler of its signal waits).
        QObject::connect(
            socket, &QTcpSocket::readyRead, socket,
            [&] { f.dispatcher->HandleServerMessage(FromAnsi(socket->readAll())); }, Qt::QueuedConnection);

        f.receive({Doctor});
        QVERIFY(QTest::qWaitFor([&] { return listsToCome == 0 && !f.temp.settings().IsWaitingForServer(); }));
        QCOMPARE(f.model.CallList.size(), size_t(1));
        QCOMPARE(f.model.CallList[0]->CurrentCallList.size(), size_t(last[0].callers.size()));
        QVERIFY(f.window->loopLevels.size() >= 2);
        for (int level : f.window->loopLevels)
            QCOMPARE(level, 0);
        // The newest list was announced last, and each of its calls spoken once.
        QCOMPARE(f.log.last(), QStringLiteral("Visibility(1)"));
        QString spoken;
        for (const QString& effect : f.log) {
            if (effect.startsWith(QStringLiteral("Say(")))
                spoken += effect.mid(4, effect.size() - 5);
        }
        QString expected;
        for (const Caller& c : last[0].callers)
            expected += Line(c.name, Doctor.name);
        QCOMPARE(spoken, expected);
    }

    // Lists that arrive while an announcement waits are announced as one
    // turn after it. The count at the end may equal the count before them
    // although calls came in between; a new call must still be signalled,
    // and a list that only empties the board is not.
    void listsMergedDuringAWait_data()
    {
        QTest::addColumn<QList<QList<Call>>>("meanwhile");
        QTest::addColumn<QString>("lastBalloon");
        const QString both = Line("Rum 1", "Dr. Ström") + Line("Rum 2", "Syster Åsa");
        const QString balloon = QStringLiteral("Balloon(%1|%2)").arg(Title);
        QTest::newRow("one leaves, another arrives")
            << QList<QList<Call>>{{Doctor}, {Doctor, Porter}}
            << balloon.arg(Line("Rum 1", "Dr. Ström") + Line("Rum 3", "Vaktmästare"));
        QTest::newRow("the board empties and fills again")
            << QList<QList<Call>>{{}, {Doctor, Nurse}} << balloon.arg(both);
        QTest::newRow("one more call") << QList<QList<Call>>{{Doctor, Nurse, Porter}}
                                       << balloon.arg(both + Line("Rum 3", "Vaktmästare"));
        QTest::newRow("the last calls leave") << QList<QList<Call>>{{}} << QString();
        // One list that swaps a call keeps the count: no signal, as when it
        // comes alone.
        QTest::newRow("a call swapped in one list") << QList<QList<Call>>{{Doctor, Porter}} << QString();
    }

    void listsMergedDuringAWait()
    {
        QFETCH(QList<QList<Call>>, meanwhile);
        QFETCH(QString, lastBalloon);
        Fixture f;
        f.on("ShowBalloonInfo");
        f.on("PlayWindowsSound");
        f.receive({Doctor});
        f.duringSound = [&] {
            for (const QList<Call>& list : meanwhile)
                f.dispatcher->HandleServerMessage(CurrentList(list));
        };
        const QString first = QStringLiteral("Balloon(%1|%2)")
                                  .arg(Title, Line("Rum 1", "Dr. Ström") + Line("Rum 2", "Syster Åsa"));
        QStringList expected{first, "Sound(.default)"};
        if (!lastBalloon.isEmpty())
            expected << lastBalloon << "Sound(.default)";
        QCOMPARE(f.receive({Doctor, Nurse}), expected);
        QVERIFY(f.messages.infos.filter(QStringLiteral("Error")).isEmpty());
    }

    // A failing announcement is reported to the list that started it, and
    // the lists that arrived while it ran are announced all the same: a
    // call is not left unsignalled because an earlier one failed.
    void failureDoesNotSwallowTheListsThatCameMeanwhile_data()
    {
        QTest::addColumn<bool>("runningFails");
        QTest::addColumn<bool>("mergedFails");
        QTest::addColumn<QStringList>("reported");
        const QString report = QStringLiteral("Error in ClientSocket1Read!\r\r");
        QTest::newRow("the running one fails") << true << false << QStringList{report + "first"};
        QTest::newRow("the merged one fails") << false << true << QStringList{report + "second"};
        QTest::newRow("both fail") << true << true << QStringList{report + "first"};
    }

    void failureDoesNotSwallowTheListsThatCameMeanwhile()
    {
        QFETCH(bool, runningFails);
        QFETCH(bool, mergedFails);
        QFETCH(QStringList, reported);
        Fixture f;
        f.on("SayBalloonInfo");
        f.on("PlayWindowsSound");
        f.receive({Doctor});
        f.duringSound = [&] {
            f.dispatcher->HandleServerMessage(CurrentList({Doctor}));
            f.dispatcher->HandleServerMessage(CurrentList({Doctor, Porter}));
            if (mergedFails)
                f.duringSound = [] { throw std::runtime_error("second"); };
            if (runningFails)
                throw std::runtime_error("first");
        };
        const QStringList effects = f.receive({Doctor, Nurse});
        QCOMPARE(f.messages.infos, reported);
        QCOMPARE(effects, QStringList({"Say(" + Line("Rum 2", "Syster Åsa") + ")", "Sound(.default)",
                                       "Say(" + Line("Rum 3", "Vaktmästare") + ")", "Sound(.default)"}));
        // The next list is announced on its own again.
        QCOMPARE(f.receive({Doctor, Porter, Nurse}),
                 QStringList({"Say(" + Line("Rum 2", "Syster Åsa") + ")", "Sound(.default)"}));
    }

    void trayDoubleClickBringsForwardOnly()
    {
        Fixture f;
        f.announcer->TrayIcon1DblClick();
        QCOMPARE(f.log, QStringList{"Front"});
    }

    // The timer's own tick runs the repeat pass.
    void timerTickSpeaks()
    {
        Fixture f;
        f.off("SayBalloonInfo");
        f.receive({Doctor});
        f.sayTimer.setInterval(1);
        f.sayTimer.start();
        QTRY_COMPARE(f.log, QStringList{"Say(" + Line("Rum 1", "Dr. Ström") + ")"});
    }
};

QTEST_GUILESS_MAIN(TestAnnouncer)
#include "test_announcer.moc"
