#include "common/ClientIdentity.h"
#include "common/UpdateClient.h"
#include "protocol/Codepage.h"
#include "protocol/Commands.h"
#include "protocol/Framing.h"

#include "FakeServer.h"
#include "RecordingMessages.h"
#include "TempSettings.h"
#include "UpdateFixture.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace tesk;
using namespace tesk::test;

using Reads = QList<QByteArray>;
using SettingsMap = QMap<QString, QString>; // "Section/Key" -> value on the call server

namespace {

const QString NewVersion = QStringLiteral("1.12.0.0");
const QString NewNumber = QStringLiteral("11200");
const QByteArray Head = "#DATASTART#\xA4RETNEWCLIENT:";
const QByteArray Tail = ":RETNEWCLIENT\xA4#DATAEND#";
const QString VerifyFailed = QStringLiteral("Den nya versionen kunde inte verifieras och har inte startats.");
const QString StartFailed = QStringLiteral("Den nya versionen kunde inte startas.");

struct Started {
    QString program;
    QStringList arguments;
    QString workingDirectory;
};

// The call server (answers the settings reads from a table), the update
// server (answers GETSERVERVERSION and, for GETNEWCLIENT, sends the reads
// it is given one by one), and an update client between them.
struct Rig {
    TempSettings temp;
    FakeServer main;
    FakeServer update;
    RecordingMessages messages;
    ClientIdentity identity;
    UpdateFolders folders;
    SettingsMap serverSettings;
    QByteArray versionAnswer = "\xA4RETSERVERVERSION:1.10.4:RETSERVERVERSION\xA4";
    Reads fileReads;
    bool closeAfterReads = false;
    // Room for a busy machine to read each piece on its own.
    int readGapMs = 100;
    bool startSucceeds = true;
    QList<Started> started;
    std::unique_ptr<UpdateClient> client;

    explicit Rig(bool downloadWritable = true, UpdateClient::Waits waits = {300, 1500, 5000},
                 qsizetype maxReplyBytes = UpdateClient::MaxReplyBytes)
        : temp(TempSettings::Options{QStringLiteral("TESTMACHINE"), 1000, QStringLiteral("_test_TESK\\"), true, true})
        , identity(temp.settings(), {QStringLiteral("NAME=Visning 1"), QStringLiteral("PLACE=Rum 3")})
        , folders(downloadWritable)
    {
        identity.ClientType = TTESKClientType::ctShow;
        main.listen();
        update.listen();
        serverSettings.insert(QStringLiteral("ServerSettings/UpdateServerPort"), QString::number(update.port()));
        main.setResponder([this](const QString& frame) -> QString {
            const auto cut = FindFrame(frame, cmd::GETINITEXT);
            if (!cut)
                return {};
            const QString section = cut->field(1).section(QLatin1Char('\\'), -1);
            const QString key = section + QLatin1Char('/') + cut->field(2);
            if (key == QLatin1String("CHECKVERSION/SILENT"))
                return {};
            return ComposeFrame(cmd::RETINITEXT, {serverSettings.value(key)});
        });
        update.setResponder([this](const QString& frame) -> QString {
            if (frame.contains(OpeningTag(cmd::GETSERVERVERSION)))
                return FromAnsi(versionAnswer);
            if (frame.contains(OpeningTag(cmd::GETNEWCLIENT)))
                sendFileReads();
            return {};
        });
        temp.connectTo(main);

        UpdateClient::Options options;
        options.waits = waits;
        options.programPath = folders.programPath;
        options.maxReplyBytes = maxReplyBytes;
        options.screenCentre = [] { return QPoint(640, 400); };
        options.startProgram = [this](const QString& program, const QStringList& arguments, const QString& wd) {
            started.append({program, arguments, wd});
            return startSucceeds;
        };
        client = std::make_unique<UpdateClient>(temp.settings(), identity, messages, folders.paths, options);
    }

    void sendFileReads()
    {
        // Apart in time, so that each arrives as a read of its own.
        for (int i = 0; i < fileReads.size(); ++i) {
            const QByteArray bytes = fileReads.at(i);
            QTimer::singleShot(readGapMs * (i + 1), &update, [this, bytes] { update.sendRaw(bytes); });
        }
        if (closeAfterReads)
            QTimer::singleShot(readGapMs * (fileReads.size() + 1), &update, [this] { update.dropClient(); });
    }

    bool askedForBuild() const { return update.received().contains(OpeningTag(cmd::GETNEWCLIENT)); }
};

} // namespace

