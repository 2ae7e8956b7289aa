#include "display/board/BlendBitmaps.h"
#include "display/board/BoardText.h"
#include "display/board/FontFitter.h"
#include "display/board/HlsColor.h"
#include "display/board/RoundBox.h"
#include "display/board/ShortTimeText.h"

#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QtTest>

using namespace tesk;

Q_DECLARE_METATYPE(tesk::TColor)

namespace {

TColor rgb(int r, int g, int b) { return FromRgb(r, g, b); }

// 07:05:59 on some day, as the platform's date-time value.
constexpr TDateTime at070559 = 45000.0 + (7 * 3600 + 5 * 60 + 59) / 86400.0;

} // namespace

class TestBoardDrawing : public QObject {
    Q_OBJECT
private slots:
    void contrastColor_data();
    void contrastColor();
    void rgbToHls_data();
    void rgbToHls();
    void hlsRoundTripExact_data();
    void hlsRoundTripExact();
    void hlsRoundTripSweep();
    void shortTimeText_data();
    void shortTimeText();
    void longTimeFormatDropsZone_data();
    void longTimeFormatDropsZone();
    void fitRules_data();
    void fitRules();
    void fitFastEqualsStepping_data();
    void fitFastEqualsStepping();
    void fitRemembersResults();
    void blendFormula_data();
    void blendFormula();
    void blendFastEqualsReference();
    void blendRejectsMismatch();
    void shadedRings_data();
    void shadedRings();
    void flatBoxPixels();
    void spritesEqualDrawing_data();
    void spritesEqualDrawing();
    void rotatedTextReadsDownward();
};

void TestBoardDrawing::contrastColor_data()
{
    QTest::addColumn<TColor>("colour");
    QTest::addColumn<TColor>("expected");
    QTest::newRow("white gives black") << TColor(0xFFFFFF) << TColor(0x000000);
    QTest::newRow("black gives white") << TColor(0x000000) << TColor(0xFFFFFF);
    QTest::newRow("mid grey 0x808080 gives white") << TColor(0x808080) << TColor(0xFFFFFF);
    QTest::newRow("0x818181 gives black") << TColor(0x818181) << TColor(0x000000);
    QTest::newRow("red 0x0000FF gives 0xFFFF00") << TColor(0x0000FF) << TColor(0xFFFF00);
    QTest::newRow("mixed") << TColor(0x80FF10) << TColor(0xFF00FF);
    QTest::newRow("high byte ignored") << TColor(0x7F000000) << TColor(0xFFFFFF);
}

void TestBoardDrawing::contrastColor()
{
    QFETCH(TColor, colour);
    QFETCH(TColor, expected);
    QCOMPARE(ContrastColor(colour), expected);
}

void TestBoardDrawing::rgbToHls_data()
{
    QTest::addColumn<TColor>("colour");
    QTest::addColumn<int>("h");
    QTest::addColumn<int>("l");
    QTest::addColumn<int>("s");
    QTest::newRow("red") << rgb(255, 0, 0) << 0 << 120 << 240;
    QTest::newRow("green") << rgb(0, 255, 0) << 80 << 120 << 240;
    QTest::newRow("blue") << rgb(0, 0, 255) << 160 << 120 << 240;
    QTest::newRow("yellow") << rgb(255, 255, 0) << 40 << 120 << 240;
    QTest::newRow("cyan") << rgb(0, 255, 255) << 120 << 120 << 240;
    QTest::newRow("magenta") << rgb(255, 0, 255) << 200 << 120 << 240;
    QTest::newRow("white is grey hue 160") << rgb(255, 255, 255) << 160 << 240 << 0;
    QTest::newRow("black is grey hue 160") << rgb(0, 0, 0) << 160 << 0 << 0;
    QTest::newRow("mid grey") << rgb(128, 128, 128) << 160 << 120 << 0;
    QTest::newRow("dark red") << rgb(128, 0, 0) << 0 << 60 << 240;
    QTest::newRow("pink") << rgb(255, 128, 128) << 0 << 180 << 240;
}

