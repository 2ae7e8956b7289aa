#include "BoardLists.h"
#include "RecordingMessages.h"

#include "display/board/CallBoardWidget.h"

#include <QAction>
#include <QImage>
#include <QMenu>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QtTest>

using namespace tesk;
using namespace tesk::test;

namespace {

TCallList sampleList()
{
    TCallList list;
    list.push_back(MakeCall(QStringLiteral("doktor anna"), 11, 0x00C000,
                            {{QStringLiteral("rum ett"), 101, 0xFFFFFF, 45000.3},
                             {QStringLiteral("rum två"), 102, 0xC0C0C0, 45000.31, 4, QStringLiteral("karin"), 45000.32}}));
    list.push_back(MakeCall(QStringLiteral("olle"), 12, 0x0000C0));
    list.push_back(MakeCall(QStringLiteral("pia"), 13, 0xC00000, {{QStringLiteral("lab & co"), 301, 0x80FF80, 45000.4}}));
    return list;
}

QPoint centre(const TViewRect& r) { return QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2); }

// A small picture of one colour, as a background file.
bool savePicture(const QString& file, QRgb colour)
{
    QImage picture(16, 16, QImage::Format_RGB32);
    picture.fill(colour);
    return picture.save(file);
}

// A board widget on a recording message sink, collecting what it sends.
struct Fixture {
    TCallList list = sampleList();
    RecordingMessages messages;
    QStringList sent;
    CallBoardWidget widget{list, messages, [this](const QString& frame) { sent << frame; }};

    Fixture()
    {
        BoardSettings s;
        s.FPaintEffect = false;
        widget.setBoardSettings(s);
        widget.resize(900, 600);
        widget.PaintBox1Paint();
    }

    // The point a row of the table names, from the rectangles of the last paint.
    QPoint point(const QString& where) const
    {
        const TCallObject& a = *list[0];
        const TCaller& c1 = *a.CurrentCallList[0];
        const TCaller& c2 = *a.CurrentCallList[1];
        if (where == QLatin1String("header"))
            return centre(a.ViewRect);
        if (where == QLatin1String("empty header"))
            return centre(list[1]->ViewRect);
        if (where == QLatin1String("first call"))
            return centre(c1.ViewRect);
        if (where == QLatin1String("second call"))
            return centre(c2.ViewRect);
        if (where == QLatin1String("shared row"))
            return QPoint(centre(c1.ViewRect).x(), c1.ViewRect.Bottom - 1);
        if (where == QLatin1String("last row of second"))
            return QPoint(centre(c2.ViewRect).x(), c2.ViewRect.Bottom - 1);
        if (where == QLatin1String("gap between columns"))
            return QPoint(a.ViewRect.Right, centre(c1.ViewRect).y());
        if (where == QLatin1String("left column edge"))
            return QPoint(a.ViewRect.Left - 1, centre(c1.ViewRect).y());
        if (where == QLatin1String("background"))
            return QPoint(centre(c2.ViewRect).x(), c2.ViewRect.Bottom + 5);
        if (where == QLatin1String("third resource call"))
            return centre(list[2]->CurrentCallList[0]->ViewRect);
        return {-1, -1};
    }

