// The wall-screen board: the once-a-minute refresh of the waiting times (all
// 36 calls wait, and each shows a minute more at every refresh) and one
// blink frame of the escalated calls, at 1920x1080 and 3840x2160; and wire
// to pixels: from the moment a loopback server has written a CURRENTLIST's
// last byte to the moment the board's paint of it has finished, over 1,000
// lists of 12 resources x 3 callers, through the real connection, dispatcher
// and board widget. Prints min / median / p95 (and p99) in milliseconds.
//
//   bench_wall [--lists N]

#include "../../tests/connection/ConnectionRig.h"

#include "BenchFigures.h"
#include "BoardBenchNames.h"
#include "RecordingMessages.h"
#include "display/board/CallBoardWidget.h"
#include "display/board/WaitingTime.h"
#include "protocol/DateTimeValue.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>

#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

using namespace tesk;
using namespace tesk::bench;
using namespace tesk::test;

namespace {

constexpr double kMinute = 1.0 / 1440.0;
const TDateTime kStart = 45000.0 + 8 * 60 * kMinute; // 08:00


void print(const char* what, const std::vector<double>& ms)
{
    const bench::Figures f = bench::Summarise(ms);
    std::printf("%-44s %8.3f %8.3f %8.3f %8.3f\n", what, f.min, f.median, f.p95, f.p99);
}

// 12 resources x 3 callers, none confirmed, called a minute apart.
TCallList waitingList()
{
    TCallList list;
    for (int r = 0; r < 12; ++r) {
        auto call = std::make_unique<TCallObject>();
        call->CallName = QString::fromUtf8(kResourceNames[r]);
        call->CallLopnr = r + 1;
        call->CallColour = kResourceColours[r % 8];
        for (int c = 0; c < 3; ++c) {
            auto caller = std::make_unique<TCaller>();
            caller->CallerName = QString::fromUtf8(kCallerNames[(r * 3 + c) % 10]);
            caller->CallerLopnr = 100 * r + c;
            caller->CallerColour = kCallerColours[(r + c) % 6];
            caller->CallTimeStamp = kStart + (r * 3 + c) * kMinute / 3;
            call->CurrentCallList.push_back(std::move(caller));
        }
        list.push_back(std::move(call));
    }
    return list;
}

void minuteAndBlink(QSize size)
{
    TCallList list = waitingList();
    TDateTime now = kStart + 20 * kMinute;
    RecordingMessages messages;
    CallBoardWidget board(list, messages, [](const QString&) {}, [&] { return now; });
    WallSettings wall;
    wall.ShowWaitingTime = true;
    // The calls were made over 11 min 40 s from 08:00 and the minutes run
    // from 08:21 to 09:20: they pass the limit one by one from 08:31 and
    // all 36 are past it by 08:42, so every blink frame below has all 36.
    wall.EscalateAfterMinutes = 30;
    board.setWallSettings(wall);
    board.resize(size);
    board.show();
    // Painting starts once the window system shows the window.
    if (!QTest::qWaitForWindowExposed(&board))
        std::fprintf(stderr, "the board was not exposed; figures are empty\n");
    board.repaint();

    const int reps = 60;
    std::vector<double> minute;
    for (int i = 0; i < reps; ++i) {
        now += kMinute;
        QElapsedTimer t;
        t.start();
        const QRegion region = board.minuteTick();
        board.repaint(region);
        minute.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::vector<double> blink;
    for (int i = 0; i < 200; ++i) {
        QElapsedTimer t;
        t.start();
        const QRegion region = board.blinkTick();
        board.repaint(region);
        blink.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    int escalated = 0;
    for (const auto& call : list)
        for (const auto& caller : call->CurrentCallList)
            escalated += WaitedLongerThan(caller->CallTimeStamp, now, wall.EscalateAfterMinutes) ? 1 : 0;
    const QByteArray label = QByteArray::number(size.width()) + "x" + QByteArray::number(size.height());
    print(("minute refresh (36 waiting) " + label).constData(), minute);
    print(("blink frame (" + QByteArray::number(escalated) + " boxes) " + label).constData(), blink);
}

QString listFrame(int generation)
{
    const QString cur = QStringLiteral("\u00A4");
    QString text = cur + QStringLiteral("CURRENTLIST:");
    for (int r = 0; r < 12; ++r) {
        text += QString::fromUtf8(kResourceNames[r]) + QStringLiteral(":%1:%2:%3:").arg(r + 1).arg(kResourceColours[r % 8]).arg(12 - r);
        text += cur + QLatin1Char('%');
        for (int c = 0; c < 3; ++c) {
            if (c > 0)
                text += QLatin1Char('~');
            // A new list changes what a new call would: one caller and the
            // times move on.
            const int k = r * 3 + c + generation;
            const int minute = (generation + c) % 60;
            text += QStringLiteral("%1~%2~2024-03-05 14:%3:00~%4~0~~")
                        .arg(QString::fromUtf8(kCallerNames[k % 10]))
                        .arg(100 * r + c)
                        .arg(minute, 2, 10, QLatin1Char('0'))
                        .arg(kCallerColours[(r + c) % 6]);
        }
        text += QLatin1Char('%') + cur + QLatin1Char(':');
    }
    text += QStringLiteral("CURRENTLIST") + cur;
    return text;
}

int wireToPixels(QSize size, int lists)
{
    Rig rig;
    RecordingMessages messages;
    CallBoardWidget board(rig.model.CallList, messages, [](const QString&) {});
    BoardSettings s; // landscape, shaded boxes: a wall screen's look
    board.setBoardSettings(s);
    QObject::connect(rig.dispatcher.get(), &MessageDispatcher::boardRepaintRequested, &board,
                     &CallBoardWidget::callListReplaced);
    board.resize(size);
    board.show();
    if (!QTest::qWaitForWindowExposed(&board))
        std::fprintf(stderr, "the board was not exposed\n");
    rig.connection->Start();
    if (!rig.waitForStatus(QStringLiteral("Ansluten"))) {
        std::fprintf(stderr, "the loopback server was not reached\n");
        return 1;
    }
    std::vector<double> ms;
    ms.reserve(std::size_t(lists));
    for (int i = 0; i < lists + 20; ++i) {
        const QByteArray bytes = ToAnsi(listFrame(i));
        const quint64 before = board.listsPainted();
        QElapsedTimer t;
        rig.server.sendRaw(bytes); // written and flushed
        t.start();
        while (board.listsPainted() == before)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (i >= 20) // the first lists fill the caches
            ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    const QByteArray label = "wire to pixels, 12x3, " + QByteArray::number(size.width()) + "x"
        + QByteArray::number(size.height());
    print(label.constData(), ms);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // The connection reports every step; the figures are what matters here.
    QLoggingCategory::setFilterRules(QStringLiteral("tesk.*.info=false"));
    int lists = 1000;
    for (int i = 1; i + 1 < argc; ++i)
        if (QByteArray(argv[i]) == "--lists")
            lists = std::max(1, atoi(argv[i + 1]));
    std::printf("wall board, ms%37s %8s %8s %8s %8s\n", "", "min", "median", "p95", "p99");
    for (const QSize size : {QSize(1920, 1080), QSize(3840, 2160)})
        minuteAndBlink(size);
    return wireToPixels(QSize(1920, 1080), lists);
}
