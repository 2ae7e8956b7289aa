#pragma once

#include <QtGlobal>

namespace tesk {

// The few Windows messages the program answers, by number, so that the
// decisions about them can be tested on any platform. The Windows files
// check these numbers against the system's headers when they are compiled.
namespace winmsg {
inline constexpr quint32 QueryEndSession = 0x0011; // WM_QUERYENDSESSION
inline constexpr quint32 EndSession = 0x0016;      // WM_ENDSESSION
inline constexpr quint32 SysCommand = 0x0112;      // WM_SYSCOMMAND
inline constexpr quint32 PowerBroadcast = 0x0218;  // WM_POWERBROADCAST
inline constexpr quintptr ScreenSave = 0xF140;     // SC_SCREENSAVE
inline constexpr quintptr ApmSuspend = 0x0004;     // PBT_APMSUSPEND
inline constexpr quintptr ApmResumeSuspend = 0x0007;   // PBT_APMRESUMESUSPEND
inline constexpr quintptr ApmResumeAutomatic = 0x0012; // PBT_APMRESUMEAUTOMATIC
} // namespace winmsg

enum class WindowMessageMeaning {
    Other,
    SessionEndQueried,   // may the session end? (it may still be cancelled)
    SessionEnding,       // it ends now
    SessionEndCancelled, // the query was cancelled after all
    ScreenSaverStarting,
    Suspending,
    Resumed,
};

// What a message says. WM_ENDSESSION carries the outcome of the query in
// wParam (non-zero: the session really ends); a system command carries the
// command in the upper twelve bits of wParam (the low four are the system's).
// A wake-up without the user reports only the automatic resume, one with the
// user reports both: either counts as resumed.
WindowMessageMeaning ClassifyWindowMessage(quint32 message, quintptr wParam);

} // namespace tesk
