#include "common/VersionInfo.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tesk;

namespace {

const QString NA = QStringLiteral("<info not available>");
const QString Table = QStringLiteral("\\StringFileInfo\\041D04B0\\");
const QString Translation = QStringLiteral("\\VarFileInfo\\Translation");

// The fifteen values in their order.
QStringList valuesOf(const TCEVersionInfo& v)
{
    return {v.CompanyName(),  v.FileDescription(), v.FileVersion(),  v.Internalname(), v.LegalCopyright(),
            v.LegalTradeMarks(), v.OriginalFilename(), v.ProductName(), v.ProductVersion(), v.Comments(),
            v.MajorVersion(), v.MinorVersion(), v.Release(), v.Build(), v.SpecialBuild()};
}

const QStringList Placeholders{NA, NA, NA, NA, NA, NA, NA, NA, NA, NA, NA, NA, NA, NA, QString()};

QList<VersionRecordEntry> entriesOf(const QStringList& lines)
{
    QList<VersionRecordEntry> entries;
    for (const QString& line : lines) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        entries.append({line.left(eq), line.mid(eq + 1)});
    }
    return entries;
}

// A program file: some bytes, the record, more bytes.
QByteArray programFile(const QByteArray& record)
{
    QByteArray file(4096, '\x7f');
    file += "ELF-ish noise";
    file += record;
    file += QByteArray(10000, '\0');
    return file;
}

} // namespace

class TestVersionInfo : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void records_data();
    void records();
    void versionParts_data();
    void versionParts();
    void missingFile();
    void runningProgram();
    void readsAnotherBuildOnDisk();
    void keepsValuesUntilNextRead();

private:
    QString write(const QByteArray& contents);
    QTemporaryDir m_dir;
    int m_files = 0;
};

void TestVersionInfo::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

QString TestVersionInfo::write(const QByteArray& contents)
{
    const QString path = m_dir.filePath(QStringLiteral("build%1").arg(++m_files));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(contents) != contents.size())
        return {};
    return path;
}

void TestVersionInfo::records_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("values");

    const QByteArray emptyRecord = ComposeVersionRecord(QList<VersionRecordEntry>{});
    const QByteArray startMarkerOnly = emptyRecord.left(32);

    QTest::newRow("no record") << QByteArray("just some program bytes") << Placeholders;
    QTest::newRow("empty file") << QByteArray() << Placeholders;
    QTest::newRow("record without translation, strings present")
        << programFile(ComposeVersionRecord(entriesOf({Table + "CompanyName=Norvalis", Table + "FileVersion=1.2.3.4"})))
        << Placeholders;
    QTest::newRow("empty translation")
        << programFile(ComposeVersionRecord(entriesOf({Translation + "=", Table + "CompanyName=Norvalis"})))
        << Placeholders;
    QTest::newRow("malformed translation")
        << programFile(ComposeVersionRecord(entriesOf({Translation + "=041D", Table + "CompanyName=Norvalis"})))
        << Placeholders;
    QTest::newRow("start marker without end")
        << programFile(startMarkerOnly + "\\VarFileInfo\\Translation=041D04B0") << Placeholders;

    QTest::newRow("full record, Swedish table read under lower-case hex")
        << programFile(ComposeVersionRecord(entriesOf({
               Translation + "=041D04B0",
               Table + "CompanyName=Norvalis",
               Table + "FileDescription=TESK Windows Visningsklient",
               Table + "FileVersion=1.11.0.0",
               Table + "InternalName=TESKVistor",
               Table + "LegalCopyright=Copyright © Norvalis",
               Table + "LegalTradeMarks=TESK®",
               Table + "OriginalFilename=TESKVistor.exe",
               Table + "ProductName=TESK",
               Table + "ProductVersion=1.11.0.0",
               Table + "Comments=Åäö <test>",
               Table + "SpecialBuild=Klinik 7",
           })))
        << QStringList{"Norvalis", "TESK Windows Visningsklient", "1.11.0.0", "TESKVistor", "Copyright © Norvalis",
                       "TESK®", "TESKVistor.exe", "TESK", "1.11.0.0", "Åäö <test>", "1", "11", "0", "0", "Klinik 7"};
    QTest::newRow("keys missing from the table read empty")
        << programFile(ComposeVersionRecord(entriesOf({Translation + "=041D04B0", Table + "FileVersion=2,0,3,7"})))
        << QStringList{"", "", "2,0,3,7", "", "", "", "", "", "", "", "2", "0", "3", "7", ""};
    QTest::newRow("strings only under another translation")
        << programFile(ComposeVersionRecord(
               entriesOf({Translation + "=040904E4", Table + "CompanyName=Norvalis", Table + "FileVersion=1.2.3.4"})))
        << QStringList{"", "", "", "", "", "", "", "", "", "", NA, NA, NA, NA, ""};
    QTest::newRow("the first translation wins")
        << programFile(ComposeVersionRecord(entriesOf({
               Translation + "=040904e4 041D04B0",
               "\\StringFileInfo\\040904E4\\CompanyName=English",
               "\\StringFileInfo\\040904E4\\FileVersion=3.0",
               Table + "CompanyName=Svenska",
           })))
        << QStringList{"English", "", "3.0", "", "", "", "", "", "", "", "3", "", "", "0", ""};
    QTest::newRow("a broken record before a whole one")
        << programFile(startMarkerOnly + QByteArray(70000, 'n') +
                       ComposeVersionRecord(entriesOf({Translation + "=041D04B0", Table + "FileVersion=1.10.1.5"})))
        << QStringList{"", "", "1.10.1.5", "", "", "", "", "", "", "", "1", "10", "1", "5", ""};
    QTest::newRow("the first record in the file")
        << programFile(ComposeVersionRecord(entriesOf({Translation + "=041D04B0", Table + "ProductVersion=1"})) +
                       ComposeVersionRecord(entriesOf({Translation + "=041D04B0", Table + "ProductVersion=2"})))
        << QStringList{"", "", "", "", "", "", "", "", "1", "", NA, NA, NA, NA, ""};
}

