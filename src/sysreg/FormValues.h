#pragma once

#include <QString>

class QSpinBox;

namespace tesk {

// How the dialog writes check boxes: "-1" checked, "0" clear.
inline QString BoolText(bool value)
{
    return value ? QStringLiteral("-1") : QStringLiteral("0");
}

// The frame sign "¤" ends a frame on the wire wherever it stands: a text
// holding it would break the settings frame it is stored in and corrupt
// the server's copies.
inline bool HoldsFrameSign(const QString& text)
{
    return text.contains(QChar(0x00A4));
}
inline const QString FrameSignRefused = QStringLiteral("Texten får inte innehålla tecknet '¤'.");

// A spin box as typed: its text read as a decimal integer, the box's lower
// bound when the text is not one (an emptied box).
int SpinBoxValue(const QSpinBox& box);
// The same for a box without real bounds: `empty` when the text is not one.
int SpinBoxValue(const QSpinBox& box, int empty);

} // namespace tesk
