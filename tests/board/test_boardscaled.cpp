// The board widget on a screen scaled to 200 % (run with QT_SCALE_FACTOR=2).

#include "BoardLists.h"
#include "RecordingMessages.h"

#include "display/board/CallBoard.h"
#include "display/board/CallBoardWidget.h"

#include <QImage>
#include <QMouseEvent>
#include <QtTest>

using namespace tesk;
using namespace tesk::test;

namespace {

const QSize kBoard(451, 301);

TCallList sampleList()
{
    TCallList list;
    list.push_back(MakeCall(QStringLiteral("doktor anna"), 11, 0x00C000,
                            {{QStringLiteral("rum ett"), 101, 0xFFFFFF, 45000.3},
                             {QStringLiteral("rum två"), 102, 0xC0C0C0, 45000.31, 4, QStringLiteral("karin"), 45000.32}}));
    list.push_back(MakeCall(QStringLiteral("olle"), 12, 0x0000C0));
    list.push_back(MakeCall(QStringLiteral("pia"), 13, 0xC00000, {{QStringLiteral("lab"), 301, 0x80FF80, 45000.4}}));
    return list;
}

BoardSettings settings()
{
    BoardSettings s;
    s.FPaintEffect = true;
    return s;
}

struct Fixture {
    TCallList list = sampleList();
    RecordingMessages messages;
    QStringList sent;
    CallBoardWidget widget{list, messages, [this](const QString& frame) { sent << frame; }};

    Fixture()
    {
        widget.setBoardSettings(settings());
        widget.setKliniknamn(QStringLiteral("Vårdcentralen"));
        widget.renderer().setLongTimeFormat(QStringLiteral("HH:mm:ss"));
        widget.resize(kBoard);
    }
};

} // namespace

class TestBoardScaled : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void shownAtDevicePixels();
    void doubleClickInBoardPixels_data();
    void doubleClickInBoardPixels();
};

void TestBoardScaled::initTestCase()
{
    Fixture f;
    if (f.widget.devicePixelRatioF() != 2.0)
        QFAIL("this suite runs with QT_SCALE_FACTOR=2");
}

void TestBoardScaled::shownAtDevicePixels()
{
    Fixture f;
    const QImage shown = f.widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage& board = f.widget.boardImage();
    QCOMPARE(board.devicePixelRatio(), 2.0);
    QCOMPARE(board.size(), kBoard * 2);
    QCOMPARE(shown.size(), kBoard * 2);
    QCOMPARE(shown, board); // shown one to one, not scaled again

    // The same board at 100 %: same layout, and the scaled one is not that
    // picture enlarged.
    TCallList plainList = sampleList();
    CallBoard plain;
    plain.setSettings(settings());
    plain.setKliniknamn(QStringLiteral("Vårdcentralen"));
    plain.setLongTimeFormat(QStringLiteral("HH:mm:ss"));
    plain.resize(kBoard);
    plain.PaintBox1Paint(plainList);
    for (std::size_t r = 0; r < f.list.size(); ++r) {
        QCOMPARE(f.list[r]->ViewRect, plainList[r]->ViewRect);
        for (std::size_t t = 0; t < f.list[r]->CurrentCallList.size(); ++t)
            QCOMPARE(f.list[r]->CurrentCallList[t]->ViewRect, plainList[r]->CurrentCallList[t]->ViewRect);
    }
    QImage blocky = plain.image().scaled(kBoard * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    QImage smooth = plain.image().scaled(kBoard * 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QImage bare = board;
    bare.setDevicePixelRatio(1.0);
    QVERIFY(bare != blocky);
    QVERIFY(bare != smooth);

    // Where the board has no picture, black stays black and every box
    // colour is a colour drawn, not a blend: count the colours of the
    // header box of "olle" (flat middle, ring colours, white outline, text).
    const TViewRect h = f.list[1]->ViewRect;
    QSet<QRgb> colours;
    for (int y = 2 * h.Top; y < 2 * h.Bottom; ++y)
        for (int x = 2 * h.Left; x < 2 * h.Right; ++x)
            colours.insert(board.pixel(x, y));
    QVERIFY2(colours.size() < 40, qPrintable(QString::number(colours.size())));
}

void TestBoardScaled::doubleClickInBoardPixels_data()
{
    QTest::addColumn<int>("resource");
    QTest::addColumn<int>("call");
    QTest::addColumn<QString>("frame");
    QTest::newRow("first call") << 0 << 0 << "¤COMING:11:101:COMING¤";
    QTest::newRow("second call") << 0 << 1 << "¤COMING:11:102:COMING¤";
    QTest::newRow("third resource") << 2 << 0 << "¤COMING:13:301:COMING¤";
    QTest::newRow("header") << 1 << -1 << "";
}

void TestBoardScaled::doubleClickInBoardPixels()
{
    QFETCH(int, resource);
    QFETCH(int, call);
    QFETCH(QString, frame);
    Fixture f;
    f.widget.grab(); // a paint: the rectangles are set
    const TViewRect r = call < 0 ? f.list[resource]->ViewRect : f.list[resource]->CurrentCallList[call]->ViewRect;
    // The last device pixel of the box, as a pointer position.
    const QPointF p(r.Right - 0.5, r.Bottom - 0.5);
    QMouseEvent e(QEvent::MouseButtonDblClick, p, f.widget.mapToGlobal(p), Qt::LeftButton, Qt::LeftButton,
                  Qt::NoModifier);
    QCoreApplication::sendEvent(&f.widget, &e);
    QCOMPARE(f.sent, frame.isEmpty() ? QStringList{} : QStringList{frame});
}

QTEST_MAIN(TestBoardScaled)
#include "test_boardscaled.moc"
