#include "display/MainWindow.h"

#include "common/ClientIdentity.h"
#include "display/StatusLamp.h"
#include "display/connection/MessageDispatcher.h"
#include "display/connection/SystemRegisterPort.h"
#include "display/board/CallBoardWidget.h"
#include "protocol/Framing.h"

#include "FakeServer.h"
#include "RecordingMessages.h"
#include "TempSettings.h"
#include "TestWindowServices.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QFile>
#include <QTest>

#include <limits>

using namespace tesk;
using tesk::test::FakeServer;
using tesk::test::RecordingMessages;
using tesk::test::TempSettings;
using tesk::test::waitUntil;

namespace {

class RecordingSystemRegister : public SystemRegisterPort {
public:
    QList<SysRegPage> tabs;
    int modalRuns = 0;
    bool visible = false;

    void SetTabs(SysRegPage page) override { tabs << page; m_page = page; }
    SysRegPage currentPage() const override { return m_page; }
    bool isVisible() const override { return visible; }
    void ShowModalUnlessVisible() override
    {
        if (!visible)
            ++modalRuns;
    }
    void ApplyAllResources(const QString&) override {}
    void ApplyStationResources(const QString&) override {}
    void setHintPanelVisible(bool) override {}

private:
    SysRegPage m_page = SysRegPage::tsServersettings;
};

// One window on temporary settings with recorded messages.
struct Fixture {
    explicit Fixture(QStringList args = {}, std::function<void(TempSettings&)> prepare = {})
    {
        // A call server that knows no settings and says nothing else unless
        // told to.
        server.listen();
        server.setResponder([](const QString& frame) {
            return frame.startsWith(QStringLiteral("\u00A4GETINITEXT:"))
                ? ComposeFrame(QStringLiteral("RETINITEXT"), {QString()})
                : QString();
        });
        temp.setUser(QStringLiteral("ServerSettings"), QStringLiteral("ServerName"), QStringLiteral("127.0.0.1"));
        temp.setUser(QStringLiteral("ServerSettings"), QStringLiteral("ServerPort"), QString::number(server.port()));
        if (prepare)
            prepare(temp);
        identity = std::make_unique<ClientIdentity>(temp.settings(), args);
        MainWindowServices s = BaseWindowServices(temp, *identity, messages);
        s.modalDialogOpen = [this] { return modalOpen; };
        s.trayAvailable = [] { return false; };
        s.createSystemRegister = [this](TfrmTeskShowMain&) {
            auto r = std::make_unique<RecordingSystemRegister>();
            sysreg = r.get();
            return r;
        };
        window = std::make_unique<TfrmTeskShowMain>(std::move(s));
    }

    QString stored(const QString& section, const QString& key)
    {
        return temp.settings().GetIniText(section, key);
    }

