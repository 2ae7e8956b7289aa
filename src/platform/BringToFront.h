#pragma once

class QWindow;

namespace tesk {

// Makes the window the foreground window. On Windows the clinic's keyboard
// hook library (NV_HookKeyboard.dll in the start folder), when present, does
// it, since Windows refuses a plain request from a background program.
void BringToFront(QWindow* window);

} // namespace tesk
