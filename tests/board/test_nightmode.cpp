#include "BoardLists.h"
#include "FakeSpeechBackend.h"
#include "RecordingMessages.h"
#include "TempSettings.h"

#include "common/NightMode.h"
#include "display/board/CallBoardWidget.h"
#include "speech/SpeechEngine.h"

#include <QtTest>

using namespace tesk;
using namespace tesk::test;

namespace {

WallSettings night(const QString& from, const QString& to, int brightness = 40, int volume = 30)
{
    WallSettings w;
    w.NightFrom = from;
    w.NightTo = to;
    w.NightBrightness = brightness;
    w.NightVolume = volume;
    return w;
}

QDateTime at(const QString& hhmm)
{
    return QDateTime(QDate(2026, 12, 10), QTime::fromString(hhmm, QStringLiteral("HH:mm")));
}

} // namespace

class TestNightMode : public QObject {
    Q_OBJECT
private slots:
    void nightByTheClock_data();
    void nightByTheClock();
    void nightIsNeverDarkOrSilent_data();
    void nightIsNeverDarkOrSilent();
    void nightComesAndGoesOnTheMinute();
    void boardDimmedCallsStillShown();
    void speechQuieterAtNight();
};

void TestNightMode::nightByTheClock_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("now");
    QTest::addColumn<bool>("isNight");
    // Across midnight.
    QTest::newRow("22-06 at 21:59") << "22:00" << "06:00" << "21:59" << false;
    QTest::newRow("22-06 at 22:00") << "22:00" << "06:00" << "22:00" << true;
    QTest::newRow("22-06 at 23:30") << "22:00" << "06:00" << "23:30" << true;
    QTest::newRow("22-06 at 00:00") << "22:00" << "06:00" << "00:00" << true;
    QTest::newRow("22-06 at 05:59") << "22:00" << "06:00" << "05:59" << true;
    QTest::newRow("22-06 at 06:00") << "22:00" << "06:00" << "06:00" << false;
    QTest::newRow("22-06 at 12:00") << "22:00" << "06:00" << "12:00" << false;
    // Within a day.
    QTest::newRow("12:30-13:15 at 12:29") << "12:30" << "13:15" << "12:29" << false;
    QTest::newRow("12:30-13:15 at 12:30") << "12:30" << "13:15" << "12:30" << true;
    QTest::newRow("12:30-13:15 at 13:14") << "12:30" << "13:15" << "13:14" << true;
    QTest::newRow("12:30-13:15 at 13:15") << "12:30" << "13:15" << "13:15" << false;
    QTest::newRow("12:30-13:15 at 23:00") << "12:30" << "13:15" << "23:00" << false;
    // As the dialog stores them (a colon would not survive the server's copy).
    QTest::newRow("22.00-06.00 at 23:00") << "22.00" << "06.00" << "23:00" << true;
    // Off.
    QTest::newRow("both empty") << "" << "" << "23:00" << false;
    QTest::newRow("end missing") << "22:00" << "" << "23:00" << false;
    QTest::newRow("not a time") << "22,00" << "06:00" << "23:00" << false;
    QTest::newRow("hour out of range") << "25:00" << "06:00" << "03:00" << false;
    QTest::newRow("equal times") << "06:00" << "06:00" << "06:00" << false;
    QTest::newRow("one-digit hour") << "7:05" << "9:00" << "08:00" << true;
}

void TestNightMode::nightByTheClock()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, now);
    QFETCH(bool, isNight);
    NightMode mode([&] { return at(now); });
    mode.setSettings(night(from, to));
    QCOMPARE(mode.isNight(), isNight);
    QCOMPARE(mode.brightness(), isNight ? 40 : 100);
    QCOMPARE(mode.volume(), isNight ? 30 : 100);
}