void TestBoardDrawing::rgbToHls()
{
    QFETCH(TColor, colour);
    QFETCH(int, h);
    QFETCH(int, l);
    QFETCH(int, s);
    QCOMPARE(RGBtoHLS(colour), (Hls{h, l, s}));
}

void TestBoardDrawing::hlsRoundTripExact_data()
{
    QTest::addColumn<TColor>("colour");
    for (TColor c : {rgb(255, 0, 0), rgb(0, 255, 0), rgb(0, 0, 255), rgb(255, 255, 0), rgb(0, 255, 255),
                     rgb(255, 0, 255), rgb(255, 255, 255), rgb(0, 0, 0), rgb(255, 128, 128)})
        QTest::newRow(qPrintable(QString::number(c, 16))) << c;
}

void TestBoardDrawing::hlsRoundTripExact()
{
    QFETCH(TColor, colour);
    const Hls hls = RGBtoHLS(colour);
    QCOMPARE(HLStoRGB(hls.H, hls.L, hls.S), colour);
}

void TestBoardDrawing::hlsRoundTripSweep()
{
    // The integer scale loses a little: every colour comes back within a few
    // steps per channel, and a grey stays a grey.
    int worst = 0;
    for (int r = 0; r < 256; r += 15)
        for (int g = 0; g < 256; g += 15)
            for (int b = 0; b < 256; b += 15) {
                const TColor c = rgb(r, g, b);
                const Hls hls = RGBtoHLS(c);
                QVERIFY(hls.H >= 0 && hls.H <= HLSMAX && hls.L >= 0 && hls.L <= HLSMAX && hls.S >= 0 && hls.S <= HLSMAX);
                const TColor back = HLStoRGB(hls.H, hls.L, hls.S);
                worst = std::max({worst, std::abs(int(back & 0xFF) - r), std::abs(int((back >> 8) & 0xFF) - g),
                                  std::abs(int((back >> 16) & 0xFF) - b)});
                if (r == g && g == b) {
                    QCOMPARE(hls.S, 0);
                    QCOMPARE(hls.H, 160);
                }
            }
    QVERIFY2(worst <= 3, qPrintable(QString::number(worst)));
}

void TestBoardDrawing::shortTimeText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");
    QTest::newRow("07:05:59 cut to 07:05") << at070559 << "HH:mm:ss" << "07:05";
    QTest::newRow("long form not 8 chars kept") << at070559 << "h:mm:ss AP" << "7:05:59 AM";
    QTest::newRow("single-digit hour 7 chars kept") << at070559 << "H:mm:ss" << "7:05:59";
    QTest::newRow("date part ignored") << 12.0 + 0.5 << "HH:mm:ss" << "12:00";
    QTest::newRow("zero is midnight") << 0.0 << "HH:mm:ss" << "00:00";
    QTest::newRow("before the epoch keeps the time") << -1.25 << "HH:mm:ss" << "06:00";
    QTest::newRow("last millisecond of a day") << 3.9999999999 << "HH:mm:ss" << "23:59";
    QTest::newRow("not a number gives midnight") << std::nan("") << "HH:mm:ss" << "00:00";
}

void TestBoardDrawing::shortTimeText()
{
    QFETCH(double, value);
    QFETCH(QString, format);
    QFETCH(QString, expected);
    QCOMPARE(ShortTimeText(value, format), expected);
}

void TestBoardDrawing::longTimeFormatDropsZone_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("expected");
    QTest::newRow("Swedish") << QLocale(QLocale::Swedish, QLocale::Sweden) << "HH:mm:ss";
    QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany) << "HH:mm:ss";
}

void TestBoardDrawing::longTimeFormatDropsZone()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, expected);
    QCOMPARE(LongTimeFormatWithoutZone(locale), expected);
    QCOMPARE(ShortTimeText(at070559, LongTimeFormatWithoutZone(locale)), QStringLiteral("07:05"));
}

