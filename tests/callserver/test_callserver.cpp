// The simulator end to end in this process: a real QTcpSocket on 127.0.0.1
// talks to the server the way a display client does.

#include "CallServer.h"
#include "Register.h"
#include "ServerMessages.h"
#include "FakeServer.h"
#include "WireClient.h"

#include "common/VersionInfo.h"
#include "protocol/Codepage.h"
#include "protocol/Commands.h"
#include "protocol/Framing.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace tesk;
using namespace tesk::sim;
using tesk::test::FieldOf;
using tesk::test::ParseCurrentList;
using tesk::test::WireClient;

namespace {

// The server with an injected clock, listening on a free loopback port.
struct Harness {
    Register reg;
    QDateTime now = QDateTime(QDate(2024, 3, 5), QTime(8, 15, 30));
    QStringList log;
    std::unique_ptr<CallServer> server;

    explicit Harness(ServerConfig config = quickConfig(), bool defaultResources = true)
    {
        if (defaultResources)
            reg.loadDefaultResources();
        server = std::make_unique<CallServer>(
            reg, config, [this] { return now; }, [this](const QString& line) { log << line; });
        if (!server->listen(QHostAddress(QHostAddress::LocalHost), 0))
            qFatal("cannot listen");
    }

    static ServerConfig quickConfig()
    {
        ServerConfig c;
        c.session.messageGapMs = 1;
        c.update.pieceGapMs = 30;
        return c;
    }

    quint16 port() const { return server->port(); }
};

std::unique_ptr<WireClient> Connect(Harness& h)
{
    auto client = std::make_unique<WireClient>();
    if (!client->connectTo(h.port()))
        return nullptr;
    return client;
}

// Everything asked before a GETKLINIKNAMN is answered before its answer:
// a way to know that something did not come without waiting for a timer.
bool Barrier(WireClient& c)
{
    const int before = c.count(cmd::RETKLINIKNAMN);
    c.send(cmd::GETKLINIKNAMN, {QStringLiteral("¤¤ADMIN¤¤"), QStringLiteral("2")});
    return c.waitForFrames(cmd::RETKLINIKNAMN, before + 1);
}

QStringList FieldsOf(const QString& frame, int count)
{
    QStringList fields;
    for (int k = 1; k <= count; ++k)
        fields << FieldOf(frame, k);
    return fields;
}

} // namespace

class TestCallServer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void answers_data();
    void answers();
    void clinicNameIsWindows1252();
    void allCallables();
    void currentListFollowsStation_data();
    void currentListFollowsStation();
    void callerFields();
    void comingConfirmsAndBroadcasts_data();
    void comingConfirmsAndBroadcasts();
    void comingForUnknownCallChangesNothing();
    void settingsRoundTrip_data();
    void settingsRoundTrip();
    void registrationNumbers();
    void notRegistered_data();
    void notRegistered();
    void registeringAfterErrorSendsList();
    void reconnectAcceptsAndSendsList();
    void newClientDelivered_data();
    void newClientDelivered();
    void newClientRefused_data();
    void newClientRefused();
    void newClientForClientTests_data();
    void newClientForClientTests();
    void longMessagesUseMarkers_data();
    void longMessagesUseMarkers();
    void boundedBuffer_data();
    void boundedBuffer();
    void clientThatStopsReadingIsLetGo();
    void answersKeepRequestOrder();
    void framesSplitOverReads();
    void closedConnectionIsForgotten();
    void everyFrameIsLogged();
    void dropMidMessage_data();
    void dropMidMessage();
    void refusalDropsDisplaysFirst();
};

void TestCallServer::answers_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("version") << cmd::GETSERVERVERSION << QStringList{"HOST_Show", "1"} << cmd::RETSERVERVERSION
                             << QStringList{"1.10.4"};
    QTest::newRow("clinic") << cmd::GETKLINIKNAMN << QStringList{"¤¤ADMIN¤¤", "2"} << cmd::RETKLINIKNAMN
                            << QStringList{"Vårdcentralen Norrby"};
    QTest::newRow("unknown setting is empty") << cmd::GETINITEXT << QStringList{"HOST\\TESK", "ShowMode"}
                                              << cmd::RETINITEXT << QStringList{""};
    QTest::newRow("no station") << cmd::GETSTATIONCALLABLES << QStringList{"HOST_Show"} << cmd::RETSTATIONCALLABLES
                                << QStringList{""};
    QTest::newRow("registration") << cmd::REGISTERUPATEMACHINE
                                  << QStringList{"Väntrum_Show", "1", "Väntrum Öst", "255", "", "-1"}
                                  << cmd::TESKCLIENTDATA << QStringList{"Väntrum_Show", "Väntrum Öst", "255", "1"};
    QTest::newRow("registration, colour not a number") << cmd::REGISTERUPATEMACHINE
                                                       << QStringList{"A_Show", "1", "Rum 1", "röd", "", "-1"}
                                                       << cmd::TESKCLIENTDATA << QStringList{"A_Show", "Rum 1", "0", "1"};
}

