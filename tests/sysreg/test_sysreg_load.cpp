#include "SysRegFixture.h"

#include "sysreg/OvrigtPage.h"
#include "sysreg/RadioGroup.h"
#include "sysreg/ServerPage.h"
#include "sysreg/WallPage.h"

#include "protocol/Framing.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

using namespace tesk;
using tesk::test::SysRegFixture;
using tesk::test::waitUntil;

Q_DECLARE_METATYPE(tesk::SysRegPage)
Q_DECLARE_METATYPE(std::optional<QString>)

namespace {

const QString TESK = QStringLiteral("TESK");
const QString SS = QStringLiteral("ServerSettings");

QString ShownTabs(const TfrmSystreg& d)
{
    QString s;
    for (SysRegPage p : {SysRegPage::tsServersettings, SysRegPage::tsClientSettings, SysRegPage::tsVoice,
                         SysRegPage::tsOvrigtShow})
        s += d.isTabShown(p) ? QLatin1Char('1') : QLatin1Char('0');
    return s;
}

// "Key=Value" into the user layer of `section`.
void Store(SysRegFixture& f, const QString& section, const QStringList& pairs)
{
    for (const QString& pair : pairs) {
        const qsizetype eq = pair.indexOf(QLatin1Char('='));
        f.temp.setUser(section, pair.left(eq), pair.mid(eq + 1));
    }
}

void CompareStates(SysRegFixture& f, const QStringList& expected)
{
    for (const QString& e : expected) {
        const qsizetype eq = e.indexOf(QLatin1Char('='));
        const QString name = e.left(eq);
        QString want = e.mid(eq + 1);
        want.replace(QStringLiteral("$PORT"), QString::number(f.server.port()));
        const QString got = f.state(name);
        if (got != want)
            QFAIL(qPrintable(name + QStringLiteral(": got \"") + got + QStringLiteral("\", want \"") + want
                             + QLatin1Char('"')));
    }
}

} // namespace

