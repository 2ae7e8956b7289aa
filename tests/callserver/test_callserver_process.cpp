// The callserver program as scripts start it: a separate process that
// prints its port, answers displays and obeys its admin console.

#include "WireClient.h"

#include "protocol/Commands.h"

#include <QProcess>
#include <QTcpServer>
#include <QtTest>

using namespace tesk;
using tesk::test::ParseCurrentList;
using tesk::test::WireClient;

namespace {

// Starts the program and reads the port from its first line.
quint16 Start(QProcess& process, const QStringList& args)
{
    process.start(QStringLiteral(CALLSERVER_PATH), args);
    if (!process.waitForStarted(5000))
        return 0;
    while (!process.canReadLine()) {
        if (!process.waitForReadyRead(5000))
            return 0;
    }
    const QString line = QString::fromUtf8(process.readLine()).trimmed();
    const QString prefix = QStringLiteral("callserver listening on 127.0.0.1:");
    return line.startsWith(prefix) ? quint16(line.mid(prefix.size()).toUInt()) : 0;
}

void Stop(QProcess& process)
{
    process.terminate();
    if (!process.waitForFinished(5000))
        process.kill();
}

} // namespace

class TestCallServerProcess : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void demoServesADisplay();
    void adminConsoleDrivesCalls();
    void refusesBadStart_data();
    void refusesBadStart();
};

void TestCallServerProcess::demoServesADisplay()
{
    QProcess server;
    const quint16 port = Start(server, {"--port", "0", "--demo", "--seed-random", "3", "--demo-interval", "100"});
    QVERIFY(port > 0);

    WireClient c;
    QVERIFY(c.connectTo(port));
    c.send(cmd::GETSERVERVERSION, {QStringLiteral("HOST_Show"), QStringLiteral("1")});
    c.send(cmd::GETCALLLIST, {QStringLiteral("HOST_Show"), QStringLiteral("1")});
    c.send(cmd::GETKLINIKNAMN, {QStringLiteral("¤¤ADMIN¤¤"), QStringLiteral("2")});
    QVERIFY(c.waitForFrames(cmd::RETKLINIKNAMN, 1));
    QVERIFY(c.waitForFrames(cmd::CURRENTLIST, 3)); // the demo keeps sending
    int callers = 0;
    for (const auto& call : ParseCurrentList(c.frames(cmd::CURRENTLIST).first()))
        callers += int(call.callers.size());
    QVERIFY(callers >= 1 && callers <= 8); // primed at start, never empty

    Stop(server);
    const QString log = QString::fromUtf8(server.readAllStandardError());
    QVERIFY(log.contains(QStringLiteral("<- ¤GETCALLLIST:HOST_Show:1:GETCALLLIST¤")));
}

void TestCallServerProcess::adminConsoleDrivesCalls()
{
    QProcess server;
    const quint16 port = Start(server, {"--port", "0", "--admin", "--quiet"});
    QVERIFY(port > 0);

    WireClient c;
    QVERIFY(c.connectTo(port));
    c.send(cmd::GETCALLLIST, {QStringLiteral("HOST_Show"), QStringLiteral("1")});
    QVERIFY(c.waitForFrames(cmd::CURRENTLIST, 1));
    server.write("call 2 Väntrum Öst\n");
    QVERIFY(c.waitForFrames(cmd::CURRENTLIST, 2));
    const auto calls = ParseCurrentList(c.frames(cmd::CURRENTLIST).at(1));
    QCOMPARE(calls.at(1).number, 2);
    QCOMPARE(calls.at(1).callers.at(0).at(0), QStringLiteral("Väntrum Öst"));

    server.write("quit\n");
    QVERIFY(server.waitForFinished(5000));
    QCOMPARE(server.exitCode(), 0);
    QVERIFY(server.readAllStandardOutput().contains("kallelse 1 till resurs 2"));
}

void TestCallServerProcess::refusesBadStart_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");

    QTest::newRow("unknown option") << QStringList{"--frobnicate"} << 2;
    QTest::newRow("missing seed file") << QStringList{"--port", "0", "--seed", "/nonexistent/seed.txt"} << 2;
    QTest::newRow("port taken") << QStringList{"--port", "PORT_IN_USE"} << 1;
}

void TestCallServerProcess::refusesBadStart()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);

    QTcpServer occupied;
    QVERIFY(occupied.listen(QHostAddress(QHostAddress::LocalHost), 0));
    args.replaceInStrings(QStringLiteral("PORT_IN_USE"), QString::number(occupied.serverPort()));

    QProcess server;
    server.start(QStringLiteral(CALLSERVER_PATH), args);
    QVERIFY(server.waitForFinished(5000));
    QCOMPARE(server.exitCode(), exitCode);
    QVERIFY(server.readAllStandardError().startsWith("callserver: "));
    QVERIFY(server.readAllStandardOutput().isEmpty());
}

QTEST_GUILESS_MAIN(TestCallServerProcess)
#include "test_callserver_process.moc"