class TestUpdateClient : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void versionNumbers_data();
    void versionNumbers();
    void decisions_data();
    void decisions();
    void fileReply_data();
    void fileReply();
    void buildOfVersion1000_data();
    void buildOfVersion1000();
    void textReplies_data();
    void textReplies();
    void unreachableUpdateServer();
    void updateServerNamedByTheCallServer_data();
    void updateServerNamedByTheCallServer();
    void nestedCheckRefused();
    void mistypedUpdateServerAddress();
};

void TestUpdateClient::versionNumbers_data()
{
    QTest::addColumn<QString>("productVersion");
    QTest::addColumn<int>("number");
    QTest::newRow("four parts") << "1.10.1.5" << 11015;
    QTest::newRow("no version information") << "<info not available>" << 1000;
    QTest::newRow("empty") << "" << 1000;
    QTest::newRow("letters") << "1.2b" << 1000;
    QTest::newRow("too large for a number") << "99999.99999.99999" << 1000;
}

void TestUpdateClient::versionNumbers()
{
    QFETCH(QString, productVersion);
    QFETCH(int, number);
    QCOMPARE(UpdateClient::VersionNumber(productVersion), number);
}

void TestUpdateClient::decisions_data()
{
    QTest::addColumn<SettingsMap>("settings");
    QTest::addColumn<QByteArray>("storedBefore"); // at the stored build's place; empty: none
    QTest::addColumn<bool>("result");
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("asksForBuild");
    QTest::addColumn<int>("starts");

    const SettingsMap newer{{QStringLiteral("CHECKVERSION/TESKVistor"), NewNumber}};
    QTest::newRow("no CHECKVERSION anywhere: up to date")
        << SettingsMap{} << QByteArray() << false << 1 << false << 0;
    QTest::newRow("CHECKVERSION equals the running build")
        << SettingsMap{{QStringLiteral("CHECKVERSION/TESKVistor"), QStringLiteral("11015")}} << QByteArray() << false
        << 1 << false << 0;
    QTest::newRow("CHECKVERSION not a number: the running version")
        << SettingsMap{{QStringLiteral("CHECKVERSION/TESKVistor"), QStringLiteral("11x")}} << QByteArray() << false
        << 1 << false << 0;
    QTest::newRow("stored build of the announced version: started without asking")
        << newer << FakeBuild(NewVersion) << true << 2 << false << 1;
    QTest::newRow("stored build of another version: fetched anew")
        << newer << FakeBuild(QStringLiteral("1.11.0.0")) << false << 2 << true << 0;
}

void TestUpdateClient::decisions()
{
    QFETCH(SettingsMap, settings);
    QFETCH(QByteArray, storedBefore);
    QFETCH(bool, result);
    QFETCH(int, state);
    QFETCH(bool, asksForBuild);
    QFETCH(int, starts);

    // A build asked for never comes: the transfer ends by its limit.
    Rig rig(true, {300, 1500, 300});
    for (auto it = settings.begin(); it != settings.end(); ++it)
        rig.serverSettings.insert(it.key(), it.value());
    if (!storedBefore.isEmpty())
        QVERIFY(WriteFile(rig.folders.storedBuild(), storedBefore));

    QCOMPARE(rig.client->CheckForUpdate(), result);
    QCOMPARE(rig.client->UpdateState(), state);
    QVERIFY(rig.update.waitForReceived(OpeningTag(cmd::GETSERVERVERSION)));
    QCOMPARE(rig.askedForBuild(), asksForBuild);
    QCOMPARE(rig.started.size(), starts);
    if (starts) {
        QCOMPARE(rig.started.first().program, rig.folders.storedBuild());
        QCOMPARE(rig.started.first().arguments,
                 (QStringList{QStringLiteral("RESTARTING=1"), QStringLiteral("NAME=Visning 1"),
                              QStringLiteral("PLACE=Rum 3")}));
        QCOMPARE(rig.started.first().workingDirectory, rig.folders.paths.CurrentPath);
        QVERIFY(QFileInfo(rig.folders.storedBuild()).isExecutable());
        // A program file that only its owner may start.
        QCOMPARE(QFile::permissions(rig.folders.storedBuild()) & (QFileDevice::ExeGroup | QFileDevice::ExeOther),
                 QFileDevice::Permissions());
    }
    QCOMPARE(rig.messages.infos, QStringList());
    QVERIFY(!rig.client->isChecking());
}