void TestCallServer::answers()
{
    QFETCH(QString, command);
    QFETCH(QStringList, fields);
    QFETCH(QString, reply);
    QFETCH(QStringList, expected);

    Harness h;
    auto c = Connect(h);
    QVERIFY(c);
    c->send(command, fields);
    QVERIFY(c->waitForFrames(reply, 1));
    const QString frame = c->frames(reply).first();
    QCOMPARE(FieldsOf(frame, int(expected.size())), expected);
    QCOMPARE(FieldOf(frame, int(expected.size()) + 1), QString()); // nothing more
}

void TestCallServer::clinicNameIsWindows1252()
{
    ServerConfig config = Harness::quickConfig();
    config.clinicName = QStringLiteral("Hälsocentralen Åre");
    Harness h(config);
    auto c = Connect(h);
    QVERIFY(c);
    c->send(cmd::GETKLINIKNAMN, {QStringLiteral("¤¤ADMIN¤¤"), QStringLiteral("2")});
    QVERIFY(c->waitForFrames(cmd::RETKLINIKNAMN, 1));
    QCOMPARE(c->bytes(), QByteArray("\xA4RETKLINIKNAMN:H\xE4lsocentralen \xC5re:RETKLINIKNAMN\xA4"));
}

void TestCallServer::allCallables()
{
    Harness h;
    auto c = Connect(h);
    QVERIFY(c);
    c->send(cmd::GETALLCALLABLES, {QStringLiteral("HOST_Show")});
    QVERIFY(c->waitForFrames(cmd::RETALLCALLABLES, 1));
    const QString frame = c->frames(cmd::RETALLCALLABLES).first();
    const int n = int(h.reg.resources().size());
    QCOMPARE(n, 7);
    for (int p = 0; p < n; ++p) {
        const SimResource& r = h.reg.resources()[p];
        QCOMPARE(FieldOf(frame, 7 * p + 1), r.name);
        QCOMPARE(FieldOf(frame, 7 * p + 2), QString::number(r.number));
        QCOMPARE(FieldOf(frame, 7 * p + 7), r.active ? QStringLiteral("T") : QStringLiteral("F"));
    }
    QCOMPARE(FieldOf(frame, 7 * 6 + 7), QStringLiteral("F")); // the seventh resource is inactive
    QCOMPARE(FieldOf(frame, 7 * n + 1), QString());
}

void TestCallServer::currentListFollowsStation_data()
{
    QTest::addColumn<QString>("post"); // the client's POSTCALLABLESLIST text, or empty for none
    QTest::addColumn<QList<int>>("expected");

    QTest::newRow("no station: every active resource") << QString() << QList<int>{1, 2, 3, 4, 5, 6};
    QTest::newRow("ordered by position")
        << QStringLiteral("¤POSTCALLABLESLIST:HOST_Show:1:3:1:1:0:5:2:POSTCALLABLESLIST¤") << QList<int>{1, 3, 5};
    QTest::newRow("unknown and inactive skipped")
        << QStringLiteral("¤POSTCALLABLESLIST:HOST_Show:1:99:0:7:1:2:2:POSTCALLABLESLIST¤") << QList<int>{2};
    QTest::newRow("empty list: every active resource")
        << QStringLiteral("¤POSTCALLABLESLIST:HOST_Show:1:POSTCALLABLESLIST¤") << QList<int>{1, 2, 3, 4, 5, 6};
    QTest::newRow("start parameter text with trailing colon")
        << QStringLiteral("¤POSTCALLABLESLIST:HOST_Show:1:4:0:2:1::POSTCALLABLESLIST¤") << QList<int>{4, 2};
    QTest::newRow("name in other letter case")
        << QStringLiteral("¤POSTCALLABLESLIST:host_show:1:6:0:POSTCALLABLESLIST¤") << QList<int>{6};
}

void TestCallServer::currentListFollowsStation()
{
    QFETCH(QString, post);
    QFETCH(QList<int>, expected);

    Harness h;
    auto c = Connect(h);
    QVERIFY(c);
    if (!post.isEmpty())
        c->sendRaw(ToAnsi(post));
    c->send(cmd::GETCALLLIST, {QStringLiteral("HOST_Show"), QStringLiteral("1")});
    QVERIFY(c->waitForFrames(cmd::CURRENTLIST, 1));
    const auto calls = ParseCurrentList(c->frames(cmd::CURRENTLIST).first());
    QCOMPARE(calls.size(), expected.size());
    for (int i = 0; i < calls.size(); ++i) {
        const SimResource* r = h.reg.findResource(expected[i]);
        QCOMPARE(calls[i].number, expected[i]);
        QCOMPARE(calls[i].name, r->name);
        QCOMPARE(calls[i].colour, qint64(r->colour));
        QCOMPARE(calls[i].ix, i + 1);
        QVERIFY(calls[i].callers.isEmpty());
    }

    if (!post.isEmpty()) {
        c->send(cmd::GETSTATIONCALLABLES, {QStringLiteral("HOST_Show")});
        QVERIFY(c->waitForFrames(cmd::RETSTATIONCALLABLES, 1));
        const QString frame = c->frames(cmd::RETSTATIONCALLABLES).first();
        const QList<int> station = h.reg.station(QStringLiteral("HOST_Show"));
        for (int p = 0; p < station.size(); ++p) {
            QCOMPARE(FieldOf(frame, 2 * p + 1), QString::number(station[p]));
            QCOMPARE(FieldOf(frame, 2 * p + 2), QString::number(p));
        }
        QCOMPARE(FieldOf(frame, 2 * int(station.size()) + 1), QString());
    }
}