void TestBoardDrawing::fitRules_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<QSize>("box");
    QTest::addColumn<QString>("rule");
    QTest::newRow("grows to fill a wide box") << "Anna Berg" << 12 << QSize(400, 200) << "grow";
    QTest::newRow("grows limited by height") << "Li" << 10 << QSize(900, 40) << "grow";
    QTest::newRow("shrinks into a narrow box") << "Mottagning Söder" << 40 << QSize(120, 80) << "shrink";
    QTest::newRow("shrinks limited by height") << "x" << 60 << QSize(200, 20) << "shrink";
    QTest::newRow("fits at no size keeps start") << "Vårdcentralen" << 24 << QSize(1, 1) << "start";
    QTest::newRow("zero box keeps start") << "Rum" << 12 << QSize(0, 0) << "start";
    QTest::newRow("no overflow up to 2000 keeps start") << "" << 12 << QSize(100, 100000) << "start";
}

void TestBoardDrawing::fitRules()
{
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(QSize, box);
    QFETCH(QString, rule);
    const QString face = QStringLiteral("Tahoma");
    auto ext = [&](int s) { return TextExtent(BoardFont(face, s), text); };
    const int s = FitFontSize(face, start, box, text);
    FontFitter fitter;
    QCOMPARE(fitter.fit(face, start, box, text), s);
    if (rule == QLatin1String("start")) {
        QCOMPARE(s, start);
    } else if (rule == QLatin1String("grow")) {
        QVERIFY(s >= start);
        QVERIFY(ext(s).width() <= box.width() && ext(s).height() <= box.height());
        QVERIFY(ext(s + 1).width() > box.width() || ext(s + 1).height() > box.height());
    } else {
        QVERIFY(s < start);
        QVERIFY(ext(s).width() < box.width() && ext(s).height() < box.height());
        QVERIFY(!(ext(s + 1).width() < box.width() && ext(s + 1).height() < box.height()));
    }
}

void TestBoardDrawing::fitFastEqualsStepping_data()
{
    QTest::addColumn<QString>("face");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<QSize>("box");
    const QStringList faces{"Tahoma", "DejaVu Serif", "DejaVu Sans Mono", "DejaVu Sans Condensed"};
    const QStringList texts{"Anna", "Dr. Lindqvist", "Vårdcentralen Norrviken", "Rum 12 Barn 07:05",
                            "Syster Karin 07:31", "ÅÄÖ åäö", "i", "WWWWWWWW", " "};
    const QList<QSize> boxes{{160, 54}, {160, 27}, {320, 110}, {75, 300}, {1880, 216}, {40, 12}, {500, 500}};
    for (const QString& face : faces)
        for (const QString& text : texts)
            for (const QSize& box : boxes)
                for (int start : {10, 12, 31})
                    QTest::addRow("%s|%s|%dx%d|%d", qPrintable(face), qPrintable(text), box.width(), box.height(),
                                  start)
                        << face << text << start << box;
}

void TestBoardDrawing::fitFastEqualsStepping()
{
    QFETCH(QString, face);
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(QSize, box);
    FontFitter fitter;
    QCOMPARE(fitter.fit(face, start, box, text), FitFontSize(face, start, box, text));
    // Measure, scale, confirm: a handful of measurements, not one per point.
    QVERIFY2(fitter.measurements() <= 12, qPrintable(QString::number(fitter.measurements())));
}

void TestBoardDrawing::fitRemembersResults()
{
    FontFitter fitter;
    const int first = fitter.fit(QStringLiteral("Tahoma"), 12, QSize(300, 80), QStringLiteral("Barnmorska"));
    const qint64 used = fitter.measurements();
    QCOMPARE(fitter.fit(QStringLiteral("Tahoma"), 12, QSize(300, 80), QStringLiteral("Barnmorska")), first);
    QCOMPARE(fitter.measurements(), used);
    // Another start size is another question.
    fitter.fit(QStringLiteral("Tahoma"), 13, QSize(300, 80), QStringLiteral("Barnmorska"));
    QVERIFY(fitter.measurements() > used);
}

