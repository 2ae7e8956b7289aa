#pragma once

#include <QString>

namespace tesk {

// What the announcer does to the main window. The main window implements it
// with its tray icon and its own window; tests record the calls.
class AnnouncerWindow {
public:
    virtual ~AnnouncerWindow() = default;

    // The tray balloon with the information icon; the text already cut to
    // what the notification area keeps.
    virtual void ShowBalloon(const QString& title, const QString& text) = 0;
    // Shows the window, restores it from minimised and brings it to the
    // front (with the keyboard-hook library's help where it is installed).
    virtual void BringToFront() = 0;
    // The window state TESK/Visibility asks for: 0 maximised, 1 and 2
    // normal; any other value leaves the state as it is.
    virtual void ApplyVisibility(int visibility) = 0;
};

} // namespace tesk
