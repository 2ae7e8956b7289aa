#include "FakeServer.h"
#include "TempSettings.h"

#include "common/RegistryLayout.h"
#include "common/SettingsStore.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

using namespace tesk;
using namespace tesk::test;

namespace {

const QString Absent = QStringLiteral("<absent>");
const QString NoAnswer = QStringLiteral("<no answer>");

QString ret(const QString& value)
{
    return QStringLiteral("¤RETINITEXT:") + value + QStringLiteral(":RETINITEXT¤");
}

QString specificGet(const QString& section, const QString& key)
{
    return QStringLiteral("¤GETINITEXT:TESTMACHINE\\") + section + QLatin1Char(':') + key + QStringLiteral(":GETINITEXT¤");
}

QString sharedGet(const QString& section, const QString& key)
{
    return QStringLiteral("¤GETINITEXT:\\") + section + QLatin1Char(':') + key + QStringLiteral(":GETINITEXT¤");
}

// Answers GETINITEXT frames from a list, in order; NoAnswer stays silent.
FakeServer::Responder answersInOrder(QStringList answers)
{
    auto left = std::make_shared<QStringList>(std::move(answers));
    return [left](const QString& frame) -> QString {
        if (!frame.startsWith(QStringLiteral("¤GETINITEXT:")) || left->isEmpty())
            return {};
        const QString answer = left->takeFirst();
        return answer == NoAnswer ? QString() : answer;
    };
}

// The layers of a temporary store, except that the machine layer cannot
// even prepare its keys' security descriptor.
class DescriptorFailingRegistry : public RegistryStore {
public:
    DescriptorFailingRegistry(RegistryStore& inner, QString error)
        : m_inner(inner)
        , m_error(std::move(error))
    {
    }

    QString RegReadString(RegistryRoot root, const QString& subKey, const QString& valueName) override
    {
        return m_inner.RegReadString(root, subKey, valueName);
    }

    bool RegWriteString(RegistryRoot root, const QString& subKey, const QString& valueName,
                        const QString& value) override
    {
        if (root == RegistryRoot::LocalMachine)
            throw RegistryError(m_error);
        return m_inner.RegWriteString(root, subKey, valueName, value);
    }

private:
    RegistryStore& m_inner;
    QString m_error;
};

} // namespace

class TestSettingsStore : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void layeredRead_data();
    void layeredRead();
    void defaultRule_data();
    void defaultRule();
    void connectionDownIsImmediate();
    void serverOnlyRead();
    void write_data();
    void write();
    void failureMarkNamesTheReason();
    void descriptorErrorReachesTheCaller_data();
    void descriptorErrorReachesTheCaller();
    void longValueRoundTrip();
    void nestedRequestWaitsItsTurn_data();
    void nestedRequestWaitsItsTurn();
    void connectionLossEndsTheWait_data();
    void connectionLossEndsTheWait();
    void lateAnswerIsNotTakenByTheNextRequest();
    void storeGoneDuringWait();
    void typedReaders_data();
    void typedReaders();
};