    void move(QPoint p)
    {
        QMouseEvent e(QEvent::MouseMove, QPointF(p), QPointF(widget.mapToGlobal(p)), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
        QCoreApplication::sendEvent(&widget, &e);
    }
    void doubleClick(QPoint p, Qt::MouseButton button = Qt::LeftButton)
    {
        QMouseEvent e(QEvent::MouseButtonDblClick, QPointF(p), QPointF(widget.mapToGlobal(p)), button, button,
                      Qt::NoModifier);
        QCoreApplication::sendEvent(&widget, &e);
    }
    // Opens the board's context menu as the window system would and, once it
    // shows, notes its caption and chooses its item.
    QString contextMenu(QPoint p, QContextMenuEvent::Reason reason = QContextMenuEvent::Mouse)
    {
        QString caption;
        QTimer::singleShot(0, &widget, [&] {
            QMenu* menu = widget.PopupMenu1();
            caption = widget.Bekrfta1()->text();
            menu->close();
            widget.Bekrfta1()->trigger();
        });
        QContextMenuEvent e(reason, p, widget.mapToGlobal(p));
        QCoreApplication::sendEvent(&widget, &e);
        return caption;
    }
};

// The list after a new CURRENTLIST, by what it changes under a pointer that
// rested on the first call (rum ett, 11:101) of the first resource.
TCallList changedList(const QString& change)
{
    TCallList list;
    if (change == QLatin1String("call inserted above")) {
        list.push_back(MakeCall(QStringLiteral("doktor anna"), 11, 0x00C000,
                                {{QStringLiteral("rum noll"), 105, 0xFFFFFF, 45000.29},
                                 {QStringLiteral("rum ett"), 101, 0xFFFFFF, 45000.3},
                                 {QStringLiteral("rum två"), 102, 0xC0C0C0, 45000.31, 4, QStringLiteral("karin"), 45000.32}}));
    } else if (change == QLatin1String("calls cleared")) {
        list.push_back(MakeCall(QStringLiteral("doktor anna"), 11, 0x00C000));
    } else {
        return sampleList();
    }
    list.push_back(MakeCall(QStringLiteral("olle"), 12, 0x0000C0));
    list.push_back(MakeCall(QStringLiteral("pia"), 13, 0xC00000, {{QStringLiteral("lab & co"), 301, 0x80FF80, 45000.4}}));
    return list;
}

} // namespace

class TestBoardWidget : public QObject {
    Q_OBJECT
private slots:
    void selection_data();
    void selection();
    void secondConfirmationSendsAgain();
    void menuItemWithoutCallDoesNothing();
    void rightDoubleClickSendsNothing();
    void nothingHitBetweenRebuildAndRepaint();
    void replacedListOffersNothing();
    void menuKeepsWhatItOffered();
    void fractionalPositions_data();
    void fractionalPositions();
    void actionsHitTestWhereTheyHappen_data();
    void actionsHitTestWhereTheyHappen();
    void paintFailureShownOnce();
    void exposurePaintsTheBoard();
    void rotationTimer_data();
    void rotationTimer();
    void rotationShowsNextPicture();
    void failedLoadStopsRotation();
    void vanishedPicturesLeaveABlackBoard();
};

void TestBoardWidget::selection_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<bool>("callObject");
    QTest::addColumn<int>("callLopnr");
    QTest::addColumn<bool>("caller");
    QTest::addColumn<int>("callerLopnr");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("frame"); // sent by a double-click and by the menu item

    const QString none = QStringLiteral("Ingen kallelse markerad");
    QTest::newRow("header") << "header" << true << 11 << false << 0 << none << "";
    QTest::newRow("header without calls") << "empty header" << true << 12 << false << 0 << none << "";
    QTest::newRow("first call") << "first call" << true << 11 << true << 101 << "Bekräfta rum ett"
                                << "¤COMING:11:101:COMING¤";
    QTest::newRow("confirmed call") << "second call" << true << 11 << true << 102 << "Bekräfta rum två"
                                    << "¤COMING:11:102:COMING¤";
    QTest::newRow("shared row selects the upper call") << "shared row" << true << 11 << true << 101
                                                       << "Bekräfta rum ett" << "¤COMING:11:101:COMING¤";
    QTest::newRow("last row of the lower call") << "last row of second" << true << 11 << true << 102
                                                << "Bekräfta rum två" << "¤COMING:11:102:COMING¤";
    QTest::newRow("gap between columns") << "gap between columns" << false << 0 << false << 0 << none << "";
    QTest::newRow("left of the first column") << "left column edge" << false << 0 << false << 0 << none << "";
    QTest::newRow("background") << "background" << false << 0 << false << 0 << none << "";
    QTest::newRow("name with an ampersand") << "third resource call" << true << 13 << true << 301
                                            << "Bekräfta lab && co" << "¤COMING:13:301:COMING¤";
}

