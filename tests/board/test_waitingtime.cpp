#include "BoardLists.h"
#include "RecordingMessages.h"

#include "display/board/CallBoard.h"
#include "display/board/CallBoardWidget.h"
#include "display/board/HlsColor.h"
#include "display/board/ShortTimeText.h"
#include "display/board/WaitingTime.h"

#include <QtTest>

#include <cmath>
#include <optional>

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

// Three unconfirmed calls, the first with so short a name that its second
// line is the wider one (a longer wait can shrink its text, and the next
// call's, which starts fitting from that size), and a confirmed one.
TCallList refreshList()
{
    TCallList list;
    list.push_back(MakeCall(QStringLiteral("doktor anna"), 11, 0x00C000,
                            {{QStringLiteral("lab"), 101, 0xFFFFFF, kCall},
                             {QStringLiteral("rum ett"), 102, 0x80FF80, kCall + 30 * kSecond},
                             {QStringLiteral("rum två"), 103, 0xC0C0C0, kCall - 5 * kMinute, 4,
                              QStringLiteral("karin"), kCall - 4 * kMinute}}));
    list.push_back(MakeCall(QStringLiteral("olle"), 12, 0x0000C0,
                            {{QStringLiteral("röntgen Öst"), 201, 0xFFFF00, kCall + 20 * kSecond}}));
    return list;
}

// A board widget with a clock the test moves; `step` moves it at each reading.
struct WallRig {
    TCallList list;
    TDateTime now = kCall;
    TDateTime step = 0;
    RecordingMessages messages;
    CallBoardWidget widget{list, messages, [](const QString&) {}, [this] {
                               const TDateTime t = now;
                               now += step;
                               return t;
                           }};

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

// The board composed from scratch at `now`, as a fresh widget would.
QImage composedAt(TDateTime now, const WallSettings& wall = waitingOn())
{
    WallRig fresh(wall);
    fresh.now = now;
    fresh.widget.PaintBox1Paint();
    return fresh.widget.boardImage();
}

// A board of the given layout showing (or not) the waiting times at `now`.
std::unique_ptr<CallBoard> waitingBoard(int mode, bool shaded, QSize size, bool show, TDateTime now, qreal ratio = 1.0)
{
    BoardSettings s;
    s.TESKShowMode = mode;
    s.FPaintEffect = shaded;
    auto board = std::make_unique<CallBoard>();
    board->setSettings(s);
    board->setKliniknamn(QStringLiteral("Vårdcentralen"));
    board->setLongTimeFormat(QStringLiteral("HH:mm:ss"));
    board->resize(size);
    board->setDevicePixelRatio(ratio);
    board->setWaitingTime(show, now);
    return board;
}

bool within(const QRegion& inner, const QRegion& outer) { return inner.subtracted(outer).isEmpty(); }

} // namespace

class TestWaitingTime : public QObject {
    Q_OBJECT
private slots:
    void minutesText_data();
    void minutesText();
    void boardWithWaitingTimes_data();
    void boardWithWaitingTimes();
    void minuteRefreshRepaintsOnlyWhatChanged();
    void minuteRefreshMatchesFullPaint_data();
    void minuteRefreshMatchesFullPaint();
    void minuteTimerWaitsForTheNextWholeMinute_data();
    void minuteTimerWaitsForTheNextWholeMinute();
    void minuteTimerKeepsItsPaceThroughConnectionsAndLists();
    void oneReadingOfTheClock_data();
    void oneReadingOfTheClock();
    void escalationFrameColour_data();
    void escalationFrameColour();
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
    auto paint = [&](CallBoard::Path path, bool show, double waited) {
        auto board = waitingBoard(mode, shaded, size, show, kCall + waited);
        TCallList list = waitingList();
        board->PaintBox1Paint(list, path);
        if (path == CallBoard::Path::Cached)
            board->PaintBox1Paint(list, path); // warm
        return board->image().copy();
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

    // "rum ett" turns 1 min, "lab" (20 s younger) does not yet: a part of
    // its box alone is redrawn, into what a whole composition would give.
    rig.now = kCall + 70 * kSecond;
    const QRegion first = rig.widget.minuteTick();
    QVERIFY(!first.isEmpty());
    QVERIFY(within(first, rectOf(ett)));
    QCOMPARE(rig.widget.boardImage(), composedAt(rig.now));

    // Both turn 2 min; the confirmed call's box is never touched.
    rig.now = kCall + 140 * kSecond;
    const QRegion second = rig.widget.minuteTick();
    QVERIFY(within(second, QRegion(rectOf(ett)).united(rectOf(lab))));
    QVERIFY(second.intersects(rectOf(ett)) && second.intersects(rectOf(lab)));
    QCOMPARE(rig.widget.boardImage(), composedAt(rig.now));
}

void TestWaitingTime::minuteRefreshMatchesFullPaint_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("shaded");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<double>("ratio");
    QTest::addColumn<double>("from"); // minutes after kCall
    QTest::newRow("landscape flat, 7 to 8 min") << 0 << false << QSize(800, 500) << 1.0 << 7.5;
    QTest::newRow("landscape shaded, 9 to 10 min") << 0 << true << QSize(800, 500) << 1.0 << 9.5;
    QTest::newRow("narrow columns, 99 to 100 min") << 0 << true << QSize(330, 700) << 1.0 << 99.5;
    QTest::newRow("portrait shaded") << 1 << true << QSize(2600, 400) << 1.0 << 9.5;
    QTest::newRow("twice the pixels") << 0 << true << QSize(800, 500) << 2.0 << 9.5;
    QTest::newRow("one and a half the pixels") << 0 << false << QSize(800, 500) << 1.5 << 9.5;
    // The calls reach below the board; their texts spill out of their boxes.
    QTest::newRow("tiny board") << 0 << true << QSize(120, 90) << 1.0 << 9.5;
}

