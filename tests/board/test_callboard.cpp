#include "BoardLists.h"

#include "display/board/BoardBackground.h"
#include "display/board/BoardText.h"
#include "display/board/CallBoard.h"
#include "display/board/FontFitter.h"
#include "display/board/HlsColor.h"
#include "display/board/RoundBox.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <functional>

using namespace tesk;
using namespace tesk::test;

Q_DECLARE_METATYPE(tesk::TColor)

namespace {

const QString kFace = QStringLiteral("Tahoma");

QRgb qrgb(TColor c) { return ToQColor(c).rgb(); }

QImage solid(QSize size, QRgb colour)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(colour);
    return img;
}

// A picture with detail everywhere, so that any difference in scaling or
// blending shows.
QImage pattern(QSize size, int seed)
{
    QImage img(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            img.setPixel(x, y, qRgb((x * 3 + seed) & 0xFF, (y * 5 + seed * 7) & 0xFF, ((x ^ y) + seed * 13) & 0xFF));
    return img;
}

BoardSettings flat(int mode = 0)
{
    BoardSettings s;
    s.TESKShowMode = mode;
    s.FPaintEffect = false;
    return s;
}

struct Geometry {
    int U = 0;
    int V = 0;
};

// U and V as the header geometry defines them, from the names measured at 12.
Geometry expectedGeometry(const TCallList& list, int n, int W, int H, bool landscape)
{
    int nw = -1;
    int nh = 0;
    for (const auto& c : list) {
        const QSize e = TextExtent(BoardFont(kFace, 12), c->CallName);
        nw = std::max(nw, e.width());
        nh = std::max(nh, e.height());
    }
    Geometry g;
    if (landscape) {
        g.U = W / n;
        g.V = int(std::trunc(g.U / (double(nw) / nh)));
    } else {
        g.V = H / n;
        g.U = int(std::trunc(g.V / (double(nh) / nw)));
    }
    return g;
}

} // namespace

class TestCallBoard : public QObject {
    Q_OBJECT
private slots:
    void geometry_data();
    void geometry();
    void backgroundOnly_data();
    void backgroundOnly();
    void boxColours_data();
    void boxColours();
    void separatorInverts_data();
    void separatorInverts();
    void watermarkBlendsAt30Percent_data();
    void watermarkBlendsAt30Percent();
    void shadedDiffersFromFlat();
    void backgroundSequence_data();
    void backgroundSequence();
    void backgroundFileKinds();
    void unreadablePictureThrows();
    void boardShowsPictureOrBlack();
    void zeroWidthNamesFail();
    void manyCallersStayBounded();
    void extremeNamesStayBounded_data();
    void extremeNamesStayBounded();
    void textBeyondTheLastSlotIsDrawn_data();
    void textBeyondTheLastSlotIsDrawn();
    void textSpillingFromOffTheBoard_data();
    void textSpillingFromOffTheBoard();
    void textCellTopLeft_data();
    void textCellTopLeft();
    void cachedEqualsReference();
    void scaledBoardAtDevicePixels_data();
    void scaledBoardAtDevicePixels();
    void scaledCachedEqualsReference_data();
    void scaledCachedEqualsReference();
};

// The two layouts, for tests that check both alike.
static void AddLayoutRows()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("landscape") << 0;
    QTest::newRow("portrait") << 1;
}

void TestCallBoard::geometry_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QSize>("board");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<int>>("callers");
    QTest::addColumn<bool>("showAll");
    QTest::addColumn<int>("slotCount");

    const QStringList three{"anna", "dr berg", "lindqvist"};
    QTest::newRow("landscape 1080p") << 0 << QSize(1920, 1080) << three << QList<int>{2, 0, 1} << true << 3;
    QTest::newRow("portrait 1080p") << 1 << QSize(1080, 1920) << three << QList<int>{2, 0, 1} << true << 3;
    QTest::newRow("landscape odd size") << 0 << QSize(1001, 503) << three << QList<int>{1, 1, 1} << true << 3;
    QTest::newRow("portrait odd size") << 1 << QSize(777, 601) << three << QList<int>{3, 0, 2} << true << 3;
    QTest::newRow("only resources with calls counted")
        << 0 << QSize(800, 600) << QStringList{"a", "bb", "ccc", "dddd"} << QList<int>{1, 0, 2, 0} << false << 2;
    QTest::newRow("portrait only with calls counted")
        << 1 << QSize(800, 600) << QStringList{"a", "bb", "ccc", "dddd"} << QList<int>{0, 0, 2, 1} << false << 2;
    QTest::newRow("landscape calls past the bottom") << 0 << QSize(640, 480) << QStringList{"rum", "lab"}
                                                     << QList<int>{12, 0} << true << 2;
    QTest::newRow("portrait calls past the right") << 1 << QSize(640, 480) << QStringList{"rum", "lab"}
                                                   << QList<int>{0, 10} << true << 2;
}

void TestCallBoard::geometry()
{
    QFETCH(int, mode);
    QFETCH(QSize, board);
    QFETCH(QStringList, names);
    QFETCH(QList<int>, callers);
    QFETCH(bool, showAll);
    QFETCH(int, slotCount);

    TCallList list;
    for (int i = 0; i < names.size(); ++i)
        list.push_back(MakeCallWith(names[i], i + 1, 0xC0C0C0, callers[i], i));
    BoardSettings s = flat(mode);
    s.ShowingAlwaysShowAll = showAll;
    CallBoard cb;
    cb.setSettings(s);
    cb.resize(board);
    cb.PaintBox1Paint(list);

    const bool landscape = mode == 0;
    const Geometry g = expectedGeometry(list, slotCount, board.width(), board.height(), landscape);
    const int U = g.U;
    const int V = g.V;
    for (int r = 0; r < int(list.size()); ++r) {
        const TCallObject& c = *list[r];
        const TViewRect header = landscape ? TViewRect{U * r + 1, 0, U * (r + 1), V}
                                           : TViewRect{0, V * r + 1, U, V * (r + 1)};
        QCOMPARE(c.ViewRect, header);
        for (int t = 0; t < int(c.CurrentCallList.size()); ++t) {
            const TViewRect box = landscape
                ? TViewRect{U * r + 1, (V + 1) * (t + 1) - 1, U * (r + 1), (V + 1) * (t + 2)}
                : TViewRect{(U + 1) * (t + 1), V * r + 1, (U + 1) * (t + 2), V * (r + 1)};
            QCOMPARE(c.CurrentCallList[t]->ViewRect, box);
        }
        if (landscape && !c.CurrentCallList.empty()) {
            // The first call starts right under the header; neighbours share a row.
            QCOMPARE(c.CurrentCallList[0]->ViewRect.Top, header.Bottom);
            if (c.CurrentCallList.size() > 1)
                QCOMPARE(c.CurrentCallList[1]->ViewRect.Top, c.CurrentCallList[0]->ViewRect.Bottom - 1);
        }
        if (!landscape && !c.CurrentCallList.empty())
            QCOMPARE(c.CurrentCallList[0]->ViewRect.Left, header.Right + 1);
    }
}

