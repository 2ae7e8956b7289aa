#include "platform/BringToFront.h"

#include <QDir>
#include <QFileInfo>
#include <QWindow>

#include <windows.h>

namespace tesk {

namespace {

using SetForegroundFn = BOOL(WINAPI*)(HWND);

// The clinic's keyboard-hook library, when it lies in the current folder.
// Once loaded it stays loaded (it may hold a hook); absent, it is looked for
// again next time, since it may be installed while the program runs.
SetForegroundFn HookForeground()
{
    static HMODULE hook = nullptr;
    static SetForegroundFn fn = nullptr;
    if (hook)
        return fn;
    const QString path = QDir::current().absoluteFilePath(QStringLiteral("NV_HookKeyboard.dll"));
    if (!QFileInfo::exists(path))
        return nullptr;
    const QString native = QDir::toNativeSeparators(path);
    hook = LoadLibraryW(reinterpret_cast<LPCWSTR>(native.utf16()));
    if (!hook)
        return nullptr;
    // Through a plain function pointer: GetProcAddress knows no signature.
    fn = reinterpret_cast<SetForegroundFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(hook, "NVSetForeGroundWindow")));
    return fn;
}

} // namespace

void BringToFront(QWindow* window)
{
    if (!window)
        return;
    window->raise();
    window->requestActivate();
    const HWND hwnd = reinterpret_cast<HWND>(window->winId());
    if (IsIconic(hwnd)) {
        ShowWindow(hwnd, SW_RESTORE);
    } else {
        // SW_SHOW rather than SW_RESTORE: a restore would take a maximised
        // board out of its full-screen state.
        BringWindowToTop(hwnd);
        ShowWindow(hwnd, SW_SHOW);
    }
    // Windows refuses a background program the foreground; the hook
    // library is allowed to give it. Its answer is of no use.
    if (SetForegroundFn fn = HookForeground())
        fn(hwnd);
}

} // namespace tesk
