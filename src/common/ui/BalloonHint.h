#pragma once

#include <QImage>
#include <QPoint>
#include <QTimer>
#include <QWidget>

namespace tesk {

// The program's balloon: a frameless callout with a pointer, an icon, a
// bold title and a description, that hides itself after a while or when
// clicked. One object is reused: showing it again replaces what it shows,
// its place and its hide time.
class BalloonHint : public QWidget {
    Q_OBJECT
public:
    static constexpr int IconSize = 32;

    explicit BalloonHint(QWidget* parent = nullptr);

    // Points at a window: below its bottom edge in the middle, or above it
    // when the screen has no room below.
    void showAtWindow(const QString& title, const QString& description, const QWidget* window, int hideAfterMs,
                      int imageIndex);
    // Points at a point in screen coordinates: the pointer's tip is there.
    void showAtPoint(const QString& title, const QString& description, QPoint screenPoint, int hideAfterMs,
                     int imageIndex);

    QString title() const { return m_title; }
    QString description() const { return m_description; }
    int imageIndex() const { return m_imageIndex; }
    // Screen position of the pointer's tip.
    QPoint pointerTip() const { return m_tip; }
    // Single shot; not running when the balloon stays until clicked
    // (a hide time of 0 or less).
    const QTimer& hideTimer() const { return m_hideTimer; }

    // Balloon kinds: 1 error, 2 information, 3 question; others information.
    static int ImageIndexForKind(int kind);
    // The three images, 32 x 32: 0 an i on a blue disc, 1 a question mark on
    // a blue disc, 2 a white cross on a red disc. Other indices give 0.
    static QImage Image(int index);

signals:
    void hidden();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void present(const QString& title, const QString& description, QPoint anchor, int hideAfterMs, int imageIndex);
    QSize bodySize() const;

    QString m_title;
    QString m_description;
    int m_imageIndex = 0;
    QPoint m_tip;
    bool m_pointerUp = true; // balloon below its anchor, pointer on top
    int m_pointerX = 0;      // tip's x inside the widget
    QTimer m_hideTimer;
};

} // namespace tesk