void TestUpdateClient::fileReply_data()
{
    QTest::addColumn<Reads>("reads");
    QTest::addColumn<QByteArray>("versionAnswer"); // the answer to GETSERVERVERSION on its own
    QTest::addColumn<bool>("closeAfter");          // the server goes away after the reads
    QTest::addColumn<bool>("downloadWritable");
    QTest::addColumn<bool>("startSucceeds");
    QTest::addColumn<int>("transferMs");
    QTest::addColumn<qsizetype>("maxReplyBytes");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QByteArray>("stored"); // the stored build afterwards; empty: none
    QTest::addColumn<QString>("message");   // the one information box shown, by its start; empty: none
    QTest::addColumn<QString>("serverVersion");
    QTest::addColumn<bool>("endsByLimit"); // by the transfer limit, not by an event

    const QByteArray build = FakeBuild(NewVersion);
    const QByteArray version = "\xA4RETSERVERVERSION:1.10.4:RETSERVERVERSION\xA4";
    const qsizetype noBound = UpdateClient::MaxReplyBytes;
    const QString saveFailed = QStringLiteral("Det fanns en ny version tillg\u00E4nglig. Den gick dock inte att spara ner "
                                              "i katalogen \r");

    QTest::newRow("marker and tag, file in pieces, closing tag right before the end marker")
        << Reads{Head + build.left(512), build.mid(512, 9000), build.mid(9512), Tail} << version << false << true
        << true << 5000 << noBound << true << build << QString() << "1.10.4" << false;
    QTest::newRow("tag before marker, end marker before closing tag")
        << Reads{"\xA4RETNEWCLIENT:#DATASTART#" + build.left(100), build.mid(100) + "#DATAEND#:RETNEWCLIENT\xA4"}
        << version << false << true << true << 5000 << noBound << true << build << QString() << "1.10.4" << false;
    QTest::newRow("version answer ahead of the reply in its first read stays out of the file")
        << Reads{"\xA4RETSERVERVERSION:2.1.0:RETSERVERVERSION\xA4" + Head + build.left(512), build.mid(512) + Tail}
        << QByteArray() << false << true << true << 5000 << noBound << true << build << QString() << "2.1.0" << false;
    QTest::newRow("closing tag split over the last two reads")
        << Reads{Head + build.left(512), build.mid(512) + ":RETNEW", "CLIENT\xA4#DATAEND#"} << version << false
        << true << true << 5000 << noBound << true << build << QString() << "1.10.4" << false;
    QTest::newRow("text past the end marker is no part of the file")
        << Reads{Head + build.left(512), build.mid(512) + Tail + "\r\n  trailing"} << version << false << true
        << true << 5000 << noBound << true << build << QString() << "1.10.4" << false;
    QTest::newRow("whole reply in one read is text: ends by the limit")
        << Reads{Head + build + Tail} << version << false << true << true << 400 << noBound << false << QByteArray()
        << QString() << "1.10.4" << true;
    {
        QByteArray withError = build;
        withError.insert(4000, "ERROR: not an error report");
        QTest::newRow("whole reply in one read with ERROR: among its bytes: shows nothing")
            << Reads{Head + withError + Tail} << version << false << true << true << 400 << noBound << false
            << QByteArray() << QString() << "1.10.4" << true;
    }
    QTest::newRow("another version: deleted, not started")
        << Reads{Head + build.left(512), FakeBuild(QStringLiteral("1.11.9.9")).mid(512) + Tail} << version << false
        << true << true << 5000 << noBound << false << QByteArray() << VerifyFailed << "1.10.4" << false;
    QTest::newRow("larger than the bound: dropped")
        << Reads{Head + build.left(512), build.mid(512, 9000), build.mid(9512), Tail} << version << false << true
        << true << 5000 << qsizetype(8192) << false << QByteArray() << QStringLiteral("Error in UpdateSocketRead!\r\r")
        << "1.10.4" << false;
    QTest::newRow("server goes away in the middle")
        << Reads{Head + build.left(512), build.mid(512, 5000)} << version << true << true << true << 5000 << noBound
        << false << QByteArray() << QString() << "1.10.4" << false;
    QTest::newRow("error report instead of the build, then the server closes")
        << Reads{"ERROR: Ok\xE4nd klient"} << version << true << true << true << 5000 << noBound << false
        << QByteArray() << QStringLiteral("Servern svarade med f\u00F6ljande fel: Ok\u00E4nd klient") << "1.10.4"
        << false;
    QTest::newRow("download folder cannot be written")
        << Reads{Head + build.left(512), build.mid(512) + Tail} << version << false << false << true << 5000
        << noBound << false << QByteArray() << saveFailed << "1.10.4" << false;
    QTest::newRow("stored, but the start fails: runs on")
        << Reads{Head + build.left(512), build.mid(512) + Tail} << version << false << true << false << 5000
        << noBound << false << build << StartFailed << "1.10.4" << false;
}