void TestBoardWidget::selection()
{
    QFETCH(QString, where);
    QFETCH(bool, callObject);
    QFETCH(int, callLopnr);
    QFETCH(bool, caller);
    QFETCH(int, callerLopnr);
    QFETCH(QString, caption);
    QFETCH(QString, frame);

    Fixture f;
    f.move(f.point(where));
    const CallSelection& sel = f.widget.selection();
    QCOMPARE(sel.hasCallObject, callObject);
    QCOMPARE(sel.CallLopnr, callLopnr);
    QCOMPARE(sel.hasCaller, caller);
    QCOMPARE(sel.CallerLopnr, callerLopnr);

    f.widget.PopupMenu1Popup();
    QCOMPARE(f.widget.Bekrfta1()->text(), caption);
    QVERIFY(f.widget.Bekrfta1()->isEnabled());

    const QStringList expected = frame.isEmpty() ? QStringList{} : QStringList{frame};
    f.doubleClick(f.point(where));
    QCOMPARE(f.sent, expected);
    f.sent.clear();
    f.widget.Bekrfta1()->trigger();
    QCOMPARE(f.sent, expected);
}

void TestBoardWidget::secondConfirmationSendsAgain()
{
    Fixture f;
    f.move(f.point(QStringLiteral("second call"))); // already confirmed by the server
    f.widget.Bekrfta1Click();
    f.widget.PaintBox1DblClick();
    QCOMPARE(f.sent, (QStringList{"¤COMING:11:102:COMING¤", "¤COMING:11:102:COMING¤"}));
}

void TestBoardWidget::menuItemWithoutCallDoesNothing()
{
    Fixture f;
    f.move(f.point(QStringLiteral("first call")));
    f.widget.PopupMenu1Popup();
    f.move(f.point(QStringLiteral("header")));
    f.widget.PopupMenu1Popup(); // reopened over the header: the item has no action
    f.widget.Bekrfta1()->trigger();
    f.widget.Bekrfta1Click();
    QVERIFY(f.sent.isEmpty());
}

void TestBoardWidget::rightDoubleClickSendsNothing()
{
    Fixture f;
    f.move(f.point(QStringLiteral("first call")));
    f.doubleClick(f.point(QStringLiteral("first call")), Qt::RightButton);
    QVERIFY(f.sent.isEmpty());
}

void TestBoardWidget::nothingHitBetweenRebuildAndRepaint()
{
    Fixture f;
    const QPoint p = f.point(QStringLiteral("first call"));
    f.list = sampleList(); // a new CURRENTLIST: new records, zero rectangles
    f.widget.callListReplaced();
    f.move(p);
    QVERIFY(!f.widget.selection().hasCallObject);
    f.widget.PaintBox1DblClick();
    f.widget.Bekrfta1Click();
    QVERIFY(f.sent.isEmpty());

    f.widget.PaintBox1Paint();
    f.move(p);
    QCOMPARE(f.widget.selection().CallerLopnr, 101);
}

void TestBoardWidget::replacedListOffersNothing()
{
    Fixture f;
    f.move(f.point(QStringLiteral("second call")));
    f.list.clear(); // the records the pointer was over are gone
    f.list.push_back(MakeCall(QStringLiteral("ny"), 99, 0x00FF00, {{QStringLiteral("annan"), 7}}));
    f.widget.callListReplaced();
    // Before the repaint nothing can be hit, whatever the pointer was over.
    QVERIFY(!f.widget.selection().hasCallObject);
    f.widget.PopupMenu1Popup();
    QCOMPARE(f.widget.Bekrfta1()->text(), QStringLiteral("Ingen kallelse markerad"));
    f.widget.Bekrfta1()->trigger();
    f.widget.PaintBox1DblClick();
    f.widget.Bekrfta1Click();
    QVERIFY(f.sent.isEmpty());
}

