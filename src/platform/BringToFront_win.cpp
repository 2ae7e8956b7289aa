#include "platform/BringToFront.h"

#include <QDir>
#include <QWindow>

#include <windows.h>

namespace tesk {

void BringToFront(QWindow* window)
{
    if (!window)
        return;
    window->raise();
    const HWND hwnd = reinterpret_cast<HWND>(window->winId());
    using SetForegroundFn = void(__stdcall*)(HWND);
    static HMODULE hook = [] {
        const QString path = QDir::toNativeSeparators(QDir::current().filePath(QStringLiteral("NV_HookKeyboard.dll")));
        return LoadLibraryW(reinterpret_cast<LPCWSTR>(path.utf16()));
    }();
    if (hook) {
        if (auto fn = reinterpret_cast<SetForegroundFn>(GetProcAddress(hook, "NVSetForeGroundWindow"))) {
            fn(hwnd);
            return;
        }
    }
    window->requestActivate();
}

} // namespace tesk
