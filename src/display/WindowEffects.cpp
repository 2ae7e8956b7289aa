#include "display/WindowEffects.h"

#include "display/MainWindow.h"

namespace tesk {

WindowEffects::WindowEffects(TfrmTeskShowMain& window)
    : m_window(window)
{
}

void WindowEffects::ShowBalloon(const QString& title, const QString& text)
{
    Q_UNUSED(title); // the tray balloon always carries the program's one title
    m_window.ShowTrayBalloon(text);
}

void WindowEffects::BringToFront()
{
    m_window.RestoreFromTray();
}

void WindowEffects::ApplyVisibility(int visibility)
{
    const Qt::WindowStates state = m_window.windowState();
    switch (visibility) {
    case 0:
        m_window.setWindowState((state & ~Qt::WindowMinimized) | Qt::WindowMaximized);
        break;
    case 1:
    case 2:
        m_window.setWindowState(state & ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
        break;
    default:
        break; // any other value leaves the window as it is
    }
}

} // namespace tesk
