// The wall screen as the main window wires it: the stale-data banner follows
// the main connection, and night mode dims the board and lowers the speech.

#include "SpeakingWindow.h"

#include "display/board/CallBoardWidget.h"
#include "display/board/StaleBanner.h"
#include "common/NightMode.h"
#include "speech/SpeechEngine.h"

#include <QLabel>
#include <QTest>

using namespace tesk;
using tesk::test::SpeakingWindow;
using tesk::test::TempSettings;
using tesk::test::waitUntil;

namespace {

const QDate kDay(2026, 12, 10);

QString Banner(const char* since)
{
    return QStringLiteral("Ingen kontakt med servern sedan %1 - visade kallelser kan vara inaktuella")
        .arg(QString::fromLatin1(since));
}

// What the board's widget puts on the screen.
QImage Screen(CallBoardWidget& board)
{
    return board.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QImage Rows(const QImage& image, int from)
{
    return image.copy(0, from, image.width(), image.height() - from);
}

int CountColour(const QImage& image, const QRect& area, const QColor& colour)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += image.pixelColor(x, y) == colour;
    return n;
}

double MeanLightness(const QImage& image)
{
    double sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            sum += qGray(image.pixel(x, y));
    return sum / (double(image.width()) * image.height());
}

// The band the banner of that text takes on the board.
QRect Band(const CallBoardWidget& board)
{
    StaleBanner probe;
    probe.setText(board.bannerText());
    return probe.rect(board.size());
}

bool Connected(TfrmTeskShowMain& w)
{
    return w.model().CallList.size() == 1 && w.connection().statusText() == QStringLiteral("Ansluten");
}

} // namespace

