#pragma once

#include <QString>
#include <QStringView>

#include <exception>

namespace tesk {

// Removes leading and trailing characters up to and including the space
// (U+0020): control characters count as blank on the wire and in settings.
QString TrimBlank(const QString& text);
QStringView TrimBlankView(QStringView text);
inline bool IsBlank(const QString& text) { return TrimBlank(text).isEmpty(); }

// Field `index` (from 0) of `text` split at `separator`, trimmed as above;
// empty past the last field.
QString GetField(const QString& text, int index, QChar separator);

// True when text starts with four "."-separated decimal numbers 0..255;
// whatever follows the fourth number is ignored.
bool IsIPv4Address(const QString& text);

// The program's texts break lines with "\r"; on screen that is a line break
// ("\r\n" counts as one).
QString ScreenText(const QString& text);

// A value read from the wire or the settings: a trimmed decimal integer,
// anything else gives the default.
int ReadInt(const QString& text, int defaultValue);
int ReadInt(QStringView text, int defaultValue);

// Any number (0 false, other true) or "True"/"False" in any case; anything
// else, "ERROR" included, gives the default.
bool ReadBool(const QString& text, bool defaultValue);

// The message of a failure for the user. Our own and Qt's texts are UTF-8
// whatever the system's code page, so "Väntrum" reads right everywhere.
QString ExceptionText(const std::exception& failure);

} // namespace tesk