void TestUpdateClient::fileReply()
{
    QFETCH(Reads, reads);
    QFETCH(QByteArray, versionAnswer);
    QFETCH(bool, closeAfter);
    QFETCH(bool, downloadWritable);
    QFETCH(bool, startSucceeds);
    QFETCH(int, transferMs);
    QFETCH(qsizetype, maxReplyBytes);
    QFETCH(bool, result);
    QFETCH(QByteArray, stored);
    QFETCH(QString, message);
    QFETCH(QString, serverVersion);
    QFETCH(bool, endsByLimit);

    Rig rig(downloadWritable, {300, 1500, transferMs}, maxReplyBytes);
    rig.serverSettings.insert(QStringLiteral("CHECKVERSION/TESKVistor"), NewNumber);
    rig.versionAnswer = versionAnswer;
    rig.fileReads = reads;
    rig.closeAfterReads = closeAfter;
    rig.startSucceeds = startSucceeds;
    QSignalSpy progress(rig.client.get(), &UpdateClient::transferProgressChanged);

    QElapsedTimer clock;
    clock.start();
    QCOMPARE(rig.client->CheckForUpdate(), result);
    const qint64 took = clock.elapsed();
    QCOMPARE(rig.client->UpdateTimedOut(), endsByLimit);
    if (endsByLimit)
        QVERIFY2(took >= transferMs - 50, qPrintable(QString::number(took)));
    QVERIFY(rig.askedForBuild());
    const QString storedPath = rig.folders.storedBuild();
    if (stored.isEmpty()) {
        QVERIFY(!QFileInfo::exists(storedPath));
    } else {
        QCOMPARE(ReadFile(storedPath).size(), stored.size());
        QVERIFY(ReadFile(storedPath) == stored);
    }
    // Nothing but the stored build is left in the download folder.
    if (downloadWritable)
        QCOMPARE(QDir(rig.folders.paths.DownloadPath).entryList(QDir::Files), stored.isEmpty() ? QStringList()
                                                                                   : QStringList{"TESKVistor"});
    const bool expectStart = !stored.isEmpty();
    QCOMPARE(rig.started.size(), expectStart ? 1 : 0);
    if (expectStart) {
        QCOMPARE(rig.started.first().arguments,
                 (QStringList{QStringLiteral("RESTARTING=1"), QStringLiteral("NAME=Visning 1"),
                              QStringLiteral("PLACE=Rum 3")}));
        QCOMPARE(rig.started.first().workingDirectory, rig.folders.paths.CurrentPath);
        QVERIFY(QFile::permissions(storedPath) & QFileDevice::ExeOwner);
        QCOMPARE(QFile::permissions(storedPath) & (QFileDevice::ExeGroup | QFileDevice::ExeOther),
                 QFileDevice::Permissions());
    }
    if (message.isEmpty()) {
        QCOMPARE(rig.messages.infos, QStringList());
    } else {
        QCOMPARE(rig.messages.infos.size(), 1);
        QVERIFY2(rig.messages.infos.first().startsWith(message), qPrintable(rig.messages.infos.first()));
        if (!downloadWritable)
            QCOMPARE(rig.messages.infos.first(), message + rig.folders.paths.DownloadPath + QLatin1Char('!'));
    }
    QVERIFY(waitUntil([&] { return rig.client->UpdateServerVersion() == serverVersion; }, 2000));
    // A server that closes after its reply ends the connection in order:
    // that is no connection error.
    QCOMPARE(rig.messages.balloons.size(), size_t(0));

    // The progress: how much had arrived while the file came, and an empty
    // text once it is over.
    if (!progress.isEmpty()) {
        QVERIFY(progress.first().first().toString().startsWith(QStringLiteral("H\u00E4mtar ny version")));
        QCOMPARE(progress.last().first().toString(), QString());
    }
    QVERIFY(!rig.client->DataNotReady());
}

