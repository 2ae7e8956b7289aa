#include "platform/SoundEvents.h"

#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <iterator>

namespace tesk {

struct SoundEvents::Private {
};

SoundEvents::SoundEvents()
    : d(std::make_unique<Private>())
{
}

SoundEvents::~SoundEvents() = default;

QString SoundEvents::eventId(const QString& alias)
{
    const QString key = alias.trimmed();
    return key.isEmpty() ? QStringLiteral(".Default") : key;
}

void SoundEvents::play(const QString& alias)
{
    const QString id = eventId(alias);
    // SND_ALIAS | SND_ASYNC (0x10001): returns at once; the result is of no use.
    PlaySoundW(reinterpret_cast<LPCWSTR>(id.utf16()), nullptr, SND_ALIAS | SND_ASYNC);
}

QStringList SoundEvents::labels()
{
    QStringList names;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"AppEvents\\EventLabels", 0, KEY_ENUMERATE_SUB_KEYS | KEY_READ, &key)
        != ERROR_SUCCESS)
        return names;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = DWORD(std::size(name));
        const LONG rc = RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc != ERROR_SUCCESS)
            continue; // a name longer than a key name may be: skip it
        names << QString::fromWCharArray(name, int(length));
    }
    RegCloseKey(key);
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return names;
}

} // namespace tesk
