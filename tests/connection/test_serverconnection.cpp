#include <QTest>
class TestServerConnection : public QObject {
    Q_OBJECT
};
QTEST_GUILESS_MAIN(TestServerConnection)
#include "test_serverconnection.moc"
