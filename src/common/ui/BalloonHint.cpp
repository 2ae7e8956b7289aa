#include "common/ui/BalloonHint.h"

#include "common/TextHelpers.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

#include <algorithm>

namespace tesk {
namespace {

constexpr int kMargin = 10;
constexpr int kGap = 8;           // between icon and text, title and description
constexpr int kPointerHeight = 14;
constexpr int kPointerWidth = 18;
constexpr int kPointerInset = 24; // preferred distance of the tip from the balloon's left edge
constexpr int kMaxTextWidth = 420;
constexpr int kRadius = 8;

const QColor kFill(255, 255, 225);
const QColor kBorder(118, 118, 118);

QFont titleFont(const QFont& base)
{
    QFont f = base;
    f.setBold(true);
    return f;
}

QRect descriptionRect(const QFont& font, const QString& text)
{
    return QFontMetrics(font).boundingRect(QRect(0, 0, kMaxTextWidth, 10000), Qt::TextWordWrap | Qt::AlignLeft,
                                           ScreenText(text));
}

QRect availableAround(QPoint p)
{
    QScreen* screen = QGuiApplication::screenAt(p);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(p - QPoint(400, 300), QSize(800, 600));
}

} // namespace

BalloonHint::BalloonHint(QWidget* parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground);
    m_hideTimer.setSingleShot(true);
    connect(&m_hideTimer, &QTimer::timeout, this, &QWidget::hide);
}

int BalloonHint::ImageIndexForKind(int kind)
{
    switch (kind) {
    case 1:
        return 2;
    case 3:
        return 1;
    default:
        return 0;
    }
}

QImage BalloonHint::Image(int index)
{
    QImage image(IconSize, IconSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const bool error = index == 2;
    p.setBrush(error ? QColor(204, 32, 32) : QColor(30, 96, 200));
    p.drawEllipse(QRectF(1, 1, 30, 30));
    p.setBrush(Qt::white);
    if (error) {
        p.setPen(QPen(Qt::white, 4.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(10, 10), QPointF(22, 22));
        p.drawLine(QPointF(22, 10), QPointF(10, 22));
    } else if (index == 1) {
        // The question mark as a stroke: an arc, a stem and a dot.
        QPainterPath hook;
        hook.moveTo(11.5, 12.5);
        hook.cubicTo(11.5, 6.0, 21.0, 6.0, 21.0, 12.0);
        hook.cubicTo(21.0, 15.5, 16.0, 15.5, 16.0, 20.0);
        p.setPen(QPen(Qt::white, 3.5, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawPath(hook);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(13.8, 22.5, 4.4, 4.4));
    } else {
        p.drawEllipse(QRectF(13.6, 6.0, 4.8, 4.8));
        p.drawRect(QRectF(13.8, 12.5, 4.4, 13.5));
    }
    return image;
}

void BalloonHint::showAtWindow(const QString& title, const QString& description, const QWidget* window,
                               int hideAfterMs, int imageIndex)
{
    QPoint anchor;
    if (window) {
        const QRect frame = window->isWindow() ? window->frameGeometry()
                                               : QRect(window->mapToGlobal(QPoint(0, 0)), window->size());
        anchor = QPoint(frame.center().x(), frame.bottom());
    }
    present(title, description, anchor, hideAfterMs, imageIndex);
}

void BalloonHint::showAtPoint(const QString& title, const QString& description, QPoint screenPoint,
                              int hideAfterMs, int imageIndex)
{
    present(title, description, screenPoint, hideAfterMs, imageIndex);
}

QSize BalloonHint::bodySize() const
{
    const QFontMetrics titleMetrics(titleFont(font()));
    const QRect text = descriptionRect(font(), m_description);
    const int textWidth = std::min(kMaxTextWidth, std::max(titleMetrics.horizontalAdvance(m_title), text.width()));
    const int textHeight = titleMetrics.height() + kGap + text.height();
    return {kMargin + IconSize + kGap + textWidth + kMargin, kMargin + std::max(IconSize, textHeight) + kMargin};
}

void BalloonHint::present(const QString& title, const QString& description, QPoint anchor, int hideAfterMs,
                          int imageIndex)
{
    m_title = title;
    m_description = description;
    m_imageIndex = (imageIndex >= 0 && imageIndex <= 2) ? imageIndex : 0;

    const QSize body = bodySize();
    const QSize total(body.width(), body.height() + kPointerHeight);
    const QRect screen = availableAround(anchor);
    // Keep the tip on the screen, then the balloon beside it.
    m_tip = QPoint(std::clamp(anchor.x(), screen.left(), screen.right()),
                   std::clamp(anchor.y(), screen.top(), screen.bottom()));
    m_pointerUp = m_tip.y() + total.height() <= screen.bottom() + 1 || m_tip.y() - total.height() < screen.top();
    int left = m_tip.x() - kPointerInset;
    left = std::max(screen.left(), std::min(left, screen.right() + 1 - total.width()));
    const int top = m_pointerUp ? m_tip.y() : m_tip.y() - total.height() + 1;
    m_pointerX = std::clamp(m_tip.x() - left, kRadius + kPointerWidth / 2, total.width() - kRadius - kPointerWidth / 2);

    setFixedSize(total);
    move(left, top);
    update();
    show();
    raise();

    m_hideTimer.stop();
    if (hideAfterMs > 0) {
        m_hideTimer.setInterval(hideAfterMs);
        m_hideTimer.start();
    }
}

void BalloonHint::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);

    const int bodyTop = m_pointerUp ? kPointerHeight : 0;
    const QRectF body(0.5, bodyTop + 0.5, width() - 1.0, height() - kPointerHeight - 1.0);
    QPainterPath outline;
    outline.addRoundedRect(body, kRadius, kRadius);
    QPainterPath pointer;
    const qreal half = kPointerWidth / 2.0;
    if (m_pointerUp) {
        pointer.moveTo(m_pointerX - half, body.top() + 1);
        pointer.lineTo(m_pointerX, 0.5);
        pointer.lineTo(m_pointerX + half, body.top() + 1);
    } else {
        pointer.moveTo(m_pointerX - half, body.bottom() - 1);
        pointer.lineTo(m_pointerX, height() - 0.5);
        pointer.lineTo(m_pointerX + half, body.bottom() - 1);
    }
    pointer.closeSubpath();
    outline = outline.united(pointer);

    p.setPen(QPen(kBorder, 1));
    p.setBrush(kFill);
    p.drawPath(outline);

    const int top = bodyTop + kMargin;
    p.drawImage(QPoint(kMargin, top), Image(m_imageIndex));

    const int textLeft = kMargin + IconSize + kGap;
    const int textWidth = width() - textLeft - kMargin;
    p.setPen(Qt::black);
    const QFont bold = titleFont(font());
    p.setFont(bold);
    const int titleHeight = QFontMetrics(bold).height();
    p.drawText(QRect(textLeft, top, textWidth, titleHeight), Qt::AlignLeft | Qt::AlignTop, m_title);
    p.setFont(font());
    p.drawText(QRect(textLeft, top + titleHeight + kGap, textWidth, height()), Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop,
               ScreenText(m_description));
}

void BalloonHint::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    hide();
}

void BalloonHint::hideEvent(QHideEvent* event)
{
    m_hideTimer.stop();
    QWidget::hideEvent(event);
    emit hidden();
}

} // namespace tesk
