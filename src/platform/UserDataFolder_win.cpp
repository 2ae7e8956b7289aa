#include "platform/UserDataFolder.h"

#include <QDir>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

namespace tesk {

// Qt names only the local application-data folder without the program's own
// sub-folders; the roaming one is asked of the shell.
QString UserDataFolder()
{
    PIDLIST_ABSOLUTE list = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_APPDATA, &list)) || !list)
        return {};
    wchar_t path[MAX_PATH] = {};
    const bool ok = SHGetPathFromIDListW(list, path);
    CoTaskMemFree(list);
    if (!ok)
        return {};
    return QDir::fromNativeSeparators(QString::fromWCharArray(path));
}

} // namespace tesk