void TestSettingsStore::layeredRead_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("machine");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<QStringList>("answers"); // raw server answers, in order
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QStringList>("frames");

    const QString s = QStringLiteral("TESK");
    const QString k = QStringLiteral("ShowMode");
    const QStringList both = {specificGet(s, k), sharedGet(s, k)};
    const QStringList specificOnly = {specificGet(s, k)};

    QTest::newRow("user value wins over machine and server")
        << "2" << "3" << true << QStringList{ret("4"), ret("5")} << "2" << QStringList{};
    QTest::newRow("user value is returned untrimmed")
        << " 2 " << "3" << true << QStringList{} << " 2 " << QStringList{};
    QTest::newRow("blank user value falls to machine")
        << "   " << "3" << true << QStringList{} << "3" << QStringList{};
    QTest::newRow("absent user value falls to machine")
        << Absent << "3" << true << QStringList{} << "3" << QStringList{};
    QTest::newRow("machine miss asks the client-specific copy")
        << Absent << Absent << true << QStringList{ret("4"), ret("5")} << "4" << specificOnly;
    QTest::newRow("blank machine value asks the server")
        << Absent << " \t " << true << QStringList{ret("4")} << "4" << specificOnly;
    QTest::newRow("empty client-specific answer sends the shared request")
        << Absent << Absent << true << QStringList{ret(""), ret("5")} << "5" << both;
    QTest::newRow("blank client-specific answer sends the shared request")
        << Absent << Absent << true << QStringList{ret("   "), ret("5")} << "5" << both;
    QTest::newRow("server value is trimmed")
        << Absent << Absent << true << QStringList{ret("  4  ")} << "4" << specificOnly;
    QTest::newRow("a path answer ends at its first colon")
        << Absent << Absent << true << QStringList{ret("C:\\data")} << "C" << specificOnly;
    QTest::newRow("no answer anywhere gives ERROR")
        << Absent << Absent << true << QStringList{ret(""), ret("")} << "ERROR" << both;
    QTest::newRow("silent server times out twice")
        << Absent << Absent << true << QStringList{NoAnswer, NoAnswer} << "ERROR" << both;
    QTest::newRow("time-out on the client copy, answer on the shared one")
        << Absent << Absent << true << QStringList{NoAnswer, ret("5")} << "5" << both;
    QTest::newRow("connection down reads the registry alone")
        << Absent << "3" << false << QStringList{} << "3" << QStringList{};
    QTest::newRow("connection down and nothing stored gives ERROR")
        << Absent << Absent << false << QStringList{} << "ERROR" << QStringList{};
}

void TestSettingsStore::layeredRead()
{
    QFETCH(QString, user);
    QFETCH(QString, machine);
    QFETCH(bool, connected);
    QFETCH(QStringList, answers);
    QFETCH(QString, expected);
    QFETCH(QStringList, frames);

    TempSettings::Options options;
    options.replyTimeoutMs = 150;
    TempSettings temp(options);
    if (user != Absent)
        QVERIFY(temp.setUser("TESK", "ShowMode", user));
    if (machine != Absent)
        QVERIFY(temp.setMachine("TESK", "ShowMode", machine));

    FakeServer server;
    QVERIFY(server.listen());
    server.setResponder(answersInOrder(answers));
    if (connected)
        QVERIFY(temp.connectTo(server));

    QCOMPARE(temp.settings().GetIniText("TESK", "ShowMode"), expected);
    if (connected) {
        // Let anything a wrong implementation might still send arrive.
        waitUntil([] { return false; }, 30);
    }
    QCOMPARE(server.frames(), frames);
    QVERIFY(!temp.settings().IsWaitingForServer());
}

void TestSettingsStore::defaultRule_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("expected");

    QTest::newRow("absent") << Absent << "dflt";
    QTest::newRow("ERROR stored") << "ERROR" << "dflt";
    QTest::newRow("ERROR with spaces around") << " ERROR " << "dflt";
    QTest::newRow("lower-case error is a value") << "error" << "error";
    QTest::newRow("ERRORS is a value") << "ERRORS" << "ERRORS";
    QTest::newRow("stored value") << "Tahoma" << "Tahoma";
    QTest::newRow("blank counts as absent") << "  " << "dflt";
}

void TestSettingsStore::defaultRule()
{
    QFETCH(QString, stored);
    QFETCH(QString, expected);

    TempSettings temp;
    if (stored != Absent)
        QVERIFY(temp.setUser("TESK", "ShowFontName", stored));
    QCOMPARE(temp.settings().GetIniTextDef("TESK", "ShowFontName", "dflt"), expected);
}

void TestSettingsStore::connectionDownIsImmediate()
{
    // The default five-second limit: a read that waited for a server would
    // show in the elapsed time.
    TempSettings::Options options;
    options.replyTimeoutMs = 5000;
    TempSettings temp(options);
    FakeServer server;
    QVERIFY(server.listen());
    QVERIFY(temp.connectTo(server));
    server.dropClient();
    QVERIFY(waitUntil([&] { return temp.socket()->state() == QAbstractSocket::UnconnectedState; }));

    QElapsedTimer clock;
    clock.start();
    QCOMPARE(temp.settings().GetIniText("TESK", "ShowMode"), QStringLiteral("ERROR"));
    QCOMPARE(temp.settings().GetIniTextDef("TESK", "ShowMode", "0"), QStringLiteral("0"));
    QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(server.frames().isEmpty());
}

