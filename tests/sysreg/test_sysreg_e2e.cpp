#include "common/ClientIdentity.h"
#include "display/connection/AnnouncerPort.h"
#include "display/connection/CallListModel.h"
#include "display/connection/MessageDispatcher.h"
#include "display/connection/ServerConnection.h"
#include "sysreg/ClientPage.h"
#include "sysreg/ServerConnectionLink.h"
#include "sysreg/TfrmSystreg.h"

#include "FakeServer.h"
#include "SimulatorProcess.h"
#include "RecordingMessages.h"
#include "TempSettings.h"

#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include <optional>

using namespace tesk;
using namespace tesk::test;

// The client page against the call server simulator, started as its own
// process: register, choose two resources, save; the simulator's next call
// list to this client holds exactly those resources, in that order.
class TestSysRegEndToEnd : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QString out;
        m_port = StartSimulator(m_server, QStringLiteral(TESK_CALLSERVER_PATH),
                                {"--port", "0", "--listen", "127.0.0.1", "--quiet", "--server-version", "1.10.4"}, &out);
        QVERIFY2(m_port != 0, qPrintable(out));
    }

    void cleanupTestCase() { StopSimulator(m_server); }

    void chosenResourcesReachTheCallList()
    {
        TempSettings temp;
        temp.setUser(QStringLiteral("ServerSettings"), QStringLiteral("ServerName"), QStringLiteral("127.0.0.1"));
        temp.setUser(QStringLiteral("ServerSettings"), QStringLiteral("ServerPort"), QString::number(m_port));
        temp.setUser(QStringLiteral("TESK"), QStringLiteral("ClientNameUseDefault"), QStringLiteral("0"));
        temp.setUser(QStringLiteral("TESK"), QStringLiteral("ClientName"), QStringLiteral("SYSREG E2E"));
        ClientIdentity identity(temp.settings(), {});
        identity.ClientType = TTESKClientType::ctShow;
        identity.OwnClientData.Lopnr = -1;
        RecordingMessages messages;
        CallListModel model;
        NoAnnouncer announcer;
        std::unique_ptr<ServerConnection> connection;

        SystemRegisterServices s;
        s.settings = &temp.settings();
        s.identity = &identity;
        s.messages = &messages;
        s.connection = std::make_unique<ServerConnectionLink>([&]() -> ServerConnection& { return *connection; });
        s.soundLabels = [] { return QStringList(); };
        s.playSound = [](const QString&) {};
        s.runModal = [](QDialog&) {};
        TfrmSystreg dialog(std::move(s));
        connection = std::make_unique<ServerConnection>(temp.settings(), identity, messages, dialog);
        MessageDispatcher dispatcher(model, temp.settings(), identity, messages, dialog, announcer);
        ConnectDispatcher(*connection, dispatcher);

        connection->ConnectToServer(false);
        QVERIFY(waitUntil([&] { return connection->statusText() == QLatin1String("Ansluten"); }, 10000));

        ClientPage& page = *dialog.tsClientSettings;
        dialog.SetTabs(SysRegPage::tsClientSettings);
        QVERIFY(waitUntil([&] { return page.ListBox1->count() >= 3; }, 5000));

        page.Edit3->setText(QStringLiteral("Väntrum E2E"));
        page.BitBtn6->click();
        QVERIFY(waitUntil([&] { return identity.OwnClientData.Lopnr > 0; }, 5000));
        QVERIFY(!page.isHintPanelShown());

        // Whatever the station held before is given back first.
        page.ListBox2->selectAll();
        page.BitBtn2->click();
        QCOMPARE(page.ListBox2->count(), 0);
        const int second = ClientPage::entryNumber(page.ListBox1->item(2));
        const int first = ClientPage::entryNumber(page.ListBox1->item(0));
        page.ListBox1->clearSelection();
        page.ListBox1->item(2)->setSelected(true);
        page.BitBtn1->click();
        page.ListBox1->clearSelection();
        page.ListBox1->item(0)->setSelected(true);
        page.BitBtn1->click();

        // Taken as the list arrives: a later one must not stand in for it.
        const quint64 before = model.generation();
        std::optional<QList<int>> next;
        const auto watch = connect(&model, &CallListModel::rebuilt, this, [&](quint64 generation) {
            if (generation != before + 1)
                return;
            QList<int> lopnrs;
            for (const auto& call : model.CallList)
                lopnrs << call->CallLopnr;
            next = lopnrs;
        });
        dialog.btnSave->click();
        const bool arrived = waitUntil([&] { return next.has_value(); }, 5000);
        disconnect(watch);
        QVERIFY(arrived);
        QCOMPARE(*next, (QList<int>{second, first}));
        connection->StopTimers();
        connection->CloseConnection();
    }

private:
    QProcess m_server;
    quint16 m_port = 0;
};

QTEST_MAIN(TestSysRegEndToEnd)
#include "test_sysreg_e2e.moc"