void TestUpdateClient::buildOfVersion1000_data()
{
    QTest::addColumn<QByteArray>("storedBefore"); // empty: none
    QTest::addColumn<Reads>("reads");             // the reply to GETNEWCLIENT
    QTest::addColumn<bool>("asksForBuild");
    QTest::addColumn<bool>("started");
    QTest::addColumn<QStringList>("messages");

    // 1.0.0.0 reads as 1000, as does a file without version record.
    const QByteArray real = FakeBuild(QStringLiteral("1.0.0.0"));
    const QByteArray unrecorded = FileWithoutRecord();
    QTest::newRow("fetched file without a record: deleted, not started")
        << QByteArray() << Reads{Head + unrecorded.left(512), unrecorded.mid(512) + Tail} << true << false
        << QStringList{VerifyFailed};
    QTest::newRow("stored file without a record: fetched anew, not started")
        << unrecorded << Reads{} << true << false << QStringList();
    QTest::newRow("fetched build of 1.0.0.0: started")
        << QByteArray() << Reads{Head + real.left(512), real.mid(512) + Tail} << true << true << QStringList();
    QTest::newRow("stored build of 1.0.0.0: started without asking")
        << real << Reads{} << false << true << QStringList();
}

void TestUpdateClient::buildOfVersion1000()
{
    QFETCH(QByteArray, storedBefore);
    QFETCH(Reads, reads);
    QFETCH(bool, asksForBuild);
    QFETCH(bool, started);
    QFETCH(QStringList, messages);

    Rig rig(true, {300, 1500, 1000});
    // Older than 1.0.0.0, so that 1000 is newer.
    QVERIFY(WriteFile(rig.folders.programPath, FakeBuild(QStringLiteral("0.9.9.9"), 3000)));
    rig.serverSettings.insert(QStringLiteral("CHECKVERSION/TESKVistor"), QStringLiteral("1000"));
    rig.fileReads = reads;
    if (!storedBefore.isEmpty())
        QVERIFY(WriteFile(rig.folders.storedBuild(), storedBefore));

    QCOMPARE(rig.client->CheckForUpdate(), started);
    QCOMPARE(rig.client->UpdateState(), 2);
    QCOMPARE(rig.askedForBuild(), asksForBuild);
    QCOMPARE(rig.started.size(), started ? 1 : 0);
    if (storedBefore.isEmpty() && !started)
        QVERIFY(!QFileInfo::exists(rig.folders.storedBuild()));
    QCOMPARE(rig.messages.infos, messages);
}

void TestUpdateClient::textReplies_data()
{
    QTest::addColumn<Reads>("reads"); // the answer to GETSERVERVERSION, read by read
    QTest::addColumn<QString>("serverVersion");
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("version answer") << Reads{"\xA4RETSERVERVERSION:1.10.4:RETSERVERVERSION\xA4"} << "1.10.4"
                                    << QStringList();
    QTest::newRow("version answer in markers over two reads")
        << Reads{"#DATASTART#\xA4RETSERVERVERSION:1.1", "0.7:RETSERVERVERSION\xA4#DATAEND#"} << "1.10.7"
        << QStringList();
    QTest::newRow("ERROR: 001 shows nothing")
        << Reads{"ERROR: 001", "\xA4RETSERVERVERSION:1.10.4:RETSERVERVERSION\xA4"} << "1.10.4" << QStringList();
    QTest::newRow("another error is shown")
        << Reads{"ERROR: Ok\xE4nd klient", "\xA4RETSERVERVERSION:1.10.4:RETSERVERVERSION\xA4"} << "1.10.4"
        << QStringList{QStringLiteral("Servern svarade med f\u00F6ljande fel: Ok\u00E4nd klient")};
    QTest::newRow("a long error is cut")
        << Reads{"ERROR: " + QByteArray(5000, 'x'), "\xA4RETSERVERVERSION:1.10.4:RETSERVERVERSION\xA4"} << "1.10.4"
        << QStringList{QStringLiteral("Servern svarade med f\u00F6ljande fel: ") + QString(200, QLatin1Char('x'))};
    QTest::newRow("an error ends where a frame begins")
        << Reads{"ERROR: Ok\xE4nd klient\xA4RETSERVERVERSION:1.10.4:RETSERVERVERSION\xA4"} << "1.10.4"
        << QStringList{QStringLiteral("Servern svarade med f\u00F6ljande fel: Ok\u00E4nd klient")};
    QTest::newRow("blank reads change nothing")
        << Reads{"  \r\n", "\xA4RETSERVERVERSION:1.10.4:RETSERVERVERSION\xA4"} << "1.10.4" << QStringList();
}

