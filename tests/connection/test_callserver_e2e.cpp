#include "common/ClientIdentity.h"
#include "display/connection/CallListModel.h"
#include "display/connection/MessageDispatcher.h"
#include "display/connection/ServerConnection.h"

#include "FakeServer.h"
#include "SimulatorProcess.h"
#include "RecordingPorts.h"
#include "TempSettings.h"

#include <QProcess>
#include <QTest>

using namespace tesk;
using namespace tesk::test;

class TestCallServerEndToEnd : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void reachesConnectedAndGetsTheCallList_data();
    void reachesConnectedAndGetsTheCallList();

private:
    QProcess m_server;
    quint16 m_port = 0;
};

void TestCallServerEndToEnd::initTestCase()
{
    // Port 0: the simulator takes a free port on 127.0.0.1 and prints it.
    QString out;
    m_port = StartSimulator(m_server, QStringLiteral(TESK_CALLSERVER_PATH),
                            {"--port", "0", "--listen", "127.0.0.1", "--quiet", "--clinic",
                             QStringLiteral("V\u00E5rdcentralen \u00D6st"), "--server-version", "1.10.4"},
                            &out);
    QVERIFY2(m_port != 0, qPrintable(out));
}

void TestCallServerEndToEnd::cleanupTestCase()
{
    StopSimulator(m_server);
}

void TestCallServerEndToEnd::reachesConnectedAndGetsTheCallList_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("registers itself with three resources, shown by display index")
        << QStringList{"AUTOREGISTER=1", "NAME=Visning E2E", QStringLiteral("PLACE=V\u00E4ntrum"), "COLOR=255",
                       "CALLLIST=3:0:1:1:2:2"}
        << QStringList{QStringLiteral("Dr. Erik Sj\u00F6gren"), QStringLiteral("Dr. \u00C5sa Lindqvist"),
                       QStringLiteral("Sjuksk\u00F6terska Bj\u00F6rn \u00D6berg")};
}

void TestCallServerEndToEnd::reachesConnectedAndGetsTheCallList()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, names);

    TempSettings temp;
    temp.setUser(QStringLiteral("ServerSettings"), QStringLiteral("ServerName"), QStringLiteral("127.0.0.1"));
    temp.setUser(QStringLiteral("ServerSettings"), QStringLiteral("ServerPort"), QString::number(m_port));
    temp.setUser(QStringLiteral("TESK"), QStringLiteral("ClientNameUseDefault"), QStringLiteral("0"));
    temp.setUser(QStringLiteral("TESK"), QStringLiteral("ClientName"), QStringLiteral("VISNING E2E"));
    ClientIdentity identity(temp.settings(), arguments);
    identity.ClientType = TTESKClientType::ctShow;

    CallListModel model;
    QStringList log;
    LoggingMessages messages(log);
    RecordingSystemRegister systemRegister(log);
    RecordingAnnouncer announcer(log, model);
    {
        ServerConnection connection(temp.settings(), identity, messages, systemRegister);
        MessageDispatcher dispatcher(model, temp.settings(), identity, messages, systemRegister, announcer);
        ConnectDispatcher(connection, dispatcher);
        QString caption;
        connect(&dispatcher, &MessageDispatcher::captionChanged, this, [&](const QString& c) { caption = c; });

        connection.Start();
        QVERIFY(waitUntil([&] { return connection.statusText() == QLatin1String("Ansluten"); }, 10000));
        QCOMPARE(connection.lampColour(), ServerConnection::LampGreen);
        QCOMPARE(connection.ServerVersion(), QStringLiteral("1.10.4"));
        QVERIFY(waitUntil([&] { return model.CallList.size() == size_t(names.size()); }, 10000));
        QStringList got;
        for (const auto& call : model.CallList)
            got << call->CallName;
        QCOMPARE(got, names);
        QVERIFY(waitUntil([&] { return !caption.isEmpty(); }, 5000));
        QVERIFY(caption.startsWith(QStringLiteral("TESK Windows Visningsklient - V\u00E5rdcentralen \u00D6st  version: ")));
        QVERIFY(log.contains(QStringLiteral("HintPanel(0)"))); // the server's TESKCLIENTDATA arrived
        QCOMPARE(identity.OwnClientData.FriendlyName, QStringLiteral("V\u00C4NTRUM"));
        QVERIFY(identity.OwnClientData.Lopnr > 0);
        QCOMPARE(messages.infos, QStringList());
        connection.StopTimers();
        connection.CloseConnection();
    }
}

QTEST_GUILESS_MAIN(TestCallServerEndToEnd)
#include "test_callserver_e2e.moc"
