#pragma once

#include <QByteArray>
#include <QString>

namespace tesk {

// Every byte on the wire is Windows-1252: one character, one byte, so
// positions in the text and in the bytes agree. Our own table keeps this
// independent of whichever codecs the Qt build happens to carry.

// All 256 bytes decode (the five unassigned ones to their C1 control code).
QString FromAnsi(const QByteArray& bytes);

// A character the code page cannot hold becomes "?".
QByteArray ToAnsi(const QString& text);

} // namespace tesk
