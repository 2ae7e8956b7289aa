#include "SysRegFixture.h"

#include "protocol/Framing.h"
#include "sysreg/WallPage.h"
#include "sysreg/FormValues.h"
#include "sysreg/OvrigtPage.h"
#include "sysreg/RadioGroup.h"
#include "sysreg/ServerPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>

using namespace tesk;
using tesk::test::SysRegFixture;
using tesk::test::waitUntil;

Q_DECLARE_METATYPE(tesk::SysRegPage)

namespace {

const QString TESK = QStringLiteral("TESK");
const QString SS = QStringLiteral("ServerSettings");

int SetIniFrames(const SysRegFixture& f)
{
    return int(f.server.frames().filter(QStringLiteral("\u00A4SETINITEXT:")).size());
}

} // namespace

class TestSysRegSave : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void ovrigtSave_data()
    {
        QTest::addColumn<int>("soundMode");
        QTest::addColumn<int>("soundIndex");     // -1: none picked
        QTest::addColumn<bool>("emptyMinutes");  // SpinEdit3 emptied by the user
        QTest::addColumn<bool>("pickFont");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("play a sound, one picked")
            << 2 << 1 << false << false
            << QStringList{"RepeatSayInfo=-1",     "ShowBalloonInfo=0",     "RepeatSayInfoTimer=9",
                           "ChangeBackground=0",   "RefreshConnection=-1",  "ChangeBackgroundTimer=4",
                           "RefreshConnectionTimer=60", "PreventScreenSaver=-1", "Painteffect=0",
                           "CallPrefix= Kallad ", "ConfirmPrefix=Klar!",  "Visibility=0",
                           "SayBalloonInfo=0",     "ShowFontName=Tahoma",   "QuietMode=0",
                           "ShowMode=1",           "PlayWindowsSound=-1",   "ActiveWindowsSound=complete",
                           "ActivateClientOnBalloon=-1"};
        QTest::newRow("play a sound, none picked")
            << 2 << -1 << false << false
            << QStringList{"RepeatSayInfo=-1",     "ShowBalloonInfo=0",     "RepeatSayInfoTimer=9",
                           "ChangeBackground=0",   "RefreshConnection=-1",  "ChangeBackgroundTimer=4",
                           "RefreshConnectionTimer=60", "PreventScreenSaver=-1", "Painteffect=0",
                           "CallPrefix= Kallad ", "ConfirmPrefix=Klar!",  "Visibility=0",
                           "SayBalloonInfo=0",     "ShowFontName=Tahoma",   "QuietMode=0",
                           "ShowMode=1",           "PlayWindowsSound=-1",   "ActivateClientOnBalloon=-1"};
        QTest::newRow("say, minutes emptied, font picked")
            << 1 << -1 << true << true
            << QStringList{"RepeatSayInfo=-1",     "ShowBalloonInfo=0",     "RepeatSayInfoTimer=1",
                           "ChangeBackground=0",   "RefreshConnection=-1",  "ChangeBackgroundTimer=4",
                           "RefreshConnectionTimer=60", "PreventScreenSaver=-1", "Painteffect=0",
                           "CallPrefix= Kallad ", "ConfirmPrefix=Klar!",  "Visibility=0",
                           "SayBalloonInfo=-1",    "ShowFontName=DejaVu Serif", "QuietMode=0",
                           "ShowMode=1",           "PlayWindowsSound=0",    "ActivateClientOnBalloon=-1"};
        QTest::newRow("quiet") << 0 << -1 << false << false
                               << QStringList{"SayBalloonInfo=0", "QuietMode=-1", "PlayWindowsSound=0"};
    }

    void wallSave_data()
    {
        QTest::addColumn<bool>("waiting");
        QTest::addColumn<int>("escalate"); // 0: box cleared
        QTest::addColumn<QString>("from"); // empty: night box cleared
        QTest::addColumn<QString>("to");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("all on")
            << true << 12 << "22:00" << "6:30"
            << QStringList{"ShowWaitingTime=-1", "EscalateAfterMinutes=12", "NightFrom=22.00", "NightTo=06.30",
                           "NightBrightness=35", "NightVolume=20"};
        QTest::newRow("all off")
            << false << 0 << "" << ""
            << QStringList{"ShowWaitingTime=0", "EscalateAfterMinutes=0", "NightFrom=", "NightTo=",
                           "NightBrightness=35", "NightVolume=20"};
    }

    void wallSave()
    {
        QFETCH(bool, waiting);
        QFETCH(int, escalate);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QStringList, expected);
        SysRegFixture f;
        QVERIFY(f.connectToServer());
        f.dialog->SetTabs(SysRegPage::tsWallScreen);
        WallPage& p = *f.dialog->tsWallScreen;
        p.cbShowWaitingTime->setChecked(waiting);
        p.cbEscalate->setChecked(escalate > 0);
        p.seEscalateAfter->setValue(escalate > 0 ? escalate : 30);
        p.cbNightMode->setChecked(!from.isEmpty());
        p.edNightFrom->setText(from.isEmpty() ? QStringLiteral("23:00") : from);
        p.edNightTo->setText(to.isEmpty() ? QStringLiteral("05:00") : to);
        p.seNightBrightness->setValue(35);
        p.seNightVolume->setValue(20);

        f.server.clearReceived();
        f.dialog->btnSave->click();
        QVERIFY(f.dialog->FClickedSpara);
        // Both copies of each setting go out; this machine's in the page's order.
        QVERIFY(f.server.waitForFrames(2 * int(expected.size())));
        QCOMPARE(f.storedOnServer(TESK), expected);
        for (const QString& e : expected) {
            const qsizetype eq = e.indexOf(QLatin1Char('='));
            QCOMPARE(f.local(TESK, e.left(eq)), e.mid(eq + 1));
        }
        QVERIFY(f.messages.balloons.empty());
    }

    void wallSaveRefusesNightWithoutTimes()
    {
        SysRegFixture f;
        QVERIFY(f.connectToServer());
        f.dialog->SetTabs(SysRegPage::tsWallScreen);
        WallPage& p = *f.dialog->tsWallScreen;
        p.cbNightMode->setChecked(true);
        p.edNightFrom->setText(QStringLiteral("22"));
        p.edNightTo->setText(QStringLiteral("06:00"));
        f.server.clearReceived();
        f.dialog->btnSave->click();
        QCOMPARE(f.messages.balloons.size(), 1);
        QVERIFY(f.local(TESK, QStringLiteral("NightFrom")) != QStringLiteral("22"));
        QVERIFY(f.storedOnServer(TESK).isEmpty());
    }

    void ovrigtSave()
    {
        QFETCH(int, soundMode);
        QFETCH(int, soundIndex);
        QFETCH(bool, emptyMinutes);
        QFETCH(bool, pickFont);
        QFETCH(QStringList, expected);

        SysRegFixture::Options o;
        o.fontPick = QStringLiteral("DejaVu Serif");
        SysRegFixture f(o);
        QVERIFY(f.connectToServer());
        f.temp.setUser(TESK, QStringLiteral("ActiveWindowsSound"), QStringLiteral("kept"));
        f.dialog->SetTabs(SysRegPage::tsOvrigtShow);

        OvrigtPage& p = *f.dialog->tsOvrigtShow;
        p.cbRepeatSay->setChecked(true);
        p.cbBallooninfo->setChecked(false);
        p.SpinEdit3->setValue(9);
        p.cbChangeBackground->setChecked(false);
        p.cbRefreshconnection->setChecked(true);
        p.SpinEdit4->setValue(4);
        p.SpinEdit5->setValue(60);
        p.cbPreventScreenSaver->setChecked(true);
        p.RadioGroup1->setItemIndex(0);
        p.cbPainteffect->setChecked(false);
        p.Edit6->setText(QStringLiteral(" Kallad "));
        p.Edit10->setText(QStringLiteral("Klar!"));
        p.RadioGroup2->button(soundMode)->click();
        p.RadioGroup3->setItemIndex(1);
        p.cbAktivarteKlient->setChecked(true);
        if (soundIndex >= 0)
            Q_EMIT p.wwDBComboBox1->activated(soundIndex), p.wwDBComboBox1->setCurrentIndex(soundIndex);
        if (emptyMinutes)
            p.SpinEdit3->findChild<QLineEdit*>()->clear();
        if (pickFont)
            p.BitBtn14->click();

        f.server.clearReceived();
        f.dialog->btnSave->click();
        QVERIFY(f.dialog->FClickedSpara);
        // Both copies of each setting go out; this machine's in the page's order.
        const int keys = expected.size() >= 18 ? int(expected.size()) : 18;
        QVERIFY(f.server.waitForFrames(2 * keys));
        const QStringList sent = f.storedOnServer(TESK);
        if (expected.size() >= 18) {
            QCOMPARE(sent, expected);
        } else {
            for (const QString& e : expected)
                QVERIFY2(sent.contains(e), qPrintable(e));
        }
        for (const QString& e : expected) {
            const qsizetype eq = e.indexOf(QLatin1Char('='));
            QCOMPARE(f.local(TESK, e.left(eq)), e.mid(eq + 1));
        }
        if (soundIndex < 0)
            QCOMPARE(f.local(TESK, QStringLiteral("ActiveWindowsSound")), QStringLiteral("kept"));
        // Nothing more happens on this save: no reconnection until closed.
        QCOMPARE(f.server.connectionCount(), 1);
    }

    void serverSave_data()
    {
        QTest::addColumn<bool>("pickStyle");
        QTest::newRow("no style picked") << false;
        QTest::newRow("style picked") << true;
    }

    void serverSave()
    {
        QFETCH(bool, pickStyle);
        SysRegFixture::Options o;
        o.pauseMs = 30;
        SysRegFixture f(o);
        int updateChecks = 0;
        f.connection->setUpdateCheck([&] {
            ++updateChecks;
            return false;
        });
        QVERIFY(f.connectToServer());
        QCOMPARE(updateChecks, 1);
        f.dialog->show(); // the version answer reloads a visible dialog only
        f.dialog->SetTabs(SysRegPage::tsServersettings);
        QCOMPARE(f.state("edServerver"), QStringLiteral("1.10.5"));

        // The new server: another fake on another port.
        tesk::test::FakeServer next;
        QVERIFY(next.listen());
        next.setResponder(f.answer);
        ServerPage& p = *f.dialog->tsServersettings;
        p.edServername->setText(QStringLiteral("127.0.0.1"));
        p.edServerport->setValue(next.port());
        const int styleIndex = p.ComboBox1->count() - 1;
        if (pickStyle) {
            p.ComboBox1->setCurrentIndex(styleIndex);
            Q_EMIT p.ComboBox1->activated(styleIndex);
        }
        f.server.clearReceived();
        QSignalSpy finished(f.dialog.get(), &TfrmSystreg::serverSaveFinished);

        f.dialog->btnSave->click();
        // Stored at once, so the old server gets its copies while connected;
        // the dialog takes no input until the connection is rebuilt.
        QVERIFY(!f.dialog->isEnabled());
        QVERIFY(f.dialog->isPausing());
        QVERIFY(f.connection->isConnected());
        const QString port = QString::number(next.port());
        QStringList want{QStringLiteral("ServerName=127.0.0.1"), QStringLiteral("ServerPort=") + port};
        QVERIFY(f.server.waitForFrames(4));
        QCOMPARE(f.storedOnServer(SS), want);
        QCOMPARE(f.local(SS, QStringLiteral("ServerPort")), port);
        QCOMPARE(f.local(QStringLiteral("KlientSettings"), QStringLiteral("Style")),
                 pickStyle ? p.ComboBox1->itemText(styleIndex) : QString());
        QCOMPARE(f.messages.balloons.size(), size_t(pickStyle ? 1 : 0));
        if (pickStyle) {
            QCOMPARE(f.messages.balloons[0].text,
                     QStringLiteral("Du måste starta om programmet för att temat skall ändras."));
            QCOMPARE(f.messages.balloons[0].target.window.data(), f.dialog.get());
        }

        QVERIFY(finished.count() > 0 || finished.wait(2000));
        QVERIFY(f.dialog->isEnabled());
        // Closed, and only the server page until the new handshake.
        QCOMPARE(f.dialog->currentPage(), SysRegPage::tsServersettings);
        QVERIFY(!f.dialog->isTabShown(SysRegPage::tsClientSettings));
        QVERIFY(!f.dialog->isTabShown(SysRegPage::tsVoice));
        QVERIFY(!f.dialog->isTabShown(SysRegPage::tsOvrigtShow));
        QCOMPARE(f.state("edServerver"), QString());
        QCOMPARE(f.state("edUpdateServerver"), QString());
        QCOMPARE(f.updateClears, 1);
        QVERIFY(waitUntil([&] { return f.server.client() == nullptr || f.server.client()->state() != QAbstractSocket::ConnectedState; }));

        // The new connection runs the update check first, then the handshake
        // brings the tabs back.
        QVERIFY(next.waitForClient());
        QVERIFY(waitUntil([&] { return f.handshakeDone(); }));
        QCOMPARE(updateChecks, 2);
        QVERIFY(f.dialog->isTabShown(SysRegPage::tsOvrigtShow));
        QCOMPARE(f.state("edServerver"), QStringLiteral("1.10.5"));
        QCOMPARE(f.dialog->tsServersettings->FThemeChanged, pickStyle);
        f.dialog->hide();
    }

    void serverVersionClearedUntilTheNewAnswer()
    {
        SysRegFixture f;
        QVERIFY(f.connectToServer());
        f.dialog->SetTabs(SysRegPage::tsServersettings);
        QCOMPARE(f.state("edServerver"), QStringLiteral("1.10.5"));

        // The new server connects at once but keeps its version back.
        tesk::test::FakeServer next;
        QVERIFY(next.listen());
        next.setResponder([&](const QString& frame) -> QString {
            if (frame.startsWith(QStringLiteral("\u00A4GETSERVERVERSION:")))
                return {};
            return f.answer(frame);
        });
        ServerPage& p = *f.dialog->tsServersettings;
        p.edServerport->setValue(next.port());
        QSignalSpy finished(f.dialog.get(), &TfrmSystreg::serverSaveFinished);
        f.dialog->btnSave->click();
        QVERIFY(finished.count() > 0 || finished.wait(2000));
        QVERIFY(next.waitForReceived(QStringLiteral("\u00A4GETSERVERVERSION:")));
        QVERIFY(f.connection->isConnected());

        f.dialog->btnCancel->click();
        QCOMPARE(f.state("edServerver"), QString());

        next.send(ComposeFrame(QStringLiteral("RETSERVERVERSION"), {QStringLiteral("1.10.6")}));
        QVERIFY(waitUntil([&] { return f.handshakeDone(); }));
        f.dialog->btnCancel->click();
        QCOMPARE(f.state("edServerver"), QStringLiteral("1.10.6"));
    }

    void closingInThePauseWaits()
    {
        SysRegFixture::Options o;
        o.pauseMs = 50;
        SysRegFixture f(o);
        QVERIFY(f.connectToServer());
        f.dialog->show();
        f.dialog->SetTabs(SysRegPage::tsServersettings);
        QSignalSpy finished(f.dialog.get(), &TfrmSystreg::serverSaveFinished);
        f.dialog->btnSave->click();
        f.dialog->close();
        QVERIFY(f.dialog->isVisible());
        QVERIFY(finished.wait(2000));
        f.dialog->close();
        QVERIFY(!f.dialog->isVisible());
    }

    void frameSignRefused_data()
    {
        QTest::addColumn<SysRegPage>("page");
        QTest::newRow("server name") << SysRegPage::tsServersettings;
        QTest::newRow("call prefix") << SysRegPage::tsOvrigtShow;
    }

    // "¤" would end the settings frame early and corrupt the server's copy:
    // the save refuses it, stores nothing and says why.
    void frameSignRefused()
    {
        QFETCH(SysRegPage, page);
        SysRegFixture f;
        QVERIFY(f.connectToServer());
        f.dialog->SetTabs(page);
        f.dialog->tsServersettings->edServername->setText(QStringLiteral("host\u00A4x"));
        f.dialog->tsOvrigtShow->Edit6->setText(QStringLiteral("Kallad \u00A4"));
        f.server.clearReceived();
        f.dialog->btnSave->click();
        QVERIFY(!f.dialog->isPausing());
        QVERIFY(f.dialog->isEnabled());
        QCOMPARE(f.messages.balloons.size(), size_t(1));
        QCOMPARE(f.messages.balloons[0].text, FrameSignRefused);
        QTest::qWait(20);
        QCOMPARE(SetIniFrames(f), 0);
        QCOMPARE(f.local(SS, QStringLiteral("ServerName")), QStringLiteral("127.0.0.1"));
        QCOMPARE(f.local(TESK, QStringLiteral("RepeatSayInfo")), QString());
        QVERIFY(f.connection->isConnected());
    }

    void cancelRestores_data()
    {
        QTest::addColumn<SysRegPage>("page");
        QTest::newRow("server page") << SysRegPage::tsServersettings;
        QTest::newRow("Övrigt") << SysRegPage::tsOvrigtShow;
    }

    void cancelRestores()
    {
        QFETCH(SysRegPage, page);
        SysRegFixture f;
        QVERIFY(f.connectToServer());
        f.temp.setUser(TESK, QStringLiteral("CallPrefix"), QStringLiteral("Kallad: "));
        f.dialog->SetTabs(page);
        f.dialog->tsServersettings->edServername->setText(QStringLiteral("edited"));
        f.dialog->tsOvrigtShow->Edit6->setText(QStringLiteral("edited"));
        f.dialog->tsOvrigtShow->SpinEdit3->setValue(42);
        f.server.clearReceived();

        f.dialog->btnCancel->click();
        if (page == SysRegPage::tsServersettings)
            QCOMPARE(f.state("edServername"), QStringLiteral("127.0.0.1"));
        else
            QCOMPARE(f.state("Edit6"), QStringLiteral("Kallad: "));
        QTest::qWait(20);
        QCOMPARE(SetIniFrames(f), 0);
        QCOMPARE(f.local(SS, QStringLiteral("ServerName")), QStringLiteral("127.0.0.1"));
        QCOMPARE(f.server.connectionCount(), 1);
    }

    void escapeIsAngra()
    {
        SysRegFixture f;
        f.temp.setUser(SS, QStringLiteral("ServerName"), QStringLiteral("stored"));
        f.dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.dialog.get()));
        f.dialog->SetTabs(SysRegPage::tsServersettings);
        f.dialog->tsServersettings->edServername->setText(QStringLiteral("edited"));
        QTest::keyClick(f.dialog.get(), Qt::Key_Escape);
        QVERIFY(f.dialog->isVisible());
        QCOMPARE(f.state("edServername"), QStringLiteral("stored"));
        f.dialog->hide();
    }

    void closingAfterSpara_data()
    {
        QTest::addColumn<SysRegPage>("page");
        QTest::addColumn<bool>("save");
        QTest::addColumn<int>("connections"); // after the first close, after the second
        QTest::newRow("nothing saved") << SysRegPage::tsVoice << false << 1;
        QTest::newRow("voice page saved") << SysRegPage::tsVoice << true << 3;
        QTest::newRow("Övrigt saved") << SysRegPage::tsOvrigtShow << true << 3;
    }

    void closingAfterSpara()
    {
        QFETCH(SysRegPage, page);
        QFETCH(bool, save);
        QFETCH(int, connections);
        SysRegFixture f;
        QVERIFY(f.connectToServer());

        f.dialog->show();
        f.dialog->SetTabs(page);
        if (save)
            f.dialog->btnSave->click();
        f.dialog->btnReturn->click();
        QVERIFY(!f.dialog->isVisible());
        if (save) {
            QVERIFY(waitUntil([&] { return f.server.connectionCount() == 2 && f.handshakeDone(); }));
        }

        // Opened again, nothing done, closed: the first "Spara" still counts.
        f.dialog->show();
        f.dialog->SetTabs(SysRegPage::tsServersettings);
        f.dialog->close();
        QVERIFY(!f.dialog->isVisible());
        if (save)
            QVERIFY(waitUntil([&] { return f.server.connectionCount() == 3 && f.handshakeDone(); }));
        else
            QTest::qWait(50);
        QCOMPARE(f.server.connectionCount(), connections);
    }
};

QTEST_MAIN(TestSysRegSave)
#include "test_sysreg_save.moc"