void TestCallBoard::backgroundOnly_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("showAll");
    QTest::addColumn<bool>("withCalls");
    QTest::addColumn<bool>("empty");
    QTest::newRow("empty list") << 0 << true << false << true;
    QTest::newRow("no calls, not all shown") << 0 << false << false << false;
    QTest::newRow("show mode 2") << 2 << true << true << false;
    QTest::newRow("show mode -1") << -1 << true << true << false;
}

void TestCallBoard::backgroundOnly()
{
    QFETCH(int, mode);
    QFETCH(bool, showAll);
    QFETCH(bool, withCalls);
    QFETCH(bool, empty);
    TCallList list;
    if (!empty) {
        list.push_back(MakeCallWith(QStringLiteral("anna"), 1, 0x00FF00, withCalls ? 2 : 0, 0));
        list.push_back(MakeCallWith(QStringLiteral("bo"), 2, 0x0000FF, withCalls ? 1 : 0, 3));
    }
    const TViewRect marker{7, 7, 9, 9};
    for (auto& c : list) {
        c->ViewRect = marker;
        for (auto& caller : c->CurrentCallList)
            caller->ViewRect = marker;
    }
    const QImage picture = pattern(QSize(120, 90), 3);
    for (CallBoard::Path path : {CallBoard::Path::Reference, CallBoard::Path::Cached}) {
        BoardSettings s = flat(mode);
        s.ShowingAlwaysShowAll = showAll;
        CallBoard cb;
        cb.setSettings(s);
        cb.setKliniknamn(QStringLiteral("Vårdcentralen"));
        cb.setBackgroundPicture(picture);
        cb.resize(QSize(300, 200));
        cb.PaintBox1Paint(list, path);
        // Only the scaled picture: no watermark, no boxes, no rectangle touched.
        const QImage expected =
            picture.scaled(QSize(300, 200), Qt::IgnoreAspectRatio, Qt::SmoothTransformation).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(cb.image(), expected);
        for (auto& c : list) {
            QCOMPARE(c->ViewRect, marker);
            for (auto& caller : c->CurrentCallList)
                QCOMPARE(caller->ViewRect, marker);
        }
    }
}

void TestCallBoard::boxColours_data()
{
    QTest::addColumn<TColor>("headerColour");
    QTest::addColumn<TColor>("callerColour");
    QTest::addColumn<int>("mode");
    QTest::newRow("white header, black caller") << TColor(0xFFFFFF) << TColor(0x000000) << 0;
    QTest::newRow("grey header, red caller") << TColor(0x808080) << TColor(0x0000FF) << 0;
    QTest::newRow("portrait black header, white caller") << TColor(0x000000) << TColor(0xFFFFFF) << 1;
}

void TestCallBoard::boxColours()
{
    QFETCH(TColor, headerColour);
    QFETCH(TColor, callerColour);
    QFETCH(int, mode);
    TCallList list;
    list.push_back(MakeCall(QStringLiteral("mona"), 1, headerColour,
                            {{QStringLiteral("rum sex"), 5, callerColour, 45000.3}}));
    list.push_back(MakeCall(QStringLiteral("nora"), 2, 0x00FFFF));
    CallBoard cb;
    cb.setSettings(flat(mode));
    cb.resize(mode == 0 ? QSize(640, 480) : QSize(1600, 400));
    cb.PaintBox1Paint(list);
    const QImage& img = cb.image();

    auto checkBox = [&](const TViewRect& r, TColor fill, TColor outline) {
        const QRgb fillRgb = qrgb(fill);
        const QRgb textRgb = qrgb(ContrastColor(fill));
        QCOMPARE(img.pixel(r.Left + 6, r.Top), qrgb(outline));
        QCOMPARE(img.pixel(r.Left + 6, r.Top + 1), fillRgb);
        int text = 0;
        for (int y = r.Top + 1; y < r.Bottom - 1; ++y)
            for (int x = r.Left + 6; x < std::min(r.Right - 6, img.width()); ++x) {
                const QRgb px = img.pixel(x, y);
                QVERIFY2(px == fillRgb || px == textRgb, qPrintable(QString::number(px, 16)));
                text += px == textRgb && textRgb != fillRgb;
            }
        QVERIFY(text > 0);
    };
    checkBox(list[0]->ViewRect, headerColour, 0xFFFFFF);
    checkBox(list[0]->CurrentCallList[0]->ViewRect, callerColour, 0x000000);
}

void TestCallBoard::separatorInverts_data()
{
    AddLayoutRows();
}

