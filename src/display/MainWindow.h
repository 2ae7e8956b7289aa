#pragma once

#include "common/BoardSettings.h"
#include "common/InstallationPaths.h"
#include "common/UpdateClient.h"
#include "display/connection/CallListModel.h"
#include "display/connection/ServerConnection.h"
#include "protocol/Records.h"
#include "speech/SpeechBackend.h"

#include <QDateTime>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QSystemTrayIcon;

namespace tesk {

class Announcer;
class AnnouncerPort;
class CallBoardWidget;
class ClientIdentity;
class MessageDispatcher;
class PowerEvents;
class ScreenSaverInhibitor;
class SettingsStore;
class SoundEvents;
class NightMode;
class SpeechService;
class StaleDataWatch;
class StatusLamp;
class SuspendResume;
class SystemRegisterPort;
class UserMessages;

class TfrmTeskShowMain;

// What the main window is built from. main.cpp fills it with the real
// services; tests give temporary settings, recorded messages and fakes.
struct MainWindowServices {
    SettingsStore* settings = nullptr;
    ClientIdentity* identity = nullptr;
    UserMessages* messages = nullptr;
    // The product version shown in the caption and the tray menu.
    QString productVersion;
    // Determines the installation paths; may throw std::exception.
    std::function<InstallationPaths()> initInstallationPaths = InitInstallationPaths;
    // True while a modal dialog is open (the show mode waits for it to close).
    std::function<bool()> modalDialogOpen;
    // The system register dialog (a stand-in that does nothing when not
    // given) and the announcer (the real one when not given).
    std::function<std::unique_ptr<SystemRegisterPort>(TfrmTeskShowMain&)> createSystemRegister;
    std::function<std::unique_ptr<AnnouncerPort>(TfrmTeskShowMain&)> createAnnouncer;
    // The synthesiser behind the speech engine; the platform's text to
    // speech when not given.
    SpeechBackendFactory speechBackend;
    // Plays an event sound by alias; the desktop's sound theme when not given.
    std::function<void(const QString& alias)> playSound;
    // The announcer's local date-time; the system clock when not given.
    std::function<TDateTime()> announcerClock;
    // The wall clock of the board (the stale-data banner's time, waiting
    // times, night mode); the system clock when not given.
    std::function<QDateTime()> wallClock;
    // Whether the desktop shows tray icons; the platform's answer by default.
    std::function<bool()> trayAvailable;
    // Time and chance of the connection's retry and reconnection timers.
    ServerConnection::Clock connectionClock;
    // The update client (given the window, whose installation paths it
    // reads); without one no update check runs.
    std::function<std::unique_ptr<UpdateClient>(TfrmTeskShowMain&)> createUpdateClient;
    // Sleep and wake-up reports; none when not given.
    std::function<std::unique_ptr<PowerEvents>()> createPowerEvents;
    int resumePauseMs = 10000;
};

// The one main window of the display client: a tool bar with the settings
// button, the call board, and a status bar with the connection lamp, the
// status text and the close button; plus the tray icon with its menu.
//
// Closing the window only hides it (the program keeps running in the tray)
// until CloseNow is set by "Avsluta", the end of the session or a started
// update. The real end stops the timers, closes the connection, stores the
// window's position and emits programEnded().
class TfrmTeskShowMain : public QWidget {
    Q_OBJECT
public:
    static constexpr int DesignWidth = 715;
    static constexpr int DesignHeight = 437;
    static inline const QString PosSection = QStringLiteral("TESK_WShowWindowsPos");
    static inline const QString BalloonTitle = QStringLiteral("Från signaleringssystemet");

    explicit TfrmTeskShowMain(MainWindowServices services, QWidget* parent = nullptr);
    ~TfrmTeskShowMain() override;

    // State of the window (names as the rest of the program knows them).
    bool CloseNow = false;
    // The start parameters AUTOREGISTER and CALLLIST, as the connection that
    // registers with them read them.
    bool registerauto() const;
    QString paramcalllista() const;
    BoardSettings board;
    InstallationPaths paths;