void TestCallServer::callerFields()
{
    Harness h;
    const int a = *h.reg.addCall(2, QStringLiteral("Väntrum Öst"), 11591935, h.now);
    const int b = *h.reg.addCall(2, QStringLiteral("Rum 3"), 255, h.now.addSecs(60));
    QVERIFY(h.reg.confirmCall(2, b, QStringLiteral("Expeditionen"), h.now.addSecs(90)));

    auto c = Connect(h);
    QVERIFY(c);
    c->send(cmd::GETCALLLIST, {QStringLiteral("HOST_Show"), QStringLiteral("1")});
    QVERIFY(c->waitForFrames(cmd::CURRENTLIST, 1));
    const auto calls = ParseCurrentList(c->frames(cmd::CURRENTLIST).first());
    QCOMPARE(calls.size(), 6);
    QCOMPARE(calls[1].callers.size(), 2);
    QCOMPARE(calls[1].callers[0], (QStringList{"Väntrum Öst", QString::number(a), "2024-03-05 08:15:30", "11591935",
                                               "0", "", ""}));
    QCOMPARE(calls[1].callers[1], (QStringList{"Rum 3", QString::number(b), "2024-03-05 08:16:30", "255", "1",
                                               "2024-03-05 08:17:00", "Expeditionen"}));
    QVERIFY(calls[0].callers.isEmpty());
    QVERIFY(calls[2].callers.isEmpty());
}

void TestCallServer::comingConfirmsAndBroadcasts_data()
{
    QTest::addColumn<bool>("registered");
    QTest::addColumn<QString>("expectedName");

    QTest::newRow("registered client: its place") << true << QStringLiteral("Expedition Syd");
    QTest::newRow("unregistered client: its name") << false << QStringLiteral("EXP_Show");
}

void TestCallServer::comingConfirmsAndBroadcasts()
{
    QFETCH(bool, registered);
    QFETCH(QString, expectedName);

    Harness h;
    const int lopnr = *h.reg.addCall(3, QStringLiteral("Rum 3"), 255, h.now);
    auto confirmer = Connect(h);
    auto other = Connect(h);
    QVERIFY(confirmer && other);
    if (registered) {
        confirmer->send(cmd::REGISTERUPATEMACHINE,
                        {"EXP_Show", "1", "Expedition Syd", "65280", "", "-1"});
        QVERIFY(confirmer->waitForFrames(cmd::TESKCLIENTDATA, 1));
    }
    confirmer->send(cmd::GETCALLLIST, {QStringLiteral("EXP_Show"), QStringLiteral("1")});
    other->send(cmd::GETCALLLIST, {QStringLiteral("VANT_Show"), QStringLiteral("1")});
    QVERIFY(confirmer->waitForFrames(cmd::CURRENTLIST, 1));
    QVERIFY(other->waitForFrames(cmd::CURRENTLIST, 1));

    h.now = h.now.addSecs(125);
    confirmer->send(cmd::COMING, {QStringLiteral("3"), QString::number(lopnr)});
    for (WireClient* c : {confirmer.get(), other.get()}) {
        QVERIFY(c->waitForFrames(cmd::CURRENTLIST, 2));
        const auto calls = ParseCurrentList(c->frames(cmd::CURRENTLIST).at(1));
        QCOMPARE(calls.at(2).number, 3);
        const QStringList caller = calls.at(2).callers.at(0);
        QVERIFY(caller.at(4).toInt() > 0);
        QCOMPARE(caller.at(5), QStringLiteral("2024-03-05 08:17:35"));
        QCOMPARE(caller.at(6), expectedName);
    }
}

void TestCallServer::comingForUnknownCallChangesNothing()
{
    Harness h;
    h.reg.addCall(3, QStringLiteral("Rum 3"), 255, h.now);
    auto c = Connect(h);
    QVERIFY(c);
    c->send(cmd::GETCALLLIST, {QStringLiteral("HOST_Show"), QStringLiteral("1")});
    QVERIFY(c->waitForFrames(cmd::CURRENTLIST, 1));
    c->send(cmd::COMING, {QStringLiteral("3"), QStringLiteral("999")});
    c->send(cmd::COMING, {QStringLiteral("x"), QStringLiteral("y")});
    QVERIFY(Barrier(*c));
    QCOMPARE(c->count(cmd::CURRENTLIST), 1);
    QVERIFY(!c->text().contains(cmd::ErrorMark));
}

