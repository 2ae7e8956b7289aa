#include "platform/MachineName.h"

#include <windows.h>
#include <wtsapi32.h>

#include <stdexcept>

namespace tesk {

namespace {

// The Citrix session library: a third vendor's, present only on Citrix
// servers, so it is looked for at run time rather than linked. Once found it
// stays loaded for the run; a failed look is repeated at the next call.
using WFQuerySessionInformationWFn = BOOL(WINAPI*)(HANDLE server, DWORD sessionId, int infoClass,
                                                   LPWSTR* buffer, DWORD* bytesReturned);

constexpr int WFClientName = 10;
const HANDLE WFCurrentServer = nullptr;
constexpr DWORD WFCurrentSession = DWORD(-1);

struct WfApi {
    HMODULE module = nullptr;
    WFQuerySessionInformationWFn query = nullptr;
};

template <typename Fn>
Fn Resolve(HMODULE module, const char* name)
{
    // Through a plain function pointer: GetProcAddress knows no signature.
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

bool LoadWfApi(WfApi& api)
{
    if (api.module)
        return true;
    api.module = LoadLibraryW(L"wfapi.dll");
    if (!api.module)
        return false;
    api.query = Resolve<WFQuerySessionInformationWFn>(api.module, "WFQuerySessionInformationW");
    // The ANSI export is never called; a library without it is not the one
    // the program was written against.
    const bool complete = api.query && GetProcAddress(api.module, "WFQuerySessionInformationA");
    if (!complete) {
        FreeLibrary(api.module);
        api = {};
        return false;
    }
    return true;
}

WfApi& CitrixLibrary()
{
    static WfApi api;
    return api;
}

QString CitrixClientName()
{
    WfApi& api = CitrixLibrary();
    if (!LoadWfApi(api))
        return {};
    LPWSTR buffer = nullptr;
    DWORD bytes = 0;
    if (!api.query(WFCurrentServer, WFCurrentSession, WFClientName, &buffer, &bytes))
        return {};
    if (!buffer)
        throw std::runtime_error("WFQuerySessionInformationW returned no buffer");
    const QString name = QString::fromWCharArray(buffer);
    // The program has always given the Citrix buffer back through the
    // terminal-services allocator; Citrix documents the two as the same.
    WTSFreeMemory(buffer);
    return name;
}

QString TerminalServerClientName()
{
    LPWSTR buffer = nullptr;
    DWORD bytes = 0;
    if (!WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, WTS_CURRENT_SESSION, WTSClientName, &buffer, &bytes))
        return {};
    if (!buffer)
        throw std::runtime_error("WTSQuerySessionInformationW returned no buffer");
    const QString name = QString::fromWCharArray(buffer);
    WTSFreeMemory(buffer);
    return name;
}

QString LocalComputerName()
{
    // Room for 16 characters with the terminator, as the name has on the
    // network (MAX_COMPUTERNAME_LENGTH + 1).
    wchar_t buffer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(buffer, &length))
        return {};
    return QString::fromWCharArray(buffer, int(length));
}

} // namespace

QString GetMachineName(const InfoMessageFn& showInfoMessage)
{
    MachineNameSources sources;
    sources.isRemoteSession = [] { return GetSystemMetrics(SM_REMOTESESSION) != 0; };
    sources.computerName = LocalComputerName;
    sources.citrixClientName = CitrixClientName;
    sources.terminalServerClientName = TerminalServerClientName;
    return ResolveMachineName(sources, showInfoMessage);
}

} // namespace tesk
