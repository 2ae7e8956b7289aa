// Saves a picture of each page of the settings dialog, filled with a typical
// clinic's settings, for the README. Run by tools/sysreg-screenshots.sh on a
// virtual display: sysreg_screenshots <folder>
#include "common/ClientIdentity.h"
#include "sysreg/TfrmSystreg.h"
#include "speech/SpeechEngine.h"

#include "FakeSpeechBackend.h"
#include "RecordingMessages.h"
#include "TempSettings.h"

#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QTest>

#include <cstdio>

using namespace tesk;

namespace {

// Shown as connected to a call server of a current version, so that every
// page is there; nothing is sent anywhere.
class ShownConnected : public SysRegConnection {
public:
    bool isConnected() const override { return true; }
    QString ServerVersion() const override { return QStringLiteral("1.10.5"); }
    void clearServerVersion() override {}
    void setHasConnected(bool) override {}
    void setUpdateCheckPending(bool) override {}
    void CloseConnection() override {}
    void ServerReconnectProc(bool) override {}
    void SendFrame(const QString&, const QStringList&) override {}
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: sysreg_screenshots <folder>\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));

    test::TempSettings temp;
    const QString T = QStringLiteral("TESK");
    temp.setUser(QStringLiteral("ServerSettings"), QStringLiteral("ServerName"), QStringLiteral("callsrv01.klinik.local"));
    temp.setUser(QStringLiteral("ServerSettings"), QStringLiteral("ServerPort"), QStringLiteral("4000"));
    temp.setUser(QStringLiteral("Text2Speech"), QStringLiteral("UseSAPI5"), QStringLiteral("1"));
    temp.setUser(QStringLiteral("Text2Speech"), QStringLiteral("SpeedSAPI5.1"), QStringLiteral("-2"));
    temp.setUser(T, QStringLiteral("Visibility"), QStringLiteral("0"));
    temp.setUser(T, QStringLiteral("ShowBalloonInfo"), QStringLiteral("-1"));
    temp.setUser(T, QStringLiteral("SayBalloonInfo"), QStringLiteral("0"));
    temp.setUser(T, QStringLiteral("QuietMode"), QStringLiteral("0"));
    temp.setUser(T, QStringLiteral("ActiveWindowsSound"), QStringLiteral("bell"));
    temp.setUser(T, QStringLiteral("CallPrefix"), QStringLiteral("Kallad "));
    temp.setUser(T, QStringLiteral("ConfirmPrefix"), QStringLiteral("Bekr. "));
    temp.setUser(T, QStringLiteral("PreventScreenSaver"), QStringLiteral("-1"));
    // A waiting room's wall screen: waiting times, a frame after ten
    // minutes, a quieter and darker night.
    temp.setUser(T, QStringLiteral("ShowWaitingTime"), QStringLiteral("-1"));
    temp.setUser(T, QStringLiteral("EscalateAfterMinutes"), QStringLiteral("10"));
    temp.setUser(T, QStringLiteral("NightFrom"), QStringLiteral("22.00"));
    temp.setUser(T, QStringLiteral("NightTo"), QStringLiteral("06.00"));
    temp.setUser(T, QStringLiteral("NightBrightness"), QStringLiteral("40"));
    temp.setUser(T, QStringLiteral("NightVolume"), QStringLiteral("50"));

    test::RecordingMessages messages;
    ClientIdentity identity(temp.settings(), {});
    identity.ClientType = TTESKClientType::ctShow;
    auto voices = std::make_shared<test::FakeSpeechBackend::Script>();
    voices->voices = {{QStringLiteral("Alva (svenska)"), QLocale(QLocale::Swedish, QLocale::Sweden)},
                      {QStringLiteral("Klara (svenska)"), QLocale(QLocale::Swedish, QLocale::Sweden)}};
    SpeechService speech(temp.settings(), messages, test::FakeSpeechBackend::factory(voices));
    speech.setVoiceName(QStringLiteral("Alva (svenska)"));
    speech.CreateIfMissing();

    SystemRegisterServices s;
    s.settings = &temp.settings();
    s.identity = &identity;
    s.messages = &messages;
    s.connection = std::make_unique<ShownConnected>();
    s.update.UpdateServerVersion = [] { return QStringLiteral("1.4.0"); };
    s.speech = &speech;
    s.playSound = [](const QString&) {};
    TfrmSystreg dialog(std::move(s));

    const struct {
        SysRegPage page;
        const char* file;
    } pages[] = {{SysRegPage::tsServersettings, "sysreg-server.png"},
                 {SysRegPage::tsClientSettings, "sysreg-client.png"},
                 {SysRegPage::tsVoice, "sysreg-voice.png"},
                 {SysRegPage::tsOvrigtShow, "sysreg-ovrigt.png"},
                 {SysRegPage::tsWallScreen, "sysreg-wall.png"}};
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog))
        return 1;
    // A registered display with its resources from the server.
    identity.OwnClientData.Lopnr = 17;
    identity.OwnClientData.FriendlyName = QStringLiteral("Väntrum 2");
    identity.OwnClientData.Color = 0x00C0E0FF;
    dialog.setHintPanelVisible(false);
    for (const auto& p : pages) {
        dialog.SetTabs(p.page);
        if (p.page == SysRegPage::tsClientSettings) {
            dialog.ApplyAllResources(QStringLiteral(
                "\u00A4RETALLCALLABLES:Läkare Ström:12:0:0:0:0:T:Sköterska Berg:7:0:0:0:0:T:"
                "Kurator Nilsson:3:0:0:0:0:F:Undersköterska Lind:9:0:0:0:0:T:Sjukgymnast Ek:4:0:0:0:0:T:"));
            dialog.ApplyStationResources(QStringLiteral("\u00A4RETSTATIONCALLABLES:7:0:12:0:"));
        }
        QTest::qWait(200);
        const QString path = out.filePath(QString::fromLatin1(p.file));
        if (!dialog.grab().save(path)) {
            std::fprintf(stderr, "could not write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%s\n", qPrintable(path));
    }
    return 0;
}
