#pragma once

#include <QStringList>

namespace tesk {

// The names of the desktop's sound events, in the platform's order: the
// event labels of Windows ("\AppEvents\EventLabels" of the current user),
// or the event names of the installed freedesktop sound theme. Empty when
// there are none.
QStringList SoundEventLabels();

} // namespace tesk