void TestCallBoard::separatorInverts()
{
    QFETCH(int, mode);
    TCallList list;
    list.push_back(MakeCall(QStringLiteral("mona"), 1, 0x00FF00, {{QStringLiteral("rum"), 5, 0xFFFF00, 45000.3}}));
    list.push_back(MakeCall(QStringLiteral("nora"), 2, 0x00FFFF));
    list.push_back(MakeCall(QStringLiteral("olle"), 3, 0xFF00FF));
    const QRgb bg = qRgb(10, 20, 30);
    const QRgb inverted = qRgb(245, 235, 225);
    for (CallBoard::Path path : {CallBoard::Path::Reference, CallBoard::Path::Cached}) {
        CallBoard cb;
        cb.setSettings(flat(mode));
        cb.setBackgroundPicture(solid(QSize(50, 40), bg));
        cb.resize(QSize(600, 400));
        cb.PaintBox1Paint(list, path);
        const QImage& img = cb.image();
        for (int r = 0; r < 3; ++r) {
            const TViewRect h = list[r]->ViewRect;
            if (mode == 0) {
                const int x = h.Right;
                if (x >= 600)
                    continue;
                QCOMPARE(img.pixel(x, h.Bottom - 1), bg); // beside the header: untouched
                for (int y = h.Bottom; y < 400; ++y)
                    QCOMPARE(img.pixel(x, y), inverted);
            } else {
                const int y = h.Bottom;
                if (y >= 400)
                    continue;
                QCOMPARE(img.pixel(h.Right - 1, y), bg);
                for (int x = h.Right; x < 600; ++x)
                    QCOMPARE(img.pixel(x, y), inverted);
            }
        }
    }
}

void TestCallBoard::watermarkBlendsAt30Percent_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("landscape along the bottom") << 0;
    QTest::newRow("portrait along the right edge") << 1;
}

void TestCallBoard::watermarkBlendsAt30Percent()
{
    QFETCH(int, mode);
    // A header far from the name: wide and low in landscape, narrow in portrait.
    TCallList list;
    list.push_back(MakeCall(mode == 0 ? QStringLiteral("abcdefghijklmnopqrstuvwxyz abcdefghijklmnopqrstuvwxyz")
                                      : QStringLiteral("ab"),
                            1, 0x00FF00));
    const QRgb bg = qRgb(100, 150, 200);
    const QRgb mark = qRgb(70, 105, 216); // (blue * 30 + bg * 70) div 100
    const QSize size(800, 600);
    for (CallBoard::Path path : {CallBoard::Path::Reference, CallBoard::Path::Cached}) {
        CallBoard cb;
        BoardSettings s = flat(mode);
        cb.setSettings(s);
        cb.setKliniknamn(QStringLiteral("Vårdcentralen Norrviken"));
        cb.setBackgroundPicture(solid(QSize(64, 48), bg));
        cb.resize(size);
        cb.PaintBox1Paint(list, path);
        const QImage& img = cb.image();
        // The name's band: the bottom fifth, or the right fifth.
        const QRect band = mode == 0 ? QRect(0, size.height() * 4 / 5, size.width(), size.height() / 5)
                                     : QRect(size.width() * 4 / 5, 0, size.width() / 5, size.height());
        int marked = 0;
        QRect ink;
        for (int y = band.top(); y <= band.bottom(); ++y)
            for (int x = band.left(); x <= band.right(); ++x) {
                const QRgb px = img.pixel(x, y);
                if (list[0]->ViewRect.contains(x, y))
                    continue;
                QVERIFY2(px == bg || px == mark || (mode == 0 && x == list[0]->ViewRect.Right),
                         qPrintable(QString::number(px, 16)));
                if (px == mark) {
                    ++marked;
                    ink |= QRect(x, y, 1, 1);
                }
            }
        QVERIFY(marked > 100);
        if (mode == 0) {
            QVERIFY(ink.left() >= 20);
            QVERIFY(ink.width() > size.width() / 2); // fitted to (W - 40) x (H div 5)
        } else {
            QVERIFY(ink.height() > size.height() / 2);
            QVERIFY(std::abs((ink.top() + ink.bottom()) / 2 - size.height() / 2) < 20); // centred
        }
    }
}

void TestCallBoard::shadedDiffersFromFlat()
{
    const TColor pink = FromRgb(255, 128, 128);
    auto paint = [&](bool shaded) {
        TCallList list;
        list.push_back(MakeCall(QStringLiteral("mona"), 1, pink));
        CallBoard cb;
        BoardSettings s = flat(0);
        s.FPaintEffect = shaded;
        cb.setSettings(s);
        cb.resize(QSize(400, 300));
        cb.PaintBox1Paint(list);
        return std::make_pair(cb.image(), list[0]->ViewRect);
    };
    const auto [flatImg, r] = paint(false);
    const auto [shadedImg, r2] = paint(true);
    QCOMPARE(r, r2);
    QCOMPARE(flatImg.pixel(r.Left + 20, r.Top + 1), qrgb(pink));
    const std::vector<ShadedRing> rings = ShadedRings(r, pink);
    QVERIFY(rings.size() > 5);
    // Ring k lies k + 1 pixels inside the outline: darker toward the middle.
    QCOMPARE(shadedImg.pixel(r.Left + 20, r.Top + 1), qrgb(rings[0].colour));
    QCOMPARE(shadedImg.pixel(r.Left + 20, r.Top + 4), qrgb(rings[3].colour));
    QVERIFY(RGBtoHLS(rings[3].colour).L < RGBtoHLS(pink).L);
    QCOMPARE(shadedImg.pixel(r.Left + 20, r.Top), qRgb(255, 255, 255)); // outline in the header's white pen
}

void TestCallBoard::backgroundSequence_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QList<int>>("numbers"); // CurrBackGround after the load and each tick
    QTest::addColumn<QList<QRgb>>("colours");
    const QRgb red = qRgb(255, 0, 0), green = qRgb(0, 255, 0), blue = qRgb(0, 0, 255);
    QTest::newRow("0 and 1 alternate") << QStringList{"TESK_VistorBackground_0.bmp", "TESK_VistorBackground_1.bmp"}
                                       << QList<int>{0, 1, 0, 1, 0} << QList<QRgb>{red, green, red, green, red};
    QTest::newRow("unnumbered while the number grows") << QStringList{"TESK_VistorBackground.bmp"}
                                                       << QList<int>{0, 1, 2, 3} << QList<QRgb>{red, red, red, red};
    QTest::newRow("numbered wins over unnumbered")
        << QStringList{"TESK_VistorBackground_0.bmp", "TESK_VistorBackground_1.bmp", "TESK_VistorBackground.bmp"}
        << QList<int>{0, 1, 0} << QList<QRgb>{red, green, red};
    QTest::newRow("three pictures") << QStringList{"TESK_VistorBackground_0.bmp", "TESK_VistorBackground_1.bmp",
                                                   "TESK_VistorBackground_2.png"}
                                    << QList<int>{0, 1, 2, 0} << QList<QRgb>{red, green, blue, red};
}

