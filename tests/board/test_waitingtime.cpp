#include "BoardLists.h"
#include "RecordingMessages.h"

#include "display/board/CallBoard.h"
#include "display/board/CallBoardWidget.h"
#include "display/board/ShortTimeText.h"
#include "display/board/WaitingTime.h"

#include <QtTest>

using namespace tesk;
using namespace tesk::test;

namespace {

constexpr double kMinute = 1.0 / 1440.0;
constexpr double kSecond = kMinute / 60.0;
// 13:21:00 on some day.
const TDateTime kCall = 45000.0 + (13 * 60 + 21) * kMinute;

// Resource "doktor anna" (green) with a confirmed call first and an
// unconfirmed one after it; "olle" with one unconfirmed call 20 s later.
TCallList waitingList(bool confirmLast = false)
{
    TCallList list;
    list.push_back(MakeCall(QStringLiteral("doktor anna"), 11, 0x00C000,
                            {{QStringLiteral("rum två"), 102, 0xC0C0C0, kCall - 5 * kMinute, 4,
                              QStringLiteral("karin"), kCall - 4 * kMinute},
                             {QStringLiteral("rum ett"), 101, 0xFFFFFF, kCall, confirmLast ? 5 : 0,
                              QStringLiteral("karin"), kCall + 12 * kMinute}}));
    list.push_back(MakeCall(QStringLiteral("olle"), 12, 0x0000C0,
                            {{QStringLiteral("lab"), 201, 0x80FF80, kCall + 20 * kSecond}}));
    return list;
}

QRect rectOf(const TCaller& c)
{
    return QRect(QPoint(c.ViewRect.Left, c.ViewRect.Top), QPoint(c.ViewRect.Right - 1, c.ViewRect.Bottom - 1));
}

// A board widget with a clock the test moves.
struct WallRig {
    TCallList list;
    TDateTime now = kCall;
    RecordingMessages messages;
    CallBoardWidget widget{list, messages, [](const QString&) {}, [this] { return now; }};

    explicit WallRig(const WallSettings& wall, TCallList l = waitingList()) : list(std::move(l))
    {
        BoardSettings s;
        s.FPaintEffect = false;
        widget.setBoardSettings(s);
        widget.renderer().setLongTimeFormat(QStringLiteral("HH:mm:ss"));
        widget.setWallSettings(wall);
        widget.resize(900, 600);
        widget.PaintBox1Paint();
    }
};

WallSettings waitingOn(int escalateAfter = 0)
{
    WallSettings w;
    w.ShowWaitingTime = true;
    w.EscalateAfterMinutes = escalateAfter;
    return w;
}

} // namespace

class TestWaitingTime : public QObject {
    Q_OBJECT
private slots:
    void minutesText_data();
    void minutesText();
    void boardWithWaitingTimes_data();
    void boardWithWaitingTimes();
    void minuteRefreshRepaintsOnlyWhatChanged();
    void escalationLimit_data();
    void escalationLimit();
    void escalatedCallBlinksUntilConfirmed();
    void settingsOffLeaveTheBoardAsItWas();
};

void TestWaitingTime::minutesText_data()
{
    QTest::addColumn<double>("waited"); // days
    QTest::addColumn<QString>("expected");
    QTest::newRow("just called") << 0.0 << QStringLiteral("13:21 · 0 min");
    QTest::newRow("59 s") << 59 * kSecond << QStringLiteral("13:21 · 0 min");
    QTest::newRow("1 min") << kMinute << QStringLiteral("13:21 · 1 min");
    QTest::newRow("59 min 59 s") << 59 * kMinute + 59 * kSecond << QStringLiteral("13:21 · 59 min");
    QTest::newRow("60 min") << 60 * kMinute << QStringLiteral("13:21 · 60 min");
    QTest::newRow("2 h 5 min") << 125 * kMinute << QStringLiteral("13:21 · 125 min");
    QTest::newRow("clock behind the server") << -30 * kSecond << QStringLiteral("13:21 · 0 min");
}

void TestWaitingTime::minutesText()
{
    QFETCH(double, waited);
    QFETCH(QString, expected);
    QCOMPARE(WaitingLine(ShortTimeText(kCall, QStringLiteral("HH:mm:ss")), WaitingMinutes(kCall, kCall + waited)),
             expected);
}

void TestWaitingTime::boardWithWaitingTimes_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("shaded");
    QTest::addColumn<QSize>("size");
    QTest::newRow("landscape flat") << 0 << false << QSize(800, 500);
    QTest::newRow("landscape shaded") << 0 << true << QSize(800, 500);
    // Wide enough for the calls beside the headers of the longest name.
    QTest::newRow("portrait shaded") << 1 << true << QSize(2600, 400);
}

void TestWaitingTime::boardWithWaitingTimes()
{
    QFETCH(int, mode);
    QFETCH(bool, shaded);
    QFETCH(QSize, size);
    // The cached board stays the reference's, pixel for pixel; and the
    // minutes do reach the screen.
    BoardSettings s;
    s.TESKShowMode = mode;
    s.FPaintEffect = shaded;
    auto paint = [&](CallBoard::Path path, bool show, double waited) {
        CallBoard board;
        board.setSettings(s);
        board.setLongTimeFormat(QStringLiteral("HH:mm:ss"));
        board.resize(size);
        board.setWaitingTime(show, kCall + waited);
        TCallList list = waitingList();
        board.PaintBox1Paint(list, path);
        if (path == CallBoard::Path::Cached)
            board.PaintBox1Paint(list, path); // warm
        return board.image().copy();
    };
    const QImage cached = paint(CallBoard::Path::Cached, true, 7 * kMinute);
    QCOMPARE(cached, paint(CallBoard::Path::Reference, true, 7 * kMinute));
    QVERIFY(cached != paint(CallBoard::Path::Cached, false, 7 * kMinute));
    QVERIFY(cached != paint(CallBoard::Path::Cached, true, 8 * kMinute));
}