    CallListModel& model() { return m_model; }
    MessageDispatcher& dispatcher() { return *m_dispatcher; }
    SystemRegisterPort& systemRegister() { return *m_systemRegister; }
    ServerConnection& connection() { return *m_connection; }
    // Null when the window was made without one.
    UpdateClient* updateClient() { return m_update.get(); }
    // The speech engine's owner, for the settings dialog's voice page.
    SpeechService& speech() { return *m_speech; }
    // Whether it is night on the wall clock (tests tick it on a fake one).
    NightMode& nightMode() { return *m_nightMode; }

    QTimer MinimizeTimer;
    QTimer SayTimer;
    // BackGroundTimer lives in the board (PaintBox1), which rotates its pictures.

    // Controls, reachable for tests and for the parts that drive them.
    QWidget* topBar() const { return m_topBar; }
    QWidget* rightBar() const { return m_rightBar; }
    QWidget* statusBar() const { return m_statusBar; }
    QWidget* boardArea() const { return m_boardArea; }
    QPushButton* BitBtn1 = nullptr;
    QPushButton* Button7 = nullptr;
    QLabel* Label1 = nullptr;
    StatusLamp* shServerConnected = nullptr;
    QSystemTrayIcon* TrayIcon1 = nullptr;
    QMenu* PopupMenu2 = nullptr;
    CallBoardWidget* PaintBox1 = nullptr;

    bool hasActivated() const { return m_activated; }
    bool isScreenSaverPrevented() const;

public Q_SLOTS:
    void BitBtn1Click();    // "Inställningar...", F10, tray menu
    void Button7Click();    // "&Stäng": hide unless CloseNow
    void Avsluta1Click();   // tray menu "Avsluta": the real end
    void MinimizeTimerTimer();
    // The desktop session is about to end (a query that may be cancelled):
    // a close request now ends the program instead of hiding it.
    void QueryEndSession();
    // The desktop session really ends: end for real.
    void EndSession();
    // A later start of the program asked us to come forward.
    void ActivateFromOtherInstance();
    // Double-click on the tray icon: the announcer brings the window forward.
    void TrayIcon1DblClick();
    // Shows, restores and brings the window to the front.
    void RestoreFromTray();
    // A balloon at the tray icon, or at the window when there is no tray.
    void ShowTrayBalloon(const QString& text);
    // Re-reads TESK/PreventScreenSaver.
    void ApplyScreenSaverSetting();

Q_SIGNALS:
    // The window has stored its position and stopped everything; the
    // program ends (exit code 1).
    void programEnded();

protected:
    void setVisible(bool visible) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The speech engine and the wall settings are (re)made once no
    // handshake step is running.
    void RequestSpeechEngine();
    void RunAfterHandshake();
    void buildLayout();
    void wireParts();
    void FormCreate();
    void FormShow();
    void FormActivate();
    void FormResize();
    void FormClose();
    std::unique_ptr<AnnouncerPort> CreateAnnouncer();
    void RebuildTrayMenu();
    void setStatus(const QString& text);
    void repaintBoard();
    // The wall-screen settings to the board and the night mode.
    void applyWallSettings();

    MainWindowServices m_services;
    SettingsStore& m_settings;
    ClientIdentity& m_identity;
    UserMessages& m_messages;

    CallListModel m_model;
    std::unique_ptr<SystemRegisterPort> m_systemRegister;
    std::unique_ptr<SoundEvents> m_sound;
    std::unique_ptr<SpeechService> m_speech;
    std::unique_ptr<AnnouncerPort> m_announcer;
    Announcer* m_ownAnnouncer = nullptr; // m_announcer when it is the real one
    std::unique_ptr<MessageDispatcher> m_dispatcher;
    std::unique_ptr<ServerConnection> m_connection;
    std::unique_ptr<StaleDataWatch> m_staleWatch;
    std::unique_ptr<NightMode> m_nightMode;
    std::unique_ptr<UpdateClient> m_update;
    std::unique_ptr<SuspendResume> m_suspendResume;
    std::unique_ptr<PowerEvents> m_power;
    std::unique_ptr<ScreenSaverInhibitor> m_screenSaver;

    QWidget* m_topBar = nullptr;
    QWidget* m_rightBar = nullptr;
    QWidget* m_boardArea = nullptr;
    QWidget* m_statusBar = nullptr;
    QAction* m_versionAction = nullptr;

    bool m_activated = false;
    bool m_speechWanted = false;
    bool m_wallSettingsWanted = false;
    bool m_ended = false;
};

} // namespace tesk
