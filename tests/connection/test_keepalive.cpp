// A connected main connection probes a silent peer, so a link that died
// without a close ends as an ordinary loss, and it acknowledges what it
// reads at once, so a server never holds a call back waiting for that.

#include "ConnectionRig.h"

#include <QTest>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

using namespace tesk;
using namespace tesk::test;

namespace {
int Option(qintptr fd, int level, int name)
{
    int value = -1;
    socklen_t size = sizeof value;
    if (::getsockopt(static_cast<int>(fd), level, name, &value, &size) != 0)
        return -1;
    return value;
}
}

class TestKeepAlive : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void connectionProbesASilentPeer_data();
    void connectionProbesASilentPeer();
    void everyReadIsAcknowledgedAtOnce();
};

void TestKeepAlive::connectionProbesASilentPeer_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("name");
    QTest::addColumn<int>("expected");
    QTest::newRow("keep-alive on") << int(SOL_SOCKET) << int(SO_KEEPALIVE) << 1;
    QTest::newRow("30 s of silence") << int(IPPROTO_TCP) << int(TCP_KEEPIDLE) << 30;
    QTest::newRow("a probe every 10 s") << int(IPPROTO_TCP) << int(TCP_KEEPINTVL) << 10;
    QTest::newRow("3 probes") << int(IPPROTO_TCP) << int(TCP_KEEPCNT) << 3;
    QTest::newRow("unacknowledged data given up after 60 s") << int(IPPROTO_TCP) << int(TCP_USER_TIMEOUT) << 60000;
}

void TestKeepAlive::connectionProbesASilentPeer()
{
    QFETCH(int, level);
    QFETCH(int, name);
    QFETCH(int, expected);

    Rig rig;
    rig.connection->Start();
    QVERIFY(rig.waitForStatus(QStringLiteral("Ansluten")));
    QCOMPARE(Option(rig.connection->socket().socketDescriptor(), level, name), expected);
}

// After the handshake's back-and-forth the system holds acknowledgements
// back; a server writing with Nagle's algorithm would then hold the next list
// until the delayed acknowledgement went out.
void TestKeepAlive::everyReadIsAcknowledgedAtOnce()
{
    Rig rig;
    rig.connection->Start();
    QVERIFY(rig.waitForStatus(QStringLiteral("Ansluten")));
    rig.server.send(QStringLiteral("\u00A4CURRENTLIST:Anna:1:255:16777215:\u00A4%Rum 3~7~2024-03-05 14:00:00~"
                                   "65280~0~~%\u00A4:CURRENTLIST\u00A4"));
    QTRY_COMPARE(rig.model.CallList.size(), 1);
    QCOMPARE(Option(rig.connection->socket().socketDescriptor(), IPPROTO_TCP, TCP_QUICKACK), 1);
}

QTEST_GUILESS_MAIN(TestKeepAlive)
#include "test_keepalive.moc"
