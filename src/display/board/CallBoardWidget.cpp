#include "display/board/CallBoardWidget.h"

#include "common/LogCategories.h"
#include "common/TextHelpers.h"
#include "common/UserMessages.h"
#include "display/board/HlsColor.h"
#include "display/board/WaitingTime.h"
#include "protocol/DateTimeValue.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
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
    : CallBoardWidget(callList, messages, std::move(send), {}, parent)
{
}

CallBoardWidget::CallBoardWidget(TCallList& callList, UserMessages& messages, SendFunction send, Clock clock,
                                 QWidget* parent)
    : QWidget(parent), m_callList(callList), m_messages(messages), m_send(std::move(send)), m_clock(std::move(clock))
{
    if (!m_clock)
        m_clock = [] { return ToDateTimeValue(QDateTime::currentDateTime()); };
    // Set anew at each tick for the next whole minute; precise, as a coarse
    // timer may fire a little before the minute turns.
    m_minuteTimer.setSingleShot(true);
    m_minuteTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_minuteTimer, &QTimer::timeout, this, &CallBoardWidget::minuteTick);
    // 1 Hz: half a second on, half a second off.
    m_blinkTimer.setInterval(500);
    connect(&m_blinkTimer, &QTimer::timeout, this, &CallBoardWidget::blinkTick);

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
    composeNeeded();
}

void CallBoardWidget::composeNeeded()
{
    m_composeNeeded = true;
    update();
}

void CallBoardWidget::setWallSettings(const WallSettings& settings)
{
    m_wall = settings;
    // The settings come again at every connection: a running timer already
    // waits for the next whole minute and keeps doing so.
    if (!(m_wall.ShowWaitingTime || m_wall.EscalateAfterMinutes > 0))
        m_minuteTimer.stop();
    else if (!m_minuteTimer.isActive())
        armMinuteTimer(m_clock());
    composeNeeded();
}

void CallBoardWidget::setBrightness(int percent)
{
    percent = std::clamp(percent, 0, 100);
    if (percent == m_brightness)
        return;
    m_brightness = percent;
    update();
}

void CallBoardWidget::armMinuteTimer(TDateTime now)
{
    const double minutes = now * 1440.0;
    const double ms = std::ceil((std::floor(minutes) + 1.0 - minutes) * 60000.0);
    // A clock that cannot be read as a time (not finite) still ticks once a minute.
    m_minuteTimer.start(std::isfinite(ms) ? int(std::clamp(ms, 1.0, 60000.0)) : 60000);
}

namespace {
QRect toRect(const TViewRect& r) { return QRect(QPoint(r.Left, r.Top), QPoint(r.Right - 1, r.Bottom - 1)); }
} // namespace

QRegion CallBoardWidget::minuteTick()
{
    // One reading for every box: read per box, a minute turning halfway
    // through would show neighbours a minute apart.
    const TDateTime now = m_clock();
    if (m_wall.ShowWaitingTime || m_wall.EscalateAfterMinutes > 0)
        armMinuteTimer(now);
    if (m_composeNeeded || m_listAwaitingPaint || boardOutOfDate()) {
        // A composition is on its way anyway and draws the minutes of then.
        update();
        return QRegion(rect());
    }
    QRegion changed;
    if (m_wall.ShowWaitingTime) {
        // The records are those of the last composition (no new list since).
        const std::optional<QRegion> redrawn = m_board.refreshWaitingTimes(m_callList, now);
        if (!redrawn) {
            composeNeeded();
            return QRegion(rect());
        }
        changed = *redrawn & QRegion(rect());
        if (!changed.isEmpty())
            update(changed);
    }
    updateEscalation(now);
    return changed;
}

bool CallBoardWidget::boardOutOfDate() const
{
    // The screen decides the ratio, and a window can move to another screen.
    return m_board.size() != size() || m_board.devicePixelRatio() != devicePixelRatioF();
}

void CallBoardWidget::updateEscalation(TDateTime now)
{
    const QRegion before = m_escalated;
    m_escalated = QRegion();
    m_escalationMarks.clear();
    if (m_wall.EscalateAfterMinutes > 0) {
        for (const auto& call : m_callList) {
            if (!call)
                continue;
            for (const auto& caller : call->CurrentCallList) {
                if (!caller || caller->CallComingLopnr > 0 || caller->ViewRect.Right <= caller->ViewRect.Left
                    || !WaitedLongerThan(caller->CallTimeStamp, now, m_wall.EscalateAfterMinutes))
                    continue;
                const QRect box = toRect(caller->ViewRect);
                m_escalated += box;
                m_escalationMarks.emplace_back(box, EscalationFrameColour(call->CallColour, caller->CallerColour));
            }
        }
    }
    if (m_escalated.isEmpty()) {
        m_blinkTimer.stop();
        m_blinkOn = false;
    } else if (!m_blinkTimer.isActive()) {
        m_blinkOn = true;
        m_blinkTimer.start();
    }
    if (m_escalated != before)
        update(m_escalated.united(before));
}

QRegion CallBoardWidget::blinkTick()
{
    if (m_escalated.isEmpty())
        return {};
    m_blinkOn = !m_blinkOn;
    update(m_escalated);
    return m_escalated;
}

const BoardSettings& CallBoardWidget::boardSettings() const { return m_board.settings(); }

void CallBoardWidget::setKliniknamn(const QString& name)
{
    m_board.setKliniknamn(name);
    composeNeeded();
}

QString CallBoardWidget::kliniknamn() const { return m_board.kliniknamn(); }

void CallBoardWidget::callListReplaced()
{
    // Nothing selected is held, so nothing needs forgetting: the new records
    // carry zero rectangles and are hit only after they have been drawn.
    m_listAwaitingPaint = true;
    composeNeeded();
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
        // No picture left to load is a change too: the board turns black.
        m_background.LoadBackground();
        m_board.setBackgroundPicture(m_background.picture());
        composeNeeded();
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
    const TDateTime now = m_clock();
    m_board.setWaitingTime(m_wall.ShowWaitingTime, now);
    try {
        m_board.PaintBox1Paint(m_callList);
        m_lastFailure.clear();
        m_composeNeeded = false;
        updateEscalation(now);
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
    if (m_blinkOn) {
        // A frame inside the box, thick enough to catch the eye across a
        // room, in the colour the resource's name is written in.
        for (const auto& [box, colour] : m_escalationMarks) {
            const int t = std::max(3, std::min(box.width(), box.height()) / 12);
            const QColor c = ToQColor(colour);
            painter.fillRect(QRect(box.left(), box.top(), box.width(), t), c);
            painter.fillRect(QRect(box.left(), box.bottom() - t + 1, box.width(), t), c);
            painter.fillRect(QRect(box.left(), box.top(), t, box.height()), c);
            painter.fillRect(QRect(box.right() - t + 1, box.top(), t, box.height()), c);
        }
    }
    if (m_brightness < 100)
        painter.fillRect(QRect(QPoint(0, 0), m_board.size()), QColor(0, 0, 0, (100 - m_brightness) * 255 / 100));
    // The banner stays bright: a stale board is news at night too.
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

void CallBoardWidget::paintEvent(QPaintEvent* event)
{
    // What lies over the board (a blink, the banner, the dimming) and an
    // exposure leave the composed board as it is.
    Q_UNUSED(event);
    if (m_composeNeeded || boardOutOfDate())
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
    m_composeNeeded = true;
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