void TestCallBoard::backgroundSequence()
{
    QFETCH(QStringList, files);
    QFETCH(QList<int>, numbers);
    QFETCH(QList<QRgb>, colours);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QList<QRgb> palette{qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)};
    for (int i = 0; i < files.size(); ++i)
        QVERIFY(solid(QSize(8, 6), palette[i % 3]).save(dir.filePath(files[i])));
    BoardBackground bg;
    bg.setCurrentPath(dir.path() + QLatin1Char('/'));
    QVERIFY(bg.LoadBackground());
    for (int i = 0; i < numbers.size(); ++i) {
        if (i > 0)
            QVERIFY(bg.BackGroundTimerTimer());
        QCOMPARE(bg.CurrBackGround(), numbers[i]);
        QCOMPARE(bg.picture().pixel(3, 3), colours[i]);
        QCOMPARE(bg.picture().format(), QImage::Format_RGB32);
    }
}

void TestCallBoard::backgroundFileKinds()
{
    QTemporaryDir dir;
    const QString path = dir.path() + QLatin1Char('/');
    BoardBackground bg;
    bg.setCurrentPath(path);
    // No files: nothing loaded, nothing to repaint, the picture stays empty.
    QVERIFY(!bg.LoadBackground());
    QVERIFY(bg.picture().isNull());

    // A PNG or JPEG of a name stands in for its bitmap; the bitmap wins.
    QVERIFY(solid(QSize(8, 6), qRgb(0, 0, 255)).save(path + "TESK_VistorBackground_0.png"));
    QVERIFY(bg.LoadBackground());
    QCOMPARE(bg.picture().pixel(1, 1), qRgb(0, 0, 255));
    QVERIFY(solid(QSize(8, 6), qRgb(0, 255, 0)).save(path + "TESK_VistorBackground_0.jpg"));
    QVERIFY(solid(QSize(8, 6), qRgb(255, 0, 0)).save(path + "TESK_VistorBackground_0.bmp"));
    QVERIFY(bg.LoadBackground());
    QCOMPARE(bg.picture().pixel(1, 1), qRgb(255, 0, 0));

    // All gone: the picture is cleared to black, its size kept, no repaint.
    for (const char* f : {"TESK_VistorBackground_0.png", "TESK_VistorBackground_0.jpg", "TESK_VistorBackground_0.bmp"})
        QVERIFY(QFile::remove(path + f));
    QVERIFY(!bg.LoadBackground());
    QCOMPARE(bg.picture().size(), QSize(8, 6));
    QCOMPARE(bg.picture().pixel(1, 1), qRgb(0, 0, 0));
}

void TestCallBoard::unreadablePictureThrows()
{
    QTemporaryDir dir;
    const QString path = dir.path() + QLatin1Char('/');
    QFile f(path + "TESK_VistorBackground_0.bmp");
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("BM this is not a bitmap");
    f.close();
    BoardBackground bg;
    bg.setCurrentPath(path);
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, bg.LoadBackground());
    QVERIFY(bg.picture().isNull()); // nothing was shown before

    // Picture 1 is fine; the broken 0 that the sequence wraps to keeps it.
    QImage blue(8, 8, QImage::Format_RGB32);
    blue.fill(qRgb(0, 0, 255));
    QVERIFY(blue.save(path + "TESK_VistorBackground_1.bmp"));
    bg.setCurrBackGround(1);
    QVERIFY(bg.LoadBackground());
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, bg.BackGroundTimerTimer());
    QCOMPARE(bg.picture().pixel(4, 4), qRgb(0, 0, 255));
}

void TestCallBoard::boardShowsPictureOrBlack()
{
    TCallList list;
    list.push_back(MakeCallWith(QStringLiteral("a long name for a low header box"), 1, 0x00FF00, 1, 0));
    for (CallBoard::Path path : {CallBoard::Path::Reference, CallBoard::Path::Cached}) {
        CallBoard cb;
        cb.setSettings(flat(0));
        cb.resize(QSize(320, 240));
        cb.PaintBox1Paint(list, path);
        QCOMPARE(cb.image().pixel(319, 239), qRgb(0, 0, 0)); // no picture: the panel's black
        cb.setBackgroundPicture(solid(QSize(10, 10), qRgb(1, 2, 3)));
        cb.PaintBox1Paint(list, path);
        QCOMPARE(cb.image().pixel(319, 239), qRgb(1, 2, 3));
    }
}

void TestCallBoard::zeroWidthNamesFail()
{
    TCallList list;
    list.push_back(MakeCallWith(QString(), 1, 0x00FF00, 1, 0));
    list.push_back(MakeCallWith(QString(), 2, 0x00FF00, 0, 0));
    for (int mode : {0, 1})
        for (CallBoard::Path path : {CallBoard::Path::Reference, CallBoard::Path::Cached}) {
            CallBoard cb;
            cb.setSettings(flat(mode));
            cb.setBackgroundPicture(solid(QSize(10, 10), qRgb(1, 2, 3)));
            cb.resize(QSize(320, 240));
            QVERIFY_THROWS_EXCEPTION(std::runtime_error, cb.PaintBox1Paint(list, path));
            QCOMPARE(cb.image().pixel(5, 5), qRgb(1, 2, 3)); // what was drawn before stays
        }
}

void TestCallBoard::manyCallersStayBounded()
{
    TCallList list;
    list.push_back(MakeCallWith(QStringLiteral("anna"), 1, 0x00FF00, 5000, 0));
    list.push_back(MakeCallWith(QStringLiteral("i"), 2, 0x00FF00, 3, 0));
    CallBoard cb;
    cb.setSettings(BoardSettings{});
    cb.resize(QSize(640, 480));
    cb.PaintBox1Paint(list);
    const TViewRect last = list[0]->CurrentCallList.back()->ViewRect;
    QVERIFY(last.Top > 480);
    QCOMPARE(last.Bottom - last.Top, list[0]->ViewRect.Bottom + 2);
}