void TestSettingsStore::serverOnlyRead()
{
    TempSettings temp;
    QVERIFY(temp.setUser("ServerSettings", "UpdateServerName", "local"));
    FakeServer server;
    QVERIFY(server.listen());
    server.setResponder(answersInOrder({ret(""), ret("upd01"), ret(""), ret(" ERROR ")}));
    QVERIFY(temp.connectTo(server));

    // The registry layers are not consulted.
    QCOMPARE(temp.settings().GetServerIniText("ServerSettings", "UpdateServerName"), QStringLiteral("upd01"));
    QCOMPARE(temp.settings().GetServerIniTextDef("ServerSettings", "UpdateServerPort", "4001"),
             QStringLiteral("4001"));
    QCOMPARE(server.frames(),
             (QStringList{specificGet("ServerSettings", "UpdateServerName"),
                          sharedGet("ServerSettings", "UpdateServerName"),
                          specificGet("ServerSettings", "UpdateServerPort"),
                          sharedGet("ServerSettings", "UpdateServerPort")}));
}

void TestSettingsStore::write_data()
{
    QTest::addColumn<bool>("userWritable");
    QTest::addColumn<bool>("machineWritable");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<bool>("failureMark");

    QTest::newRow("both stores, connected") << true << true << true << false;
    QTest::newRow("both stores, not connected") << true << true << false << false;
    QTest::newRow("machine store unwritable") << true << false << true << true;
    QTest::newRow("machine store unwritable, not connected") << true << false << false << true;
    QTest::newRow("both stores unwritable, connected") << false << false << true << false;
    QTest::newRow("user store unwritable") << false << true << true << false;
}

void TestSettingsStore::write()
{
    QFETCH(bool, userWritable);
    QFETCH(bool, machineWritable);
    QFETCH(bool, connected);
    QFETCH(bool, failureMark);

    TempSettings::Options options;
    options.userWritable = userWritable;
    options.machineWritable = machineWritable;
    TempSettings temp(options);
    FakeServer server;
    QVERIFY(server.listen());
    if (connected)
        QVERIFY(temp.connectTo(server));

    temp.settings().SetIniText("TESK", "CallPrefix", "Dr ");

    QCOMPARE(temp.user("TESK", "CallPrefix"), userWritable ? QStringLiteral("Dr ") : QString());
    QCOMPARE(temp.machine("TESK", "CallPrefix"), machineWritable ? QStringLiteral("Dr ") : QString());

    const QString mark = temp.registry().RegReadString(
        RegistryRoot::CurrentUser, "SOFTWARE\\Norvalis\\ERROR_WRITING_TO_LOCAL_MACHINE", "ErrorMsg");
    QCOMPARE(!mark.isEmpty(), failureMark);
    if (failureMark)
        QCOMPARE(mark, temp.registry().LastRegistryError);

    if (connected) {
        QVERIFY(server.waitForFrames(2));
        QCOMPARE(server.frames(),
                 (QStringList{QStringLiteral("¤SETINITEXT:TESTMACHINE\\TESK:CallPrefix:Dr :SETINITEXT¤"),
                              QStringLiteral("¤SETINITEXT:TESK:CallPrefix:Dr :SETINITEXT¤")}));
    }
    // Writes do not wait for anything.
    QVERIFY(!temp.settings().IsWaitingForServer());
}

void TestSettingsStore::failureMarkNamesTheReason()
{
    TempSettings::Options options;
    options.machineWritable = false;
    TempSettings temp(options);
    QVERIFY(!temp.setMachine("TESK", "ShowMode", "1"));
    const QString reason = temp.registry().LastRegistryError;
    QVERIFY2(reason.contains(QStringLiteral("Not a directory")), qPrintable(reason));
    QVERIFY2(reason.contains(temp.registry().filePath(RegistryRoot::LocalMachine)), qPrintable(reason));
    // A failed write never shows up as stored.
    QCOMPARE(temp.machine("TESK", "ShowMode"), QString());
    QCOMPARE(temp.settings().GetIniText("TESK", "ShowMode"), QStringLiteral("ERROR"));
}

