#include "platform/SoundEvents.h"

#include "common/RegistryLayout.h"
#include "platform/EventLabels.h"

#include <windows.h>
#include <mmsystem.h>

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
    const QString path = RelativeKeyPath(EventLabelsKey());
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, reinterpret_cast<const wchar_t*>(path.utf16()), 0, KEY_READ, &key)
        != ERROR_SUCCESS)
        return names; // no key: an empty list
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = DWORD(std::size(name));
        const LONG rc = RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc == ERROR_MORE_DATA)
            continue; // a name longer than a key name may be: skip it
        if (rc != ERROR_SUCCESS)
            break; // the key went away or cannot be read: what was read stands
        names << QString::fromWCharArray(name, int(length));
    }
    RegCloseKey(key);
    // In the registry's own order, which the users know from the system's
    // sound settings.
    return EventLabelList(names);
}

} // namespace tesk