void TestBoardDrawing::blendFormula_data()
{
    QTest::addColumn<QRgb>("o");
    QTest::addColumn<QRgb>("k");
    QTest::addColumn<QRgb>("expected");
    // O := (O * 30 + K * 70) div 100 per channel; the fourth byte is O's.
    QTest::newRow("blue over grey") << qRgb(0, 0, 255) << qRgb(100, 150, 200) << qRgb(70, 105, 216);
    QTest::newRow("equal stays") << qRgb(17, 99, 201) << qRgb(17, 99, 201) << qRgb(17, 99, 201);
    QTest::newRow("white over black") << qRgb(255, 255, 255) << qRgb(0, 0, 0) << qRgb(76, 76, 76);
    QTest::newRow("black over white") << qRgb(0, 0, 0) << qRgb(255, 255, 255) << qRgb(178, 178, 178);
    QTest::newRow("alpha byte kept") << qRgba(0, 0, 255, 0x12) << qRgba(10, 10, 10, 0xFF) << qRgba(7, 7, 83, 0x12);
}

void TestBoardDrawing::blendFormula()
{
    QFETCH(QRgb, o);
    QFETCH(QRgb, k);
    QFETCH(QRgb, expected);
    for (bool fast : {false, true}) {
        QImage O(3, 2, QImage::Format_ARGB32);
        QImage K(3, 2, QImage::Format_ARGB32);
        O.fill(o);
        K.fill(k);
        if (fast)
            BlendBitmapsFast(O, K, 70, O.rect());
        else
            BlendBitmaps(O, K, 70);
        QCOMPARE(O.pixel(1, 1), expected);
    }
}

void TestBoardDrawing::blendFastEqualsReference()
{
    QRandomGenerator rng(42);
    QImage K(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < K.height(); ++y)
        for (int x = 0; x < K.width(); ++x)
            K.setPixel(x, y, 0xFF000000u | (rng.generate() & 0xFFFFFF));
    QImage O = K.copy();
    for (int i = 0; i < 800; ++i)
        O.setPixel(int(rng.bounded(64)), int(rng.bounded(48)), 0xFF000000u | (rng.generate() & 0xFFFFFF));
    QImage slow = O.copy();
    BlendBitmaps(slow, K, 70);
    BlendBitmapsFast(O, K, 70, O.rect());
    QCOMPARE(O, slow);
}

void TestBoardDrawing::blendRejectsMismatch()
{
    QImage a(4, 4, QImage::Format_RGB32);
    QImage b(5, 4, QImage::Format_RGB32);
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, BlendBitmaps(a, b, 70));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, BlendBitmapsFast(a, b, 70, a.rect()));
}

void TestBoardDrawing::shadedRings_data()
{
    QTest::addColumn<QRect>("box"); // x, y, width, height
    QTest::addColumn<TColor>("base");
    QTest::addColumn<int>("rings");
    QTest::addColumn<TColor>("middle");
    // Light colours step the luminance down by 20, then the saturation.
    const Hls pink = RGBtoHLS(rgb(255, 128, 128)); // L 180, S 240
    QTest::newRow("light, tall enough for all steps") << QRect(0, 0, 200, 140) << rgb(255, 128, 128) << 47
                                                      << HLStoRGB(pink.H, pink.L - 20, pink.S - 20);
    QTest::newRow("light, stops early on width") << QRect(5, 5, 14, 140) << rgb(255, 128, 128) << 4
                                                 << HLStoRGB(pink.H, pink.L - 4, pink.S);
    // Rings = inner height div 3 + 1; each ring insets by one.
    QTest::newRow("short box ring count") << QRect(0, 0, 200, 32) << rgb(255, 128, 128) << 11
                                          << HLStoRGB(pink.H, pink.L - 11, pink.S);
    // Dark colours step the luminance up, then the saturation: a grey
    // gains the blue hue 160.
    QTest::newRow("black turns bluish") << QRect(0, 0, 300, 200) << rgb(0, 0, 0) << 67 << HLStoRGB(160, 20, 20);
    QTest::newRow("white only darkens") << QRect(0, 0, 300, 200) << rgb(255, 255, 255) << 67
                                        << HLStoRGB(160, 220, 0);
    QTest::newRow("negative inner height has none") << QRect(0, 0, 50, 1) << rgb(10, 10, 10) << 0 << TColor(0);
}

