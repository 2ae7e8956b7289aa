#include "display/board/CallBoardWidget.h"

#include "common/LogCategories.h"
#include "common/TextHelpers.h"
#include "common/UserMessages.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>

namespace tesk {
namespace {

const QString kPaintFailure = QStringLiteral("Det gick inte att rita om skärmen!\r\r");
const QString kBackgroundFailure = QStringLiteral("Det gick inte att byta bakgrundsbild!\r\r");
const QString kFirstBackgroundFailure = QStringLiteral("Error loading background bitmap!\r\r");
const QString kConfirm = QStringLiteral("Bekräfta ");
const QString kNothingSelected = QStringLiteral("Ingen kallelse markerad");

// The board pixel a pointer position lies in. Positions are fractional on a
// scaled screen; a pixel holds every position from its left edge up to (not
// including) the next one, which is how ViewRect counts.
QPoint boardPoint(const QPointF& pos) { return QPoint(int(std::floor(pos.x())), int(std::floor(pos.y()))); }

// QTimer's interval is an int of milliseconds.
constexpr int kMaxIntervalMinutes = std::numeric_limits<int>::max() / 60000;

} // namespace

CallBoardWidget::CallBoardWidget(TCallList& callList, UserMessages& messages, SendFunction send, QWidget* parent)
    : QWidget(parent), m_callList(callList), m_messages(messages), m_send(std::move(send))
{
    setAutoFillBackground(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    setMouseTracking(true);
    setContextMenuPolicy(Qt::DefaultContextMenu);

    m_menu = new QMenu(this);
    m_confirmItem = m_menu->addAction(QStringLiteral("Bekräfta"));
    connect(m_confirmItem, &QAction::triggered, this, &CallBoardWidget::menuItemChosen);

    m_backGroundTimer.setSingleShot(false);
    connect(&m_backGroundTimer, &QTimer::timeout, this, &CallBoardWidget::BackGroundTimerTimer);
}

CallBoardWidget::~CallBoardWidget() = default;

void CallBoardWidget::setBoardSettings(const BoardSettings& settings)
{
    m_board.setSettings(settings);
    update();
}

const BoardSettings& CallBoardWidget::boardSettings() const { return m_board.settings(); }

void CallBoardWidget::setKliniknamn(const QString& name)
{
    m_board.setKliniknamn(name);
    update();
}

QString CallBoardWidget::kliniknamn() const { return m_board.kliniknamn(); }

void CallBoardWidget::callListReplaced()
{
    // Nothing selected is held, so nothing needs forgetting: the new records
    // carry zero rectangles and are hit only after they have been drawn.
    m_listAwaitingPaint = true;
    update();
}

void CallBoardWidget::setBannerText(const QString& text)
{
    if (text == m_banner.text())
        return;
    // The band of the old text and of the new one both change.
    const QRect before = m_banner.rect(size());
    m_banner.setText(text);
    update(before.united(m_banner.rect(size())));
}

void CallBoardWidget::setCurrentPath(const QString& path) { m_background.setCurrentPath(path); }

void CallBoardWidget::LoadBackground()
{
    if (const QString failure = loadPicture(); !failure.isEmpty()) {
        qCWarning(lcBoard).noquote() << "background picture failed, rotation stopped:" << failure;
        m_backGroundTimer.stop();
        m_rotationFailed = true;
        m_messages.ShowInfoMessage(kBackgroundFailure + failure);
    }
}

void CallBoardWidget::LoadFirstBackground()
{
    if (const QString failure = loadPicture(); !failure.isEmpty()) {
        qCWarning(lcBoard).noquote() << "first background picture failed:" << failure;
        m_messages.ShowInfoMessage(kFirstBackgroundFailure + failure);
    }
}

QString CallBoardWidget::loadPicture()
{
    try {
        const bool loaded = m_background.LoadBackground();
        m_board.setBackgroundPicture(m_background.picture());
        if (loaded)
            update();
        return {};
    } catch (const std::exception& e) {
        m_board.setBackgroundPicture(m_background.picture());
        const QString reason = ExceptionText(e);
        return reason.isEmpty() ? QStringLiteral("?") : reason;
    }
}

void CallBoardWidget::BackGroundTimerTimer()
{
    m_background.setCurrBackGround(m_background.CurrBackGround() < std::numeric_limits<int>::max()
                                       ? m_background.CurrBackGround() + 1
                                       : 0);
    LoadBackground(); // reports a failure and stops the rotation
}

void CallBoardWidget::setBackgroundRotation(int minutes, bool enabled)
{
    m_backGroundTimer.setInterval(std::clamp(minutes, 1, kMaxIntervalMinutes) * 60000);
    if (enabled && minutes > 0 && !m_rotationFailed)
        m_backGroundTimer.start();
    else
        m_backGroundTimer.stop();
}

bool CallBoardWidget::backgroundTimerActive() const { return m_backGroundTimer.isActive(); }

int CallBoardWidget::backgroundTimerIntervalMs() const { return m_backGroundTimer.interval(); }

int CallBoardWidget::CurrBackGround() const { return m_background.CurrBackGround(); }

void CallBoardWidget::PaintBox1Paint()
{
    if (m_board.size() != size())
        m_board.resize(size());
    // The screen decides, and a window can move to another screen between
    // paints.
    if (m_board.devicePixelRatio() != devicePixelRatioF())
        m_board.setDevicePixelRatio(devicePixelRatioF());
    try {
        m_board.PaintBox1Paint(m_callList);
        m_lastFailure.clear();
        if (m_listAwaitingPaint) {
            // Several lists in quick succession may share one paint.
            m_listAwaitingPaint = false;
            ++m_listsPainted;
            qCDebug(lcBoard) << "call list painted:" << m_listsPainted << "so far," << m_callList.size()
                             << "resources";
        }
    } catch (const std::exception& e) {
        reportPaintFailure(ExceptionText(e));
    }
}

const QImage& CallBoardWidget::boardImage() const { return m_board.image(); }

QImage CallBoardWidget::shownImage() const
{
    QImage shown = m_board.image().copy();
    if (shown.isNull())
        return shown;
    QPainter p(&shown);
    paintOverlays(p);
    return shown;
}

void CallBoardWidget::paintOverlays(QPainter& painter) const
{
    if (m_banner.shown())
        m_banner.draw(painter, m_board.size(), m_board.settings().TESKShowFontName);
}

CallBoard& CallBoardWidget::renderer() { return m_board; }

void CallBoardWidget::reportPaintFailure(const QString& reason)
{
    // A board that cannot be drawn fails again at every repaint; tell the
    // user once, and not from inside the paint (a modal box there would
    // expose the board and paint again).
    if (m_failureShowing || reason == m_lastFailure)
        return;
    m_lastFailure = reason;
    qCWarning(lcBoard).noquote() << "the board could not be drawn:" << reason;
    QTimer::singleShot(0, this, [this, reason] {
        m_failureShowing = true;
        m_messages.ShowInfoMessage(kPaintFailure + reason);
        m_failureShowing = false;
    });
}

void CallBoardWidget::PaintBox1MouseMove(int x, int y) { m_pointer = QPoint(x, y); }

void CallBoardWidget::PopupMenu1Popup(int x, int y)
{
    m_pointer = QPoint(x, y);
    PopupMenu1Popup();
}

void CallBoardWidget::PopupMenu1Popup()
{
    m_menuSelection = selection();
    if (m_menuSelection.hasCaller) {
        QString name = m_menuSelection.CallerName;
        name.replace(QLatin1Char('&'), QStringLiteral("&&")); // shown as typed, not as a shortcut
        m_confirmItem->setText(kConfirm + name);
    } else {
        m_confirmItem->setText(kNothingSelected);
    }
    m_confirmItem->setEnabled(true);
}

void CallBoardWidget::menuItemChosen()
{
    // The call the caption named, even when a list arrived while the menu
    // was open: that is the one the user chose.
    if (m_menuSelection.hasCaller && m_send)
        m_send(ComingFrame(m_menuSelection.CallLopnr, m_menuSelection.CallerLopnr));
}

void CallBoardWidget::Bekrfta1Click()
{
    const CallSelection sel = selection();
    if (!sel.hasCaller || !m_send)
        return;
    m_send(ComingFrame(sel.CallLopnr, sel.CallerLopnr));
}

void CallBoardWidget::PaintBox1DblClick(int x, int y)
{
    m_pointer = QPoint(x, y);
    PaintBox1DblClick();
}

void CallBoardWidget::PaintBox1DblClick() { Bekrfta1Click(); }

CallSelection CallBoardWidget::selection() const
{
    return m_pointer ? HitTestBoard(m_callList, m_pointer->x(), m_pointer->y()) : CallSelection{};
}

QMenu* CallBoardWidget::PopupMenu1() const { return m_menu; }

QAction* CallBoardWidget::Bekrfta1() const { return m_confirmItem; }

void CallBoardWidget::paintEvent(QPaintEvent*)
{
    PaintBox1Paint();
    QPainter p(this);
    const QImage& img = m_board.image();
    if (img.isNull()) {
        p.fillRect(rect(), Qt::black);
        return;
    }
    p.drawImage(QPoint(0, 0), img);
    paintOverlays(p);
}

void CallBoardWidget::resizeEvent(QResizeEvent* event)
{
    m_board.resize(size());
    QWidget::resizeEvent(event);
}

void CallBoardWidget::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = boardPoint(event->position());
    PaintBox1MouseMove(pos.x(), pos.y());
    QWidget::mouseMoveEvent(event);
}

void CallBoardWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        const QPoint pos = boardPoint(event->position());
        PaintBox1DblClick(pos.x(), pos.y());
    }
    QWidget::mouseDoubleClickEvent(event);
}

void CallBoardWidget::contextMenuEvent(QContextMenuEvent* event)
{
    // A menu key opens the menu at some point of the window's choosing; the
    // call meant is the one under the pointer.
    if (event->reason() == QContextMenuEvent::Mouse)
        PopupMenu1Popup(event->pos().x(), event->pos().y());
    else
        PopupMenu1Popup();
    m_menu->exec(event->globalPos());
}

} // namespace tesk