class TestSysRegLoad : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void captions()
    {
        SysRegFixture f;
        TfrmSystreg& d = *f.dialog;
        QCOMPARE(d.windowTitle(), QStringLiteral("Systemregister"));
        QCOMPARE(d.size(), QSize(573, 391));
        QVERIFY(d.isModal());
        QCOMPARE(d.PageControl1->tabText(0), QStringLiteral("Serverinställningar/utseende"));
        QCOMPARE(d.PageControl1->tabText(1), QStringLiteral("Klientinställningar"));
        QCOMPARE(d.PageControl1->tabText(2), QStringLiteral("Röstinställningar"));
        QCOMPARE(d.PageControl1->tabText(3), QStringLiteral("Övrigt"));
        QCOMPARE(d.btnSave->text(), QStringLiteral("Spara"));
        QCOMPARE(d.btnCancel->text(), QStringLiteral("Ångra"));
        QCOMPARE(d.btnReturn->text(), QStringLiteral("Återgå"));
        QVERIFY(d.tsServersettings->edUpdateServername->isReadOnly());
        QVERIFY(d.tsServersettings->edUpdateServerport->isReadOnly());
        QVERIFY(d.tsServersettings->edServerver->isReadOnly());
        QVERIFY(!d.FClickedSpara);
        QVERIFY(!d.FThemeChanged());
        // The styles Qt offers, the one in use chosen.
        QComboBox* styles = d.tsServersettings->ComboBox1;
        QVERIFY(styles->count() > 0);
        QCOMPARE(styles->currentText().toLower(), QApplication::style()->name().toLower());
        QCOMPARE(d.tsOvrigtShow->SpinEdit3->minimum(), 1);
        QCOMPARE(d.tsOvrigtShow->SpinEdit3->maximum(), 60);
        QCOMPARE(d.tsOvrigtShow->wwDBComboBox1->maxVisibleItems(), 12);
        QVERIFY(!d.tsOvrigtShow->wwDBComboBox1->isEnabled());
    }

    void tabs_data()
    {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<SysRegPage>("asked");
        QTest::addColumn<SysRegPage>("current");
        QTest::addColumn<QString>("shown");

        QTest::newRow("not connected, client asked") << false << SysRegPage::tsClientSettings
                                                     << SysRegPage::tsServersettings << "1000";
        QTest::newRow("not connected, voice asked") << false << SysRegPage::tsVoice << SysRegPage::tsServersettings
                                                    << "1000";
        QTest::newRow("connected, client asked") << true << SysRegPage::tsClientSettings
                                                 << SysRegPage::tsClientSettings << "1111";
        QTest::newRow("connected, Övrigt asked") << true << SysRegPage::tsOvrigtShow << SysRegPage::tsOvrigtShow
                                                 << "1111";
        QTest::newRow("connected, server asked") << true << SysRegPage::tsServersettings
                                                 << SysRegPage::tsServersettings << "1111";
    }

    void tabs()
    {
        QFETCH(bool, connected);
        QFETCH(SysRegPage, asked);
        SysRegFixture f;
        if (connected)
            QVERIFY(f.connectToServer());
        // Another page first, so that the asked one has to become current.
        f.dialog->SetTabs(SysRegPage::tsVoice);
        f.dialog->SetTabs(asked);
        QTEST(f.dialog->currentPage(), "current");
        QTEST(ShownTabs(*f.dialog), "shown");
    }

    void tabsFollowTheConnectionOnlyInSetTabs()
    {
        SysRegFixture f;
        QVERIFY(f.connectToServer());
        f.dialog->SetTabs(SysRegPage::tsVoice);
        QCOMPARE(f.dialog->currentPage(), SysRegPage::tsVoice);

        f.server.dropClient();
        QVERIFY(waitUntil([&] { return !f.connection->isConnected(); }));
        QCOMPARE(ShownTabs(*f.dialog), QStringLiteral("1111"));

        f.temp.setUser(SS, QStringLiteral("ServerName"), QStringLiteral("after.loss"));
        f.dialog->SetTabs(f.dialog->currentPage());
        QCOMPARE(f.dialog->currentPage(), SysRegPage::tsServersettings);
        QCOMPARE(ShownTabs(*f.dialog), QStringLiteral("1000"));
        QCOMPARE(f.state("edServername"), QStringLiteral("after.loss"));
    }

    void aPickedTabLoadsOnce()
    {
        SysRegFixture f;
        QVERIFY(f.connectToServer());
        f.dialog->SetTabs(SysRegPage::tsServersettings);
        f.server.clearReceived();
        f.dialog->PageControl1->setCurrentIndex(3); // the user picks "Övrigt"
        // Every setting of the page read once from the server (none stored
        // locally), two reads (this machine's copy, the shared one) each.
        QCOMPARE(f.server.frames().filter(QStringLiteral("RepeatSayInfoTimer")).size(), 2);
    }

    void serverPage_data()
    {
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QStringList>("onServer");
        QTest::addColumn<bool>("connect");
        QTest::addColumn<QStringList>("expected");

        const QString mine = QStringLiteral("TESTMACHINE\\ServerSettings|");
        const QString shared = QStringLiteral("\\ServerSettings|");
        QTest::newRow("first start") << QStringList{} << QStringList{} << false
                                     << QStringList{"edServername=ERROR", "edServerport=0", "edServerver=",
                                                    "edUpdateServername=ERROR", "edUpdateServerport=0",
                                                    "edUpdateServerver=2.3.4"};
        QTest::newRow("stored, not connected")
            << QStringList{"ServerName=callsrv01", "ServerPort=4000", "UpdateServerName=local.only"} << QStringList{}
            << false
            << QStringList{"edServername=callsrv01", "edServerport=4000", "edUpdateServername=callsrv01",
                           "edUpdateServerport=4000"};
        QTest::newRow("port not a number") << QStringList{"ServerName=callsrv01", "ServerPort=40a"} << QStringList{}
                                           << false << QStringList{"edServerport=0", "edUpdateServerport=0"};
        QTest::newRow("connected, update server on the server")
            << QStringList{} << QStringList{mine + "UpdateServerName=upd01", shared + "UpdateServerPort=4711"} << true
            << QStringList{"edServername=127.0.0.1", "edServerport=$PORT", "edServerver=1.10.5",
                           "edUpdateServername=upd01", "edUpdateServerport=4711"};
        QTest::newRow("connected, update port not a number")
            << QStringList{} << QStringList{mine + "UpdateServerPort=fyra"} << true
            << QStringList{"edUpdateServername=127.0.0.1", "edUpdateServerport=$PORT"};
    }

    void serverPage()
    {
        QFETCH(QStringList, stored);
        QFETCH(QStringList, onServer);
        QFETCH(bool, connect);
        QFETCH(QStringList, expected);
        SysRegFixture f;
        for (const QString& s : onServer) {
            const qsizetype eq = s.indexOf(QLatin1Char('='));
            f.serverIni.insert(s.left(eq), s.mid(eq + 1));
        }
        if (connect)
            QVERIFY(f.connectToServer());
        Store(f, SS, stored);
        f.dialog->SetTabs(SysRegPage::tsServersettings);
        CompareStates(f, expected);
        QVERIFY(f.messages.infos.isEmpty());
    }

    void ovrigtPage_data()
    {
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("nothing stored")
            << QStringList{}
            << QStringList{"RadioGroup1=1", "cbPainteffect=1", "RadioGroup2=0", "enabled:wwDBComboBox1=0",
                           "wwDBComboBox1=-1", "cbBallooninfo=0", "cbAktivarteKlient=0", "cbRepeatSay=1",
                           "SpinEdit3=5", "cbChangeBackground=1", "SpinEdit4=3", "cbRefreshconnection=0",
                           "SpinEdit5=1", "cbPreventScreenSaver=0", "RadioGroup3=0", "Label14=Tahoma", "Edit6=",
                           "Edit10="};
        QTest::newRow("everything stored")
            << QStringList{"ActivateClientOnBalloon=-1", "ShowBalloonInfo=True", "RepeatSayInfo=0",
                           "RepeatSayInfoTimer=12", "ChangeBackground=false", "PreventScreenSaver=1",
                           "RefreshConnection=-1", "RefreshConnectionTimer=30", "ChangeBackgroundTimer=7",
                           "Visibility=2", "Painteffect=0", "ShowFontName=Verdana", "CallPrefix= Kallad: ",
                           "ConfirmPrefix=Ok", "ShowMode=1", "SayBalloonInfo=0", "QuietMode=0",
                           "ActiveWindowsSound=complete"}
            << QStringList{"cbAktivarteKlient=1", "cbBallooninfo=1", "cbRepeatSay=0", "SpinEdit3=12",
                           "cbChangeBackground=0", "cbPreventScreenSaver=1", "cbRefreshconnection=1", "SpinEdit5=30",
                           "SpinEdit4=7", "RadioGroup1=2", "cbPainteffect=0", "Label14=Verdana",
                           "Edit6= Kallad: ", "Edit10=Ok", "RadioGroup3=1", "RadioGroup2=2",
                           "enabled:wwDBComboBox1=1", "wwDBComboBox1=1"};
        QTest::newRow("Visibility 7") << QStringList{"Visibility=7"} << QStringList{"RadioGroup1=2"};
        QTest::newRow("Visibility -3") << QStringList{"Visibility=-3"} << QStringList{"RadioGroup1=-1"};
        QTest::newRow("Visibility not a number") << QStringList{"Visibility=max"} << QStringList{"RadioGroup1=1"};
        QTest::newRow("Painteffect missing, Visibility 0") << QStringList{"Visibility=0"}
                                                           << QStringList{"cbPainteffect=0"};
        QTest::newRow("Painteffect missing, Visibility 1") << QStringList{"Visibility=1"}
                                                           << QStringList{"cbPainteffect=1"};
        QTest::newRow("Painteffect missing, Visibility 2") << QStringList{"Visibility=2"}
                                                           << QStringList{"cbPainteffect=1"};
        QTest::newRow("Painteffect stored, Visibility 0") << QStringList{"Visibility=0", "Painteffect=-1"}
                                                          << QStringList{"cbPainteffect=1"};
        QTest::newRow("say and quiet both set: say wins")
            << QStringList{"SayBalloonInfo=-1", "QuietMode=-1"}
            << QStringList{"RadioGroup2=1", "enabled:wwDBComboBox1=0"};
        QTest::newRow("quiet only") << QStringList{"SayBalloonInfo=0", "QuietMode=-1"}
                                    << QStringList{"RadioGroup2=0"};
        QTest::newRow("neither: play a sound") << QStringList{"SayBalloonInfo=0", "QuietMode=0"}
                                               << QStringList{"RadioGroup2=2", "enabled:wwDBComboBox1=1"};
        QTest::newRow("say not a truth value") << QStringList{"SayBalloonInfo=ja", "QuietMode=0"}
                                               << QStringList{"RadioGroup2=2"};
        QTest::newRow("sound in other letter case") << QStringList{"ActiveWindowsSound=MESSAGE"}
                                                    << QStringList{"wwDBComboBox1=2"};
        QTest::newRow("sound not installed") << QStringList{"ActiveWindowsSound=.Default"}
                                             << QStringList{"wwDBComboBox1=-1"};
        QTest::newRow("minutes 0") << QStringList{"RepeatSayInfoTimer=0"} << QStringList{"SpinEdit3=1"};
        QTest::newRow("minutes above 60") << QStringList{"ChangeBackgroundTimer=600"} << QStringList{"SpinEdit4=60"};
        QTest::newRow("minutes not a number") << QStringList{"RefreshConnectionTimer=tio"}
                                              << QStringList{"SpinEdit5=1"};
        QTest::newRow("ShowMode 5") << QStringList{"ShowMode=5"} << QStringList{"RadioGroup3=1"};
    }

    void ovrigtPage()
    {
        QFETCH(QStringList, stored);
        QFETCH(QStringList, expected);
        SysRegFixture f;
        QVERIFY(f.connectToServer());
        Store(f, TESK, stored);
        f.dialog->SetTabs(SysRegPage::tsOvrigtShow);
        QCOMPARE(f.dialog->currentPage(), SysRegPage::tsOvrigtShow);
        CompareStates(f, expected);
        QCOMPARE(f.dialog->tsOvrigtShow->wwDBComboBox1->count(), 3);
        QVERIFY(f.played.isEmpty());
    }

    void wallPage_data()
    {
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QStringList>("expected");

        // Nothing stored: every feature off, the numbers at their defaults.
        QTest::newRow("nothing stored")
            << QStringList{}
            << QStringList{"cbShowWaitingTime=0", "cbEscalate=0", "SeEscalate=10", "enabled:seEscalateAfter=0",
                           "cbNightMode=0", "edNightFrom=", "edNightTo=", "seNightBrightness=40", "seNightVolume=50",
                           "enabled:edNightFrom=0"};
        QTest::newRow("everything stored")
            << QStringList{"ShowWaitingTime=-1", "EscalateAfterMinutes=15", "NightFrom=22:00", "NightTo=06:00",
                           "NightBrightness=25", "NightVolume=10"}
            << QStringList{"cbShowWaitingTime=1", "cbEscalate=1", "SeEscalate=15", "enabled:seEscalateAfter=1",
                           "cbNightMode=1", "edNightFrom=22:00", "edNightTo=06:00", "seNightBrightness=25",
                           "seNightVolume=10", "enabled:edNightFrom=1"};
        QTest::newRow("waiting time as True") << QStringList{"ShowWaitingTime=True"}
                                              << QStringList{"cbShowWaitingTime=1"};
        QTest::newRow("waiting time not a truth value") << QStringList{"ShowWaitingTime=ja"}
                                                        << QStringList{"cbShowWaitingTime=0"};
        QTest::newRow("escalation 0 is off") << QStringList{"EscalateAfterMinutes=0"}
                                             << QStringList{"cbEscalate=0", "SeEscalate=10"};
        QTest::newRow("escalation not a number") << QStringList{"EscalateAfterMinutes=tio"}
                                                 << QStringList{"cbEscalate=0"};
        QTest::newRow("escalation above the box") << QStringList{"EscalateAfterMinutes=999"}
                                                  << QStringList{"cbEscalate=1", "SeEscalate=240"};
        QTest::newRow("night as the dialog stores it") << QStringList{"NightFrom=22.00", "NightTo=6.05"}
                                                       << QStringList{"cbNightMode=1", "edNightFrom=22:00",
                                                                      "edNightTo=06:05"};
        QTest::newRow("night with one time only") << QStringList{"NightFrom=22:00"}
                                                  << QStringList{"cbNightMode=0", "edNightFrom=22:00"};
        QTest::newRow("night times broken") << QStringList{"NightFrom=22", "NightTo=06:00"}
                                            << QStringList{"cbNightMode=0", "edNightFrom=22"};
        QTest::newRow("brightness above 100") << QStringList{"NightBrightness=250"}
                                              << QStringList{"seNightBrightness=100"};
    }

    void wallPage()
    {
        QFETCH(QStringList, stored);
        QFETCH(QStringList, expected);
        SysRegFixture f;
        QVERIFY(f.connectToServer());
        Store(f, TESK, stored);
        f.dialog->SetTabs(SysRegPage::tsWallScreen);
        QCOMPARE(f.dialog->currentPage(), SysRegPage::tsWallScreen);
        QCOMPARE(f.dialog->PageControl1->tabText(f.dialog->PageControl1->currentIndex()),
                 QStringLiteral("Väggskärm"));
        for (QString e : expected)
            CompareStates(f, {e.replace(QStringLiteral("SeEscalate"), QStringLiteral("seEscalateAfter"))});
    }

    void wallPageOnlyWhileConnected()
    {
        SysRegFixture f;
        f.dialog->SetTabs(SysRegPage::tsWallScreen);
        QCOMPARE(f.dialog->currentPage(), SysRegPage::tsServersettings);
        QVERIFY(!f.dialog->isTabShown(SysRegPage::tsWallScreen));
        QVERIFY(f.connectToServer());
        f.dialog->SetTabs(SysRegPage::tsWallScreen);
        QVERIFY(f.dialog->isTabShown(SysRegPage::tsWallScreen));
        // After "Övrigt".
        QCOMPARE(f.dialog->PageControl1->indexOf(f.dialog->tsWallScreen),
                 f.dialog->PageControl1->indexOf(f.dialog->tsOvrigtShow) + 1);
    }

    void ovrigtPageAgainAfterEdits()
    {
        // Each load rewrites every control; nothing of the last one stays.
        SysRegFixture f;
        QVERIFY(f.connectToServer());
        Store(f, TESK, {QStringLiteral("SayBalloonInfo=0"), QStringLiteral("QuietMode=0"),
                        QStringLiteral("ActiveWindowsSound=bell")});
        f.dialog->SetTabs(SysRegPage::tsOvrigtShow);
        CompareStates(f, {QStringLiteral("wwDBComboBox1=0")});
        f.temp.setUser(TESK, QStringLiteral("ActiveWindowsSound"), QStringLiteral("gone"));
        f.options.soundLabels = {QStringLiteral("bell")};
        f.dialog->btnCancel->click();
        CompareStates(f, {QStringLiteral("wwDBComboBox1=-1")});
        QCOMPARE(f.dialog->tsOvrigtShow->wwDBComboBox1->count(), 1);
        QCOMPARE(f.dialog->tsOvrigtShow->wwDBComboBox1->currentText(), QString());
    }

    void soundModeEnablesTheList()
    {
        SysRegFixture f;
        OvrigtPage& p = *f.dialog->tsOvrigtShow;
        p.RadioGroup2->button(2)->click();
        QVERIFY(p.wwDBComboBox1->isEnabled());
        p.RadioGroup2->button(1)->click();
        QVERIFY(!p.wwDBComboBox1->isEnabled());
    }

    void pickingASoundPlaysIt()
    {
        SysRegFixture f;
        QVERIFY(f.connectToServer());
        f.dialog->SetTabs(SysRegPage::tsOvrigtShow);
        QComboBox* list = f.dialog->tsOvrigtShow->wwDBComboBox1;
        Q_EMIT list->activated(1);
        QCOMPARE(f.played, QStringList{QStringLiteral("complete")});
        // Chosen by the program (a load), nothing plays.
        list->setCurrentIndex(2);
        QCOMPARE(f.played.size(), 1);
    }

    void fontPicker_data()
    {
        QTest::addColumn<std::optional<QString>>("pick");
        QTest::addColumn<QString>("shown");
        QTest::newRow("picked") << std::optional<QString>(QStringLiteral("DejaVu Serif")) << "DejaVu Serif";
        QTest::newRow("cancelled") << std::optional<QString>() << "Courier";
    }

    void fontPicker()
    {
        QFETCH(std::optional<QString>, pick);
        SysRegFixture::Options o;
        o.fontPick = pick;
        SysRegFixture f(o);
        QVERIFY(f.connectToServer());
        f.temp.setUser(TESK, QStringLiteral("ShowFontName"), QStringLiteral("Courier"));
        f.dialog->SetTabs(SysRegPage::tsOvrigtShow);
        f.dialog->tsOvrigtShow->BitBtn14->click();
        QCOMPARE(f.fontAsked, QStringList{QStringLiteral("Courier")});
        QTEST(f.dialog->tsOvrigtShow->Label14->text(), "shown");
    }

    void styleListPickSetsThemeChanged()
    {
        SysRegFixture f;
        QComboBox* styles = f.dialog->tsServersettings->ComboBox1;
        styles->setCurrentIndex(0); // by the program: not a pick
        QVERIFY(!f.dialog->FThemeChanged());
        Q_EMIT styles->activated(0);
        QVERIFY(f.dialog->FThemeChanged());
        f.dialog->btnCancel->click();
        QVERIFY(f.dialog->FThemeChanged());
    }

    void aNestedLoadWins_data()
    {
        QTest::addColumn<QString>("key");     // in ServerSettings
        QTest::addColumn<QString>("control");
        QTest::addColumn<bool>("serverOnly"); // not stored here: asked of the server
        QTest::newRow("update server name") << "UpdateServerName" << "edUpdateServername" << false;
        QTest::newRow("server name") << "ServerName" << "edServername" << true;
    }

    void aNestedLoadWins()
    {
        // A settings read waits for the server; a version answer arriving
        // meanwhile reloads the page. The later load's values stand.
        QFETCH(QString, key);
        QFETCH(QString, control);
        QFETCH(bool, serverOnly);
        SysRegFixture f;
        QVERIFY(f.connectToServer());
        if (serverOnly)
            f.temp.setUser(QStringLiteral("ServerSettings"), key, QString());
        f.dialog->SetTabs(SysRegPage::tsServersettings);
        f.serverIni.insert(QStringLiteral("TESTMACHINE\\ServerSettings|") + key, QStringLiteral("later.host"));
        int asked = 0;
        const auto usual = f.answer;
        f.answer = [&](const QString& frame) -> QString {
            if (!frame.contains(QLatin1Char(':') + key + QLatin1Char(':')) || ++asked > 1)
                return usual(frame);
            // The first load's question: its answer comes only after a
            // second load has started and asked again.
            QTimer::singleShot(0, f.dialog.get(), [&] {
                QTimer::singleShot(20, &f.server, [&] {
                    f.server.send(ComposeFrame(QStringLiteral("RETINITEXT"), {QStringLiteral("earlier.host")}));
                });
                f.dialog->SetTabs(SysRegPage::tsServersettings);
            });
            return {};
        };
        f.dialog->btnCancel->click();
        QCOMPARE(asked, 2);
        QCOMPARE(f.state(control), QStringLiteral("later.host"));
    }

    void aNestedLoadDuringTheClientNameAsksOnce()
    {
        // The name the resource requests carry is read afresh and waits for
        // the server; a second load starts during that wait and asks for the
        // resources itself.
        SysRegFixture f;
        QVERIFY(f.connectToServer());
        f.serverIni.insert(QStringLiteral("TESTMACHINE\\TESK|ClientNameUseDefault"), QStringLiteral("1"));
        f.dialog->SetTabs(SysRegPage::tsServersettings);
        int asked = 0;
        const auto usual = f.answer;
        f.answer = [&](const QString& frame) -> QString {
            if (!frame.contains(QStringLiteral(":ClientNameUseDefault:")) || ++asked != 2)
                return usual(frame);
            // The first is the page's own read; the second the name's.
            QTimer::singleShot(0, f.dialog.get(), [&] {
                QTimer::singleShot(20, &f.server, [&] {
                    f.server.send(ComposeFrame(QStringLiteral("RETINITEXT"), {QStringLiteral("1")}));
                });
                f.dialog->SetTabs(SysRegPage::tsClientSettings);
            });
            return {};
        };
        f.server.clearReceived();
        f.dialog->SetTabs(SysRegPage::tsClientSettings);
        QVERIFY(asked >= 3);
        // Whatever was sent is in before a frame sent after it.
        f.connection->SendFrame(QStringLiteral("TESTEND"), {});
        QVERIFY(f.server.waitForReceived(QStringLiteral("\u00A4TESTEND:")));
        const QStringList frames = f.server.frames();
        QCOMPARE(frames.filter(QStringLiteral("\u00A4GETALLCALLABLES:")).size(), 1);
        QCOMPARE(frames.filter(QStringLiteral("\u00A4GETSTATIONCALLABLES:")).size(), 1);
    }
};

QTEST_MAIN(TestSysRegLoad)
#include "test_sysreg_load.moc"
