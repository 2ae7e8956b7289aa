#pragma once

#include "display/board/HlsColor.h"
#include "protocol/Records.h"

#include <QWidget>

namespace tesk {

// The round connection lamp of the status bar.
class StatusLamp : public QWidget {
    Q_OBJECT
public:
    static constexpr TColor Red = 255;     // not connected
    static constexpr TColor Green = 32768; // connected

    explicit StatusLamp(QWidget* parent = nullptr);

    void setColor(TColor color);
    TColor color() const { return m_color; }

    QSize sizeHint() const override { return {25, 25}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TColor m_color = Red;
};

} // namespace tesk