    FakeServer server;
    TempSettings temp;
    RecordingMessages messages;
    std::unique_ptr<ClientIdentity> identity;
    RecordingSystemRegister* sysreg = nullptr;
    bool modalOpen = false;
    std::unique_ptr<TfrmTeskShowMain> window;
};

const QString OneCall = QStringLiteral(
    "\u00A4CURRENTLIST:Dr. \u00C5sa:5:255:1:\u00A4%Rum 1~7~2024-03-01 10:00:00~65280~0~~~%\u00A4:"
    ":CURRENTLIST\u00A4");

// Answers the handshake as a call server of the given version would.
FakeServer::Responder CallServer(const QString& version)
{
    return [version](const QString& frame) -> QString {
        if (frame.startsWith(QStringLiteral("\u00A4GETSERVERVERSION:")))
            return ComposeFrame(QStringLiteral("RETSERVERVERSION"), {version});
        if (frame.startsWith(QStringLiteral("\u00A4GETCALLLIST:")))
            return OneCall;
        if (frame.startsWith(QStringLiteral("\u00A4GETKLINIKNAMN:")))
            return ComposeFrame(QStringLiteral("RETKLINIKNAMN"), {QStringLiteral("V\u00E5rdcentralen Norrby")});
        if (frame.startsWith(QStringLiteral("\u00A4GETINITEXT:")))
            return ComposeFrame(QStringLiteral("RETINITEXT"), {QString()}); // no such setting
        return {};
    };
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void layout()
    {
        Fixture f;
        TfrmTeskShowMain& w = *f.window;
        QCOMPARE(w.windowTitle(), QStringLiteral("TESK Windows Visningsklient  version: 1.11.0.0"));
        QCOMPARE(w.size(), QSize(715, 437));
        QCOMPARE(w.topBar()->height(), 41);
        QCOMPARE(w.BitBtn1->text(), QStringLiteral("Inställningar..."));
        QCOMPARE(w.BitBtn1->geometry(), QRect(8, 8, 121, 25));
        QCOMPARE(w.Label1->text(), QStringLiteral("Ej ansluten"));
        QCOMPARE(w.Button7->text(), QStringLiteral("&Stäng"));
        QCOMPARE(w.Button7->size(), QSize(73, 27));
        QCOMPARE(w.Button7->toolTip(), QStringLiteral("Stänger TESK Windows Visningsklient"));
        QCOMPARE(w.shServerConnected->color(), StatusLamp::Red);
        QCOMPARE(ToQColor(StatusLamp::Red), QColor(255, 0, 0));
        QCOMPARE(ToQColor(StatusLamp::Green), QColor(0, 128, 0));
        QCOMPARE(f.identity->ClientType, TTESKClientType::ctShow);

        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.statusBar()->height(), 29);
        QCOMPARE(w.Button7->geometry().right(), w.statusBar()->width() - 1);
        QCOMPARE(w.rightBar()->width(), 0);
        QCOMPARE(w.topBar()->height() + w.boardArea()->height() + w.statusBar()->height(), w.height());
    }

    void trayMenu()
    {
        Fixture f;
        const QList<QAction*> items = f.window->PopupMenu2->actions();
        QCOMPARE(items.size(), 3);
        QCOMPARE(items[0]->text(), QStringLiteral("Version: 1.11.0.0"));
        QCOMPARE(items[1]->text(), QStringLiteral("Inställningar..."));
        QCOMPARE(items[2]->text(), QStringLiteral("Avsluta"));

        items[1]->trigger();
        QCOMPARE(f.sysreg->modalRuns, 1);
        QSignalSpy ended(f.window.get(), &TfrmTeskShowMain::programEnded);
        items[2]->trigger();
        QCOMPARE(ended.count(), 1);
    }

    void parameters_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("place");
        QTest::addColumn<uint>("color");
        QTest::addColumn<bool>("registerauto");
        QTest::addColumn<QString>("calllist");
        QTest::addColumn<QString>("clientName");    // stored TESK/ClientName
        QTest::addColumn<QString>("useDefault");    // stored TESK/ClientNameUseDefault
        QTest::addColumn<QString>("serverName");    // stored ServerSettings/ServerName
        QTest::addColumn<QString>("serverPort");