void TestBoardWidget::menuKeepsWhatItOffered()
{
    // A list can arrive while the menu is open; its item still confirms the
    // call its caption names.
    Fixture f;
    f.move(f.point(QStringLiteral("first call")));
    f.widget.PopupMenu1Popup();
    QCOMPARE(f.widget.Bekrfta1()->text(), QStringLiteral("Bekräfta rum ett"));
    f.list = changedList(QStringLiteral("calls cleared"));
    f.widget.callListReplaced();
    f.widget.PaintBox1Paint();
    f.widget.Bekrfta1()->trigger();
    QCOMPARE(f.sent, QStringList{"¤COMING:11:101:COMING¤"});
}

void TestBoardWidget::fractionalPositions_data()
{
    // On a scaled screen a pointer position falls inside a board pixel.
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("frame");
    QTest::newRow("last half pixel of a box") << "inside right edge" << "¤COMING:11:101:COMING¤";
    QTest::newRow("last half pixel of the gap") << "gap before the box" << "";
    QTest::newRow("last half pixel above the next box") << "inside bottom edge" << "¤COMING:11:102:COMING¤";
}

void TestBoardWidget::fractionalPositions()
{
    QFETCH(QString, where);
    QFETCH(QString, frame);
    Fixture f;
    const TViewRect& c1 = f.list[0]->CurrentCallList[0]->ViewRect;
    const TViewRect& c2 = f.list[0]->CurrentCallList[1]->ViewRect;
    const QPointF mid((c1.Left + c1.Right) / 2.0, (c1.Top + c1.Bottom) / 2.0);
    QPointF p;
    if (where == QLatin1String("inside right edge"))
        p = QPointF(c1.Right - 0.4, mid.y());
    else if (where == QLatin1String("gap before the box"))
        p = QPointF(c1.Left - 0.4, mid.y());
    else
        p = QPointF(mid.x(), c2.Bottom - 0.4);
    QMouseEvent e(QEvent::MouseButtonDblClick, p, f.widget.mapToGlobal(p), Qt::LeftButton, Qt::LeftButton,
                  Qt::NoModifier);
    QCoreApplication::sendEvent(&f.widget, &e);
    QCOMPARE(f.sent, frame.isEmpty() ? QStringList{} : QStringList{frame});
}

void TestBoardWidget::actionsHitTestWhereTheyHappen_data()
{
    QTest::addColumn<QString>("change");  // what happens between resting on the first call and acting
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("caption"); // of the menu, when the action opens it
    QTest::addColumn<QString>("frame");   // sent, empty for none

    const QString none = QStringLiteral("Ingen kallelse markerad");
    const QString ett = QStringLiteral("Bekräfta rum ett");
    const QString noll = QStringLiteral("Bekräfta rum noll");
    struct Row {
        const char* change;
        QString caption;
        const char* frame;
    };
    const Row rows[] = {
        {"nothing", ett, "¤COMING:11:101:COMING¤"},
        {"call inserted above", noll, "¤COMING:11:105:COMING¤"},
        {"calls cleared", none, ""},
        {"new list not drawn yet", none, ""},
        {"pointer was last seen over the second call", ett, "¤COMING:11:101:COMING¤"},
    };
    for (const Row& row : rows) {
        for (const char* action : {"double-click", "menu"}) {
            QTest::addRow("%s, %s", row.change, action)
                << QString::fromLatin1(row.change) << QString::fromLatin1(action) << row.caption
                << QString::fromUtf8(row.frame);
        }
    }
    // A menu opened from the keyboard has no position of its own: it takes
    // the pointer's, hit against the boxes as they are now.
    QTest::newRow("call inserted above, keyboard menu") << "call inserted above" << "keyboard menu" << noll
                                                        << "¤COMING:11:105:COMING¤";
    QTest::newRow("new list not drawn yet, keyboard menu") << "new list not drawn yet" << "keyboard menu" << none << "";
}