void TestWaitingTime::minuteRefreshRepaintsOnlyWhatChanged()
{
    WallRig rig(waitingOn());
    QVERIFY(rig.widget.minuteTimerActive());
    const TCaller& ett = *rig.list[0]->CurrentCallList[1];
    const TCaller& lab = *rig.list[1]->CurrentCallList[0];

    // Within the same minute for every call: nothing to repaint.
    rig.now = kCall + 15 * kSecond;
    QVERIFY(rig.widget.minuteTick().isEmpty());

    // "rum ett" turns 1 min, "lab" (20 s younger) does not yet.
    rig.now = kCall + 70 * kSecond;
    QCOMPARE(rig.widget.minuteTick(), QRegion(rectOf(ett)));
    rig.widget.PaintBox1Paint();

    // Both turn 2 min; the confirmed call's box is never touched.
    rig.now = kCall + 140 * kSecond;
    QCOMPARE(rig.widget.minuteTick(), QRegion(rectOf(ett)).united(rectOf(lab)));
}

void TestWaitingTime::escalationLimit_data()
{
    QTest::addColumn<int>("limit");
    QTest::addColumn<double>("waited");
    QTest::addColumn<bool>("escalated");
    QTest::newRow("off") << 0 << 500 * kMinute << false;
    QTest::newRow("below the limit") << 10 << 9 * kMinute << false;
    QTest::newRow("exactly the limit") << 10 << 10 * kMinute << false;
    QTest::newRow("longer than the limit") << 10 << 10 * kMinute + 1 * kSecond << true;
    QTest::newRow("long past it") << 10 << 300 * kMinute << true;
}

void TestWaitingTime::escalationLimit()
{
    QFETCH(int, limit);
    QFETCH(double, waited);
    QFETCH(bool, escalated);
    QCOMPARE(WaitedLongerThan(kCall, kCall + waited, limit), escalated);
}

void TestWaitingTime::escalatedCallBlinksUntilConfirmed()
{
    WallRig rig(waitingOn(10));
    const TCaller& ett = *rig.list[0]->CurrentCallList[1];
    rig.now = kCall + 9 * kMinute;
    rig.widget.minuteTick();
    QVERIFY(rig.widget.escalatedRegion().isEmpty());
    QVERIFY(!rig.widget.blinkTimerActive());

    // Past the limit at the next minute: "rum ett" alone ("lab" is 20 s
    // younger, the other call is confirmed).
    rig.now = kCall + 10 * kMinute + 10 * kSecond;
    rig.widget.minuteTick();
    rig.widget.PaintBox1Paint();
    const QRect box = rectOf(ett);
    QCOMPARE(rig.widget.escalatedRegion(), QRegion(box));
    QVERIFY(rig.widget.blinkTimerActive());
    QCOMPARE(rig.widget.blinkShowing(), true);

    // The frame is in the resource's contrast colour (green → magenta)
    // and lies over the box only.
    const QImage on = rig.widget.shownImage();
    const QImage board = rig.widget.boardImage();
    const QPoint edge(box.left() + 1, box.center().y());
    QCOMPARE(on.pixelColor(edge), QColor(255, 0, 255));
    QVERIFY(board.pixelColor(edge) != QColor(255, 0, 255));
    for (int y = 0; y < on.height(); y += 3)
        for (int x = 0; x < on.width(); x += 3)
            if (!box.contains(x, y) && on.pixel(x, y) != board.pixel(x, y))
                QFAIL(qPrintable(QStringLiteral("changed outside the box at %1,%2").arg(x).arg(y)));

    // Each half second the frame goes or comes, and only the box is repainted.
    QCOMPARE(rig.widget.blinkTick(), QRegion(box));
    QCOMPARE(rig.widget.blinkShowing(), false);
    QCOMPARE(rig.widget.shownImage(), board);
    QCOMPARE(rig.widget.blinkTick(), QRegion(box));
    QCOMPARE(rig.widget.shownImage(), on);

    // Confirmed in the next list: no more blinking.
    rig.list = waitingList(true);
    rig.widget.callListReplaced();
    rig.widget.PaintBox1Paint();
    QVERIFY(rig.widget.escalatedRegion().isEmpty());
    QVERIFY(!rig.widget.blinkTimerActive());
    QCOMPARE(rig.widget.shownImage(), rig.widget.boardImage());
}

void TestWaitingTime::settingsOffLeaveTheBoardAsItWas()
{
    // A board given the default wall settings, hours after the calls, is
    // the board of a program that never heard of them.
    WallRig rig(WallSettings{});
    rig.now = kCall + 600 * kMinute;
    rig.widget.minuteTick();
    rig.widget.PaintBox1Paint();

    TCallList list = waitingList();
    RecordingMessages messages;
    CallBoardWidget plain(list, messages, [](const QString&) {});
    BoardSettings s;
    s.FPaintEffect = false;
    plain.setBoardSettings(s);
    plain.renderer().setLongTimeFormat(QStringLiteral("HH:mm:ss"));
    plain.resize(900, 600);
    plain.PaintBox1Paint();

    QCOMPARE(rig.widget.shownImage(), plain.shownImage());
    QCOMPARE(rig.widget.boardImage(), plain.boardImage());
    QVERIFY(!rig.widget.minuteTimerActive());
    QVERIFY(!rig.widget.blinkTimerActive());
}

QTEST_MAIN(TestWaitingTime)
#include "test_waitingtime.moc"
