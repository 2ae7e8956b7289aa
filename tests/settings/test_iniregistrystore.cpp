#include "TempSettings.h"

#include "common/IniRegistryStore.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

using namespace tesk;
using namespace tesk::test;

namespace {
const QString Path = QStringLiteral("SOFTWARE\\Norvalis\\_opt_TESK_klinik\\TESK");
}

class TestIniRegistryStore : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void valuesRoundTrip_data();
    void valuesRoundTrip();
    void valueNames_data();
    void valueNames();
    void lettersCaseDoesNotMatter();
    void layersAreSeparate();
    void missingThingsReadEmpty_data();
    void missingThingsReadEmpty();
    void fileReadsLikeTheRegistry();
    void adminListValueReadsAsText();
    void handEditedFileStillTakesWrites_data();
    void handEditedFileStillTakesWrites();
    void unwritableStore_data();
    void unwritableStore();
    void environmentFolders_data();
    void environmentFolders();
};

void TestIniRegistryStore::valuesRoundTrip_data()
{
    QTest::addColumn<QString>("value");

    QString longValue;
    for (int i = 0; i < 600; ++i)
        longValue += QChar(u'A' + i % 26);

    QTest::newRow("plain") << "callsrv01";
    QTest::newRow("spaces around are kept") << "  Dr  ";
    QTest::newRow("empty") << "";
    QTest::newRow("commas, semicolons, quotes") << "a,b; c \"q\" = 'x'";
    QTest::newRow("Swedish letters") << "Väntrum Öst, Åsa";
    QTest::newRow("line breaks") << "rad 1\rrad 2\r\n";
    QTest::newRow("looks like a QSettings variant") << "@Variant(\\0\\0)";
    QTest::newRow("backslashes and slashes") << "C:\\data\\x/y";
    QTest::newRow("600 characters") << longValue;
    QTest::newRow("hash and brackets") << "#[section] ; not a comment";
}

void TestIniRegistryStore::valuesRoundTrip()
{
    QFETCH(QString, value);
    TempSettings temp;
    QVERIFY(temp.registry().RegWriteString(RegistryRoot::CurrentUser, Path, "Key", value));
    QCOMPARE(temp.registry().RegReadString(RegistryRoot::CurrentUser, Path, "Key"), value);

    // A fresh store on the same folders: what the next run of the program sees.
    IniRegistryStore fresh(temp.userFolder(), temp.machineFolder());
    QCOMPARE(fresh.RegReadString(RegistryRoot::CurrentUser, Path, "Key"), value);
}

void TestIniRegistryStore::valueNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("default value (empty name)") << "";
    QTest::newRow("at sign") << "@";
    QTest::newRow("dotted") << "VoiceSAPI5.1";
    QTest::newRow("slash") << "a/b";
    QTest::newRow("backslash") << "a\\b";
    QTest::newRow("percent") << "50%";
    QTest::newRow("program file name") << "TESKVistor";
}

void TestIniRegistryStore::valueNames()
{
    QFETCH(QString, name);
    TempSettings temp;
    IniRegistryStore& store = temp.registry();
    QVERIFY(store.RegWriteString(RegistryRoot::LocalMachine, Path, name, "value of " + name));
    // Neighbours the escaping must keep apart.
    QVERIFY(store.RegWriteString(RegistryRoot::LocalMachine, Path, "x", "x"));
    QVERIFY(store.RegWriteString(RegistryRoot::LocalMachine, Path + "\\a", "b", "nested"));

    IniRegistryStore fresh(temp.userFolder(), temp.machineFolder());
    QCOMPARE(fresh.RegReadString(RegistryRoot::LocalMachine, Path, name), "value of " + name);
    QCOMPARE(fresh.RegReadString(RegistryRoot::LocalMachine, Path + "\\a", "b"), QStringLiteral("nested"));
}

void TestIniRegistryStore::lettersCaseDoesNotMatter()
{
    TempSettings temp;
    IniRegistryStore& store = temp.registry();
    QVERIFY(store.RegWriteString(RegistryRoot::CurrentUser, Path, "Painteffect", "-1"));
    QCOMPARE(store.RegReadString(RegistryRoot::CurrentUser, Path.toUpper(), "PAINTEFFECT"), QStringLiteral("-1"));
    // A write in another case replaces the value instead of adding a twin.
    QVERIFY(store.RegWriteString(RegistryRoot::CurrentUser, Path.toLower(), "PaintEffect", "0"));
    QCOMPARE(store.RegReadString(RegistryRoot::CurrentUser, Path, "Painteffect"), QStringLiteral("0"));

    QFile file(store.filePath(RegistryRoot::CurrentUser));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    QCOMPARE(text.count(QStringLiteral("ainteffect="), Qt::CaseInsensitive), 1);
}

