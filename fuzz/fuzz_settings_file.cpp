// The settings files as a hand edit may leave them: whatever Registry.ini
// holds, a read gives a value or its default, and a value written afterwards
// is read back (a file the INI parser cannot take must not shut out writes).
//
// Input: a length byte and the key to read, a length byte (in 16-byte units)
// and the user layer's file, then the machine layer's file.

#include "FuzzSupport.h"

#include "common/IniRegistryStore.h"
#include "common/SettingsStore.h"
#include "common/TextHelpers.h"
#include "protocol/Codepage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace tesk;
using namespace tesk::fuzz;

namespace {

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    TESK_FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    TESK_FUZZ_CHECK(file.write(bytes) == bytes.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    EnsureApplication();
    // In memory where the system has it: every write is synced to disk.
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm/fuzz-settings-XXXXXX")
                                                                     : QDir::tempPath() + QStringLiteral("/fuzz-settings-XXXXXX"));
    static quint64 run = 0;
    // A fresh folder per input: the INI parser caches a file by its path and
    // may take a rewrite of the same size within the same millisecond for
    // the file it already read.
    const QString folder = dir.path() + QLatin1Char('/') + QString::number(++run);
    IniRegistryStore store(folder + QStringLiteral("/user"), folder + QStringLiteral("/machine"));
    SettingsStore settings(store, [] { return QStringLiteral("FUZZ"); });
    settings.setSettingsSubKey(QStringLiteral("_fuzz\\"));

    InputReader in(data, size);
    const QString key = FromAnsi(in.bytes(in.byte() % 16));
    WriteFile(store.filePath(RegistryRoot::CurrentUser), in.bytes(size_t(in.byte()) * 16));
    WriteFile(store.filePath(RegistryRoot::LocalMachine), in.rest());

    const QString section = QStringLiteral("TESK");
    const QString text = settings.GetIniText(section, key);
    TESK_FUZZ_CHECK(!text.isEmpty());
    const QString def = settings.GetIniTextDef(section, key, QStringLiteral("standard"));
    TESK_FUZZ_CHECK(!def.isEmpty());
    TESK_FUZZ_CHECK(settings.ReadInt(section, key, -77) == ReadInt(text, -77));
    TESK_FUZZ_CHECK(settings.ReadBool(section, key, true) == ReadBool(text, true));

    const QString path = QStringLiteral("SOFTWARE\\Norvalis\\_fuzz\\") + section;
    TESK_FUZZ_CHECK(store.RegWriteString(RegistryRoot::CurrentUser, path, QStringLiteral("Written"),
                                         QStringLiteral("4711")));
    TESK_FUZZ_CHECK(store.RegReadString(RegistryRoot::CurrentUser, path, QStringLiteral("Written"))
                    == QStringLiteral("4711"));
    TESK_FUZZ_CHECK(settings.ReadInt(section, QStringLiteral("Written"), -77) == 4711);

    QDir(folder).removeRecursively();
    return 0;
}