void TestCallBoard::extremeNamesStayBounded_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("name");
    QTest::addColumn<qreal>("ratio");
    for (qreal ratio : {qreal(1), qreal(2)}) {
        const QByteArray at = ratio == 1 ? QByteArray() : QByteArray(", at 200 %");
        QTest::addRow("portrait, very long name: header far wider than the board%s", at.constData())
            << 1 << QString(6000, QLatin1Char('W')) << ratio;
        QTest::addRow("landscape, one narrow character: header far taller than the board%s", at.constData())
            << 0 << QStringLiteral(".") << ratio;
        QTest::addRow("landscape, very long name%s", at.constData()) << 0 << QString(6000, QLatin1Char('W')) << ratio;
    }
}

void TestCallBoard::extremeNamesStayBounded()
{
    QFETCH(int, mode);
    QFETCH(QString, name);
    QFETCH(qreal, ratio);
    auto paint = [&](CallBoard::Path path) {
        TCallList list;
        list.push_back(MakeCallWith(name, 1, 0x00FF00, 2, 0));
        CallBoard cb;
        BoardSettings s;
        s.TESKShowMode = mode;
        cb.setSettings(s);
        cb.resize(QSize(400, 300));
        cb.setDevicePixelRatio(ratio);
        cb.PaintBox1Paint(list, path);
        return std::make_pair(cb.image(), list[0]->ViewRect);
    };
    const auto [fast, rect] = paint(CallBoard::Path::Cached);
    const auto [literal, rect2] = paint(CallBoard::Path::Reference);
    QCOMPARE(rect, rect2);
    QCOMPARE(fast, literal);
}

void TestCallBoard::textBeyondTheLastSlotIsDrawn_data()
{
    // Only the resources with calls count as slots, so a resource without
    // calls can lie past the last slot. Where its column (row) begins on the
    // board's last pixel, its header box is wholly off the board, but its
    // name's cell begins one pixel before the box and is drawn there; a name
    // that fits at no size spills far beyond its box.
    QTest::addColumn<int>("mode");
    QTest::addColumn<QSize>("board");
    QTest::newRow("landscape: column at the last pixel") << 0 << QSize(41, 100);
    QTest::newRow("portrait: row at the last pixel") << 1 << QSize(100, 5);
}

void TestCallBoard::textBeyondTheLastSlotIsDrawn()
{
    QFETCH(int, mode);
    QFETCH(QSize, board);
    // The name's colour follows the resource's colour and nothing else does.
    auto paint = [&](TColor lastColour, CallBoard::Path path) {
        TCallList list;
        list.push_back(MakeCall(QStringLiteral("a"), 1, 0x808080, {{QStringLiteral("x"), 1, 0x808080}}));
        list.push_back(MakeCall(QStringLiteral("b"), 2, 0x808080, {{QStringLiteral("y"), 2, 0x808080}}));
        list.push_back(MakeCall(QString(16, QLatin1Char('W')), 3, lastColour));
        BoardSettings s = flat(mode);
        s.ShowingAlwaysShowAll = false;
        CallBoard cb;
        cb.setSettings(s);
        cb.setBackgroundPicture(solid(QSize(8, 8), qRgb(40, 90, 140)));
        cb.resize(board);
        cb.PaintBox1Paint(list, path);
        return std::make_pair(cb.image(), list[2]->ViewRect);
    };
    for (CallBoard::Path path : {CallBoard::Path::Reference, CallBoard::Path::Cached}) {
        const auto [blackText, last] = paint(0xFFFFFF, path);
        const auto [whiteText, last2] = paint(0x000000, path);
        // The third resource begins on the board's last pixel column (row).
        QCOMPARE(mode == 0 ? last.Left - 1 : last.Top - 1, mode == 0 ? board.width() - 1 : board.height() - 1);
        QCOMPARE(last, last2);
        QVERIFY(blackText != whiteText);
    }
}

void TestCallBoard::textSpillingFromOffTheBoard_data()
{
    // A name that fits at no size keeps the size the fitting started from and
    // spills out of its box. When that box lies wholly past the board's
    // edge, the name still reaches onto the board and is drawn there.
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("lastResource"); // the spilling name is a resource's (else a caller's)
    QTest::newRow("landscape: call below the bottom") << 0 << false;
    QTest::newRow("portrait: call right of the edge") << 1 << false;
    QTest::newRow("landscape: column right of the edge") << 0 << true;
    QTest::newRow("portrait: row below the bottom") << 1 << true;
}

void TestCallBoard::textSpillingFromOffTheBoard()
{
    QFETCH(int, mode);
    QFETCH(bool, lastResource);
    const bool landscape = mode == 0;
    const QString huge(2000, QLatin1Char('W'));
    auto makeList = [&](TColor spillColour) {
        TCallList list;
        if (lastResource) {
            // Two slots; the third resource (no calls) lies past the board.
            list.push_back(MakeCall(QStringLiteral("a"), 1, 0x808080, {{QStringLiteral("x"), 1, 0x808080}}));
            list.push_back(MakeCall(QStringLiteral("b"), 2, 0x808080, {{QStringLiteral("y"), 2, 0x808080}}));
            list.push_back(MakeCall(huge, 3, spillColour));
        } else {
            // Two calls whose names fit nowhere: both keep the header's size.
            list.push_back(MakeCall(QStringLiteral("ab"), 1, 0x808080,
                                    {{huge, 1, 0x808080}, {huge, 2, spillColour}}));
        }
        return list;
    };
    QSize board;
    if (lastResource) {
        board = landscape ? QSize(40, 100) : QSize(100, 2);
    } else {
        // The second call's box begins exactly at the board's far edge.
        TCallList probe = makeList(0);
        const Geometry g = expectedGeometry(probe, 1, 400, 400, landscape);
        board = landscape ? QSize(400, 2 * g.V + 1) : QSize(2 * g.U + 2, 400);
    }
    auto paint = [&](TColor spillColour, CallBoard::Path path) {
        TCallList list = makeList(spillColour);
        BoardSettings s = flat(mode);
        s.ShowingAlwaysShowAll = false;
        CallBoard cb;
        cb.setSettings(s);
        cb.setBackgroundPicture(solid(QSize(8, 8), qRgb(40, 90, 140)));
        cb.resize(board);
        cb.PaintBox1Paint(list, path);
        const TViewRect r = lastResource ? list[2]->ViewRect : list[0]->CurrentCallList[1]->ViewRect;
        return std::make_pair(cb.image(), r);
    };
    for (CallBoard::Path path : {CallBoard::Path::Reference, CallBoard::Path::Cached}) {
        const auto [blackText, r] = paint(0xFFFFFF, path);
        const auto [whiteText, r2] = paint(0x000000, path);
        QCOMPARE(r, r2);
        QVERIFY(landscape ? r.Top >= board.height() || r.Left >= board.width()
                          : r.Left >= board.width() || r.Top >= board.height()); // the box is off the board
        QVERIFY(blackText != whiteText);
    }
}