void TestCallServer::settingsRoundTrip_data()
{
    QTest::addColumn<QString>("setScope");
    QTest::addColumn<QString>("setKey");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("getScope");
    QTest::addColumn<QString>("getKey");
    QTest::addColumn<QString>("expected");

    QTest::newRow("machine copy") << "HOST\\TESK" << "ShowMode" << "2" << "HOST\\TESK" << "ShowMode" << "2";
    QTest::newRow("machine copy is not shared") << "HOST\\TESK" << "ShowMode" << "2" << "\\TESK" << "ShowMode" << "";
    QTest::newRow("other machine") << "HOST\\TESK" << "ShowMode" << "2" << "OTHER\\TESK" << "ShowMode" << "";
    QTest::newRow("shared copy") << "TESK" << "ShowMode" << "3" << "\\TESK" << "ShowMode" << "3";
    QTest::newRow("shared is not the machine's") << "TESK" << "ShowMode" << "3" << "HOST\\TESK" << "ShowMode" << "";
    QTest::newRow("letter case ignored") << "host\\tesk" << "showmode" << "1" << "HOST\\TESK" << "ShowMode" << "1";
    QTest::newRow("Swedish value") << "HOST\\TESK" << "CallPrefix" << "Väntrum Öst" << "HOST\\TESK" << "CallPrefix"
                                   << "Väntrum Öst";
    QTest::newRow("other key") << "HOST\\TESK" << "ShowMode" << "2" << "HOST\\TESK" << "Visibility" << "";
}

void TestCallServer::settingsRoundTrip()
{
    QFETCH(QString, setScope);
    QFETCH(QString, setKey);
    QFETCH(QString, value);
    QFETCH(QString, getScope);
    QFETCH(QString, getKey);
    QFETCH(QString, expected);

    Harness h;
    auto c = Connect(h);
    QVERIFY(c);
    c->send(cmd::SETINITEXT, {setScope, setKey, value});
    c->send(cmd::GETINITEXT, {getScope, getKey});
    QVERIFY(c->waitForFrames(cmd::RETINITEXT, 1));
    QCOMPARE(c->frames(cmd::RETINITEXT).size(), 1); // SETINITEXT has no answer
    QCOMPARE(FieldOf(c->frames(cmd::RETINITEXT).first(), 1), expected);
}

void TestCallServer::registrationNumbers()
{
    Harness h;
    auto c = Connect(h);
    QVERIFY(c);
    c->send(cmd::REGISTERUPATEMACHINE, {"A_Show", "1", "Rum 1", "255", "", "-1"});
    c->send(cmd::REGISTERUPATEMACHINE, {"B_Show", "1", "Rum 2", "65280", "", "-1"});
    c->send(cmd::REGISTERUPATEMACHINE, {"a_show", "1", "Rum 1 nytt", "16711680", "", "1"});
    QVERIFY(c->waitForFrames(cmd::TESKCLIENTDATA, 3));
    const QStringList frames = c->frames(cmd::TESKCLIENTDATA);
    QCOMPARE(FieldsOf(frames[0], 4), (QStringList{"A_Show", "Rum 1", "255", "1"}));
    QCOMPARE(FieldsOf(frames[1], 4), (QStringList{"B_Show", "Rum 2", "65280", "2"}));
    QCOMPARE(FieldsOf(frames[2], 4), (QStringList{"a_show", "Rum 1 nytt", "16711680", "1"}));
}

void TestCallServer::notRegistered_data()
{
    QTest::addColumn<bool>("require");
    QTest::addColumn<QString>("request");
    QTest::addColumn<bool>("registeredBefore");
    QTest::addColumn<bool>("expectError");

    QTest::newRow("not required") << false << cmd::GETCALLLIST << false << false;
    QTest::newRow("required, unknown, call list") << true << cmd::GETCALLLIST << false << true;
    QTest::newRow("required, unknown, reconnect") << true << cmd::RECONNECT << false << true;
    QTest::newRow("required, registered earlier") << true << cmd::GETCALLLIST << true << false;
}

void TestCallServer::notRegistered()
{
    QFETCH(bool, require);
    QFETCH(QString, request);
    QFETCH(bool, registeredBefore);
    QFETCH(bool, expectError);

    ServerConfig config = Harness::quickConfig();
    config.requireRegistration = require;
    Harness h(config);
    if (registeredBefore)
        h.reg.registerClient(QStringLiteral("HOST_Show"), QStringLiteral("Rum 1"), 255);
    auto c = Connect(h);
    QVERIFY(c);
    c->send(request, {QStringLiteral("HOST_Show"), QStringLiteral("1")});
    QVERIFY(Barrier(*c));
    QCOMPARE(c->text().contains(cmd::NotRegisteredError), expectError);
    QCOMPARE(c->count(cmd::CURRENTLIST), expectError ? 0 : 1);

    // A change meanwhile reaches only registered displays.
    h.reg.addCall(1, QStringLiteral("Rum 2"), 0, h.now);
    h.server->broadcastCallLists();
    QVERIFY(Barrier(*c));
    QCOMPARE(c->count(cmd::CURRENTLIST), expectError ? 0 : 2);
    QCOMPARE(c->text().count(cmd::NotRegisteredError), expectError ? 1 : 0);
}