void TestBoardWidget::actionsHitTestWhereTheyHappen()
{
    QFETCH(QString, change);
    QFETCH(QString, action);
    QFETCH(QString, caption);
    QFETCH(QString, frame);

    Fixture f;
    const QPoint p = f.point(QStringLiteral("first call"));
    f.move(p);
    QCOMPARE(f.widget.selection().CallerLopnr, 101);

    if (change == QLatin1String("pointer was last seen over the second call")) {
        f.move(f.point(QStringLiteral("second call")));
    } else if (change == QLatin1String("new list not drawn yet")) {
        f.list = changedList(QStringLiteral("call inserted above"));
        f.widget.callListReplaced();
    } else if (change != QLatin1String("nothing")) {
        f.list = changedList(change);
        f.widget.callListReplaced();
        f.widget.PaintBox1Paint(); // the repaint the new list asked for; the pointer has not moved
    }

    const QStringList expected = frame.isEmpty() ? QStringList{} : QStringList{frame};
    if (action == QLatin1String("double-click")) {
        f.doubleClick(p);
    } else if (action == QLatin1String("menu")) {
        QCOMPARE(f.contextMenu(p), caption);
    } else {
        QCOMPARE(f.contextMenu(QPoint(f.widget.width() / 2, f.widget.height() / 2), QContextMenuEvent::Keyboard),
                 caption);
    }
    QCOMPARE(f.sent, expected);
}

void TestBoardWidget::paintFailureShownOnce()
{
    Fixture f;
    for (auto& c : f.list)
        c->CallName.clear(); // every name zero wide: the header geometry divides by zero
    f.widget.PaintBox1Paint();
    f.widget.PaintBox1Paint();
    QCoreApplication::processEvents();
    QCOMPARE(f.messages.infos, QStringList{"Det gick inte att rita om skärmen!\r\rDivision by zero"});

    // After a good paint, a new failure is told again; the program goes on.
    f.list = sampleList();
    f.widget.PaintBox1Paint();
    for (auto& c : f.list)
        c->CallName.clear();
    f.widget.PaintBox1Paint();
    QCoreApplication::processEvents();
    QCOMPARE(f.messages.infos.size(), 2);
}

void TestBoardWidget::exposurePaintsTheBoard()
{
    Fixture f;
    f.widget.setKliniknamn(QStringLiteral("Vårdcentralen"));
    const QImage shown = f.widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown.size(), QSize(900, 600));
    QCOMPARE(shown, f.widget.boardImage());
    QCOMPARE(f.list[0]->ViewRect.Left, 1);
}

void TestBoardWidget::rotationTimer_data()
{
    QTest::addColumn<int>("minutes");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("active");
    QTest::addColumn<int>("intervalMs");
    QTest::newRow("default 3 minutes") << 3 << true << true << 180000;
    QTest::newRow("switched off") << 3 << false << false << 180000;
    QTest::newRow("one minute") << 1 << true << true << 60000;
    QTest::newRow("zero minutes does not spin") << 0 << true << false << 60000;
    QTest::newRow("negative minutes") << -4 << true << false << 60000;
    QTest::newRow("huge minutes clamped") << 100000000 << true << true << 35791 * 60000;
}

void TestBoardWidget::rotationTimer()
{
    QFETCH(int, minutes);
    QFETCH(bool, enabled);
    QFETCH(bool, active);
    QFETCH(int, intervalMs);
    Fixture f;
    f.widget.setBackgroundRotation(minutes, enabled);
    QCOMPARE(f.widget.backgroundTimerActive(), active);
    QCOMPARE(f.widget.backgroundTimerIntervalMs(), intervalMs);
}