void TestSettingsStore::descriptorErrorReachesTheCaller_data()
{
    QTest::addColumn<QString>("error");
    QTest::newRow("initialising") << SecurityDescriptorInitError(87);
    QTest::newRow("access list") << SecurityDescriptorDaclError(5);
}

// The one registry failure a writer sees: after the user layer, before the
// failure mark and before anything goes to the server.
void TestSettingsStore::descriptorErrorReachesTheCaller()
{
    QFETCH(QString, error);
    TempSettings temp;
    FakeServer server;
    QVERIFY(server.listen());
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, server.port());
    QVERIFY(socket.waitForConnected(5000));
    DescriptorFailingRegistry registry(temp.registry(), error);
    SettingsStore store(registry, [] { return QStringLiteral("TESTMACHINE"); });
    store.setSettingsSubKey(temp.settings().settingsSubKey());
    store.SetActiveClientSocket(&socket);

    QString thrown;
    try {
        store.SetIniText("TESK", "CallPrefix", "Dr ");
    } catch (const RegistryError& e) {
        thrown = QString::fromUtf8(e.what());
    }
    QCOMPARE(thrown, error);
    QCOMPARE(temp.user("TESK", "CallPrefix"), QStringLiteral("Dr "));
    QCOMPARE(temp.registry().RegReadString(RegistryRoot::CurrentUser, MachineWriteFailureKey(),
                                           MachineWriteFailureValueName()),
             QString());
    // Nothing was handed to the socket.
    QCOMPARE(socket.bytesToWrite(), 0);
}

void TestSettingsStore::longValueRoundTrip()
{
    TempSettings temp;
    QString value;
    for (int i = 0; i < 600; ++i)
        value += QChar(u'a' + i % 26);
    temp.settings().SetIniText("TESK", "CallPrefix", value);

    QCOMPARE(temp.settings().GetIniText("TESK", "CallPrefix"), value);

    // Another run of the program, on the same folders.
    IniRegistryStore fresh(temp.userFolder(), temp.machineFolder());
    SettingsStore again(fresh, [] { return QStringLiteral("TESTMACHINE"); });
    again.setSettingsSubKey(temp.settings().settingsSubKey());
    QCOMPARE(again.GetIniText("TESK", "CallPrefix"), value);
}

void TestSettingsStore::nestedRequestWaitsItsTurn_data()
{
    QTest::addColumn<bool>("firstAnswered");
    QTest::newRow("first gets its answer") << true;
    QTest::newRow("first times out") << false;
}

void TestSettingsStore::nestedRequestWaitsItsTurn()
{
    QFETCH(bool, firstAnswered);

    TempSettings::Options options;
    options.replyTimeoutMs = firstAnswered ? 3000 : 300;
    TempSettings temp(options);
    FakeServer server;
    QVERIFY(server.listen());
    QVERIFY(temp.connectTo(server));
    SettingsStore& store = temp.settings();

    // The server answers the nested request at once, the first one only when
    // the test says so.
    server.setResponder([](const QString& frame) -> QString {
        if (frame.contains(QStringLiteral(":Second:")))
            return ret("second-value");
        return {};
    });

    QString nested;
    int framesWhenNestedStarted = -1;
    int framesBeforeFirstAnswer = -1;
    QTimer::singleShot(0, [&] {
        // Runs inside the first request's wait.
        QVERIFY(store.IsWaitingForServer());
        QVERIFY(server.waitForFrames(1));
        framesWhenNestedStarted = server.frames().size();
        if (firstAnswered) {
            QTimer::singleShot(80, [&] {
                framesBeforeFirstAnswer = server.frames().size();
                server.send(ret("first-value"));
            });
        }
        nested = store.GetServerIniText("TESK", "Second");
    });

    const QString first = store.GetServerIniText("TESK", "First");

    QCOMPARE(framesWhenNestedStarted, 1);
    if (firstAnswered) {
        QCOMPARE(framesBeforeFirstAnswer, 1); // the nested request was held back
        QCOMPARE(first, QStringLiteral("first-value"));
        QCOMPARE(server.frames(), (QStringList{specificGet("TESK", "First"), specificGet("TESK", "Second")}));
    } else {
        // The client copy timed out, which let the nested request go; the
        // shared read of "First" follows it and times out as well.
        QCOMPARE(first, QStringLiteral("ERROR"));
        QCOMPARE(server.frames(),
                 (QStringList{specificGet("TESK", "First"), specificGet("TESK", "Second"), sharedGet("TESK", "First")}));
    }
    QCOMPARE(nested, QStringLiteral("second-value"));
    QVERIFY(!store.IsWaitingForServer());
}

