// A connected main connection probes a silent peer, so a link that died
// without a close ends as an ordinary loss.

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

QTEST_GUILESS_MAIN(TestKeepAlive)
#include "test_keepalive.moc"
