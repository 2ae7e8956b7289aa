// The settings readers over the user and machine layers: whatever a
// hand-edited file holds, a read gives a value or its default.

#include "FuzzSupport.h"

#include "common/SettingsStore.h"
#include "common/TextHelpers.h"
#include "protocol/Codepage.h"

using namespace tesk;
using namespace tesk::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    EnsureApplication();
    static MemoryRegistry registry;
    static SettingsStore settings(registry, [] { return QStringLiteral("FUZZ"); });
    registry.clear();
    settings.setSettingsSubKey(QStringLiteral("_fuzz\\"));

    InputReader in(data, size);
    const QString userValue = FromAnsi(in.bytes(in.byte() % 32));
    const QString machineValue = FromAnsi(in.bytes(in.byte() % 32));
    const QString key = FromAnsi(in.bytes(in.byte() % 8));
    const QString section = QStringLiteral("TESK");
    const QString path = QStringLiteral("SOFTWARE\\Norvalis\\_fuzz\\") + section;
    registry.RegWriteString(RegistryRoot::CurrentUser, path, key, userValue);
    registry.RegWriteString(RegistryRoot::LocalMachine, path, key, machineValue);

    const QString text = settings.GetIniText(section, key);
    // The first layer with a value that is not blank wins; none gives "ERROR".
    if (!IsBlank(userValue))
        TESK_FUZZ_CHECK(text == userValue);
    else if (!IsBlank(machineValue))
        TESK_FUZZ_CHECK(text == machineValue);
    else
        TESK_FUZZ_CHECK(text == QStringLiteral("ERROR"));
    TESK_FUZZ_CHECK(!text.isEmpty());

    const QString def = settings.GetIniTextDef(section, key, QStringLiteral("standard"));
    // A stored "ERROR" (blanks around it too) counts as missing for the default.
    TESK_FUZZ_CHECK(def == (TrimBlank(text) == QStringLiteral("ERROR") ? QStringLiteral("standard") : text));
    TESK_FUZZ_CHECK(settings.ReadInt(section, key, -77) == ReadInt(text, -77));
    TESK_FUZZ_CHECK(settings.ReadBool(section, key, true) == ReadBool(text, true));
    TESK_FUZZ_CHECK(settings.ReadBool(section, key, false) == ReadBool(text, false));
    // No server connection: the server layer has nothing.
    TESK_FUZZ_CHECK(settings.GetServerIniText(section, key) == QStringLiteral("ERROR"));
    return 0;
}