void TestUpdateClient::textReplies()
{
    QFETCH(Reads, reads);
    QFETCH(QString, serverVersion);
    QFETCH(QStringList, messages);

    Rig rig;
    rig.versionAnswer.clear();
    rig.update.setResponder([&](const QString& frame) -> QString {
        if (frame.contains(OpeningTag(cmd::GETSERVERVERSION))) {
            rig.fileReads = reads;
            rig.sendFileReads();
        }
        return {};
    });
    QVERIFY(!rig.client->CheckForUpdate());
    QCOMPARE(rig.client->UpdateState(), 1);
    QVERIFY(waitUntil([&] { return rig.client->UpdateServerVersion() == serverVersion; }, 2000));
    QCOMPARE(rig.messages.infos, messages);
    rig.client->ClearUpdateServerVersion();
    QCOMPARE(rig.client->UpdateServerVersion(), QString());
}

void TestUpdateClient::unreachableUpdateServer()
{
    Rig rig(true, {300, 1500, 5000});
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();
    rig.serverSettings.insert(QStringLiteral("ServerSettings/UpdateServerPort"), QString::number(port));
    rig.serverSettings.insert(QStringLiteral("CHECKVERSION/TESKVistor"), NewNumber);

    QElapsedTimer clock;
    clock.start();
    QVERIFY(!rig.client->CheckForUpdate());
    QVERIFY(clock.elapsed() >= 250); // ends by the connect limit, not at the error
    QVERIFY(rig.client->UpdateTimedOut());
    QCOMPARE(rig.client->UpdateState(), 0);
    QCOMPARE(rig.messages.balloons.size(), size_t(1));
    const auto& balloon = rig.messages.balloons.front();
    QCOMPARE(balloon.title, QStringLiteral("Information"));
    QCOMPARE(balloon.text, QStringLiteral("Error in UpdateSocket: 10061"));
    QCOMPARE(balloon.target.point, QPoint(640, 400));
    QCOMPARE(balloon.hideAfterMs, 5000);
    QCOMPARE(balloon.kind, int(BalloonInfo));
    QCOMPARE(rig.client->UpdatePort(), port);
    QVERIFY(rig.started.isEmpty());
}

void TestUpdateClient::updateServerNamedByTheCallServer_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("numeric address") << "127.0.0.1";
    QTest::newRow("host name") << "localhost";
    QTest::newRow("host name with blanks around it") << " localhost ";
}

void TestUpdateClient::updateServerNamedByTheCallServer()
{
    QFETCH(QString, name);
    Rig rig;
    rig.serverSettings.insert(QStringLiteral("ServerSettings/UpdateServerName"), name);
    QVERIFY(!rig.client->CheckForUpdate());
    QCOMPARE(rig.client->UpdateState(), 1);
    QCOMPARE(rig.client->UpdateHost(), name.trimmed());
    QCOMPARE(rig.update.connectionCount(), 1);
}

void TestUpdateClient::nestedCheckRefused()
{
    Rig rig;
    bool nestedResult = true;
    QTimer::singleShot(0, rig.client.get(), [&] { nestedResult = rig.client->CheckForUpdate(); });
    QVERIFY(!rig.client->CheckForUpdate());
    QVERIFY(!nestedResult);
    QCOMPARE(rig.client->UpdateState(), 1);
    QCOMPARE(rig.update.connectionCount(), 1);
}

void TestUpdateClient::mistypedUpdateServerAddress()
{
    // Begins like the fake update server's address; taking its first four
    // parts would fetch the build from there.
    Rig rig(true, {300, 1500, 1000});
    rig.serverSettings.insert(QStringLiteral("ServerSettings/UpdateServerName"), QStringLiteral("127.0.0.1.5"));
    rig.serverSettings.insert(QStringLiteral("CHECKVERSION/TESKVistor"), NewNumber);
    rig.fileReads = {Head + FakeBuild(NewVersion) + Tail};

    QVERIFY(!rig.client->CheckForUpdate());
    QCOMPARE(rig.client->UpdateHost(), QStringLiteral("127.0.0.1.5"));
    QCOMPARE(rig.client->UpdateState(), 0);
    QVERIFY(rig.client->UpdateTimedOut());
    QCOMPARE(rig.messages.balloons.size(), size_t(1));
    QCOMPARE(rig.messages.balloons.front().text, QStringLiteral("Error in UpdateSocket: 11001"));
    QCOMPARE(rig.update.connectionCount(), 0);
    QVERIFY(!rig.askedForBuild());
    QVERIFY(rig.started.isEmpty());
}

QTEST_GUILESS_MAIN(TestUpdateClient)
#include "test_updateclient.moc"
