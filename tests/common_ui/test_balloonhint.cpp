#include "common/ui/BalloonHint.h"
#include "common/ui/WidgetMessages.h"

#include <QApplication>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

using namespace tesk;

class TestBalloonHint : public QObject {
    Q_OBJECT
private slots:
    void kindSelectsImage_data();
    void kindSelectsImage();
    void images_data();
    void images();
    void infoBalloon();
    void newBalloonReplacesVisibleOne();
    void hidesAfterItsTime();
    void longerBalloonOutlivesShorterOne();
    void placement_data();
    void placement();
    void pointsAtWindow();
    void goneWindowFallsBackToPoint();
    void clickHides();
    void noHideTime();

private:
    QRect screen() const { return QGuiApplication::primaryScreen()->availableGeometry(); }
};

void TestBalloonHint::kindSelectsImage_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("image");
    QTest::newRow("1 error") << 1 << 2;
    QTest::newRow("2 information") << 2 << 0;
    QTest::newRow("3 question") << 3 << 1;
    QTest::newRow("0 other") << 0 << 0;
    QTest::newRow("4 other") << 4 << 0;
    QTest::newRow("-1 other") << -1 << 0;
}

void TestBalloonHint::kindSelectsImage()
{
    QFETCH(int, kind);
    QFETCH(int, image);
    QCOMPARE(BalloonHint::ImageIndexForKind(kind), image);

    WidgetMessages messages;
    messages.ShowBalloon(QStringLiteral("T"), QStringLiteral("x"), BalloonTarget::at(screen().center()), 5000, kind);
    QCOMPARE(messages.balloon()->imageIndex(), image);
}

void TestBalloonHint::images_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QColor>("disc");   // sampled inside the disc, off the sign
    QTest::addColumn<QPoint>("onSign"); // a pixel of the white sign
    QTest::newRow("0 information") << 0 << QColor(30, 96, 200) << QPoint(16, 20);
    QTest::newRow("1 question") << 1 << QColor(30, 96, 200) << QPoint(16, 24);
    QTest::newRow("2 error") << 2 << QColor(204, 32, 32) << QPoint(16, 16);
}

void TestBalloonHint::images()
{
    QFETCH(int, index);
    QFETCH(QColor, disc);
    QFETCH(QPoint, onSign);
    const QImage image = BalloonHint::Image(index);
    QCOMPARE(image.size(), QSize(32, 32));
    QCOMPARE(image.pixelColor(0, 0).alpha(), 0);                // outside the disc
    QCOMPARE(image.pixelColor(4, 16).rgb(), disc.rgb());        // the disc
    QCOMPARE(image.pixelColor(onSign).rgb(), QColor(Qt::white).rgb());
    QVERIFY(image != BalloonHint::Image((index + 1) % 3));
}

void TestBalloonHint::infoBalloon()
{
    WidgetMessages messages;
    QVERIFY(!messages.balloon()); // created at its first use
    messages.ShowInfoBalloonAt(QStringLiteral("3 nya anrop"), screen().center());
    BalloonHint* b = messages.balloon();
    QVERIFY(b);
    QVERIFY(b->isVisible());
    QCOMPARE(b->title(), QStringLiteral("Information"));
    QCOMPARE(b->description(), QStringLiteral("3 nya anrop\r"));
    QCOMPARE(b->imageIndex(), 0);
    QVERIFY(b->hideTimer().isActive());
    QCOMPARE(b->hideTimer().interval(), 5000);
    QVERIFY(b->hideTimer().isSingleShot());
}

void TestBalloonHint::newBalloonReplacesVisibleOne()
{
    WidgetMessages messages;
    messages.ShowInfoBalloonAt(QStringLiteral("first"), screen().center());
    BalloonHint* first = messages.balloon();
    messages.ShowBalloon(QStringLiteral("Fel"), QStringLiteral("second"), BalloonTarget::at(screen().topLeft() + QPoint(50, 50)),
                         1234, 1);
    QCOMPARE(messages.balloon(), first); // one object, reused
    QVERIFY(first->isVisible());
    QCOMPARE(first->title(), QStringLiteral("Fel"));
    QCOMPARE(first->description(), QStringLiteral("second\r"));
    QCOMPARE(first->imageIndex(), 2);
    QCOMPARE(first->hideTimer().interval(), 1234);
    QVERIFY(first->hideTimer().isActive());
    QCOMPARE(first->pointerTip(), screen().topLeft() + QPoint(50, 50));
    const auto topLevels = QApplication::topLevelWidgets();
    QCOMPARE(std::count_if(topLevels.begin(), topLevels.end(),
                           [](QWidget* w) { return qobject_cast<BalloonHint*>(w) && w->isVisible(); }),
             1);
}