void TestCallServer::registeringAfterErrorSendsList()
{
    ServerConfig config = Harness::quickConfig();
    config.requireRegistration = true;
    Harness h(config);
    auto c = Connect(h);
    QVERIFY(c);
    c->send(cmd::GETCALLLIST, {QStringLiteral("HOST_Show"), QStringLiteral("1")});
    QVERIFY(c->waitFor([&] { return c->text().contains(cmd::NotRegisteredError); }));
    c->send(cmd::REGISTERUPATEMACHINE, {"HOST_Show", "1", "Väntrum", "255", "", "-1"});
    QVERIFY(c->waitForFrames(cmd::CURRENTLIST, 1));
    const QString t = c->text();
    QVERIFY(t.indexOf(OpeningTag(cmd::TESKCLIENTDATA)) < t.indexOf(OpeningTag(cmd::CURRENTLIST)));
}

void TestCallServer::reconnectAcceptsAndSendsList()
{
    Harness h;
    auto c = Connect(h);
    QVERIFY(c);
    c->send(cmd::RECONNECT, {QStringLiteral("HOST_Show"), QStringLiteral("1")});
    QVERIFY(c->waitForFrames(cmd::CURRENTLIST, 1));
    QCOMPARE(h.server->displayCount(), 1);
    QVERIFY(Barrier(*c));
    QCOMPARE(c->count(cmd::RETSERVERVERSION), 0);
}

namespace {

// The display's reader of the update connection, over the reads as they
// came: a transfer starts with a read holding the start marker and the
// opening tag but no end marker, and ends with the read holding the end marker.
std::optional<QByteArray> ReadTransfer(const QList<QByteArray>& reads)
{
    const QByteArray start = "#DATASTART#";
    const QByteArray end = "#DATAEND#";
    const QByteArray open = "\xA4RETNEWCLIENT:";
    const QByteArray close = ":RETNEWCLIENT\xA4";
    bool assembling = false;
    QByteArray file;
    for (QByteArray chunk : reads) {
        if (chunk.contains(start)) {
            if (chunk.contains(end) || !chunk.contains(open))
                return std::nullopt; // treated as text: no file
            chunk.remove(chunk.indexOf(start), start.size());
            chunk.remove(chunk.indexOf(open), open.size());
            file = chunk;
            assembling = true;
        } else if (assembling) {
            if (chunk.contains(end)) {
                chunk.remove(chunk.indexOf(end), 11);
                if (chunk.contains(close))
                    chunk.remove(chunk.indexOf(close), close.size());
                return file + chunk;
            }
            file += chunk;
        }
    }
    return std::nullopt;
}

} // namespace

void TestCallServer::newClientDelivered_data()
{
    QTest::addColumn<int>("size");
    QTest::newRow("one byte") << 1;
    QTest::newRow("first piece exactly") << 512;
    QTest::newRow("first piece and one") << 513;
    QTest::newRow("a program") << 300000;
}