void TestBoardDrawing::shadedRings()
{
    QFETCH(QRect, box);
    QFETCH(TColor, base);
    QFETCH(int, rings);
    QFETCH(TColor, middle);
    const TViewRect r{box.left(), box.top(), box.left() + box.width(), box.top() + box.height()};
    const std::vector<ShadedRing> out = ShadedRings(r, base);
    QCOMPARE(int(out.size()), rings);
    if (rings == 0)
        return;
    QCOMPARE(out.front().rect, (TViewRect{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1}));
    QCOMPARE(out.back().colour, middle);
    for (std::size_t k = 1; k < out.size(); ++k)
        QCOMPARE(out[k].rect.Left, out[k - 1].rect.Left + 1);
}

void TestBoardDrawing::flatBoxPixels()
{
    QImage img(60, 40, QImage::Format_RGB32);
    img.fill(Qt::black);
    {
        QPainter p(&img);
        DrawRoundBox(p, {10, 5, 50, 35}, rgb(200, 30, 40), rgb(255, 255, 255));
    }
    QCOMPARE(img.pixel(30, 5), qRgb(255, 255, 255));  // top outline
    QCOMPARE(img.pixel(30, 34), qRgb(255, 255, 255)); // bottom outline, last row inside
    QCOMPARE(img.pixel(30, 35), qRgb(0, 0, 0));       // bottom is exclusive
    QCOMPARE(img.pixel(49, 20), qRgb(255, 255, 255)); // right outline
    QCOMPARE(img.pixel(50, 20), qRgb(0, 0, 0));       // right is exclusive
    QCOMPARE(img.pixel(30, 20), qRgb(200, 30, 40));   // fill
    QCOMPARE(img.pixel(10, 5), qRgb(0, 0, 0));        // rounded corner
}

