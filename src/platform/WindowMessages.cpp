#include "platform/WindowMessages.h"

namespace tesk {

WindowMessageMeaning ClassifyWindowMessage(quint32 message, quintptr wParam)
{
    switch (message) {
    case winmsg::QueryEndSession:
        return WindowMessageMeaning::SessionEndQueried;
    case winmsg::EndSession:
        return wParam ? WindowMessageMeaning::SessionEnding : WindowMessageMeaning::SessionEndCancelled;
    case winmsg::SysCommand:
        return (wParam & 0xFFF0) == winmsg::ScreenSave ? WindowMessageMeaning::ScreenSaverStarting
                                                       : WindowMessageMeaning::Other;
    case winmsg::PowerBroadcast:
        switch (wParam) {
        case winmsg::ApmSuspend:
            return WindowMessageMeaning::Suspending;
        case winmsg::ApmResumeSuspend:
        case winmsg::ApmResumeAutomatic:
            return WindowMessageMeaning::Resumed;
        default:
            return WindowMessageMeaning::Other;
        }
    default:
        return WindowMessageMeaning::Other;
    }
}

} // namespace tesk