void TestCallServer::newClientDelivered()
{
    QFETCH(int, size);

    QTemporaryDir builds;
    QVERIFY(builds.isValid());
    QByteArray program(size, Qt::Uninitialized);
    QRandomGenerator random(size);
    for (char& b : program)
        b = char(random.bounded(256));
    program[0] = '\xA4'; // the frame byte in the file must not matter
    QFile file(builds.filePath(QStringLiteral("TESKVistor")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(program);
    file.close();

    ServerConfig config = Harness::quickConfig();
    config.update.buildsDir = builds.path();
    config.update.pieceGapMs = 100; // room for a busy machine to read each piece on its own
    Harness h(config);
    auto c = Connect(h);
    QVERIFY(c);
    // As the update check sends them: both at once.
    c->sendRaw(ToAnsi(ComposeFrame(cmd::GETSERVERVERSION, {"HOST_Show", "1"})
                      + ComposeFrame(cmd::GETNEWCLIENT, {"TESKVistor", "HOST_Show", "1"})));
    QVERIFY(c->waitFor([&] { return c->bytes().endsWith("#DATAEND#"); }));

    const QByteArray version = ToAnsi(ComposeFrame(cmd::RETSERVERVERSION, {"1.10.4"}));
    QCOMPARE(c->bytes(), version + "#DATASTART#\xA4RETNEWCLIENT:" + program + ":RETNEWCLIENT\xA4#DATAEND#");
    const std::optional<QByteArray> received = ReadTransfer(c->reads());
    QVERIFY(received);
    QCOMPARE(received->size(), program.size());
    QVERIFY(*received == program);
    QCOMPARE(h.server->displayCount(), 0); // an update connection gets no call lists
}

void TestCallServer::newClientRefused_data()
{
    QTest::addColumn<bool>("withBuilds");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("content"); // written as "TESKVistor"

    QTest::newRow("no builds folder") << false << "TESKVistor" << QByteArray("program");
    QTest::newRow("missing file") << true << "Annan" << QByteArray("program");
    QTest::newRow("parent folder") << true << "../TESKVistor" << QByteArray("program");
    QTest::newRow("sub folder") << true << "sub/TESKVistor" << QByteArray("program");
    QTest::newRow("Windows path") << true << "C\\TESKVistor" << QByteArray("program");
    QTest::newRow("empty name") << true << "" << QByteArray("program");
    QTest::newRow("empty file") << true << "TESKVistor" << QByteArray();
    QTest::newRow("end marker inside") << true << "TESKVistor" << QByteArray("abc#DATAEND#def");
    QTest::newRow("start marker inside") << true << "TESKVistor" << QByteArray("abc#DATASTART#def");
}

void TestCallServer::newClientRefused()
{
    QFETCH(bool, withBuilds);
    QFETCH(QString, fileName);
    QFETCH(QByteArray, content);

    QTemporaryDir root;
    QVERIFY(QDir(root.path()).mkpath(QStringLiteral("builds/sub")));
    const QString buildsDir = root.filePath(QStringLiteral("builds"));
    for (const QString& path : {root.filePath("TESKVistor"), buildsDir + "/sub/TESKVistor", buildsDir + "/TESKVistor"}) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(path.endsWith(QLatin1String("builds/TESKVistor")) ? content : QByteArray("secret"));
    }

    ServerConfig config = Harness::quickConfig();
    if (withBuilds)
        config.update.buildsDir = buildsDir;
    Harness h(config);
    auto c = Connect(h);
    QVERIFY(c);
    c->send(cmd::GETNEWCLIENT, {fileName, "HOST_Show", "1"});
    QVERIFY(c->waitFor([&] { return c->text().contains(cmd::ErrorMark); }));
    QVERIFY(c->text().startsWith(QStringLiteral("ERROR: ")));
    QVERIFY(!c->text().contains(cmd::NotRegisteredError));
    QVERIFY(Barrier(*c));
    QVERIFY(!c->bytes().contains("RETNEWCLIENT"));
    QVERIFY(!c->bytes().contains("secret"));
}

void TestCallServer::newClientForClientTests_data()
{
    QTest::addColumn<bool>("truncate");
    QTest::addColumn<QString>("servedVersion");
    QTest::newRow("cut short, then closed") << true << QString();
    QTest::newRow("read as another version") << false << QStringLiteral("0.9.0.0");
    QTest::newRow("both") << true << QStringLiteral("0.9.0.0");
}

void TestCallServer::newClientForClientTests()
{
    QFETCH(bool, truncate);
    QFETCH(QString, servedVersion);

    QTemporaryDir builds;
    QVERIFY(builds.isValid());
    // The record lies in the first half, which a cut-short transfer still carries.
    const QByteArray program = QByteArray(1000, 'p') + ComposeVersionRecord(QStringLiteral("1.12.0.0"),
                                                                            QStringLiteral("1.12.0.0"))
        + QByteArray(5000, 'q');
    QFile file(builds.filePath(QStringLiteral("TESKVistor")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(program);
    file.close();

    ServerConfig config = Harness::quickConfig();
    config.update.buildsDir = builds.path();
    config.update.truncate = truncate;
    config.update.servedVersion = servedVersion;
    Harness h(config);
    auto c = Connect(h);
    QVERIFY(c);
    c->send(cmd::GETNEWCLIENT, {"TESKVistor", "HOST_Show", "1"});

    QByteArray served = program;
    if (!servedVersion.isEmpty())
        served.prepend(ComposeVersionRecord(servedVersion, servedVersion));
    const QByteArray head = "#DATASTART#\xA4RETNEWCLIENT:";
    if (truncate) {
        QVERIFY(c->waitFor([&] { return c->disconnected(); }));
        QCOMPARE(c->bytes(), head + served.left(served.size() / 2));
    } else {
        QVERIFY(c->waitFor([&] { return c->bytes().endsWith("#DATAEND#"); }));
        QCOMPARE(c->bytes(), head + served + ":RETNEWCLIENT\xA4#DATAEND#");
    }

    QFile received(builds.filePath(QStringLiteral("received")));
    QVERIFY(received.open(QIODevice::WriteOnly));
    received.write(c->bytes().mid(head.size()));
    received.close();
    TCEVersionInfo info;
    info.GetInfo(received.fileName());
    QCOMPARE(info.ProductVersion(), servedVersion.isEmpty() ? QStringLiteral("1.12.0.0") : servedVersion);
}

void TestCallServer::longMessagesUseMarkers_data()
{
    QTest::addColumn<int>("resources");
    QTest::addColumn<bool>("bracketed");
    QTest::newRow("short list") << 3 << false;
    QTest::newRow("long list") << 60 << true;
    QTest::newRow("very long list") << 3000 << true;
}

void TestCallServer::longMessagesUseMarkers()
{
    QFETCH(int, resources);
    QFETCH(bool, bracketed);

    Harness h(Harness::quickConfig(), false);
    for (int i = 1; i <= resources; ++i) {
        h.reg.putResource(i, QStringLiteral("Sjuksköterska nummer %1").arg(i), TColor(i), true);
        h.reg.addCall(i, QStringLiteral("Väntrum Öst"), 255, h.now);
    }
    auto c = Connect(h);
    QVERIFY(c);
    c->send(cmd::GETCALLLIST, {QStringLiteral("HOST_Show"), QStringLiteral("1")});
    QVERIFY(c->waitFor([&] { return c->bytes().endsWith(bracketed ? "#DATAEND#" : "CURRENTLIST\xA4"); }));
    const QByteArray bytes = c->bytes();
    QCOMPARE(bytes.startsWith("#DATASTART#\xA4" "CURRENTLIST:"), bracketed);
    QCOMPARE(bytes.endsWith(":CURRENTLIST\xA4#DATAEND#"), bracketed);
    QCOMPARE(bytes.count("#DATASTART#"), bracketed ? 1 : 0);
    const auto calls = ParseCurrentList(c->frames(cmd::CURRENTLIST).first());
    QCOMPARE(calls.size(), resources);
    QCOMPARE(calls.last().callers.size(), 1);
}

void TestCallServer::boundedBuffer_data()
{
    QTest::addColumn<QByteArray>("prefix");
    QTest::addColumn<QByteArray>("piece");
    QTest::addColumn<int>("repeat");
    QTest::addColumn<bool>("dropped");

    const QByteArray fill(64 * 1024, 'x');
    QTest::newRow("unclosed frame over 1 MiB") << QByteArray("\xA4SETINITEXT:") << fill << 17 << true;
    QTest::newRow("unknown command over 1 MiB") << QByteArray("\xA4" "FOO:") << fill << 17 << true;
    QTest::newRow("unclosed frame under 1 MiB") << QByteArray("\xA4SETINITEXT:") << fill << 15 << false;
    QTest::newRow("2 MiB of stray text") << QByteArray() << QByteArray(64 * 1024, 'y') << 32 << false;
    QTest::newRow("2 MiB of whole frames")
        << QByteArray() << QByteArray("\xA4SETINITEXT:HOST\\TESK:ShowMode:") + QByteArray(60000, '1') + ":SETINITEXT\xA4"
        << 35 << false;
}

void TestCallServer::boundedBuffer()
{
    QFETCH(QByteArray, prefix);
    QFETCH(QByteArray, piece);
    QFETCH(int, repeat);
    QFETCH(bool, dropped);

    Harness h;
    auto c = Connect(h);
    QVERIFY(c);
    c->sendRaw(prefix);
    for (int i = 0; i < repeat; ++i)
        c->sendRaw(piece);
    if (dropped) {
        QVERIFY(c->waitFor([&] { return c->disconnected(); }, 10000));
        QVERIFY(h.log.join('\n').contains(QStringLiteral("utan en hel ram")));
        QVERIFY(c->waitFor([&] { return h.server->sessionCount() == 0; }));
    } else {
        // Still served: an unclosed frame gives way to the next known one.
        c->send(cmd::GETSERVERVERSION, {QStringLiteral("HOST_Show"), QStringLiteral("1")});
        QVERIFY(c->waitForFrames(cmd::RETSERVERVERSION, 1, 10000));
        QVERIFY(!c->disconnected());
    }
}

void TestCallServer::clientThatStopsReadingIsLetGo()
{
    ServerConfig config = Harness::quickConfig();
    config.session.maxQueuedMessages = 5;
    Harness h(config, false);
    for (int i = 1; i <= 3000; ++i)
        h.reg.putResource(i, QStringLiteral("Sjuksköterska nummer %1").arg(i), TColor(i), true);
    QTcpSocket stuck;
    stuck.setReadBufferSize(1); // takes one byte and then nothing more
    stuck.connectToHost(QHostAddress(QHostAddress::LocalHost), h.port());
    QVERIFY(stuck.waitForConnected(5000));
    stuck.write(ToAnsi(ComposeFrame(cmd::GETCALLLIST, {"HOST_Show", "1"})));
    QVERIFY(tesk::test::waitUntil([&] { return h.server->displayCount() == 1; }));
    for (int i = 0; i < 200 && h.server->sessionCount() > 0; ++i) {
        h.server->broadcastCallLists();
        QTest::qWait(1);
    }
    QVERIFY(tesk::test::waitUntil([&] { return h.server->sessionCount() == 0; }));
    QVERIFY(h.log.join('\n').contains(QStringLiteral("läser inte det servern skickar")));
}

void TestCallServer::answersKeepRequestOrder()
{
    Harness h;
    h.reg.setStation(QStringLiteral("HOST_Show"), {{2, 0}, {1, 1}});
    auto c = Connect(h);
    QVERIFY(c);
    c->sendRaw(ToAnsi(ComposeFrame(cmd::GETALLCALLABLES, {"HOST_Show"})
                      + ComposeFrame(cmd::GETSTATIONCALLABLES, {"HOST_Show"})));
    QVERIFY(c->waitForFrames(cmd::RETSTATIONCALLABLES, 1));
    QVERIFY(c->waitForFrames(cmd::RETALLCALLABLES, 1));
    const QString t = c->text();
    QVERIFY(t.indexOf(OpeningTag(cmd::RETALLCALLABLES)) < t.indexOf(OpeningTag(cmd::RETSTATIONCALLABLES)));
}

void TestCallServer::framesSplitOverReads()
{
    Harness h;
    auto c = Connect(h);
    QVERIFY(c);
    const QByteArray frames = ToAnsi(ComposeFrame(cmd::GETSERVERVERSION, {"HOST_Show", "1"})
                                     + ComposeFrame(cmd::GETKLINIKNAMN, {"¤¤ADMIN¤¤", "2"}));
    for (char b : frames) {
        c->sendRaw(QByteArray(1, b));
        c->socket().flush();
        QTest::qWait(0);
    }
    QVERIFY(c->waitForFrames(cmd::RETKLINIKNAMN, 1));
    QCOMPARE(c->count(cmd::RETSERVERVERSION), 1);
}

void TestCallServer::closedConnectionIsForgotten()
{
    Harness h;
    auto c = Connect(h);
    QVERIFY(c);
    c->send(cmd::GETCALLLIST, {QStringLiteral("HOST_Show"), QStringLiteral("1")});
    QVERIFY(c->waitForFrames(cmd::CURRENTLIST, 1));
    QCOMPARE(h.server->displayCount(), 1);
    c->socket().disconnectFromHost();
    QVERIFY(c->waitFor([&] { return h.server->sessionCount() == 0; }));
    h.reg.addCall(1, QStringLiteral("Rum 1"), 0, h.now);
    h.server->broadcastCallLists(); // nobody left to tell: no crash
}

void TestCallServer::everyFrameIsLogged()
{
    Harness h;
    auto c = Connect(h);
    QVERIFY(c);
    c->send(cmd::GETSERVERVERSION, {QStringLiteral("HÖST_Show"), QStringLiteral("1")});
    c->send(QStringLiteral("NOSUCHCOMMAND"), {QStringLiteral("x")});
    QVERIFY(Barrier(*c));
    const QString log = h.log.join('\n');
    QVERIFY(log.contains(QStringLiteral("<- ¤GETSERVERVERSION:HÖST_Show:1:GETSERVERVERSION¤")));
    QVERIFY(log.contains(QStringLiteral("<- ¤NOSUCHCOMMAND:x:NOSUCHCOMMAND¤")));
    QVERIFY(log.contains(QStringLiteral("okänt kommando NOSUCHCOMMAND")));
}

void TestCallServer::dropMidMessage_data()
{
    QTest::addColumn<int>("messageGapMs");
    QTest::addColumn<int>("queuedLists");
    QTest::newRow("nothing queued") << 1 << 0;
    // The cut still comes, after them, when lists wait their turn.
    QTest::newRow("lists waiting for their gap") << 300 << 2;
}

void TestCallServer::dropMidMessage()
{
    QFETCH(int, messageGapMs);
    QFETCH(int, queuedLists);

    ServerConfig config = Harness::quickConfig();
    config.session.messageGapMs = messageGapMs;
    Harness h(config);
    auto c = Connect(h);
    QVERIFY(c);
    c->send(cmd::GETCALLLIST, {QStringLiteral("HOST_Show"), QStringLiteral("1")});
    QVERIFY(c->waitForFrames(cmd::CURRENTLIST, 1));
    c->clear();
    for (int i = 0; i < queuedLists; ++i)
        h.server->broadcastCallLists();
    h.server->dropDisplays(true);
    QVERIFY(c->waitFor([&] { return c->disconnected(); }));

    QCOMPARE(c->count(cmd::CURRENTLIST), queuedLists);
    const QByteArray bytes = c->bytes();
    const qsizetype start = bytes.indexOf("#DATASTART#");
    QVERIFY(start >= 0);
    const QByteArray cut = bytes.mid(start);
    QVERIFY(cut.startsWith("#DATASTART#\xA4" "CURRENTLIST:"));
    QCOMPARE(cut.size(), CallServer::kCutMessageBytes);
    QVERIFY(!cut.contains("#DATAEND#"));
    QVERIFY(!cut.contains(":CURRENTLIST\xA4"));
    // Not one read that a reader could take whole: the cut spans several.
    qsizetype at = 0;
    int readsOfCut = 0;
    for (const QByteArray& read : c->reads()) {
        if (at + read.size() > start)
            ++readsOfCut;
        at += read.size();
    }
    QVERIFY2(readsOfCut > 1, qPrintable(QString::number(readsOfCut)));
}

void TestCallServer::refusalDropsDisplaysFirst()
{
    Harness h;
    auto c = Connect(h);
    QVERIFY(c);
    c->send(cmd::GETCALLLIST, {QStringLiteral("HOST_Show"), QStringLiteral("1")});
    QVERIFY(c->waitForFrames(cmd::CURRENTLIST, 1));

    const quint16 port = h.port();
    h.server->refuseConnectionsFor(500);
    QVERIFY(c->waitFor([&] { return c->disconnected(); }));
    // The display's retry meets the refusal ...
    QTcpSocket retry;
    retry.connectToHost(QHostAddress(QHostAddress::LocalHost), port);
    QVERIFY(tesk::test::waitUntil([&] { return retry.state() == QAbstractSocket::UnconnectedState; }));
    QCOMPARE(retry.error(), QAbstractSocket::ConnectionRefusedError);
    // ... and a later one gets through.
    QVERIFY(tesk::test::waitUntil([&] { return h.log.contains(QStringLiteral("tar emot anslutningar igen")); }));
    WireClient again;
    QVERIFY(again.connectTo(port));
    again.send(cmd::GETCALLLIST, {QStringLiteral("HOST_Show"), QStringLiteral("1")});
    QVERIFY(again.waitForFrames(cmd::CURRENTLIST, 1));
}

QTEST_GUILESS_MAIN(TestCallServer)
#include "test_callserver.moc"