void TestCallBoard::textCellTopLeft_data()
{
    AddLayoutRows();
}

void TestCallBoard::textCellTopLeft()
{
    // The name is placed by the top-left corner of its cell: its ink lies
    // inside the cell, and a name without descenders sits on the baseline,
    // the cell's top plus the font's ascent.
    QFETCH(int, mode);
    const QString name = QStringLiteral("HEH");
    TCallList list;
    list.push_back(MakeCall(name, 1, 0xFFFFFF)); // white box, black text
    CallBoard cb;
    BoardSettings s = flat(mode);
    cb.setSettings(s);
    cb.setBackgroundPicture(solid(QSize(8, 8), qRgb(40, 90, 140)));
    const QSize board(400, 300);
    cb.resize(board);
    cb.PaintBox1Paint(list);
    const Geometry g = expectedGeometry(list, 1, board.width(), board.height(), mode == 0);
    const int hs = FitFontSize(kFace, 12, QSize(g.U, g.V), name);
    const QFont font = BoardFont(kFace, hs);
    const QSize e = TextExtent(font, name);
    const int ascent = QFontMetrics(font, BoardMeasureDevice()).ascent();
    const int x0 = g.U / 2 - e.width() / 2;
    const int y0 = g.V / 2 - e.height() / 2;
    QRect ink;
    const QImage& img = cb.image();
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) == qRgb(0, 0, 0))
                ink |= QRect(x, y, 1, 1);
    QVERIFY(!ink.isEmpty());
    QVERIFY2(ink.left() >= x0 && ink.right() < x0 + e.width(), qPrintable(QStringLiteral("%1..%2 in %3+%4")
                                                                              .arg(ink.left()).arg(ink.right())
                                                                              .arg(x0).arg(e.width())));
    QVERIFY(ink.top() >= y0 && ink.bottom() < y0 + e.height());
    QCOMPARE(ink.bottom(), y0 + ascent - 1); // the capitals end on the baseline
    QVERIFY(ink.height() > e.height() / 2);
}

void TestCallBoard::cachedEqualsReference()
{
    struct Step {
        QSize size;
        int mode;
        bool shaded;
        int resources;
        int callers;
        int seed;
        int picture; // -1 none
        QString name;
        QString callPrefix;
    };
    const QList<Step> steps{
        {{640, 360}, 0, true, 4, 3, 0, 0, "Vårdcentralen Norrviken", ""},
        {{640, 360}, 0, true, 4, 3, 0, 0, "Vårdcentralen Norrviken", ""}, // warm: same list
        {{640, 360}, 0, true, 5, 2, 9, 0, "Vårdcentralen Norrviken", ""}, // new list, new names
        {{1000, 700}, 0, true, 12, 3, 4, 0, "Vårdcentralen Norrviken", "Från "},
        {{1000, 700}, 0, false, 12, 3, 4, 1, "Vårdcentralen Norrviken", ""}, // new picture, flat
        {{333, 251}, 1, true, 3, 8, 2, 1, "Tandvården", ""},                // portrait, cut off
        {{333, 251}, 1, false, 24, 0, 5, -1, "Tandvården", ""},
        {{900, 500}, 1, true, 6, 2, 7, 2, "", ""},
        {{900, 500}, 2, true, 6, 2, 7, 2, "Ögonkliniken", ""},
        {{900, 500}, 0, true, 24, 8, 1, 2, "Ögonkliniken", ""},
        {{1920, 1080}, 0, true, 2, 8, 3, 1, "Vårdcentralen Norrviken", ""}, // large glyphs
        {{640, 360}, 0, true, 1, 2, 6, 0, "Vårdcentralen", ""},               // one short name: tall boxes
        {{360, 640}, 1, true, 1, 2, 6, 0, "Vårdcentralen", ""},
        {{1920, 1080}, 1, true, 3, 2, 3, 1, "Vårdcentralen Norrviken", ""},
        {{640, 360}, 0, true, 4, 3, 0, 0, "Vårdcentralen Norrviken", ""}, // back to the first
        // The same picture under another watermark, under none, then under
        // the first again.
        {{640, 360}, 0, true, 4, 3, 0, 0, "Tandvården", ""},
        {{640, 360}, 0, true, 0, 0, 0, 0, "Tandvården", ""},
        {{640, 360}, 0, true, 4, 3, 0, 0, "Vårdcentralen Norrviken", ""},
        {{640, 360}, 2, true, 4, 3, 0, 0, "Vårdcentralen Norrviken", ""},
        // Black under the watermark, then without it.
        {{640, 360}, 0, true, 4, 3, 0, -1, "Vårdcentralen Norrviken", ""},
        {{640, 360}, 2, true, 4, 3, 0, -1, "Vårdcentralen Norrviken", ""},
        {{640, 360}, 0, true, 4, 3, 0, -1, "Tandvården", ""},
    };
    const QList<QImage> pictures{pattern(QSize(160, 120), 1), pattern(QSize(1024, 768), 2), pattern(QSize(90, 300), 3)};
    const QStringList resourceNames{"Anna", "Dr. Berg", "Lindqvist", "Karin", "Barnmorskan", "Olle", "Pia", "Rut",
                                    "Sven", "Tove", "Ulla", "Vera"};

    CallBoard cached;
    for (const Step& st : steps) {
        auto makeList = [&] {
            TCallList list;
            for (int r = 0; r < st.resources; ++r)
                list.push_back(MakeCallWith(resourceNames[(r + st.seed) % resourceNames.size()] + QString::number(st.seed), r + 1,
                                            TColor(0x3070B0u * TColor(r + st.seed + 1)) & 0xFFFFFFu,
                                            (r % 3 == 2) ? 0 : st.callers, st.seed + r));
            return list;
        };
        TCallList a = makeList();
        TCallList b = makeList();
        BoardSettings s;
        s.TESKShowMode = st.mode;
        s.FPaintEffect = st.shaded;
        s.FCallPrefix = st.callPrefix;
        s.FConfirmPrefix = QStringLiteral("Kommer: ");
        CallBoard reference;
        for (CallBoard* cb : {&cached, &reference}) {
            cb->setSettings(s);
            cb->setKliniknamn(st.name);
            cb->setBackgroundPicture(st.picture < 0 ? QImage() : pictures[st.picture]);
            cb->resize(st.size);
            cb->setLongTimeFormat(QStringLiteral("HH:mm:ss"));
        }
        cached.PaintBox1Paint(a, CallBoard::Path::Cached);
        reference.PaintBox1Paint(b, CallBoard::Path::Reference);
        QCOMPARE(cached.image(), reference.image());
        for (std::size_t r = 0; r < a.size(); ++r) {
            QCOMPARE(a[r]->ViewRect, b[r]->ViewRect);
            for (std::size_t t = 0; t < a[r]->CurrentCallList.size(); ++t)
                QCOMPARE(a[r]->CurrentCallList[t]->ViewRect, b[r]->CurrentCallList[t]->ViewRect);
        }
    }
}

