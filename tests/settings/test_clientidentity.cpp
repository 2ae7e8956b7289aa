#include "TempSettings.h"

#include "common/ClientIdentity.h"
#include "common/InstallationPaths.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <stdexcept>

using namespace tesk;
using namespace tesk::test;

namespace {
const QString Absent = QStringLiteral("<absent>");
}

class TestClientIdentity : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void typeNames();
    void clientName_data();
    void clientName();
    void paramValue_data();
    void paramValue();
    void subKey_data();
    void subKey();
    void installationPaths();
    void workingDirectoryGone();
};

void TestClientIdentity::typeNames()
{
    QCOMPARE(ClientIdentity::ClientTypeNames(), (QStringList{"Call", "Show", "Admin", "Hardware"}));
    TempSettings temp;
    ClientIdentity identity(temp.settings(), {});
    QCOMPARE(identity.ClientTypeCode(), QStringLiteral("0"));
    identity.ClientType = TTESKClientType::ctShow;
    QCOMPARE(identity.ClientTypeCode(), QStringLiteral("1"));
}

void TestClientIdentity::clientName_data()
{
    QTest::addColumn<QString>("useDefault");
    QTest::addColumn<QString>("clientName");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("expected");

    const int show = int(TTESKClientType::ctShow);
    QTest::newRow("nothing stored: composed") << Absent << Absent << show << "RECEPTION-2_Show";
    QTest::newRow("\"1\": composed") << "1" << "Kassan" << show << "RECEPTION-2_Show";
    QTest::newRow("type word follows the type") << "1" << Absent << int(TTESKClientType::ctCall) << "RECEPTION-2_Call";
    QTest::newRow("\"0\": manual name") << "0" << "Kassan" << show << "Kassan";
    QTest::newRow("\"-1\" is not \"1\"") << "-1" << "Kassan" << show << "Kassan";
    QTest::newRow("\"true\" is not \"1\"") << "true" << "Kassan" << show << "Kassan";
    QTest::newRow("\" 1\" is not \"1\"") << " 1" << "Kassan" << show << "Kassan";
    QTest::newRow("manual without a name is empty") << "0" << Absent << show << "";
}

void TestClientIdentity::clientName()
{
    QFETCH(QString, useDefault);
    QFETCH(QString, clientName);
    QFETCH(int, type);
    QFETCH(QString, expected);

    TempSettings::Options options;
    options.machineName = QStringLiteral("RECEPTION-2");
    TempSettings temp(options);
    if (useDefault != Absent)
        QVERIFY(temp.setUser("TESK", "ClientNameUseDefault", useDefault));
    if (clientName != Absent)
        QVERIFY(temp.setMachine("TESK", "ClientName", clientName));

    ClientIdentity identity(temp.settings(), {});
    identity.ClientType = TTESKClientType(type);
    QCOMPARE(identity.GetMachineName(), QStringLiteral("RECEPTION-2"));
    QCOMPARE(identity.GetClientName(), expected);
}

void TestClientIdentity::paramValue_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("upperCase");
    QTest::addColumn<QString>("expected");

    QTest::newRow("first match wins, upper-cased")
        << QStringList{"servername=callsrv01", "SERVERNAME=other"} << "SERVERNAME" << true << "CALLSRV01";
    QTest::newRow("longer name does not match") << QStringList{"NAMEX=1"} << "NAME" << true << "";
    QTest::newRow("nothing after =") << QStringList{"NAME="} << "NAME" << true << "";
    QTest::newRow("absent") << QStringList{"PLACE=x"} << "NAME" << true << "";
    QTest::newRow("no = never matches") << QStringList{"NAME", "NAME=b"} << "NAME" << true << "B";
    QTest::newRow("value trimmed") << QStringList{"NAME=  Kassan 1  "} << "NAME" << true << "KASSAN 1";
    QTest::newRow("value may hold =") << QStringList{"CALLLIST=a=b"} << "CALLLIST" << true << "A=B";
    QTest::newRow("Swedish letters upper-cased") << QStringList{"place=väntrum öst"} << "PLACE" << true << "VÄNTRUM ÖST";
    QTest::newRow("name in lower case") << QStringList{"COLOR=255"} << "color" << true << "255";
    QTest::newRow("exact case when not upper-casing") << QStringList{"name=a", "NAME=Bc"} << "NAME" << false << "Bc";
    QTest::newRow("no arguments") << QStringList{} << "RESTARTING" << true << "";
}

void TestClientIdentity::paramValue()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, name);
    QFETCH(bool, upperCase);
    QFETCH(QString, expected);

    TempSettings temp;
    ClientIdentity identity(temp.settings(), arguments);
    QCOMPARE(identity.GetParamValue(name, upperCase), expected);
}

void TestClientIdentity::subKey_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");

    QTest::newRow("Linux folder with a space") << "/opt/TESK klinik/" << "_opt_TESK_klinik\\";
    QTest::newRow("without trailing separator") << "/opt/TESK klinik" << "_opt_TESK_klinik\\";
    QTest::newRow("Windows folder") << "C:\\Program Files\\TESK\\" << "C_Program_Files_TESK\\";
    QTest::newRow("Swedish letters") << "D:\\Kliniken\\Vänt rum\\" << "D_Kliniken_Vänt_rum\\";
    QTest::newRow("root") << "/" << "_\\";
    QTest::newRow("backslash inside a Linux name") << "/srv/a\\b/" << "_srv_a_b\\";
}

void TestClientIdentity::subKey()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(SettingsSubKeyFor(path), expected);
}

void TestClientIdentity::installationPaths()
{
    QTemporaryDir dir;
    const QString work = dir.filePath("TESK klinik");
    QVERIFY(QDir().mkpath(work));
    const QString before = QDir::currentPath();
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", dir.filePath("data").toLocal8Bit());
    QVERIFY(QDir::setCurrent(work));

    const InstallationPaths paths = InitInstallationPaths();

    QDir::setCurrent(before);
    qputenv("XDG_DATA_HOME", oldData);

    const QString canonical = QDir(work).canonicalPath();
    QCOMPARE(paths.CurrentPath, canonical + "/");
    QCOMPARE(paths.SettingsSubKey, SettingsSubKeyFor(canonical));
    QVERIFY(paths.SettingsSubKey.endsWith("_TESK_klinik\\"));
    QCOMPARE(paths.DownloadPath, dir.filePath("data") + "/Norvalis/TESK/");
    QVERIFY(QDir(paths.DownloadPath).exists());
}

void TestClientIdentity::workingDirectoryGone()
{
    QTemporaryDir dir;
    const QString gone = dir.filePath("gone");
    QVERIFY(QDir().mkpath(gone));
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(gone));
    QVERIFY(QDir().rmdir(gone));

    QString message;
    try {
        InitInstallationPaths();
    } catch (const std::runtime_error& e) {
        message = QString::fromUtf8(e.what());
    }
    QDir::setCurrent(before);
    QCOMPARE(message, QStringLiteral("Unable to get Current path"));
}

QTEST_GUILESS_MAIN(TestClientIdentity)
#include "test_clientidentity.moc"
