#include "common/ClientIdentity.h"
#include "common/UpdateClient.h"
#include "display/connection/CallListModel.h"
#include "display/connection/MessageDispatcher.h"
#include "display/connection/ServerConnection.h"

#include "../connection/RecordingPorts.h"
#include "FakeServer.h"
#include "SimulatorProcess.h"
#include "TempSettings.h"
#include "UpdateFixture.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QSignalSpy>
#include <QTest>

using namespace tesk;
using namespace tesk::test;

namespace {

// The helper carries this build's version record.
const int HelperNumber = UpdateClient::VersionNumber(QStringLiteral(TESK_VERSION_STRING));
const QString VerifyFailed = QStringLiteral("Den nya versionen kunde inte verifieras och har inte startats.");
const QString SaveFailed =
    QStringLiteral("Det fanns en ny version tillg\u00E4nglig. Den gick dock inte att spara ner i katalogen \r");
const QString NoBuild = QStringLiteral("Servern svarade med f\u00F6ljande fel: Det finns ingen ny version av TESKVistor "
                                       "p\u00E5 servern.");

QMap<QString, QString> ReadHelperOutput(const QString& path)
{
    QMap<QString, QString> lines;
    QStringList args;
    for (const QString& line : QString::fromUtf8(ReadFile(path)).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (line.left(eq) == QLatin1String("arg"))
            args << line.mid(eq + 1);
        else
            lines.insert(line.left(eq), line.mid(eq + 1));
    }
    lines.insert(QStringLiteral("args"), args.join(QLatin1Char('\n')));
    return lines;
}

} // namespace

class TestUpdateEndToEnd : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void updateAtFirstConnection_data();
    void updateAtFirstConnection();

private:
    QByteArray m_helper;
};

void TestUpdateEndToEnd::initTestCase()
{
    m_helper = ReadFile(QStringLiteral(TESK_UPDATE_HELPER_PATH));
    QVERIFY(!m_helper.isEmpty());
    QVERIFY(HelperNumber > 11015);
}

void TestUpdateEndToEnd::updateAtFirstConnection_data()
{
    QTest::addColumn<QStringList>("serverOptions"); // besides port, quiet and the builds folder
    QTest::addColumn<bool>("builds");               // the server holds the helper as TESKVistor
    QTest::addColumn<bool>("announce");             // CHECKVERSION names the helper's version
    QTest::addColumn<QString>("storedBefore");      // "", "helper" or "other"
    QTest::addColumn<bool>("downloadWritable");
    QTest::addColumn<int>("transferMs");
    QTest::addColumn<bool>("started");
    QTest::addColumn<QString>("message"); // the one box shown, by its start; empty: none

    QTest::newRow("no CHECKVERSION: up to date, the handshake goes on")
        << QStringList{} << true << false << "" << true << 20000 << false << QString();
    QTest::newRow("newer: fetched in many reads, stored, verified, started")
        << QStringList{} << true << true << "" << true << 20000 << true << QString();
    QTest::newRow("stored build of the announced version: started without asking")
        << QStringList{} << false << true << "helper" << true << 20000 << true << QString();
    QTest::newRow("stored build of another version: fetched anew")
        << QStringList{} << true << true << "other" << true << 20000 << true << QString();
    QTest::newRow("transfer cut short: nothing started")
        << QStringList{"--truncate-builds"} << true << true << "" << true << 20000 << false << QString();
    QTest::newRow("file of another version: deleted, nothing started")
        << QStringList{"--build-version", "0.9.0.0"} << true << true << "" << true << 20000 << false << VerifyFailed;
    QTest::newRow("file cannot be stored: nothing started")
        << QStringList{} << true << true << "" << false << 20000 << false << SaveFailed;
    QTest::newRow("no build on the server: its error is shown, ends by the limit")
        << QStringList{} << false << true << "" << true << 600 << false << NoBuild;
}

