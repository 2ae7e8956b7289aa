#include "common/ClientIdentity.h"
#include "common/UpdateClient.h"
#include "display/MainWindow.h"
#include "platform/PowerEvents.h"
#include "protocol/Framing.h"

#include "FakeServer.h"
#include "RecordingMessages.h"
#include "TempSettings.h"
#include "TestWindowServices.h"

#include <QApplication>
#include <QLabel>
#include <QSystemTrayIcon>
#include <QTest>

#include <memory>

using namespace tesk;
using namespace tesk::test;

namespace {
constexpr int PauseMs = 50;
}

// How the main window wires the update client and the power events: it only
// creates them and passes what they report on.
class TestUpdateWindow : public QObject {
    Q_OBJECT

    struct Fixture {
        explicit Fixture(bool withUpdateClient)
        {
            server.listen();
            server.setResponder([](const QString& frame) {
                return frame.startsWith(QStringLiteral("\u00A4GETINITEXT:"))
                    ? ComposeFrame(QStringLiteral("RETINITEXT"), {QString()})
                    : QString();
            });
            temp.setUser(QStringLiteral("ServerSettings"), QStringLiteral("ServerName"), QStringLiteral("127.0.0.1"));
            temp.setUser(QStringLiteral("ServerSettings"), QStringLiteral("ServerPort"), QString::number(server.port()));
            identity = std::make_unique<ClientIdentity>(temp.settings(), QStringList{});
            MainWindowServices s = BaseWindowServices(temp, *identity, messages);
            s.trayAvailable = [] { return false; };
            if (withUpdateClient) {
                s.createUpdateClient = [this](TfrmTeskShowMain& w) {
                    auto client = std::make_unique<UpdateClient>(temp.settings(), *identity, messages, w.paths);
                    update = client.get();
                    return client;
                };
            }
            // A bus that does not exist: the events come from the test.
            s.createPowerEvents = [this] {
                auto events = std::make_unique<PowerEvents>(QStringLiteral("no-such-bus"), nullptr);
                power = events.get();
                return events;
            };
            s.resumePauseMs = PauseMs;
            window = std::make_unique<TfrmTeskShowMain>(std::move(s));
        }

        FakeServer server;
        TempSettings temp;
        RecordingMessages messages;
        std::unique_ptr<ClientIdentity> identity;
        UpdateClient* update = nullptr;
        PowerEvents* power = nullptr;
        std::unique_ptr<TfrmTeskShowMain> window;
    };

private Q_SLOTS:
    void progressShownWhileABuildArrives()
    {
        Fixture f(true);
        QVERIFY(f.update);
        QCOMPARE(f.window->updateClient(), f.update);
        const QString before = f.window->Label1->text();
        const QString caption = f.window->TrayIcon1->toolTip();

        const QString progress = UpdateClient::ProgressText(3 * 1024 * 1024 + 5);
        QCOMPARE(progress, QStringLiteral("H\u00E4mtar ny version av programmet: 3072 kB mottaget"));
        Q_EMIT f.update->transferProgressChanged(progress);
        QCOMPARE(f.window->Label1->text(), progress);
        QVERIFY(f.window->TrayIcon1->toolTip().startsWith(caption));
        QVERIFY(f.window->TrayIcon1->toolTip().endsWith(progress));

        // Over: the connection's own state again.
        Q_EMIT f.update->transferProgressChanged(QString());
        QCOMPARE(f.window->Label1->text(), before);
        QCOMPARE(f.window->Label1->text(), f.window->connection().statusText());
        QCOMPARE(f.window->TrayIcon1->toolTip(), caption);
    }

    void noUpdateClientGiven()
    {
        Fixture f(false);
        QCOMPARE(f.window->updateClient(), nullptr);
    }

    void sleepAndWakeUpReachTheConnection()
    {
        Fixture f(false);
        QVERIFY(f.power);
        f.window->show();
        QVERIFY(waitUntil([&] { return f.window->connection().isConnected(); }));
        QCOMPARE(f.server.connectionCount(), 1);

        Q_EMIT f.power->suspending();
        QVERIFY(!f.window->connection().isConnected());
        Q_EMIT f.power->resumed();
        QCOMPARE(f.server.connectionCount(), 1); // not before the pause
        QVERIFY(waitUntil([&] { return f.server.connectionCount() == 2; }));
        QVERIFY(waitUntil([&] { return f.window->connection().isConnected(); }));
        f.window->Avsluta1Click();
    }
};

QTEST_MAIN(TestUpdateWindow)
#include "test_updatewindow.moc"
