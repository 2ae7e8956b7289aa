// The README's picture of the wall screen: a board with waiting times on
// the unconfirmed calls and one call past the escalation limit, its frame
// showing. Drawn offscreen; the file name is the one argument.
//
//   QT_QPA_PLATFORM=offscreen wall_screenshot docs/wall-board.png

#include "BoardLists.h"
#include "RecordingMessages.h"

#include "display/board/CallBoardWidget.h"

#include <QApplication>
#include <QLinearGradient>
#include <QPainter>

#include <cstdio>

using namespace tesk;
using namespace tesk::test;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: wall_screenshot FILE.png\n");
        return 2;
    }
    constexpr double kMinute = 1.0 / 1440.0;
    const TDateTime now = 45000.0 + (13 * 60 + 28) * kMinute; // 13:28
    auto ago = [&](int minutes) { return now - minutes * kMinute - 10.0 / 86400.0; };

    TCallList list;
    list.push_back(MakeCall(QStringLiteral("Dr. Berg"), 1, 0x00A000,
                            {{QStringLiteral("Rum 3"), 11, 0xFFFFFF, ago(14)},
                             {QStringLiteral("Lab"), 12, 0xC0FFC0, ago(7)}}));
    list.push_back(MakeCall(QStringLiteral("Barnmorskan"), 2, 0xC06000,
                            {{QStringLiteral("Rum 12"), 21, 0x80C0FF, ago(5), 7, QStringLiteral("Karin"), ago(2)},
                             {QStringLiteral("Reception"), 22, 0xFFFFFF, ago(1)}}));
    list.push_back(MakeCall(QStringLiteral("Sköterska"), 3, 0x8000C0,
                            {{QStringLiteral("Akuten"), 31, 0x00C0FF, ago(3)}}));

    RecordingMessages messages;
    CallBoardWidget board(list, messages, [](const QString&) {}, [&] { return now; });
    board.renderer().setLongTimeFormat(QStringLiteral("HH:mm:ss"));
    QImage picture(1280, 720, QImage::Format_RGB32);
    {
        QPainter p(&picture);
        QLinearGradient g(0, 0, 0, 720);
        g.setColorAt(0, QColor(0x16, 0x32, 0x4f));
        g.setColorAt(1, QColor(0x2a, 0x6f, 0x97));
        p.fillRect(picture.rect(), g);
    }
    board.renderer().setBackgroundPicture(picture);
    board.setKliniknamn(QStringLiteral("Vårdcentralen Norr"));
    BoardSettings s;
    board.setBoardSettings(s);
    WallSettings wall;
    wall.ShowWaitingTime = true;
    wall.EscalateAfterMinutes = 10;
    board.setWallSettings(wall);
    board.resize(1280, 720);
    board.PaintBox1Paint();
    if (!board.blinkShowing()) {
        std::fprintf(stderr, "no escalated call on the board\n");
        return 1;
    }
    if (!board.shownImage().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