void TestWaitingTime::minuteRefreshMatchesFullPaint()
{
    QFETCH(int, mode);
    QFETCH(bool, shaded);
    QFETCH(QSize, size);
    QFETCH(double, ratio);
    QFETCH(double, from);
    auto board = [&](TDateTime now) { return waitingBoard(mode, shaded, size, true, now, ratio); };
    const TDateTime then = kCall + from * kMinute;
    const TDateTime later = then + kMinute;

    TCallList list = refreshList();
    auto refreshed = board(then);
    refreshed->PaintBox1Paint(list);
    const QImage before = refreshed->image().copy();
    const std::optional<QRegion> redrawn = refreshed->refreshWaitingTimes(list, later);
    QVERIFY(redrawn.has_value());
    QVERIFY(!redrawn->isEmpty());

    // Pixel for pixel what the drawing rules give a minute later.
    TCallList again = refreshList();
    auto full = board(later);
    full->PaintBox1Paint(again, CallBoard::Path::Reference);
    QCOMPARE(refreshed->image(), full->image());

    // Every pixel that changed lies in the region handed back, and that lies
    // in the boxes of the calls that wait.
    QRegion waiting;
    for (const auto& call : list)
        for (const auto& caller : call->CurrentCallList)
            if (caller->CallComingLopnr <= 0)
                waiting += rectOf(*caller);
    const QImage& after = refreshed->image();
    for (int y = 0; y < after.height(); ++y)
        for (int x = 0; x < after.width(); ++x)
            if (after.pixel(x, y) != before.pixel(x, y)
                && !redrawn->contains(QPoint(int(std::floor(x / ratio)), int(std::floor(y / ratio)))))
                QFAIL(qPrintable(QStringLiteral("changed outside the region at %1,%2").arg(x).arg(y)));
    if (size.width() > 200) {
        // Give or take the few pixels that the ink may stray from its cell.
        QRegion near;
        for (const QRect& r : waiting)
            near += r.adjusted(-4, -4, 4, 4);
        QVERIFY(within(*redrawn, near));
    }

    // Within the same minute nothing is redrawn.
    const std::optional<QRegion> still = refreshed->refreshWaitingTimes(list, later + 10 * kSecond);
    QVERIFY(still.has_value());
    QVERIFY(still->isEmpty());
}

void TestWaitingTime::minuteTimerWaitsForTheNextWholeMinute_data()
{
    QTest::addColumn<double>("seconds"); // after a whole minute of the clock
    QTest::addColumn<int>("expectedMs");
    QTest::newRow("on the minute") << 0.0 << 60000;
    QTest::newRow("just after it") << 0.3 << 59700;
    QTest::newRow("three quarters through") << 45.0 << 15000;
    QTest::newRow("just before the next") << 59.9 << 100;
}