class TestWallScreen : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A loss puts the banner over the last list within a second, with the
    // time of the loss; a new connection alone does not take it away, the
    // next accepted version does.
    void bannerFromTheLossToTheNextAcceptedVersion()
    {
        SpeakingWindow f;
        TfrmTeskShowMain& w = *f.window;
        CallBoardWidget& board = *w.PaintBox1;
        w.show();
        QVERIFY(waitUntil([&] { return Connected(w); }));
        QVERIFY(board.bannerText().isEmpty());
        const QImage list = Screen(board);

        f.now = QDateTime(kDay, QTime(13, 21, 30));
        f.serverVersion.clear(); // the next connection waits for its version
        f.server.dropClient();
        QVERIFY(waitUntil([&] { return !board.bannerText().isEmpty(); }, 1000));
        QCOMPARE(board.bannerText(), Banner("13:21"));

        // The retry connects and asks for the version: still stale.
        QVERIFY(waitUntil([&] {
            return f.server.frames().filter(QStringLiteral("GETSERVERVERSION")).size() == 2;
        }));
        QTest::qWait(50);
        QCOMPARE(board.bannerText(), Banner("13:21"));

        const QImage shown = Screen(board);
        const QRect band = Band(board);
        QVERIFY(band.height() > 0 && band.height() < shown.height() / 2);
        QCOMPARE(band.width(), shown.width());
        QVERIFY(CountColour(shown, band, StaleBanner::fill()) > band.width() * band.height() / 2);
        // Under the band, the last list as it was.
        QCOMPARE(Rows(shown, band.bottom() + 1), Rows(list, band.bottom() + 1));
        QCOMPARE(w.model().CallList.size(), size_t(1));

        f.now = QDateTime(kDay, QTime(13, 40));
        f.server.send(ComposeFrame(QStringLiteral("RETSERVERVERSION"), {QStringLiteral("1.10.4")}));
        QVERIFY(waitUntil([&] { return board.bannerText().isEmpty(); }, 1000));
        QCOMPARE(w.connection().statusText(), QStringLiteral("Ansluten"));
        QCOMPARE(Screen(board), list);
    }

    // A refused server version shows the banner with the status text's
    // reason under the fixed line.
    void refusedVersionShowsTheReason()
    {
        SpeakingWindow f;
        f.serverVersion = QStringLiteral("1.10.0");
        f.now = QDateTime(kDay, QTime(7, 45));
        TfrmTeskShowMain& w = *f.window;
        CallBoardWidget& board = *w.PaintBox1;
        w.show();
        QVERIFY(waitUntil([&] { return !board.bannerText().isEmpty(); }));
        const QString reason = QStringLiteral("Fel serverversion 1.10.0 INTE ansluten");
        QCOMPARE(board.bannerText(), Banner("07:45") + QLatin1Char('\r') + reason);
        QCOMPARE(w.Label1->text(), reason);
        const QImage shown = Screen(board);
        const QRect band = Band(board);
        QVERIFY(CountColour(shown, band, StaleBanner::fill()) > band.width() * band.height() / 2);
    }

    // Between the night's two times the board is dimmed and speech is
    // quieter; a call is still shown and spoken; the morning restores both.
    void nightDimsTheBoardAndLowersTheSpeech_data()
    {
        QTest::addColumn<QTime>("start");
        QTest::newRow("night begins while running") << QTime(21, 59);
        QTest::newRow("started at night") << QTime(23, 30);
    }

    void nightDimsTheBoardAndLowersTheSpeech()
    {
        QFETCH(QTime, start);
        SpeakingWindow f([](TempSettings& t) {
            const QString tesk = QStringLiteral("TESK");
            t.setUser(QStringLiteral("Text2Speech"), QStringLiteral("UseSAPI5"), QStringLiteral("1"));
            t.setUser(tesk, QStringLiteral("SayBalloonInfo"), QStringLiteral("-1"));
            t.setUser(tesk, QStringLiteral("NightFrom"), QStringLiteral("22:00"));
            t.setUser(tesk, QStringLiteral("NightTo"), QStringLiteral("06.00"));
            t.setUser(tesk, QStringLiteral("NightBrightness"), QStringLiteral("40"));
            t.setUser(tesk, QStringLiteral("NightVolume"), QStringLiteral("30"));
        });
        TfrmTeskShowMain& w = *f.window;
        CallBoardWidget& board = *w.PaintBox1;
        f.now = QDateTime(kDay, start);
        w.show();
        QVERIFY(waitUntil([&] { return Connected(w) && w.speech().ready(); }));
        QVERIFY(waitUntil([&] { return f.script->spoken.size() == 1; }));
        const bool nightAtStart = start >= QTime(22, 0);
        // Night at the start counts from the connection's wall settings on.
        QVERIFY(waitUntil([&] { return w.nightMode().isNight() == nightAtStart; }));

        if (!nightAtStart) {
            QCOMPARE(board.brightness(), 100);
            QVERIFY(f.script->volumes.isEmpty() || f.script->volumes.last() == 100);
            QCOMPARE(Screen(board), board.boardImage().convertToFormat(QImage::Format_RGB32));
            f.now = QDateTime(kDay, QTime(22, 0));
            w.nightMode().tick();
        }
        QCOMPARE(board.brightness(), 40);
        QVERIFY(!f.script->volumes.isEmpty());
        QCOMPARE(f.script->volumes.last(), 30);
        const double day = MeanLightness(board.boardImage());
        const double night = MeanLightness(Screen(board));
        QVERIFY2(night < day * 0.5 && night > day * 0.3, qPrintable(QStringLiteral("%1 %2").arg(night).arg(day)));

        // A call at night is shown and announced, at the night's volume.
        f.server.send(QStringLiteral("\u00A4CURRENTLIST:Dr. Berg:6:255:1:\u00A4%Rum 2~8~2024-03-01 23:50:00~65280~0~~~%"
                                     "\u00A4::CURRENTLIST\u00A4"));
        QVERIFY(waitUntil([&] { return f.script->spoken.size() == 2; }));
        QCOMPARE(f.script->spoken.last(), QStringLiteral("Rum 2 kallar p\u00E5 Dr. Berg, \r"));
        QCOMPARE(w.model().CallList.size(), size_t(1));
        QCOMPARE(f.script->volumes.last(), 30);

        f.now = QDateTime(kDay.addDays(1), QTime(6, 0));
        w.nightMode().tick();
        QCOMPARE(board.brightness(), 100);
        QCOMPARE(f.script->volumes.last(), 100);
        QCOMPARE(Screen(board), board.boardImage().convertToFormat(QImage::Format_RGB32));
    }
};

QTEST_MAIN(TestWallScreen)
#include "test_wallscreen.moc"
