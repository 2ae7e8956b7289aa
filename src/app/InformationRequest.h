#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace tesk {

// "--version" and "--help" (or "-h") print their text and end the program
// before any window or display is needed, so they work over ssh. Any other
// argument is a NAME=value start parameter. Returns the text to print, or
// nothing when the program is to start.
std::optional<QString> InformationRequest(const QStringList& arguments);

} // namespace tesk
