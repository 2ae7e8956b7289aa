#include "platform/BringToFront.h"

#include <QWindow>

namespace tesk {

void BringToFront(QWindow* window)
{
    if (!window)
        return;
    window->raise();
    window->requestActivate();
}

} // namespace tesk