namespace {

TCallList scaledList()
{
    TCallList list;
    list.push_back(MakeCall(QStringLiteral("mona"), 1, 0xFFFFFF, {{QStringLiteral("rum sex"), 5, 0x0000FF, 45000.3}}));
    list.push_back(MakeCall(QStringLiteral("nora"), 2, 0x00FFFF,
                            {{QStringLiteral("lab"), 6, 0xFFFFFF, 45000.31, 3, QStringLiteral("karin"), 45000.32}}));
    list.push_back(MakeCall(QStringLiteral("olle"), 3, 0xFF00FF));
    return list;
}

// The device pixels of board pixels [a, b) at a ratio.
std::pair<int, int> deviceSpan(int a, int b, qreal ratio)
{
    return {int(std::llround(a * ratio)), int(std::llround(b * ratio))};
}

} // namespace

void TestCallBoard::scaledBoardAtDevicePixels_data()
{
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QSize>("deviceSize");
    // Odd sizes: a board whose device size at 1.5 is not a whole number.
    // The portrait board is wide enough for background beside its calls.
    QTest::newRow("200 %, landscape") << qreal(2) << 0 << QSize(601, 401) << QSize(1202, 802);
    QTest::newRow("200 %, portrait") << qreal(2) << 1 << QSize(1201, 401) << QSize(2402, 802);
    QTest::newRow("150 %, landscape") << qreal(1.5) << 0 << QSize(601, 401) << QSize(902, 602);
    QTest::newRow("150 %, portrait") << qreal(1.5) << 1 << QSize(1201, 401) << QSize(1802, 602);
}

