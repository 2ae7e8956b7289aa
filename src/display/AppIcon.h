#pragma once

#include <QIcon>

namespace tesk {

// The program's icon for the window and the tray, drawn rather than shipped.
QIcon AppIcon();

} // namespace tesk