void TestNightMode::nightIsNeverDarkOrSilent_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("used");
    QTest::newRow("0 %") << 0 << NightMode::MinimumNightPercent;
    QTest::newRow("negative") << -20 << NightMode::MinimumNightPercent;
    QTest::newRow("just above the floor") << 11 << 11;
}

// A call must still be seen and heard at night.
void TestNightMode::nightIsNeverDarkOrSilent()
{
    QFETCH(int, stored);
    QFETCH(int, used);
    NightMode mode([] { return at(QStringLiteral("23:00")); });
    mode.setSettings(night(QStringLiteral("22:00"), QStringLiteral("06:00"), stored, stored));
    QVERIFY(mode.isNight());
    QCOMPARE(mode.brightness(), used);
    QCOMPARE(mode.volume(), used);
}

void TestNightMode::nightComesAndGoesOnTheMinute()
{
    QDateTime now = at(QStringLiteral("21:59"));
    NightMode mode([&] { return now; });
    QSignalSpy spy(&mode, &NightMode::nightChanged);
    mode.setSettings(night(QStringLiteral("22:00"), QStringLiteral("06:00")));
    QVERIFY(mode.timerActive());
    QCOMPARE(spy.count(), 0);
    now = at(QStringLiteral("22:00"));
    mode.tick();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.last().at(0).toBool(), true);
    now = now.addSecs(8 * 3600); // 06:00 next morning
    mode.tick();
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.last().at(0).toBool(), false);
    // Switched off: no timer, day levels.
    mode.setSettings(WallSettings{});
    QVERIFY(!mode.timerActive());
    QCOMPARE(mode.brightness(), 100);
}

void TestNightMode::boardDimmedCallsStillShown()
{
    TCallList list;
    list.push_back(MakeCall(QStringLiteral("doktor anna"), 11, 0xFFFFFF,
                            {{QStringLiteral("rum ett"), 101, 0xFFFFFF, 45000.3}}));
    RecordingMessages messages;
    CallBoardWidget board(list, messages, [](const QString&) {});
    BoardSettings s;
    s.FPaintEffect = false;
    board.setBoardSettings(s);
    board.resize(600, 400);
    board.PaintBox1Paint();
    const QImage day = board.shownImage();
    const TViewRect& r = list[0]->CurrentCallList[0]->ViewRect;
    const QPoint inBox(r.Left + 3, r.Top + 3);
    QCOMPARE(day.pixelColor(inBox), QColor(Qt::white));

    board.setBrightness(40);
    const QImage dimmed = board.shownImage();
    // White at 40 %, the call still there.
    const QColor c = dimmed.pixelColor(inBox);
    QVERIFY2(qAbs(c.red() - 102) <= 1 && c.red() == c.green() && c.green() == c.blue(),
             qPrintable(c.name()));
    QCOMPARE(board.boardImage(), day); // the composed board is the day's

    board.setBrightness(100);
    QCOMPARE(board.shownImage(), day);
}

void TestNightMode::speechQuieterAtNight()
{
    auto script = std::make_shared<FakeSpeechBackend::Script>();
    script->voices = {{QStringLiteral("Alva"), QLocale(QLocale::Swedish, QLocale::Sweden)}};
    TempSettings temp;
    RecordingMessages messages;
    SpeechService speech(temp.settings(), messages, FakeSpeechBackend::factory(script));
    speech.Recreate();
    QVERIFY(speech.engine());
    QVERIFY(script->volumes.isEmpty()); // full volume by day: nothing set
    speech.setVolume(30);
    QCOMPARE(script->volumes, QList<int>{30});
    // An engine made at night starts quiet, and still speaks.
    speech.Recreate();
    QCOMPARE(script->volumes, (QList<int>{30, 30}));
    speech.say(QStringLiteral("Rum 3 kallar"));
    QCOMPARE(script->spoken.size(), 1);
    speech.setVolume(100);
    QCOMPARE(script->volumes.last(), 100);
}

QTEST_MAIN(TestNightMode)
#include "test_nightmode.moc"