void TestIniRegistryStore::layersAreSeparate()
{
    TempSettings temp;
    IniRegistryStore& store = temp.registry();
    QVERIFY(store.RegWriteString(RegistryRoot::CurrentUser, Path, "ShowMode", "1"));
    QVERIFY(store.RegWriteString(RegistryRoot::LocalMachine, Path, "ShowMode", "2"));
    QCOMPARE(store.RegReadString(RegistryRoot::CurrentUser, Path, "ShowMode"), QStringLiteral("1"));
    QCOMPARE(store.RegReadString(RegistryRoot::LocalMachine, Path, "ShowMode"), QStringLiteral("2"));
    QVERIFY(store.filePath(RegistryRoot::CurrentUser) != store.filePath(RegistryRoot::LocalMachine));
    QVERIFY(store.LastRegistryError.isEmpty());
}

void TestIniRegistryStore::missingThingsReadEmpty_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");
    QTest::newRow("missing value") << Path << "Nothing";
    QTest::newRow("missing key") << Path + "\\Deeper" << "ShowMode";
    QTest::newRow("parent key of a value") << "SOFTWARE\\Norvalis" << "_opt_TESK_klinik";
}

void TestIniRegistryStore::missingThingsReadEmpty()
{
    QFETCH(QString, path);
    QFETCH(QString, name);
    TempSettings temp;
    QVERIFY(temp.registry().RegWriteString(RegistryRoot::CurrentUser, Path, "ShowMode", "1"));
    QCOMPARE(temp.registry().RegReadString(RegistryRoot::CurrentUser, path, name), QString());
    // No file at all.
    QCOMPARE(temp.registry().RegReadString(RegistryRoot::LocalMachine, path, name), QString());
}

void TestIniRegistryStore::fileReadsLikeTheRegistry()
{
    TempSettings temp;
    QVERIFY(temp.registry().RegWriteString(RegistryRoot::CurrentUser, Path, "ServerName", "callsrv01"));
    const QString file = temp.registry().filePath(RegistryRoot::CurrentUser);
    QCOMPARE(file, temp.userFolder() + "/Norvalis/Registry.ini");
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    QVERIFY2(text.contains("[SOFTWARE]\nNorvalis\\_opt_TESK_klinik\\TESK\\ServerName=callsrv01"), qPrintable(text));
}

void TestIniRegistryStore::adminListValueReadsAsText()
{
    // An administrator writes a value with a comma and no quotes by hand.
    TempSettings temp;
    const QString file = temp.registry().filePath(RegistryRoot::LocalMachine);
    QVERIFY(QDir().mkpath(QFileInfo(file).absolutePath()));
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[SOFTWARE]\nNorvalis\\_opt_TESK_klinik\\TESK\\CallPrefix=Dr, Sr\n");
    f.close();
    QCOMPARE(temp.registry().RegReadString(RegistryRoot::LocalMachine, Path, "CallPrefix"), QStringLiteral("Dr, Sr"));
}

void TestIniRegistryStore::handEditedFileStillTakesWrites_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("readableBefore"); // CallPrefix as read before the write
    QTest::addColumn<bool>("keptAside");          // the original text kept as "<file>.bad"

    QTest::newRow("a line without \"=\"")
        << QByteArray("just a note\n[SOFTWARE]\nNorvalis\\_opt_TESK_klinik\\TESK\\CallPrefix=Dr\n") << "Dr" << true;
    QTest::newRow("a section without its \"]\"")
        << QByteArray("[SOFTWARE]\nNorvalis\\_opt_TESK_klinik\\TESK\\CallPrefix=Dr\n[Notes\n") << "Dr" << true;
    QTest::newRow("a well-formed file") << QByteArray("[SOFTWARE]\nNorvalis\\_opt_TESK_klinik\\TESK\\CallPrefix=Dr\n")
                                        << "Dr" << false;
}

void TestIniRegistryStore::handEditedFileStillTakesWrites()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, readableBefore);
    QFETCH(bool, keptAside);

    // The write is the first thing this program does with the file.
    TempSettings temp;
    const QString file = temp.registry().filePath(RegistryRoot::CurrentUser);
    QVERIFY(QDir().mkpath(QFileInfo(file).absolutePath()));
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(contents);
    f.close();

    QVERIFY2(temp.registry().RegWriteString(RegistryRoot::CurrentUser, Path, "ShowMode", "1"),
             qPrintable(temp.registry().LastRegistryError));

    // The next run reads the new value and everything that was readable.
    IniRegistryStore fresh(temp.userFolder(), temp.machineFolder());
    QCOMPARE(fresh.RegReadString(RegistryRoot::CurrentUser, Path, "ShowMode"), QStringLiteral("1"));
    QCOMPARE(fresh.RegReadString(RegistryRoot::CurrentUser, Path, "CallPrefix"), readableBefore);
    // An unreadable original is kept for whoever edited it.
    QFile aside(file + ".bad");
    QCOMPARE(aside.exists(), keptAside);
    if (keptAside) {
        QVERIFY(aside.open(QIODevice::ReadOnly));
        QCOMPARE(aside.readAll(), contents);
    }
    QVERIFY(!QFile::exists(file + ".new"));
}

