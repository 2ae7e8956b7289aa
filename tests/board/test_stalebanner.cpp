#include "../connection/ConnectionRig.h"
#include "BoardLists.h"
#include "RecordingMessages.h"

#include "display/board/CallBoardWidget.h"
#include "display/board/StaleBanner.h"
#include "display/connection/StaleDataWatch.h"

#include <QtTest>

#include <utility>

using namespace tesk;
using namespace tesk::test;

namespace {

const QDateTime kLoss(QDate(2026, 12, 10), QTime(13, 21, 30));

// The connection rig with the watch and a board wired as the main window
// wires them, and a clock that the test moves.
struct BannerRig {
    explicit BannerRig(int minuteMs = 600000);
    Rig rig;
    QDateTime now = kLoss.addSecs(-3600);
    StaleDataWatch watch{[this] { return now; }};
    TCallList list;
    RecordingMessages boardMessages;
    CallBoardWidget board{list, boardMessages, [](const QString&) {}};
};

BannerRig::BannerRig(int minuteMs) : rig({}, minuteMs)
{
    QObject::connect(rig.connection.get(), &ServerConnection::connectionDown, &watch,
                     &StaleDataWatch::connectionDown);
    QObject::connect(rig.connection.get(), &ServerConnection::versionRefused, &watch,
                     &StaleDataWatch::versionRefused);
    QObject::connect(rig.connection.get(), &ServerConnection::connectionUp, &watch,
                     &StaleDataWatch::versionAccepted);
    QObject::connect(&watch, &StaleDataWatch::bannerChanged, &board, &CallBoardWidget::setBannerText);
    list.push_back(MakeCall(QStringLiteral("doktor anna"), 11, 0x00C000,
                            {{QStringLiteral("rum ett"), 101, 0xFFFFFF, 45000.3},
                             {QStringLiteral("rum två"), 102, 0x00FFFF, 45000.31}}));
    list.push_back(MakeCall(QStringLiteral("olle"), 12, 0x0000C0, {{QStringLiteral("lab"), 201, 0x80FF80, 45000.4}}));
    BoardSettings s;
    s.FPaintEffect = false;
    board.setBoardSettings(s);
    board.resize(1000, 600);
    board.PaintBox1Paint();
}

// Board pixels outside the band are those of the board alone.
bool sameOutside(const QImage& shown, const QImage& board, const QRect& band)
{
    for (int y = band.bottom() + 1; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            if (shown.pixel(x, y) != board.pixel(x, y))
                return false;
    return true;
}

} // namespace

class TestStaleBanner : public QObject {
    Q_OBJECT
private slots:
    void bannerFollowsTheConnection_data();
    void bannerFollowsTheConnection();
    void bannerCoversTheTopOverTheLastList();
    void laterFailuresKeepTheFirstTime();
    void periodicReconnectionShowsNoBanner();
    void bannerStaysThroughTheCountdown();
};

void TestStaleBanner::bannerFollowsTheConnection_data()
{
    QTest::addColumn<QString>("scenario");
    QTest::addColumn<QString>("expected");
    const QString line = QStringLiteral("Ingen kontakt med servern sedan 13:21 - visade kallelser kan vara inaktuella");
    QTest::newRow("loss of a connection that was up") << "loss" << line;
    QTest::newRow("first attempt fails") << "first attempt fails" << line;
    QTest::newRow("refused version shows the reason")
        << "refused" << line + QStringLiteral("\rFel serverversion 1.10.0 INTE ansluten");
    QTest::newRow("gone at the next accepted version") << "loss then accepted" << QString();
}

void TestStaleBanner::bannerFollowsTheConnection()
{
    QFETCH(QString, scenario);
    QFETCH(QString, expected);
    BannerRig b;
    Rig& rig = b.rig;
    QVERIFY(b.board.bannerText().isEmpty());

    if (scenario == QLatin1String("first attempt fails")) {
        rig.server.close();
        b.now = kLoss;
        rig.connection->Start();
        QVERIFY(waitUntil([&] { return !b.board.bannerText().isEmpty(); }, 1000));
    } else if (scenario == QLatin1String("refused")) {
        rig.versionAnswer = QStringLiteral("1.10.0");
        b.now = kLoss;
        rig.connection->Start();
        QVERIFY(waitUntil([&] { return !b.board.bannerText().isEmpty(); }, 1000));
    } else {
        rig.connection->Start();
        QVERIFY(rig.waitForStatus(QStringLiteral("Ansluten")));
        QVERIFY(b.board.bannerText().isEmpty());
        b.now = kLoss;
        rig.server.dropClient();
        // Within a second of the loss.
        QVERIFY(waitUntil([&] { return !b.board.bannerText().isEmpty(); }, 1000));
        if (scenario == QLatin1String("loss then accepted")) {
            b.now = kLoss.addSecs(600);
            // The retry comes after 3 of the rig's 10 ms seconds.
            QVERIFY(rig.waitForStatus(QStringLiteral("Ansluten")));
        }
    }
    QCOMPARE(b.board.bannerText(), expected);
    QCOMPARE(b.watch.stale(), !expected.isEmpty());
}

void TestStaleBanner::bannerCoversTheTopOverTheLastList()
{
    BannerRig b;
    const QImage before = b.board.boardImage().copy();
    QVERIFY(!before.isNull());
    b.now = kLoss;
    b.watch.connectionDown();
    b.board.PaintBox1Paint();
    const QImage shown = b.board.shownImage();

    // The board under it still shows the last list, untouched.
    QCOMPARE(b.board.boardImage(), before);
    // The band spans the top, a sixth of the board high, in signal yellow
    // with black text on it.
    StaleBanner probe;
    probe.setText(b.board.bannerText());
    const QRect r = probe.rect(b.board.size());
    QCOMPARE(r, QRect(0, 0, 1000, 100));
    int yellow = 0;
    int black = 0;
    for (int y = 0; y < r.height(); ++y) {
        for (int x = 0; x < r.width(); ++x) {
            const QColor c = shown.pixelColor(x, y);
            yellow += c == StaleBanner::fill();
            black += c == QColor(Qt::black);
        }
    }
    QVERIFY2(yellow > r.width() * r.height() / 2, qPrintable(QString::number(yellow)));
    QVERIFY(black > r.width() * 4); // the edge and the letters
    // The text is as large as the band lets it be: its letters run across
    // nearly the whole width.
    int leftInk = r.width();
    int rightInk = -1;
    for (int y = 0; y < r.height() - 4; ++y) {
        for (int x = 0; x < r.width(); ++x) {
            if (shown.pixelColor(x, y) == QColor(Qt::black)) {
                leftInk = std::min(leftInk, x);
                rightInk = std::max(rightInk, x);
            }
        }
    }
    QVERIFY2(rightInk - leftInk > r.width() * 8 / 10, qPrintable(QStringLiteral("%1..%2").arg(leftInk).arg(rightInk)));
    // Below the band, the calls as they were.
    QVERIFY(sameOutside(shown, before, r));

    // Gone with the next accepted version: the screen is the board again.
    b.watch.versionAccepted();
    QCOMPARE(b.board.shownImage(), b.board.boardImage());
}

void TestStaleBanner::laterFailuresKeepTheFirstTime()
{
    QDateTime now = kLoss;
    StaleDataWatch watch([&] { return now; });
    QSignalSpy spy(&watch, &StaleDataWatch::bannerChanged);
    watch.connectionDown();
    now = now.addSecs(3600);
    watch.connectionDown(); // the retry failed too
    QCOMPARE(spy.count(), 1);
    QVERIFY(watch.bannerText().contains(QStringLiteral("sedan 13:21 ")));
    watch.versionAccepted();
    watch.connectionDown();
    QVERIFY(watch.bannerText().contains(QStringLiteral("sedan 14:21 ")));
}

void TestStaleBanner::periodicReconnectionShowsNoBanner()
{
    // Reconnections every 100 ms instead of every minute.
    BannerRig b(100);
    b.rig.set("TESK", "RefreshConnection", QStringLiteral("-1"));
    QSignalSpy spy(&b.watch, &StaleDataWatch::bannerChanged);
    b.rig.connection->Start();
    QVERIFY(b.rig.waitForStatus(QStringLiteral("Ansluten")));
    QVERIFY(b.rig.server.waitForReceived(QStringLiteral("RECONNECT"), 5000));
    QVERIFY(b.rig.waitForStatus(QStringLiteral("Ansluten")));
    QCOMPARE(spy.count(), 0);
    // A reconnection that fails is a loss like any other.
    b.rig.server.close();
    QVERIFY(waitUntil([&] { return !b.board.bannerText().isEmpty(); }, 2000));
}

void TestStaleBanner::bannerStaysThroughTheCountdown()
{
    // Reconnections every 100 ms; the countdown after the loss runs 18 of
    // the rig's 10 ms seconds, so a periodic reconnection left running
    // would fire inside it.
    BannerRig b(100);
    Rig& rig = b.rig;
    rig.set("TESK", "RefreshConnection", QStringLiteral("-1"));
    rig.randoms = {14999};
    rig.connection->Start();
    QVERIFY(rig.waitForStatus(QStringLiteral("Ansluten")));

    const qsizetype before = rig.server.frames().size();
    QStringList framesWhenCleared;
    bool cleared = false;
    QObject::connect(&b.watch, &StaleDataWatch::bannerChanged, [&](const QString& text) {
        if (text.isEmpty() && !std::exchange(cleared, true))
            framesWhenCleared = rig.server.frames().mid(before);
    });
    b.now = kLoss;
    rig.server.dropClient();
    QVERIFY(waitUntil([&] { return !b.board.bannerText().isEmpty(); }, 1000));
    QVERIFY(rig.waitForStatus(QStringLiteral("Ansluten")));
    rig.connection->StopTimers();

    // Back by the countdown's full handshake, and only its accepted version
    // took the banner away.
    QVERIFY(cleared);
    QCOMPARE(framesWhenCleared.filter(QStringLiteral("GETSERVERVERSION")).size(), 1);
    const QStringList after = rig.server.frames().mid(before);
    QVERIFY(!after.isEmpty());
    QVERIFY2(after.first().startsWith(kCur + QStringLiteral("GETSERVERVERSION:")), qPrintable(after.first()));
}

QTEST_MAIN(TestStaleBanner)
#include "test_stalebanner.moc"