void TestBalloonHint::hidesAfterItsTime()
{
    WidgetMessages messages;
    messages.ShowBalloon(QStringLiteral("Information"), QStringLiteral("kort"), BalloonTarget::at(screen().center()), 15, 2);
    BalloonHint* b = messages.balloon();
    QSignalSpy hidden(b, &BalloonHint::hidden);
    QVERIFY(b->isVisible());
    QTRY_VERIFY(!b->isVisible());
    QCOMPARE(hidden.count(), 1);
}

void TestBalloonHint::longerBalloonOutlivesShorterOne()
{
    WidgetMessages messages;
    messages.ShowBalloon(QStringLiteral("Information"), QStringLiteral("kort"), BalloonTarget::at(screen().center()), 10, 2);
    messages.ShowInfoBalloonAt(QStringLiteral("lång"), screen().center());
    BalloonHint* b = messages.balloon();
    QTest::qWait(60); // well past the first balloon's time
    QVERIFY(b->isVisible());
    QCOMPARE(b->hideTimer().interval(), 5000);
    // And the other way round: a short one after a long one goes soon.
    messages.ShowBalloon(QStringLiteral("Information"), QStringLiteral("kort"), BalloonTarget::at(screen().center()), 10, 2);
    QTRY_VERIFY(!b->isVisible());
}

void TestBalloonHint::placement_data()
{
    QTest::addColumn<QPoint>("offset"); // from the screen's top left; negative from the bottom right
    QTest::addColumn<bool>("below");
    QTest::newRow("middle: below the point") << QPoint(400, 200) << true;
    QTest::newRow("top left corner") << QPoint(0, 0) << true;
    QTest::newRow("bottom: above the point") << QPoint(400, -1) << false;
    QTest::newRow("bottom right corner") << QPoint(-1, -1) << false;
    QTest::newRow("right edge") << QPoint(-1, 100) << true;
}

void TestBalloonHint::placement()
{
    QFETCH(QPoint, offset);
    QFETCH(bool, below);
    const QRect s = screen();
    const QPoint point(offset.x() >= 0 ? s.left() + offset.x() : s.right() + 1 + offset.x(),
                       offset.y() >= 0 ? s.top() + offset.y() : s.bottom() + 1 + offset.y());
    BalloonHint b;
    b.showAtPoint(QStringLiteral("Information"), QStringLiteral("En text\rpå två rader\r"), point, 5000, 0);
    QCOMPARE(b.pointerTip(), point);
    const QRect g = b.frameGeometry();
    QVERIFY2(s.contains(g), qPrintable(QStringLiteral("%1,%2 %3x%4").arg(g.x()).arg(g.y()).arg(g.width()).arg(g.height())));
    QVERIFY(g.left() <= point.x() && point.x() <= g.right());
    QCOMPARE(below ? g.top() : g.bottom(), point.y());
    QVERIFY(g.width() > BalloonHint::IconSize && g.height() > BalloonHint::IconSize);
    const QImage shot = b.grab().toImage();
    QVERIFY(!shot.isNull());
}

void TestBalloonHint::pointsAtWindow()
{
    QWidget window;
    window.setGeometry(screen().left() + 100, screen().top() + 100, 300, 200);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    WidgetMessages messages;
    messages.ShowInfoBalloon(QStringLiteral("vid fönstret"), &window);
    const QRect frame = window.frameGeometry();
    QCOMPARE(messages.balloon()->pointerTip(), QPoint(frame.center().x(), frame.bottom()));
}

void TestBalloonHint::goneWindowFallsBackToPoint()
{
    WidgetMessages messages;
    auto* window = new QWidget;
    BalloonTarget target = BalloonTarget::at(window);
    target.point = screen().center();
    delete window;
    messages.ShowBalloon(QStringLiteral("Information"), QStringLiteral("x"), target, 5000, 2);
    QCOMPARE(messages.balloon()->pointerTip(), screen().center());
    // A target that is no widget at all.
    QObject notAWidget;
    messages.ShowInfoBalloon(QStringLiteral("y"), &notAWidget);
    QVERIFY(messages.balloon()->isVisible());
}

void TestBalloonHint::clickHides()
{
    BalloonHint b;
    b.showAtPoint(QStringLiteral("Information"), QStringLiteral("klick"), screen().center(), 5000, 0);
    QVERIFY(b.isVisible());
    QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(b.width() / 2, b.height() / 2));
    QVERIFY(!b.isVisible());
    QVERIFY(!b.hideTimer().isActive());
}

void TestBalloonHint::noHideTime()
{
    BalloonHint b;
    b.showAtPoint(QStringLiteral("Information"), QStringLiteral("stannar"), screen().center(), 0, 0);
    QVERIFY(b.isVisible());
    QVERIFY(!b.hideTimer().isActive());
}

QTEST_MAIN(TestBalloonHint)
#include "test_balloonhint.moc"
