// The decisions of the Windows platform layer, taken on any platform: the
// Windows files only make the system calls around them.
#include "common/RegistryLayout.h"
#include "platform/EventLabels.h"
#include "platform/MachineName.h"
#include "platform/VersionResource.h"
#include "platform/WindowMessages.h"

#include <QTest>

#include <stdexcept>

using namespace tesk;

Q_DECLARE_METATYPE(tesk::WindowMessageMeaning)

namespace {

// What a name query does in a test: answer, fail quietly (empty), or throw.
struct Query {
    enum Kind { Answer, Throw } kind = Answer;
    QString text;
};

std::function<QString()> Run(const Query& q, int* calls)
{
    return [q, calls]() -> QString {
        ++*calls;
        if (q.kind == Query::Throw)
            throw std::runtime_error(q.text.toStdString());
        return q.text;
    };
}

Query Ok(const QString& text) { return {Query::Answer, text}; }
Query Fails(const QString& text) { return {Query::Throw, text}; }

} // namespace

Q_DECLARE_METATYPE(Query)

class TestWindowsPlatform : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void settingsKeyPath_data()
    {
        QTest::addColumn<QString>("subKey");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("path");
        QTest::newRow("program files") << "C_Program_Files_TESK\\" << "TESK"
                                       << "SOFTWARE\\Norvalis\\C_Program_Files_TESK\\TESK";
        QTest::newRow("a Swedish folder") << "D_Kliniken_V\u00E4nt_rum\\" << "TESK"
                                          << "SOFTWARE\\Norvalis\\D_Kliniken_V\u00E4nt_rum\\TESK";
        QTest::newRow("window position") << "C_TESK\\" << "TESK_WShowWindowsPos"
                                         << "SOFTWARE\\Norvalis\\C_TESK\\TESK_WShowWindowsPos";
        QTest::newRow("before the paths are known") << "" << "ServerSettings"
                                                    << "SOFTWARE\\Norvalis\\ServerSettings";
    }

    void settingsKeyPath()
    {
        QFETCH(QString, subKey);
        QFETCH(QString, section);
        QFETCH(QString, path);
        QCOMPARE(SettingsKeyPath(subKey, section), path);
    }

    void failureMark()
    {
        QCOMPARE(MachineWriteFailureKey(), QStringLiteral("SOFTWARE\\Norvalis\\ERROR_WRITING_TO_LOCAL_MACHINE"));
        QCOMPARE(MachineWriteFailureValueName(), QStringLiteral("ErrorMsg"));
    }

    // A null access list: everybody may change the machine's keys. An empty
    // one ("D:") would lock everybody out.
    void machineKeyDescriptor()
    {
        QCOMPARE(MachineKeySecuritySddl(), QStringLiteral("D:NO_ACCESS_CONTROL"));
        QCOMPARE(MachineKeySecurityRevision, 1u);
    }

    void descriptorErrors_data()
    {
        QTest::addColumn<bool>("dacl");
        QTest::addColumn<qulonglong>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("init, invalid parameter")
            << false << 87ull << "Unable to initialize security descriptor. Windows error=87";
        QTest::newRow("init, zero") << false << 0ull << "Unable to initialize security descriptor. Windows error=0";
        QTest::newRow("dacl, access denied") << true << 5ull << "Unable to set security descriptor dacl. Windows error=5";
        QTest::newRow("dacl, large code")
            << true << 3221225485ull << "Unable to set security descriptor dacl. Windows error=3221225485";
    }

    void descriptorErrors()
    {
        QFETCH(bool, dacl);
        QFETCH(qulonglong, code);
        QFETCH(QString, text);
        const QString made = dacl ? SecurityDescriptorDaclError(code) : SecurityDescriptorInitError(code);
        QCOMPARE(made, text);
        // It travels as an exception to the caller of the write.
        try {
            throw RegistryError(made);
        } catch (const std::exception& e) {
            QCOMPARE(QString::fromUtf8(e.what()), text);
        }
    }

    void systemMessageText_data()
    {
        QTest::addColumn<QString>("fromTable");
        QTest::addColumn<qulonglong>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("line break of the table") << "Access is denied.\r\n" << 5ull << "Access is denied.";
        QTest::newRow("Swedish") << "\u00C5tkomst nekad.\r\n" << 5ull << "\u00C5tkomst nekad.";
        QTest::newRow("no line break") << "Access is denied." << 5ull << "Access is denied.";
        QTest::newRow("inner line break stays") << "One.\r\nTwo.\r\n" << 1ull << "One.\r\nTwo.";
        QTest::newRow("unknown code") << "" << 1234ull << "Windows error=1234";
        QTest::newRow("only a line break") << "\r\n" << 2ull << "Windows error=2";
    }

    void systemMessageText()
    {
        QFETCH(QString, fromTable);
        QFETCH(qulonglong, code);
        QFETCH(QString, text);
        QCOMPARE(SystemMessageText(fromTable, code), text);
    }

    void relativeKeyPath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("relative");
        QTest::newRow("event labels") << "\\AppEvents\\EventLabels" << "AppEvents\\EventLabels";
        QTest::newRow("already relative") << "SOFTWARE\\Norvalis" << "SOFTWARE\\Norvalis";
        QTest::newRow("two leading") << "\\\\AppEvents" << "AppEvents";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("slash is a name character") << "\\A/B" << "A/B";
    }

    void relativeKeyPath()
    {
        QFETCH(QString, path);
        QFETCH(QString, relative);
        QCOMPARE(RelativeKeyPath(path), relative);
    }

    void eventLabels_data()
    {
        QTest::addColumn<QStringList>("enumerated");
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("registry order kept")
            << QStringList{".Default", "SystemAsterisk", "MailBeep", "CCSelect"}
            << QStringList{".Default", "SystemAsterisk", "MailBeep", "CCSelect"};
        QTest::newRow("blank names dropped") << QStringList{"", "  ", "SystemHand"} << QStringList{"SystemHand"};
        QTest::newRow("once regardless of case")
            << QStringList{"MailBeep", "mailbeep", "SystemHand"} << QStringList{"MailBeep", "SystemHand"};
        QTest::newRow("nothing") << QStringList{} << QStringList{};
    }

    void eventLabels()
    {
        QFETCH(QStringList, enumerated);
        QFETCH(QStringList, labels);
        QCOMPARE(EventLabelList(enumerated), labels);
        QCOMPARE(EventLabelsKey(), QStringLiteral("\\AppEvents\\EventLabels"));
    }

    void windowMessages_data()
    {
        QTest::addColumn<uint>("message");
        QTest::addColumn<qulonglong>("wParam");
        QTest::addColumn<WindowMessageMeaning>("meaning");
        using M = WindowMessageMeaning;
        QTest::newRow("query end session") << 0x0011u << 0ull << M::SessionEndQueried;
        QTest::newRow("end session, it ends") << 0x0016u << 1ull << M::SessionEnding;
        QTest::newRow("end session, cancelled") << 0x0016u << 0ull << M::SessionEndCancelled;
        QTest::newRow("screen saver") << 0x0112u << 0xF140ull << M::ScreenSaverStarting;
        QTest::newRow("screen saver, system bits") << 0x0112u << 0xF142ull << M::ScreenSaverStarting;
        QTest::newRow("monitor power") << 0x0112u << 0xF170ull << M::Other;
        QTest::newRow("close command") << 0x0112u << 0xF060ull << M::Other;
        QTest::newRow("suspend") << 0x0218u << 4ull << M::Suspending;
        QTest::newRow("resume by the user") << 0x0218u << 7ull << M::Resumed;
        QTest::newRow("resume, automatic") << 0x0218u << 0x12ull << M::Resumed;
        QTest::newRow("power status change") << 0x0218u << 0x0Aull << M::Other;
        QTest::newRow("paint") << 0x000Fu << 0ull << M::Other;
    }

    void windowMessages()
    {
        QFETCH(uint, message);
        QFETCH(qulonglong, wParam);
        QFETCH(WindowMessageMeaning, meaning);
        QCOMPARE(ClassifyWindowMessage(message, quintptr(wParam)), meaning);
    }

    void versionPaths_data()
    {
        QTest::addColumn<uint>("language");
        QTest::addColumn<uint>("codePage");
        QTest::addColumn<QString>("translation");
        QTest::addColumn<QString>("path");
        QTest::newRow("Swedish, Unicode") << 0x041Du << 0x04B0u << "041d04b0"
                                          << "\\StringFileInfo\\041d04b0\\ProductVersion";
        QTest::newRow("US English, Windows-1252") << 0x0409u << 0x04E4u << "040904e4"
                                                  << "\\StringFileInfo\\040904e4\\ProductVersion";
        QTest::newRow("neutral") << 0u << 0u << "00000000" << "\\StringFileInfo\\00000000\\ProductVersion";
    }

    void versionPaths()
    {
        QFETCH(uint, language);
        QFETCH(uint, codePage);
        QFETCH(QString, translation);
        QFETCH(QString, path);
        QCOMPARE(VersionTranslationText(quint16(language), quint16(codePage)), translation);
        QCOMPARE(VersionStringPath(quint16(language), quint16(codePage), QStringLiteral("ProductVersion")), path);
    }

    void remoteFailureMessage()
    {
        QCOMPARE(RemoteSessionNameFailureMessage(QStringLiteral("a"), QStringLiteral("b")),
                 QStringLiteral("Det gick inte att h\u00E4mta datornamnet i fj\u00E4rrsessionen!\r\r"
                                "Citrix: a\rTerminalServer: b"));
    }

    void machineName_data()
    {
        QTest::addColumn<bool>("remote");
        QTest::addColumn<Query>("citrix");
        QTest::addColumn<Query>("terminal");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("citrixCalls");
        QTest::addColumn<int>("terminalCalls");
        QTest::addColumn<QString>("message");

        QTest::newRow("local: the computer name, no session query")
            << false << Ok("CTX-CLIENT") << Ok("TS-CLIENT") << "RECEPTION-2" << 0 << 0 << "";
        QTest::newRow("Citrix names the client") << true << Ok("CTX-CLIENT") << Ok("TS-CLIENT") << "CTX-CLIENT" << 1
                                                 << 0 << "";
        QTest::newRow("no Citrix: terminal services")
            << true << Ok("") << Ok("TS-CLIENT") << "TS-CLIENT" << 1 << 1 << "";
        QTest::newRow("Citrix answers blanks") << true << Ok("   ") << Ok("TS-CLIENT") << "TS-CLIENT" << 1 << 1 << "";
        QTest::newRow("returned untrimmed") << true << Ok(" CTX ") << Ok("TS") << " CTX " << 1 << 0 << "";
        QTest::newRow("both fail quietly") << true << Ok("") << Ok("") << "" << 1 << 1 << "";
        QTest::newRow("Citrix throws, terminal services answers")
            << true << Fails("bad buffer") << Ok("TS-CLIENT") << "TS-CLIENT" << 1 << 1 << "";
        QTest::newRow("both throw: the combined message")
            << true << Fails("bad buffer") << Fails("no session") << "" << 1 << 1
            << "Det gick inte att h\u00E4mta datornamnet i fj\u00E4rrsessionen!\r\r"
               "Citrix: bad buffer\rTerminalServer: no session";
        // The first guard covers the terminal-services query it falls back
        // to: its error is reported under "Citrix", then it is asked again.
        QTest::newRow("terminal services throws twice")
            << true << Ok("") << Fails("no session") << "" << 1 << 2
            << "Det gick inte att h\u00E4mta datornamnet i fj\u00E4rrsessionen!\r\r"
               "Citrix: no session\rTerminalServer: no session";
    }

    void machineName()
    {
        QFETCH(bool, remote);
        QFETCH(Query, citrix);
        QFETCH(Query, terminal);
        QFETCH(QString, name);
        QFETCH(int, citrixCalls);
        QFETCH(int, terminalCalls);
        QFETCH(QString, message);

        int citrixRan = 0;
        int terminalRan = 0;
        MachineNameSources sources;
        sources.isRemoteSession = [remote] { return remote; };
        sources.computerName = [] { return QStringLiteral("RECEPTION-2"); };
        sources.citrixClientName = Run(citrix, &citrixRan);
        sources.terminalServerClientName = Run(terminal, &terminalRan);
        QStringList shown;
        const QString result = ResolveMachineName(sources, [&shown](const QString& t) { shown << t; });

        QCOMPARE(result, name);
        QCOMPARE(citrixRan, citrixCalls);
        QCOMPARE(terminalRan, terminalCalls);
        QCOMPARE(shown, message.isEmpty() ? QStringList() : QStringList{message});
    }

    // This platform's own: never a remote session, never a message.
    void machineNameHere()
    {
        QStringList shown;
        const QString name = GetMachineName([&shown](const QString& t) { shown << t; });
        QVERIFY(!name.isEmpty());
        QVERIFY(shown.isEmpty());
    }

    // No version resources here: the reader uses the embedded record.
    void noVersionResourceHere()
    {
        QVERIFY(!ReadVersionResource(QCoreApplication::applicationFilePath(), {QStringLiteral("FileVersion")}));
    }
};

QTEST_GUILESS_MAIN(TestWindowsPlatform)
#include "test_windowsplatform.moc"