void TestBoardWidget::rotationShowsNextPicture()
{
    QTemporaryDir dir;
    const QString path = dir.path() + QLatin1Char('/');
    QVERIFY(savePicture(path + "TESK_VistorBackground_0.bmp", qRgb(255, 0, 0)));
    QVERIFY(savePicture(path + "TESK_VistorBackground_1.bmp", qRgb(0, 255, 0)));

    Fixture f;
    f.list.clear(); // background only
    f.widget.setCurrentPath(path);
    f.widget.LoadBackground();
    f.widget.PaintBox1Paint();
    QCOMPARE(f.widget.boardImage().pixel(10, 10), qRgb(255, 0, 0));
    for (QRgb expected : {qRgb(0, 255, 0), qRgb(255, 0, 0), qRgb(0, 255, 0)}) {
        f.widget.BackGroundTimerTimer();
        f.widget.PaintBox1Paint();
        QCOMPARE(f.widget.boardImage().pixel(10, 10), expected);
    }
    QCOMPARE(f.widget.CurrBackGround(), 1);
    QVERIFY(f.messages.infos.isEmpty());
}

void TestBoardWidget::failedLoadStopsRotation()
{
    QTemporaryDir dir;
    const QString path = dir.path() + QLatin1Char('/');
    QVERIFY(savePicture(path + "TESK_VistorBackground_0.bmp", qRgb(255, 0, 0)));
    QFile bad(path + "TESK_VistorBackground_1.bmp");
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("not a picture");
    bad.close();

    Fixture f;
    f.widget.setCurrentPath(path);
    f.widget.setBackgroundRotation(3, true);
    f.widget.LoadBackground();
    QVERIFY(f.widget.backgroundTimerActive());
    f.widget.BackGroundTimerTimer();
    QCOMPARE(f.messages.infos.size(), 1);
    QVERIFY(f.messages.infos[0].startsWith(QStringLiteral("Det gick inte att byta bakgrundsbild!\r\r")));
    QVERIFY(f.messages.infos[0].size() > 40); // the reason follows
    QVERIFY(!f.widget.backgroundTimerActive());
    f.widget.setBackgroundRotation(3, true); // stopped for good
    QVERIFY(!f.widget.backgroundTimerActive());
    f.list.clear(); // background only
    f.widget.PaintBox1Paint(); // the board goes on
    QVERIFY(!f.widget.boardImage().isNull());
    // with the picture it showed before, not a black board for the rest of the day
    QCOMPARE(f.widget.boardImage().pixel(10, 10), qRgb(255, 0, 0));
}

// Pictures deleted while the rotation runs leave the board black (there is
// nothing to show), and the shown board must follow at its next paint, not
// keep the picture until some list happens to arrive.
void TestBoardWidget::vanishedPicturesLeaveABlackBoard()
{
    QTemporaryDir dir;
    const QString path = dir.path() + QLatin1Char('/');
    QVERIFY(savePicture(path + "TESK_VistorBackground_0.bmp", qRgb(255, 0, 0)));

    Fixture f;
    f.list.clear(); // background only
    f.widget.setCurrentPath(path);
    f.widget.LoadBackground();
    f.widget.show(); // a hidden widget is resized afresh at every grab
    QVERIFY(QTest::qWaitForWindowExposed(&f.widget));
    QCOMPARE(f.widget.grab().toImage().pixel(10, 10), qRgb(255, 0, 0));
    QVERIFY(QFile::remove(path + "TESK_VistorBackground_0.bmp"));
    f.widget.BackGroundTimerTimer();
    QCOMPARE(f.widget.grab().toImage().pixel(10, 10), qRgb(0, 0, 0));
    QVERIFY(f.messages.infos.isEmpty());
}

QTEST_MAIN(TestBoardWidget)
#include "test_boardwidget.moc"