void TestIniRegistryStore::unwritableStore_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("reason");
    QTest::newRow("a regular file in the path") << "file in path" << "Not a directory";
    QTest::newRow("read-only folder and file") << "read-only" << "Permission denied";
}

void TestIniRegistryStore::unwritableStore()
{
    QFETCH(QString, how);
    QFETCH(QString, reason);

    QTemporaryDir dir;
    QString machine = dir.filePath("machine");
    const QString file = machine + "/Norvalis/Registry.ini";
    if (how == "file in path") {
        QFile blocker(dir.filePath("blocker"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        machine = dir.filePath("blocker/machine");
    } else {
        if (::geteuid() == 0)
            QSKIP("file modes do not stop root");
        IniRegistryStore setup(dir.filePath("user"), machine);
        QVERIFY(setup.RegWriteString(RegistryRoot::LocalMachine, Path, "ShowMode", "2"));
        QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        QVERIFY(QFile::setPermissions(machine + "/Norvalis", QFile::ReadOwner | QFile::ExeOwner));
    }

    IniRegistryStore store(dir.filePath("user"), machine);
    QVERIFY(!store.RegWriteString(RegistryRoot::LocalMachine, Path, "ShowMode", "9"));
    QVERIFY2(store.LastRegistryError.startsWith(reason), qPrintable(store.LastRegistryError));
    QVERIFY(!store.RegWriteString(RegistryRoot::LocalMachine, Path, "New", "9"));
    // What is on disk is what reads see, in this instance and a fresh one.
    const QString before = how == "read-only" ? "2" : "";
    QCOMPARE(store.RegReadString(RegistryRoot::LocalMachine, Path, "ShowMode"), before);
    QCOMPARE(store.RegReadString(RegistryRoot::LocalMachine, Path, "New"), QString());
    IniRegistryStore fresh(dir.filePath("user"), machine);
    QCOMPARE(fresh.RegReadString(RegistryRoot::LocalMachine, Path, "ShowMode"), before);
    // The user layer is unaffected.
    QVERIFY(store.RegWriteString(RegistryRoot::CurrentUser, Path, "ShowMode", "1"));

    if (how == "read-only")
        QFile::setPermissions(machine + "/Norvalis", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void TestIniRegistryStore::environmentFolders_data()
{
    QTest::addColumn<QString>("configHome"); // relative to the temporary folder; "-" unset
    QTest::addColumn<QString>("configDirs");
    QTest::addColumn<QString>("userFile");
    QTest::addColumn<QString>("machineFile");

    QTest::newRow("both set") << "home" << "etc1:etc2" << "home" << "etc1";
    QTest::newRow("empty first entry skipped") << "home" << ":etc2" << "home" << "etc2";
    QTest::newRow("dirs unset") << "home" << "-" << "home" << "/etc/xdg";
    QTest::newRow("home unset") << "-" << "etc1" << "~/.config" << "etc1";
}

void TestIniRegistryStore::environmentFolders()
{
    QFETCH(QString, configHome);
    QFETCH(QString, configDirs);
    QFETCH(QString, userFile);
    QFETCH(QString, machineFile);

    QTemporaryDir dir;
    auto full = [&](const QString& list) {
        QStringList out;
        for (const QString& p : list.split(':'))
            out << (p.isEmpty() ? p : dir.filePath(p));
        return out.join(':');
    };
    const QByteArray oldHome = qgetenv("XDG_CONFIG_HOME");
    const QByteArray oldDirs = qgetenv("XDG_CONFIG_DIRS");
    if (configHome == "-")
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", full(configHome).toLocal8Bit());
    if (configDirs == "-")
        qunsetenv("XDG_CONFIG_DIRS");
    else
        qputenv("XDG_CONFIG_DIRS", full(configDirs).toLocal8Bit());

    const auto store = IniRegistryStore::FromEnvironment();

    qputenv("XDG_CONFIG_HOME", oldHome);
    qputenv("XDG_CONFIG_DIRS", oldDirs);

    auto expected = [&](const QString& p) {
        if (p.startsWith('/'))
            return p + "/Norvalis/Registry.ini";
        if (p.startsWith('~'))
            return QDir::homePath() + p.mid(1) + "/Norvalis/Registry.ini";
        return dir.filePath(p) + "/Norvalis/Registry.ini";
    };
    QCOMPARE(store->filePath(RegistryRoot::CurrentUser), expected(userFile));
    QCOMPARE(store->filePath(RegistryRoot::LocalMachine), expected(machineFile));
}

QTEST_GUILESS_MAIN(TestIniRegistryStore)
#include "test_iniregistrystore.moc"