void TestBoardDrawing::spritesEqualDrawing_data()
{
    QTest::addColumn<QRect>("box");
    QTest::addColumn<TColor>("fill");
    QTest::addColumn<TColor>("pen");
    QTest::addColumn<bool>("shaded");
    QTest::addColumn<QSize>("device");
    QTest::addColumn<QRegion>("clip"); // empty: none
    const QList<QRect> boxes{{1, 0, 159, 54},    {161, 55, 159, 56}, {3, 7, 12, 9},   {200, 100, 150, 90},
                             {-20, -10, 80, 60}, {30, 30, 4, 4},     {0, 0, 250, 180}, {10, 10, 460, 400},
                             {40, 20, 500, 500}, {5, 5, 17, 300},
                             // sides at and just past the small box that
                             // larger ones are stretched from
                             {7, 3, 21, 21}, {9, 9, 22, 23}, {100, 50, 60, 61},
                             // the innermost rings too narrow to stretch
                             {60, 40, 24, 350}, {0, 300, 490, 26},
                             // far larger than the device: only a corner, or
                             // the top, shows
                             {-300, -400, 900, 900}, {20, 100, 450, 1200}};
    const QList<TColor> fills{rgb(255, 128, 128), rgb(0, 0, 0), rgb(255, 255, 255), rgb(12, 160, 90)};
    int i = 0;
    for (const QRect& b : boxes)
        for (TColor f : fills)
            for (bool shaded : {false, true}) {
                const TColor pen = i % 2 ? TColor(0xFFFFFF) : TColor(0);
                QTest::addRow("%d", i++) << b << f << pen << shaded << QSize(500, 420) << QRegion();
            }

    // Boxes showing over a million pixels are written into the board as
    // they are laid out, within the painter's clip.
    const QSize large(1300, 800);
    const QRegion clip = QRegion(0, 0, 1300, 90) + QRegion(600, 300, 77, 500) + QRegion(1250, 700, 50, 100);
    struct Large {
        const char* name;
        QRect box;
        QRegion clip;
    };
    const QList<Large> larger{{"large, all corners", {0, 0, 1300, 800}, {}},
                              {"large, top corners off the board", {-40, -30, 1400, 2000}, {}},
                              {"large, bottom corners off the board", {10, 20, 1250, 900}, {}},
                              {"large, innermost rings too narrow to stretch", {0, 0, 1100, 2000}, {}},
                              {"large, clipped", {0, 0, 1300, 800}, clip},
                              {"large, clipped, off the board", {-40, -30, 1400, 2000}, clip}};
    for (const Large& l : larger)
        for (bool shaded : {false, true})
            QTest::addRow("%s, %s", l.name, shaded ? "shaded" : "flat")
                << l.box << rgb(255, 128, 128) << TColor(0xFFFFFF) << shaded << large << l.clip;
}

void TestBoardDrawing::spritesEqualDrawing()
{
    QFETCH(QRect, box);
    QFETCH(TColor, fill);
    QFETCH(TColor, pen);
    QFETCH(bool, shaded);
    QFETCH(QSize, device);
    QFETCH(QRegion, clip);
    const TViewRect r{box.left(), box.top(), box.left() + box.width(), box.top() + box.height()};
    QImage a(device, QImage::Format_RGB32);
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            a.setPixel(x, y, qRgb(x & 0xFF, y & 0xFF, (x ^ y) & 0xFF));
    QImage b = a.copy();
    auto clipped = [&](QPainter& p) {
        if (!clip.isEmpty())
            p.setClipRegion(clip);
    };
    {
        QPainter p(&a);
        clipped(p);
        if (shaded)
            DrawShadedRoundRect(p, r, fill, pen);
        else
            DrawRoundBox(p, r, fill, pen);
    }
    QImage c = b.copy();
    BoxSprites sprites;
    {
        QPainter p(&b);
        clipped(p);
        sprites.draw(p, r, fill, pen, shaded);
        sprites.draw(p, r, fill, pen, shaded); // from the cache, same again
    }
    QCOMPARE(b, a);
    if (shaded) {
        QPainter p(&c);
        clipped(p);
        DrawShadedRoundRectBanded(p, r, fill, pen);
        p.end();
        QCOMPARE(c, a);
    }
}

void TestBoardDrawing::rotatedTextReadsDownward()
{
    QImage img(200, 300, QImage::Format_RGB32);
    img.fill(Qt::white);
    const QFont font = BoardFont(QStringLiteral("Tahoma"), 20);
    const QSize e = TextExtent(font, QStringLiteral("WWWW"));
    {
        QPainter p(&img);
        p.setFont(font);
        p.setPen(Qt::black);
        TextOutRotated(p, 270, 200, 20, QStringLiteral("WWWW"));
    }
    // The cell lies left of x = 200, from y = 20 down to 20 + its width.
    QRect ink;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) != qRgb(255, 255, 255))
                ink |= QRect(x, y, 1, 1);
    QVERIFY(!ink.isEmpty());
    QVERIFY(ink.right() < 200 && ink.left() >= 200 - e.height());
    QVERIFY(ink.top() >= 20 && ink.bottom() < 20 + e.width());
    QVERIFY(ink.height() > ink.width());
}

QTEST_MAIN(TestBoardDrawing)
#include "test_boarddrawing.moc"