void TestSettingsStore::connectionLossEndsTheWait_data()
{
    QTest::addColumn<bool>("deleteSocket");
    QTest::newRow("server drops the connection") << false;
    QTest::newRow("socket object deleted") << true;
}

void TestSettingsStore::connectionLossEndsTheWait()
{
    QFETCH(bool, deleteSocket);

    TempSettings::Options options;
    options.replyTimeoutMs = 60000; // a wait that is not ended promptly hangs the test
    TempSettings temp(options);
    FakeServer server;
    QVERIFY(server.listen());
    QTcpSocket* socket = temp.connectTo(server);
    QVERIFY(socket);

    QTimer::singleShot(0, [&] {
        QVERIFY(server.waitForFrames(1));
        if (deleteSocket)
            temp.deleteSocket();
        else
            server.dropClient();
    });
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(temp.settings().GetIniText("TESK", "ShowMode"), QStringLiteral("ERROR"));
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(server.frames().size(), 1); // no shared request on a lost connection
    if (deleteSocket)
        QCOMPARE(temp.settings().ActiveClientSocket(), nullptr);
}

void TestSettingsStore::lateAnswerIsNotTakenByTheNextRequest()
{
    TempSettings::Options options;
    options.replyTimeoutMs = 100;
    TempSettings temp(options);
    FakeServer server;
    QVERIFY(server.listen());
    QVERIFY(temp.connectTo(server));
    server.setResponder(answersInOrder({NoAnswer, NoAnswer, ret("fresh")}));

    QCOMPARE(temp.settings().GetServerIniText("TESK", "A"), QStringLiteral("ERROR"));
    // An answer nobody waits for.
    server.send(ret("stale"));
    waitUntil([] { return false; }, 30); // let it arrive
    QCOMPARE(temp.settings().GetServerIniText("TESK", "B"), QStringLiteral("fresh"));
}

void TestSettingsStore::storeGoneDuringWait()
{
    TempSettings temp;
    FakeServer server;
    QVERIFY(server.listen());
    QTcpSocket* socket = temp.connectTo(server);
    QVERIFY(socket);

    auto* store = new SettingsStore(temp.registry(), [] { return QStringLiteral("TESTMACHINE"); });
    store->setReplyTimeout(60000);
    store->SetActiveClientSocket(socket);
    QTimer::singleShot(0, [&] {
        QVERIFY(server.waitForFrames(1));
        delete store;
    });
    QCOMPARE(store->GetServerIniText("TESK", "ShowMode"), QStringLiteral("ERROR"));
}

void TestSettingsStore::typedReaders_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("boolValue");
    QTest::addColumn<int>("intValue");

    // Defaults: true and 7.
    QTest::newRow("absent") << Absent << true << 7;
    QTest::newRow("check box true") << "-1" << true << -1;
    QTest::newRow("zero") << "0" << false << 0;
    QTest::newRow("False word") << "fALSE" << false << 7;
    QTest::newRow("True word") << "TRUE" << true << 7;
    QTest::newRow("other text") << "ja" << true << 7;
    QTest::newRow("ERROR stored") << "ERROR" << true << 7;
    QTest::newRow("number with blanks") << " 12 " << true << 12;
}

void TestSettingsStore::typedReaders()
{
    QFETCH(QString, stored);
    QFETCH(bool, boolValue);
    QFETCH(int, intValue);

    TempSettings temp;
    if (stored != Absent)
        QVERIFY(temp.setUser("TESK", "Value", stored));
    QCOMPARE(temp.settings().ReadBool("TESK", "Value", true), boolValue);
    QCOMPARE(temp.settings().ReadInt("TESK", "Value", 7), intValue);
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "test_settingsstore.moc"