void TestCallBoard::scaledBoardAtDevicePixels()
{
    QFETCH(qreal, ratio);
    QFETCH(int, mode);
    QFETCH(QSize, size);
    QFETCH(QSize, deviceSize);
    const QRgb bg = qRgb(10, 20, 30);
    const QRgb inverted = qRgb(245, 235, 225);

    // The same board at 100 %: what the layout must stay.
    TCallList plainList = scaledList();
    CallBoard plain;
    plain.setSettings(flat(mode));
    plain.setBackgroundPicture(solid(QSize(50, 40), bg));
    plain.resize(size);
    plain.PaintBox1Paint(plainList);

    for (CallBoard::Path path : {CallBoard::Path::Reference, CallBoard::Path::Cached}) {
        TCallList list = scaledList();
        CallBoard cb;
        cb.setSettings(flat(mode));
        cb.setBackgroundPicture(solid(QSize(50, 40), bg));
        cb.resize(size);
        cb.setDevicePixelRatio(ratio);
        cb.PaintBox1Paint(list, path);
        const QImage& img = cb.image();

        // Composed at device resolution, laid out in board pixels.
        QCOMPARE(img.size(), deviceSize);
        QCOMPARE(img.devicePixelRatio(), ratio);
        QCOMPARE(cb.size(), size);
        for (std::size_t r = 0; r < list.size(); ++r) {
            QCOMPARE(list[r]->ViewRect, plainList[r]->ViewRect);
            for (std::size_t t = 0; t < list[r]->CurrentCallList.size(); ++t)
                QCOMPARE(list[r]->CurrentCallList[t]->ViewRect, plainList[r]->CurrentCallList[t]->ViewRect);
        }

        // A box holds its fill, its outline and its text colour and nothing
        // in between (no blurred upscale), and its text has detail finer
        // than a board pixel (no blocky upscale either).
        auto checkBox = [&](const TViewRect& r, TColor fill, TColor outline) {
            const QRgb fillRgb = qrgb(fill);
            const QRgb textRgb = qrgb(ContrastColor(fill));
            const QRgb outlineRgb = qrgb(outline);
            const auto [x0, x1] = deviceSpan(r.Left, std::min(r.Right, size.width()), ratio);
            const auto [y0, y1] = deviceSpan(r.Top, std::min(r.Bottom, size.height()), ratio);
            int text = 0;
            int finerThanABoardPixel = 0;
            for (int y = y0; y < y1; ++y) {
                for (int x = x0; x < x1; ++x) {
                    const QRgb px = img.pixel(x, y);
                    QVERIFY2(px == fillRgb || px == textRgb || px == outlineRgb || px == bg,
                             qPrintable(QStringLiteral("%1 at %2,%3").arg(px, 0, 16).arg(x).arg(y)));
                    text += px == textRgb;
                }
            }
            // Board pixel (bx, by) covers a block of device pixels; in an
            // upscale every block is one colour.
            for (int by = r.Top; by < std::min(r.Bottom, size.height()); ++by) {
                for (int bx = r.Left; bx < std::min(r.Right, size.width()); ++bx) {
                    const auto [dx0, dx1] = deviceSpan(bx, bx + 1, ratio);
                    const auto [dy0, dy1] = deviceSpan(by, by + 1, ratio);
                    const QRgb first = img.pixel(dx0, dy0);
                    bool mixed = false;
                    for (int y = dy0; y < dy1 && !mixed; ++y)
                        for (int x = dx0; x < dx1 && !mixed; ++x)
                            mixed = img.pixel(x, y) != first;
                    finerThanABoardPixel += mixed;
                }
            }
            QVERIFY(text > 0);
            QVERIFY2(finerThanABoardPixel > 0, "the box is a scaled-up board-pixel picture");
        };
        checkBox(list[0]->ViewRect, 0xFFFFFF, 0xFFFFFF);
        checkBox(list[0]->CurrentCallList[0]->ViewRect, 0x0000FF, 0x000000);
        checkBox(list[1]->CurrentCallList[0]->ViewRect, 0xFFFFFF, 0x000000);

        // The separator fills exactly the device pixels of its board pixel
        // column (row), inverted, between untouched neighbours.
        for (int r = 0; r < 2; ++r) {
            const TViewRect h = list[r]->ViewRect;
            const TViewRect& below = list[r]->CurrentCallList[0]->ViewRect;
            if (mode == 0) {
                const auto [x0, x1] = deviceSpan(h.Right, h.Right + 1, ratio);
                const int y = int(std::llround((below.Bottom + 10) * ratio)); // background beside it
                QVERIFY(x1 > x0);
                for (int x = x0; x < x1; ++x)
                    QCOMPARE(img.pixel(x, y), inverted);
                QCOMPARE(img.pixel(x0 - 1, y), bg);
                QCOMPARE(img.pixel(x1, y), bg);
            } else {
                const auto [y0, y1] = deviceSpan(h.Bottom, h.Bottom + 1, ratio);
                const int x = int(std::llround((below.Right + 10) * ratio));
                QVERIFY(y1 > y0);
                for (int y = y0; y < y1; ++y)
                    QCOMPARE(img.pixel(x, y), inverted);
                QCOMPARE(img.pixel(x, y0 - 1), bg);
                QCOMPARE(img.pixel(x, y1), bg);
            }
        }
    }
}

void TestCallBoard::scaledCachedEqualsReference_data()
{
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("shaded");
    QTest::addColumn<int>("picture"); // -1 none
    for (qreal ratio : {qreal(2), qreal(1.5), qreal(1.25)})
        for (int mode : {0, 1})
            for (bool shaded : {true, false})
                QTest::addRow("%g, %s, %s", double(ratio), mode == 0 ? "landscape" : "portrait", shaded ? "shaded" : "flat")
                    << ratio << mode << shaded << (shaded ? 0 : -1);
}

void TestCallBoard::scaledCachedEqualsReference()
{
    QFETCH(qreal, ratio);
    QFETCH(int, mode);
    QFETCH(bool, shaded);
    QFETCH(int, picture);
    BoardSettings s;
    s.TESKShowMode = mode;
    s.FPaintEffect = shaded;
    s.FConfirmPrefix = QStringLiteral("Kommer: ");
    const QStringList names{"Anna", "Dr. Berg", "Lindqvist", "Karin", "Barnmorskan"};
    auto makeList = [&] {
        TCallList list;
        for (int r = 0; r < names.size(); ++r)
            list.push_back(MakeCallWith(names[r], r + 1, TColor(0x3070B0u * TColor(r + 1)) & 0xFFFFFFu, r == 2 ? 0 : 3, r));
        return list;
    };
    CallBoard cached;
    CallBoard reference;
    TCallList a = makeList();
    TCallList b = makeList();
    for (CallBoard* cb : {&cached, &reference}) {
        cb->setSettings(s);
        cb->setKliniknamn(QStringLiteral("Vårdcentralen Norrviken"));
        cb->setBackgroundPicture(picture < 0 ? QImage() : pattern(QSize(160, 120), 1));
        cb->resize(QSize(641, 361));
        cb->setLongTimeFormat(QStringLiteral("HH:mm:ss"));
        cb->setDevicePixelRatio(ratio);
    }
    cached.PaintBox1Paint(a, CallBoard::Path::Cached);
    cached.PaintBox1Paint(a, CallBoard::Path::Cached); // warm
    reference.PaintBox1Paint(b, CallBoard::Path::Reference);
    QCOMPARE(cached.image(), reference.image());
    QCOMPARE(cached.image().size(), QSize(int(std::llround(641 * ratio)), int(std::llround(361 * ratio))));

    // Back to 100 %: the board is the board-pixel one again.
    TCallList c = makeList();
    CallBoard plain;
    plain.setSettings(s);
    plain.setKliniknamn(QStringLiteral("Vårdcentralen Norrviken"));
    plain.setBackgroundPicture(picture < 0 ? QImage() : pattern(QSize(160, 120), 1));
    plain.resize(QSize(641, 361));
    plain.setLongTimeFormat(QStringLiteral("HH:mm:ss"));
    plain.PaintBox1Paint(c, CallBoard::Path::Reference);
    cached.setDevicePixelRatio(1);
    cached.PaintBox1Paint(a, CallBoard::Path::Cached);
    QCOMPARE(cached.image().devicePixelRatio(), qreal(1));
    QCOMPARE(cached.image(), plain.image());
}

QTEST_MAIN(TestCallBoard)
#include "test_callboard.moc"