void TestWaitingTime::minuteTimerWaitsForTheNextWholeMinute()
{
    QFETCH(double, seconds);
    QFETCH(int, expectedMs);
    WallRig rig(waitingOn());
    rig.now = kCall + 7 * kMinute + seconds * kSecond;
    rig.widget.minuteTick();
    QVERIFY(rig.widget.minuteTimerActive());
    QVERIFY2(std::abs(rig.widget.minuteTimerIntervalMs() - expectedMs) <= 1,
             qPrintable(QString::number(rig.widget.minuteTimerIntervalMs())));
}

void TestWaitingTime::minuteTimerKeepsItsPaceThroughConnectionsAndLists()
{
    WallRig rig(WallSettings{});
    rig.now = kCall + 45 * kSecond;
    rig.widget.setWallSettings(waitingOn());
    QCOMPARE(rig.widget.minuteTimerIntervalMs(), 15000);

    // The settings again at a reconnection, and a list every 100 ms: the
    // timer still waits for the same minute.
    rig.now += 5 * kSecond;
    rig.widget.setWallSettings(waitingOn(30));
    for (int i = 0; i < 50; ++i) {
        rig.now += kSecond / 10;
        rig.list = refreshList();
        rig.widget.callListReplaced();
        rig.widget.PaintBox1Paint();
    }
    QVERIFY(rig.widget.minuteTimerActive());
    QCOMPARE(rig.widget.minuteTimerIntervalMs(), 15000);

    // Off stops it; on again aligns it anew.
    rig.widget.setWallSettings(WallSettings{});
    QVERIFY(!rig.widget.minuteTimerActive());
    rig.widget.setWallSettings(waitingOn());
    QCOMPARE(rig.widget.minuteTimerIntervalMs(), 5000);
}

void TestWaitingTime::oneReadingOfTheClock_data()
{
    QTest::addColumn<bool>("tick");
    QTest::newRow("composition") << false;
    QTest::newRow("minute tick") << true;
}

void TestWaitingTime::oneReadingOfTheClock()
{
    QFETCH(bool, tick);
    // A clock that moves a second at each reading, from the moment "rum ett"
    // has waited exactly its 10 minutes: the board shows "10 min" and no
    // escalation, not the one with the frame of a second later.
    WallRig rig(waitingOn(10));
    rig.step = kSecond;
    rig.now = kCall + 10 * kMinute;
    if (tick)
        rig.widget.minuteTick();
    else
        rig.widget.PaintBox1Paint();
    QVERIFY(rig.widget.escalatedRegion().isEmpty());
    QCOMPARE(rig.widget.boardImage(), composedAt(kCall + 10 * kMinute, waitingOn(10)));
}

void TestWaitingTime::escalationFrameColour_data()
{
    QTest::addColumn<TColor>("resource");
    QTest::addColumn<TColor>("box");
    QTest::addColumn<QColor>("frame");
    QTest::newRow("the resource's contrast colour") << TColor(0x00C000) << TColor(0xFFFFFF) << QColor(255, 0, 255);
    QTest::newRow("box in that very colour") << TColor(0x0000C0) << TColor(0xFFFF00) << QColor(255, 0, 0);
    QTest::newRow("white on light grey") << TColor(0x400000) << TColor(0xE0E0E0) << QColor(0, 0, 0);
    QTest::newRow("white on yellow") << TColor(0x000040) << TColor(0x00FFFF) << QColor(0, 0, 255);
    QTest::newRow("black on navy") << TColor(0xFFFFFF) << TColor(0x800000) << QColor(255, 255, 255);
    QTest::newRow("white on green stays") << TColor(0x000040) << TColor(0x00FF00) << QColor(255, 255, 255);
}

void TestWaitingTime::escalationFrameColour()
{
    QFETCH(TColor, resource);
    QFETCH(TColor, box);
    QFETCH(QColor, frame);
    TCallList list;
    list.push_back(
        MakeCall(QStringLiteral("doktor anna andersson"), 12, resource, {{QStringLiteral("lab"), 201, box, kCall}}));
    WallRig rig(waitingOn(10), std::move(list));
    rig.now = kCall + 11 * kMinute;
    rig.widget.minuteTick();
    QVERIFY(rig.widget.blinkShowing());

    // Inside the frame's band, where the box shows its own colour.
    const QRect r = rectOf(*rig.list[0]->CurrentCallList[0]);
    const QPoint band(r.left() + 2, r.center().y());
    QCOMPARE(rig.widget.boardImage().pixelColor(band), ToQColor(box));
    QCOMPARE(rig.widget.shownImage().pixelColor(band), frame);
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