void TestUpdateEndToEnd::updateAtFirstConnection()
{
    QFETCH(QStringList, serverOptions);
    QFETCH(bool, builds);
    QFETCH(bool, announce);
    QFETCH(QString, storedBefore);
    QFETCH(bool, downloadWritable);
    QFETCH(int, transferMs);
    QFETCH(bool, started);
    QFETCH(QString, message);

    UpdateFolders folders(downloadWritable);
    QTemporaryDir buildsDir;
    QVERIFY(buildsDir.isValid());
    if (builds)
        QVERIFY(WriteFile(buildsDir.filePath(UpdateFolders::ProgramName), m_helper));
    if (storedBefore == QLatin1String("helper"))
        QVERIFY(WriteFile(folders.storedBuild(), m_helper));
    else if (storedBefore == QLatin1String("other"))
        QVERIFY(WriteFile(folders.storedBuild(), FakeBuild(QStringLiteral("1.0.0.0"))));

    // The simulator: call server and update server in one.
    QStringList args{"--port", "0", "--listen", "127.0.0.1", "--quiet", "--file-gap", "100"};
    if (builds)
        args << "--builds" << buildsDir.path();
    if (announce)
        args << "--setting" << QStringLiteral("CHECKVERSION;TESKVistor;%1").arg(HelperNumber);
    args += serverOptions;
    QProcess server;
    QString out;
    const quint16 port = StartSimulator(server, QStringLiteral(TESK_CALLSERVER_PATH), args, &out);
    QVERIFY2(port != 0, qPrintable(out));

    TempSettings temp;
    temp.setUser(QStringLiteral("ServerSettings"), QStringLiteral("ServerName"), QStringLiteral("127.0.0.1"));
    temp.setUser(QStringLiteral("ServerSettings"), QStringLiteral("ServerPort"), QString::number(port));
    const QStringList programArguments{"NAME=Visning E2E", "PLACE=Rum 3", "COLOR=255"};
    ClientIdentity identity(temp.settings(), programArguments);
    identity.ClientType = TTESKClientType::ctShow;

    const QString helperOut = folders.dir.filePath(QStringLiteral("helper-out.txt"));
    qputenv("TESK_UPDATE_HELPER_OUT", helperOut.toLocal8Bit());

    CallListModel model;
    QStringList log;
    LoggingMessages messages(log);
    RecordingSystemRegister systemRegister(log);
    RecordingAnnouncer announcer(log, model);
    UpdateClient::Options options;
    options.waits = {5000, 5000, transferMs};
    options.programPath = folders.programPath;
    int starts = 0;
    options.startProgram = [&](const QString& program, const QStringList& arguments, const QString& wd) {
        ++starts;
        return QProcess::startDetached(program, arguments, wd);
    };
    {
        ServerConnection connection(temp.settings(), identity, messages, systemRegister);
        MessageDispatcher dispatcher(model, temp.settings(), identity, messages, systemRegister, announcer);
        ConnectDispatcher(connection, dispatcher);
        UpdateClient update(temp.settings(), identity, messages, folders.paths, options);
        connection.setUpdateCheck([&] { return update.CheckForUpdate(); });
        QSignalSpy closeRequested(&connection, &ServerConnection::closeProgramRequested);
        QSignalSpy progress(&update, &UpdateClient::transferProgressChanged);

        connection.Start();
        if (started) {
            QVERIFY(waitUntil([&] { return !closeRequested.isEmpty(); }, 30000));
            QVERIFY(!connection.isConnected());
            QCOMPARE(starts, 1);
            QVERIFY(waitUntil([&] { return QFileInfo::exists(helperOut); }, 10000));
            const auto run = ReadHelperOutput(helperOut);
            QCOMPARE(run.value(QStringLiteral("args")).split(QLatin1Char('\n')),
                     QStringList{"RESTARTING=1"} + programArguments);
            QCOMPARE(QFileInfo(run.value(QStringLiteral("cwd"))).canonicalFilePath(),
                     QFileInfo(folders.paths.CurrentPath).canonicalFilePath());
            // Exactly the file's bytes, tags and markers gone.
            QVERIFY(ReadFile(folders.storedBuild()) == m_helper);
            if (storedBefore != QLatin1String("helper"))
                QVERIFY2(progress.size() >= 3, "the build should arrive in several reads");
        } else {
            QVERIFY(waitUntil([&] { return connection.statusText() == QLatin1String("Ansluten"); }, 30000));
            QVERIFY(closeRequested.isEmpty());
            QCOMPARE(starts, 0);
            QVERIFY(!QFileInfo::exists(helperOut));
            if (storedBefore.isEmpty())
                QVERIFY(!QFileInfo::exists(folders.storedBuild()));
        }
        if (message.isEmpty()) {
            QCOMPARE(messages.infos, QStringList());
        } else {
            QCOMPARE(messages.infos.size(), 1);
            QVERIFY2(messages.infos.first().startsWith(message), qPrintable(messages.infos.first()));
        }
        if (!announce)
            QCOMPARE(update.UpdateState(), 1);
        QVERIFY(waitUntil([&] { return update.UpdateServerVersion() == QLatin1String("1.10.4"); }, 5000)
                || started);
        connection.StopTimers();
        connection.CloseConnection();
        connection.StopTimers();
    }
    qunsetenv("TESK_UPDATE_HELPER_OUT");
    StopSimulator(server);
}

QTEST_GUILESS_MAIN(TestUpdateEndToEnd)
#include "test_update_e2e.moc"