        const QString E = QStringLiteral("ERROR");
        QTest::newRow("none") << QStringList{} << "" << "" << 0u << false << "" << E << E << "stored.host" << "4000";
        QTest::newRow("upper case") << QStringList{"NAME=Rum 1", "PLACE=Rum 1", "COLOR=255"} << "RUM 1" << "RUM 1"
                                    << 255u << false << "" << E << E << "stored.host" << "4000";
        QTest::newRow("autoregister")
            << QStringList{"name=Väntrum", "AUTOREGISTER=1", "CALLLIST=1;2;3"} << "VÄNTRUM" << "" << 0u << true
            << "1;2;3" << "VÄNTRUM" << "0" << "stored.host" << "4000";
        QTest::newRow("autoregister not 1") << QStringList{"NAME=a", "AUTOREGISTER=true"} << "A" << "" << 0u << false
                                            << "" << E << E << "stored.host" << "4000";
        QTest::newRow("bad colour") << QStringList{"COLOR=red"} << "" << "" << 0u << false << "" << E << E
                                    << "stored.host" << "4000";
        QTest::newRow("server given") << QStringList{"SERVERNAME=callsrv01", "SERVERPORT=4711"} << "" << "" << 0u
                                      << false << "" << E << E << "CALLSRV01" << "4711";
        QTest::newRow("empty server name keeps stored")
            << QStringList{"SERVERNAME=", "SERVERPORT= "} << "" << "" << 0u << false << "" << E << E << "stored.host"
            << "4000";
    }

    void parameters()
    {
        QFETCH(QStringList, args);
        Fixture f(args, [](TempSettings& t) {
            t.setUser(QStringLiteral("ServerSettings"), QStringLiteral("ServerName"), QStringLiteral("stored.host"));
            t.setUser(QStringLiteral("ServerSettings"), QStringLiteral("ServerPort"), QStringLiteral("4000"));
        });
        const TTESKClientData& own = f.identity->OwnClientData;
        QCOMPARE(own.Lopnr, -1);
        QTEST(own.Name, "name");
        QTEST(own.FriendlyName, "place");
        QTEST(uint(own.Color), "color");
        QTEST(f.window->registerauto(), "registerauto");
        QTEST(f.window->paramcalllista(), "calllist");
        QTEST(f.stored(QStringLiteral("TESK"), QStringLiteral("ClientName")), "clientName");
        QTEST(f.stored(QStringLiteral("TESK"), QStringLiteral("ClientNameUseDefault")), "useDefault");
        QTEST(f.stored(QStringLiteral("ServerSettings"), QStringLiteral("ServerName")), "serverName");
        QTEST(f.stored(QStringLiteral("ServerSettings"), QStringLiteral("ServerPort")), "serverPort");
    }

    void boardSettingsAtStart_data()
    {
        QTest::addColumn<QString>("alwaysShowAll"); // stored before start, "" = missing
        QTest::addColumn<QString>("storedAfter");
        QTest::addColumn<bool>("showAll");
        QTest::newRow("missing is written 1") << "" << "1" << true;
        QTest::newRow("0 kept") << "0" << "0" << false;
        QTest::newRow("-1 is not 1") << "-1" << "-1" << false;
    }

    void boardSettingsAtStart()
    {
        QFETCH(QString, alwaysShowAll);
        Fixture f({}, [&](TempSettings& t) {
            if (!alwaysShowAll.isEmpty())
                t.setUser(QStringLiteral("Showing"), QStringLiteral("AlwaysShowAll"), alwaysShowAll);
            t.setUser(QStringLiteral("TESK"), QStringLiteral("ShowMode"), QStringLiteral("1"));
            t.setUser(QStringLiteral("TESK"), QStringLiteral("RepeatSayInfoTimer"), QStringLiteral("2"));
            t.setUser(QStringLiteral("TESK"), QStringLiteral("ChangeBackground"), QStringLiteral("0"));
        });
        QTEST(f.temp.user(QStringLiteral("Showing"), QStringLiteral("AlwaysShowAll")), "storedAfter");
        QTEST(f.window->board.ShowingAlwaysShowAll, "showAll");
        QCOMPARE(f.window->board.TESKShowMode, 1);
        QCOMPARE(f.window->board.TESKShowFontName, QStringLiteral("Tahoma"));
        QCOMPARE(f.window->SayTimer.interval(), 2 * 60000);
        QVERIFY(f.window->SayTimer.isActive());
        QCOMPARE(f.window->PaintBox1->backgroundTimerIntervalMs(), 3 * 60000);
        QVERIFY(!f.window->PaintBox1->backgroundTimerActive());
    }

    // The repeat interval is minutes; a value that gives no interval at all
    // would make the timer fire without pause, one past what a timer holds
    // would wrap round.
    void sayTimerFromSettings_data()
    {
        QTest::addColumn<QString>("minutes"); // "" = missing
        QTest::addColumn<QString>("repeat");  // RepeatSayInfo, "" = missing
        QTest::addColumn<int>("interval");
        QTest::addColumn<bool>("active");
        QTest::newRow("missing: five minutes, on") << "" << "" << 5 * 60000 << true;
        QTest::newRow("two minutes") << "2" << "" << 2 * 60000 << true;
        QTest::newRow("not a number: default") << "ofta" << "" << 5 * 60000 << true;
        QTest::newRow("repeat off") << "2" << "0" << 2 * 60000 << false;
        QTest::newRow("zero is one minute") << "0" << "" << 60000 << true;
        QTest::newRow("negative is one minute") << "-4" << "" << 60000 << true;
        QTest::newRow("longer than a timer holds") << "99999999" << "" << std::numeric_limits<int>::max() << true;
    }

    void sayTimerFromSettings()
    {
        QFETCH(QString, minutes);
        QFETCH(QString, repeat);
        Fixture f({}, [&](TempSettings& t) {
            if (!minutes.isEmpty())
                t.setUser(QStringLiteral("TESK"), QStringLiteral("RepeatSayInfoTimer"), minutes);
            if (!repeat.isEmpty())
                t.setUser(QStringLiteral("TESK"), QStringLiteral("RepeatSayInfo"), repeat);
        });
        QTEST(f.window->SayTimer.interval(), "interval");
        QTEST(f.window->SayTimer.isActive(), "active");
    }

    void placement_data()
    {
        QTest::addColumn<QStringList>("saved"); // FORMWIDTH, FORMHEIGHT, POSLEFT, POSTOP ("" = missing)
        QTest::addColumn<QString>("left");      // "C" = centred on the screen
        QTest::addColumn<QString>("top");
        QTest::addColumn<QSize>("size");

        QTest::newRow("nothing saved: centred") << QStringList{"", "", "", ""} << "C" << "C" << QSize(715, 437);
        QTest::newRow("std in any case: centred")
            << QStringList{"std", "Std", "STD", "sTd"} << "C" << "C" << QSize(715, 437);
        QTest::newRow("saved") << QStringList{"500", "300", "10", "20"} << "10" << "20" << QSize(500, 300);
        QTest::newRow("size saved, centred with it") << QStringList{"401", "201", "", ""} << "C" << "C"
                                                   << QSize(401, 201);
        QTest::newRow("non-numeric keeps current")
            << QStringList{"wide", "300", "left", "20"} << "7" << "20" << QSize(715, 300);
    }

    // Positions are those of the frame (what move() takes), sizes those of
    // the client area.
    void placement()
    {
        QFETCH(QStringList, saved);
        QFETCH(QString, left);
        QFETCH(QString, top);
        QFETCH(QSize, size);
        const QRect screen = QGuiApplication::primaryScreen()->geometry();

        const QStringList keys{"FORMWIDTH", "FORMHEIGHT", "POSLEFT", "POSTOP"};
        Fixture f({}, [&](TempSettings& t) {
            for (int i = 0; i < 4; ++i)
                if (!saved[i].isEmpty())
                    t.setUser(TfrmTeskShowMain::PosSection, keys[i], saved[i]);
        });
        f.window->move(QPoint(7, 5));
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        QCOMPARE(f.window->size(), size);
        // Centred as a whole, frame included.
        const QSize outer = f.window->frameGeometry().size();
        QVERIFY(outer.width() > size.width()); // the test platform draws a frame
        const int expectedLeft = left == "C" ? screen.width() / 2 - outer.width() / 2 : left.toInt();
        const int expectedTop = top == "C" ? screen.height() / 2 - outer.height() / 2 : top.toInt();
        QCOMPARE(f.window->pos(), QPoint(expectedLeft, expectedTop));
    }

    void closing_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("ends");
        QTest::addColumn<bool>("stores");
        QTest::newRow("Stäng hides") << "button" << false << false;
        QTest::newRow("window close hides") << "close" << false << false;
        QTest::newRow("Avsluta ends and stores") << "avsluta" << true << true;
        QTest::newRow("session end ends and stores") << "session" << true << true;
        QTest::newRow("session query alone keeps running") << "query" << false << false;
        QTest::newRow("session query, then the close of the session") << "query close" << true << true;
        QTest::newRow("minimised stores the frame's place") << "minimised" << true << true;
        QTest::newRow("maximised stores nothing") << "maximised" << true << false;
        QTest::newRow("Avsluta while hidden in the tray") << "hidden avsluta" << true << true;
    }

    void closing()
    {
        QFETCH(QString, how);
        QFETCH(bool, ends);
        QFETCH(bool, stores);
        Fixture f;
        TfrmTeskShowMain& w = *f.window;
        QSignalSpy ended(&w, &TfrmTeskShowMain::programEnded);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.move(30, 40);
        w.resize(600, 400);

        if (how == "button")
            QTest::mouseClick(w.Button7, Qt::LeftButton);
        else if (how == "close")
            w.close();
        else if (how == "avsluta")
            w.Avsluta1Click();
        else if (how == "session")
            w.EndSession();
        else if (how == "query") {
            w.QueryEndSession();
        } else if (how == "query close") {
            w.QueryEndSession();
            w.close();
        } else if (how == "minimised") {
            w.showMinimized();
            w.Avsluta1Click();
        }
        else if (how == "hidden avsluta") {
            w.Button7Click();
            QVERIFY(!w.isVisible());
            w.Avsluta1Click();
        } else if (how == "maximised") {
            w.showMaximized();
            w.Avsluta1Click();
        }

        QCOMPARE(ended.count(), ends ? 1 : 0);
        if (how == "query") {
            // A log-off that may still be cancelled: the display runs on,
            // and a close now really ends it.
            QVERIFY(w.isVisible());
            QVERIFY(w.CloseNow);
            w.Button7Click();
            QCOMPARE(ended.count(), 1);
            return;
        }
        QVERIFY(!w.isVisible());
        QCOMPARE(w.CloseNow, ends);
        const QString sec = TfrmTeskShowMain::PosSection;
        if (stores) {
            QCOMPARE(f.temp.user(sec, QStringLiteral("POSLEFT")), QStringLiteral("30"));
            QCOMPARE(f.temp.user(sec, QStringLiteral("POSTOP")), QStringLiteral("40"));
            QCOMPARE(f.temp.user(sec, QStringLiteral("FORMWIDTH")), QStringLiteral("600"));
            QCOMPARE(f.temp.user(sec, QStringLiteral("FORMHEIGHT")), QStringLiteral("400"));
        } else {
            for (const char* key : {"POSLEFT", "POSTOP", "FORMWIDTH", "FORMHEIGHT"})
                QCOMPARE(f.temp.user(sec, QLatin1String(key)), QString());
        }
        if (!ends) {
            // Back from the tray.
            w.RestoreFromTray();
            QVERIFY(w.isVisible());
        }
    }

    void storedPlacementComesBack()
    {
        TempSettings* shared = nullptr;
        QRect before;
        {
            Fixture f;
            f.window->show();
            QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
            f.window->move(50, 60);
            f.window->resize(640, 360);
            f.window->Avsluta1Click();
            shared = &f.temp;
            // A second window on the same stores.
            auto identity = std::make_unique<ClientIdentity>(shared->settings(), QStringList{});
            MainWindowServices s;
            s.settings = &shared->settings();
            s.identity = identity.get();
            s.messages = &f.messages;
            s.initInstallationPaths = [] { return InstallationPaths{}; };
            s.trayAvailable = [] { return false; };
            TfrmTeskShowMain again(std::move(s));
            again.show();
            QVERIFY(QTest::qWaitForWindowExposed(&again));
            QCOMPARE(again.pos(), QPoint(50, 60));
            QCOMPARE(again.size(), QSize(640, 360));
        }
    }

    void barsFollowMaximised()
    {
        Fixture f;
        TfrmTeskShowMain& w = *f.window;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(w.topBar()->isVisible() && w.statusBar()->isVisible());
        w.showMaximized();
        QVERIFY(!w.topBar()->isVisible() && !w.statusBar()->isVisible() && !w.rightBar()->isVisible());
        w.showNormal();
        QVERIFY(w.topBar()->isVisible() && w.statusBar()->isVisible());
    }

    void f10OpensTheSettings_data()
    {
        QTest::addColumn<bool>("dialogVisible");
        QTest::addColumn<int>("modalRuns");
        QTest::newRow("closed dialog opens at the server page") << false << 1;
        QTest::newRow("visible dialog is not opened again") << true << 0;
    }

    void f10OpensTheSettings()
    {
        QFETCH(bool, dialogVisible);
        Fixture f;
        f.sysreg->visible = dialogVisible;
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        QTest::keyClick(f.window->Label1, Qt::Key_F10);
        QTEST(f.sysreg->modalRuns, "modalRuns");
        if (!dialogVisible)
            QCOMPARE(f.sysreg->tabs, QList<SysRegPage>{SysRegPage::tsServersettings});
        QTest::mouseClick(f.window->BitBtn1, Qt::LeftButton);
        QCOMPARE(f.sysreg->modalRuns, dialogVisible ? 0 : 2);
    }

    void showMode_data()
    {
        QTest::addColumn<QString>("visibility"); // "" = missing (1)
        QTest::addColumn<int>("state");          // Qt::WindowStates
        QTest::addColumn<bool>("frameless");
        QTest::newRow("0 full screen") << "0" << int(Qt::WindowFullScreen) << true;
        QTest::newRow("1 minimised") << "1" << int(Qt::WindowMinimized) << false;
        QTest::newRow("missing minimised") << "" << int(Qt::WindowMinimized) << false;
        QTest::newRow("2 normal") << "2" << int(Qt::WindowNoState) << false;
        QTest::newRow("other does nothing") << "7" << int(Qt::WindowNoState) << false;
    }

    void showMode()
    {
        QFETCH(QString, visibility);
        QFETCH(int, state);
        QFETCH(bool, frameless);
        Fixture f({}, [&](TempSettings& t) {
            if (!visibility.isEmpty())
                t.setUser(QStringLiteral("TESK"), QStringLiteral("Visibility"), visibility);
        });
        TfrmTeskShowMain& w = *f.window;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(!w.MinimizeTimer.isActive());

        // The first non-empty call list starts the timer.
        w.dispatcher().HandleServerMessage(OneCall);
        QCOMPARE(w.model().CallList.size(), size_t(1));
        QVERIFY(w.MinimizeTimer.isActive());
        QCOMPARE(w.MinimizeTimer.interval(), 1000);

        // While a modal dialog is open nothing happens and the timer stays on.
        f.modalOpen = true;
        w.MinimizeTimerTimer();
        QVERIFY(w.MinimizeTimer.isActive());
        QCOMPARE(int(w.windowState()), int(Qt::WindowNoState));

        f.modalOpen = false;
        w.MinimizeTimerTimer();
        QVERIFY(!w.MinimizeTimer.isActive());
        QCOMPARE(int(w.windowState()), state);
        QCOMPARE(bool(w.windowFlags() & Qt::FramelessWindowHint), frameless);
        QVERIFY(w.isVisible());
        QCOMPARE(w.statusBar()->isVisible(), !(state & Qt::WindowFullScreen));
        QCOMPARE(w.topBar()->isVisible(), !(state & Qt::WindowFullScreen));

        // A second non-empty list does not start it again.
        w.dispatcher().HandleServerMessage(OneCall);
        QVERIFY(!w.MinimizeTimer.isActive());
    }

    // The default modal check sees a real application-modal dialog.
    void realModalDialogIsSeen()
    {
        TempSettings temp;
        RecordingMessages messages;
        temp.setUser(QStringLiteral("TESK"), QStringLiteral("Visibility"), QStringLiteral("0"));
        ClientIdentity identity(temp.settings(), {});
        MainWindowServices s;
        s.settings = &temp.settings();
        s.identity = &identity;
        s.messages = &messages;
        s.initInstallationPaths = [] { return InstallationPaths{}; };
        s.trayAvailable = [] { return false; };
        // No server name is stored: the real settings dialog would open
        // modally at the first activation and wait for a user.
        s.createSystemRegister = [](TfrmTeskShowMain&) { return std::make_unique<NoSystemRegister>(); };
        TfrmTeskShowMain w(std::move(s));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.dispatcher().HandleServerMessage(OneCall);
        QVERIFY(w.MinimizeTimer.isActive());

        QDialog dialog;
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.show();
        QVERIFY(QApplication::activeModalWidget() == &dialog);
        w.MinimizeTimerTimer();
        QVERIFY(w.MinimizeTimer.isActive());
        QVERIFY(!w.isMaximized());
        dialog.hide();
        w.MinimizeTimerTimer();
        QVERIFY(!w.MinimizeTimer.isActive());
        QVERIFY(w.isFullScreen());
        QVERIFY(w.windowFlags() & Qt::FramelessWindowHint);
    }

    void anotherStartBringsTheWindowBack_data()
    {
        QTest::addColumn<QString>("before");
        QTest::newRow("minimised is restored") << "minimised";
        QTest::newRow("hidden in the tray is shown") << "hidden";
        QTest::newRow("visible is raised") << "visible";
        QTest::newRow("maximised stays maximised") << "maximised";
    }

    void anotherStartBringsTheWindowBack()
    {
        QFETCH(QString, before);
        Fixture f;
        TfrmTeskShowMain& w = *f.window;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        if (before == "minimised")
            w.showMinimized();
        else if (before == "hidden")
            w.Button7Click();
        else if (before == "maximised")
            w.showMaximized();
        w.ActivateFromOtherInstance();
        QVERIFY(w.isVisible());
        QVERIFY(!w.isMinimized());
        QCOMPARE(w.isMaximized(), before == "maximised");
    }

    void balloonWithoutTrayGoesToTheWindow()
    {
        Fixture f;
        f.window->ShowTrayBalloon(QStringLiteral("Rum 1 kallar på Dr. Åsa, \r"));
        QCOMPARE(f.messages.balloons.size(), size_t(1));
        QCOMPARE(f.messages.balloons[0].title, QStringLiteral("Från signaleringssystemet"));
        QCOMPARE(f.messages.balloons[0].text, QStringLiteral("Rum 1 kallar på Dr. Åsa, \r"));
        QVERIFY(f.messages.balloons[0].target.window == f.window.get());
    }

    // Shown, the window connects; the server's answers reach the status bar,
    // the caption, the call list and the board.
    void connectsAtFirstShow_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("green");
        QTest::addColumn<QString>("caption");
        QTest::newRow("accepted") << "1.10.4" << "Ansluten" << true
                                  << "TESK Windows Visningsklient - V\u00E5rdcentralen Norrby  version: 1.11.0.0";
        QTest::newRow("refused") << "1.10.0" << "Fel serverversion 1.10.0 INTE ansluten" << false
                                 << "TESK Windows Visningsklient  version: 1.11.0.0";
    }

    void connectsAtFirstShow()
    {
        QFETCH(QString, version);
        QFETCH(QString, status);
        QFETCH(bool, green);
        QFETCH(QString, caption);
        Fixture f;
        f.server.setResponder(CallServer(version));
        TfrmTeskShowMain& w = *f.window;
        QVERIFY(!w.hasActivated());
        w.show();
        QVERIFY(waitUntil([&] { return w.Label1->text() == status; }, 5000));
        QVERIFY(w.hasActivated());
        QCOMPARE(w.shServerConnected->color(), green ? StatusLamp::Green : StatusLamp::Red);
        if (green) {
            QVERIFY(waitUntil([&] { return w.windowTitle() == caption && w.model().CallList.size() == 1; }));
            QVERIFY(w.MinimizeTimer.isActive());
            QCOMPARE(w.PaintBox1->kliniknamn(), QStringLiteral("V\u00E5rdcentralen Norrby"));
        } else {
            QCOMPARE(w.windowTitle(), caption);
            QCOMPARE(f.messages.infos.size(), 1);
        }
        QCOMPARE(f.server.connectionCount(), 1);
    }

    // The real end closes the connection first, so the position is stored
    // locally and nothing of it goes to the server.
    void endingClosesTheConnectionFirst()
    {
        Fixture f;
        f.server.setResponder(CallServer(QStringLiteral("1.10.4")));
        TfrmTeskShowMain& w = *f.window;
        w.show();
        QVERIFY(waitUntil([&] { return w.Label1->text() == QStringLiteral("Ansluten"); }));
        QVERIFY(f.server.waitForFrames(3));
        f.server.clearReceived();

        w.Avsluta1Click();
        QVERIFY(!w.connection().isConnected());
        QVERIFY(!w.connection().timer3().isActive());
        QVERIFY(!w.connection().reconnectTimer().isActive());
        QVERIFY(!w.MinimizeTimer.isActive());
        QVERIFY(!f.temp.user(TfrmTeskShowMain::PosSection, QStringLiteral("POSLEFT")).isEmpty());
        QTest::qWait(20);
        QVERIFY2(!f.server.received().contains(QStringLiteral("SETINITEXT")), qPrintable(f.server.received()));
    }

    // A confirmation from the board goes out on the main connection.
    void boardConfirmsOnTheConnection()
    {
        Fixture f;
        f.server.setResponder(CallServer(QStringLiteral("1.10.4")));
        TfrmTeskShowMain& w = *f.window;
        w.show();
        QVERIFY(waitUntil([&] { return w.model().CallList.size() == 1; }));
        w.PaintBox1->PaintBox1Paint();
        const TViewRect r = w.model().CallList[0]->CurrentCallList[0]->ViewRect;
        QVERIFY(r.Right > r.Left);
        w.PaintBox1->PaintBox1MouseMove((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
        w.PaintBox1->PaintBox1DblClick();
        QVERIFY(f.server.waitForReceived(QStringLiteral("\u00A4COMING:5:7:COMING\u00A4")));
    }

    void screenSaverSetting_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("prevented");
        QTest::newRow("missing") << "" << false;
        QTest::newRow("true") << "True" << true;
        QTest::newRow("-1") << "-1" << true;
        QTest::newRow("0") << "0" << false;
        QTest::newRow("junk") << "ja" << false;
    }

    // Set only in the server's copy for this machine: read once the
    // connection is up, and at every later connection.
    void screenSaverFromTheServersCopy()
    {
        Fixture f;
        QString serverValue = QStringLiteral("-1");
        const FakeServer::Responder server = CallServer(QStringLiteral("1.10.4"));
        f.server.setResponder([&](const QString& frame) -> QString {
            if (frame.contains(QStringLiteral(":PreventScreenSaver:GETINITEXT")))
                return ComposeFrame(QStringLiteral("RETINITEXT"), {serverValue});
            return server(frame);
        });
        TfrmTeskShowMain& w = *f.window;
        QVERIFY(!w.isScreenSaverPrevented());
        w.show();
        QVERIFY(waitUntil([&] { return w.Label1->text() == QStringLiteral("Ansluten"); }));
        QVERIFY(w.isScreenSaverPrevented());

        serverValue = QStringLiteral("0");
        w.connection().ConnectToServer(false);
        QVERIFY(waitUntil([&] { return f.server.connectionCount() == 2 && w.Label1->text() == QStringLiteral("Ansluten"); }));
        QVERIFY(!w.isScreenSaverPrevented());
    }

    // A broken first picture is reported as a load error, and the rotation
    // still starts: the next picture may be fine.
    void brokenFirstBackground()
    {
        QTemporaryDir pictures;
        QFile broken(pictures.filePath(QStringLiteral("TESK_VistorBackground_0.bmp")));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("BM this is no bitmap");
        broken.close();

        TempSettings temp;
        RecordingMessages messages;
        ClientIdentity identity(temp.settings(), {});
        MainWindowServices s;
        s.settings = &temp.settings();
        s.identity = &identity;
        s.messages = &messages;
        s.initInstallationPaths = [&] {
            return InstallationPaths{pictures.path() + QLatin1Char('/'), QStringLiteral("_test_TESK\\"), QString()};
        };
        s.trayAvailable = [] { return false; };
        TfrmTeskShowMain w(std::move(s));

        QCOMPARE(messages.infos.size(), 1);
        QVERIFY2(messages.infos[0].startsWith(QStringLiteral("Error loading background bitmap!\r\r")),
                 qPrintable(messages.infos[0]));
        QVERIFY(messages.infos[0].size() > int(qstrlen("Error loading background bitmap!\r\r")));
        QVERIFY(w.PaintBox1->backgroundTimerActive());
        QCOMPARE(w.PaintBox1->backgroundTimerIntervalMs(), 3 * 60000);
    }

    void screenSaverSetting()
    {
        QFETCH(QString, value);
        Fixture f({}, [&](TempSettings& t) {
            if (!value.isEmpty())
                t.setUser(QStringLiteral("TESK"), QStringLiteral("PreventScreenSaver"), value);
        });
        QTEST(f.window->isScreenSaverPrevented(), "prevented");
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
