#pragma once

#include "display/announcer/AnnouncerWindow.h"

namespace tesk {

class TfrmTeskShowMain;

// The announcer's effects on the main window: the tray balloon, bringing
// the window forward and the window state of TESK/Visibility.
class WindowEffects : public AnnouncerWindow {
public:
    explicit WindowEffects(TfrmTeskShowMain& window);

    void ShowBalloon(const QString& title, const QString& text) override;
    void BringToFront() override;
    void ApplyVisibility(int visibility) override;

private:
    TfrmTeskShowMain& m_window;
};

} // namespace tesk