void TestVersionInfo::records()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, values);
    const QString path = write(file);
    QVERIFY(!path.isEmpty());
    TCEVersionInfo info;
    info.GetInfo(path);
    QCOMPARE(valuesOf(info), values);
}

void TestVersionInfo::versionParts_data()
{
    QTest::addColumn<QString>("fileVersion");
    QTest::addColumn<QStringList>("parts");
    QTest::newRow("1.10.1.5") << "1.10.1.5" << QStringList{"1", "10", "1", "5"};
    QTest::newRow("2,0,3,7") << "2,0,3,7" << QStringList{"2", "0", "3", "7"};
    QTest::newRow("1.2") << "1.2" << QStringList{"1", "", "", "2"};
    QTest::newRow("1.2.3") << "1.2.3" << QStringList{"1", "2", "", "3"};
    QTest::newRow("five parts") << "1.2.3.4.5" << QStringList{"1", "2", "3", "4.5"};
    QTest::newRow("dot wins over comma") << "1,2.3" << QStringList{"1,2", "", "", "3"};
    QTest::newRow("no separator") << "7" << QStringList{NA, NA, NA, NA};
    QTest::newRow("empty") << "" << QStringList{NA, NA, NA, NA};
    QTest::newRow("trailing dot") << "1." << QStringList{"1", "", "", ""};
}

void TestVersionInfo::versionParts()
{
    QFETCH(QString, fileVersion);
    QFETCH(QStringList, parts);
    const QString path = write(programFile(ComposeVersionRecord(fileVersion, QStringLiteral("9.9.9.9"))));
    TCEVersionInfo info;
    info.GetInfo(path);
    QCOMPARE(info.FileVersion(), fileVersion);
    QCOMPARE((QStringList{info.MajorVersion(), info.MinorVersion(), info.Release(), info.Build()}), parts);
    QCOMPARE(info.ProductVersion(), QStringLiteral("9.9.9.9"));
}

void TestVersionInfo::missingFile()
{
    TCEVersionInfo info;
    info.GetInfo(m_dir.filePath(QStringLiteral("no-such-file")));
    QCOMPARE(valuesOf(info), Placeholders);
    info.GetInfo(m_dir.path()); // a folder
    QCOMPARE(valuesOf(info), Placeholders);
}

void TestVersionInfo::runningProgram()
{
    // This test program links the version record of the build like every other.
    TCEVersionInfo info;
    QCOMPARE(info.ProductVersion(), QStringLiteral(TESK_VERSION_STRING));
    QCOMPARE(info.FileVersion(), QStringLiteral(TESK_VERSION_STRING));
    QCOMPARE(info.CompanyName(), QStringLiteral("Norvalis"));
    QCOMPARE(info.ProductName(), QStringLiteral(TESK_PRODUCT_NAME));
    QCOMPARE(info.MajorVersion(), QStringLiteral("1"));
    QCOMPARE(info.MinorVersion(), QStringLiteral("11"));
    QCOMPARE(info.SpecialBuild(), QString());
    // Dots removed, the version must rank above the builds in the field.
    QVERIFY(info.ProductVersion().remove(QLatin1Char('.')).toInt() > 11015);
}

void TestVersionInfo::readsAnotherBuildOnDisk()
{
    QFile self(QCoreApplication::applicationFilePath());
    QVERIFY(self.open(QIODevice::ReadOnly));
    const QString copy = write(self.readAll());
    TCEVersionInfo info;
    info.GetInfo(copy);
    QCOMPARE(info.ProductVersion(), QStringLiteral(TESK_VERSION_STRING));

    // A downloaded build of another version.
    info.GetInfo(write(programFile(ComposeVersionRecord(QStringLiteral("1.12.0.3"), QStringLiteral("1.12.0.3")))));
    QCOMPARE(info.ProductVersion(), QStringLiteral("1.12.0.3"));
    QCOMPARE(info.Build(), QStringLiteral("3"));
    QCOMPARE(info.CompanyName(), QStringLiteral("Norvalis"));
}

void TestVersionInfo::keepsValuesUntilNextRead()
{
    const QString path = write(programFile(ComposeVersionRecord(QStringLiteral("1.2.3.4"), QStringLiteral("1.2.3.4"))));
    TCEVersionInfo info;
    info.GetInfo(path);
    QVERIFY(QFile::remove(path));
    QCOMPARE(info.FileVersion(), QStringLiteral("1.2.3.4"));
    info.GetInfo(path);
    QCOMPARE(valuesOf(info), Placeholders);
}

QTEST_GUILESS_MAIN(TestVersionInfo)
#include "test_versioninfo.moc"
