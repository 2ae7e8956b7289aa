#pragma once

#include "common/BoardSettings.h"
#include "common/ServerAddress.h"
#include "display/connection/ReloadedSettings.h"
#include "protocol/ReceiveAssembly.h"
#include "protocol/Records.h"

#include <QAbstractSocket>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTcpSocket>
#include <QTimer>

#include <functional>

namespace tesk {

class ClientIdentity;
class MessageDispatcher;
class SettingsStore;
class SystemRegisterPort;
class UserMessages;

// The main connection to the call server: opening it from the stored server
// settings, the handshake, the server version check, the status lamp and
// text, the retry countdown after a loss (Timer3, 3 to 17 s drawn at
// random) and the optional periodic reconnection (ReconnectTimer).
//
// Status (for the main window's status bar): statusText()/statusTextChanged,
// lampColour()/lampChanged (255 red, 32768 green), windowRepaintRequested
// ("repaint the window and its two buttons").
//
// Every attempt starts from a clean socket: one still looking up or
// connecting is aborted silently first. A failed attempt is reported through
// the socket's error alone (no disconnect) and the retry runs from there.
// A loss of an established connection is handled once, however many of
// error and disconnect the socket reports.
//
// Wiring (the main window):
//   ServerConnection conn(settings, identity, messages, systemRegister);
//   MessageDispatcher dispatcher(model, settings, identity, messages, systemRegister, announcer);
//   ConnectDispatcher(conn, dispatcher);
//   conn.setUpdateCheck(...)   // once the update client exists
//   conn.Start();              // at the first activation
class ServerConnection : public QObject {
    Q_OBJECT
public:
    static constexpr TColor LampRed = 255;
    static constexpr TColor LampGreen = 32768;

    // Time and chance, injectable so that tests run the countdown in
    // milliseconds: tickMs is Timer3's interval (1000), minuteMs the length
    // of one minute of ReconnectTimer (60000), random(n) a number 0..n-1.
    struct Clock {
        int tickMs = 1000;
        int minuteMs = 60000;
        std::function<int(int bound)> random;
    };

    ServerConnection(SettingsStore& settings, ClientIdentity& identity, UserMessages& messages,
                     SystemRegisterPort& systemRegister, QObject* parent = nullptr);
    ServerConnection(SettingsStore& settings, ClientIdentity& identity, UserMessages& messages,
                     SystemRegisterPort& systemRegister, Clock clock, QObject* parent = nullptr);
    ~ServerConnection() override;

    // Each assembled message text goes here (the dispatcher).
    void setMessageHandler(std::function<void(const QString&)> handler) { m_messageHandler = std::move(handler); }
    // Runs at the first successful connection (and after the server settings
    // were saved); true means a newer build has been started and this
    // program is to end. Returns false until the update client exists.
    void setUpdateCheck(std::function<bool()> check) { m_checkForUpdate = std::move(check); }

    // Start parameters AUTOREGISTER ("1") and CALLLIST; read from the
    // command line at construction.
    bool registerauto() const { return m_registerauto; }
    QString paramcalllista() const { return m_paramcalllista; }

    // First activation of the main window: asks for the server settings when
    // there is no server name, else connects.
    void Start();
    void ConnectToServer(bool Reconnect);
    // Closes the connection if it is up (runs the disconnect handling).
    void CloseConnection();
    bool isConnected() const;
    // Resume after a suspension: close if up, then open again, as a first
    // connection, with the host and port already held.
    void ReopenAfterResume();

    // Sends one frame if the connection is up; nothing is queued or checked.
    void SendFrame(const QString& command, const QStringList& fields);
    // An already composed frame (a confirmation from the board); in
    // Windows-1252, only while connected, never queued.
    void SendText(const QString& text);

    // The version check, called by the dispatcher with RETSERVERVERSION's
    // version text. False when the version is refused.
    bool CheckServerVersion(const QString& versionText);
    // Refused only when below 1.10.1 both number by number and by the
    // dots-removed integer.
    static bool IsServerVersionAccepted(const QString& versionText);

    QString statusText() const { return m_statusText; }
    TColor lampColour() const { return m_lamp; }

    // True while the handshake's own code runs (it may be waiting for a
    // settings answer in an event loop); handshakeIdle() follows when it
    // has returned. Whatever may take seconds waits for that.
    bool isHandshaking() const { return m_handshakeDepth > 0; }

    bool HasConnected() const { return m_hasConnected; }
    void setHasConnected(bool value) { m_hasConnected = value; }
    bool UpdateCheckPending() const { return m_updateCheckPending; }
    void setUpdateCheckPending(bool value) { m_updateCheckPending = value; }
    QString ServerVersion() const { return m_serverVersion; }
    // Until the next RETSERVERVERSION: the version of a server no longer
    // chosen must not be shown or decide anything.
    void ClearServerVersion() { m_serverVersion.clear(); }

    const BoardSettings& boardSettings() const { return m_boardSettings; }
    const SpeechSettings& speechSettings() const { return m_speechSettings; }

    // For tests and the main window's shutdown.
    QTcpSocket& socket() { return ClientSocket1; }
    const QTimer& timer3() const { return Timer3; }
    const QTimer& reconnectTimer() const { return ReconnectTimer; }
    int timer3Tag() const { return m_timer3Tag; }
    void StopTimers();

Q_SIGNALS:
    void statusTextChanged(const QString& text);
    void lampChanged(bool green); // lampColour() tells the colour
    void windowRepaintRequested();
    // The update check started a newer build: set CloseNow and close.
    void closeProgramRequested();
    // Reloaded at every successful connection; the main window hands them to
    // the board and re-creates the speech engine (when UseSAPI5).
    void boardSettingsReloaded(const tesk::BoardSettings& settings);
    void speechSettingsReloaded(const tesk::SpeechSettings& settings);
    // Every successful connection (after ActiveClientSocket is set).
    void connectedToServer();
    // A step of the handshake has returned (see isHandshaking()).
    void handshakeIdle();
    // The connection was lost, or an attempt failed: what the board shows
    // is no longer kept up to date. Not for the close of a periodic
    // reconnection; its attempt reports a failure like any other.
    void connectionDown();
    // The server's version was refused; the text is the new status text.
    void versionRefused(const QString& statusText);
    // The connection is up and the calls flow again (a version accepted, or
    // a periodic reconnection through).
    void connectionUp();

private:
    void ClientSocket1Connect();
    void ClientSocket1Disconnect();
    void ClientSocket1Error(QAbstractSocket::SocketError error);
    void ClientSocket1Read();
    void Timer3Timer();
    void ReconnectTimerTimer();

    // Whether the connection of that attempt is still the one that is up.
    bool IsCurrentAttempt(quint64 attempt) const;
    // Green lamp, "Ansluten" and the periodic reconnection, unless the
    // attempt was lost or replaced meanwhile.
    void ShowConnected(quint64 attempt);
    struct ReconnectPlan {
        bool enabled = false;
        int intervalMs = 0;
    };
    ReconnectPlan ReadReconnectPlan();
    void RestartReconnectTimer(const ReconnectPlan& plan);

    void StartRetryCountdown();
    // Marks a handshake step for isHandshaking() while it is in scope.
    class HandshakeStep;
    void OpenSocket();
    void AbortPendingAttempt();
    void AskToEditServerSettings(int errorCode);
    void SetStatus(const QString& text);
    void SetLamp(TColor colour);
    QString ClientName() const;

    SettingsStore& m_settings;
    ClientIdentity& m_identity;
    UserMessages& m_messages;
    SystemRegisterPort& m_systemRegister;
    Clock m_clock;

    QTcpSocket ClientSocket1;
    QTimer Timer3;
    QTimer ReconnectTimer;
    ReceiveAssembler m_assembler;

    std::function<void(const QString&)> m_messageHandler;
    std::function<bool()> m_checkForUpdate;

    bool m_registerauto = false;
    QString m_paramcalllista;

    ServerAddress m_server;
    quint16 m_port = 0;
    int m_portSetting = 0; // as stored, for the error question
    bool m_reconnectTag = false;

    quint64 m_attempt = 0;         // increases with every opened attempt
    bool m_attemptConnected = false;
    bool m_attemptEnded = false;   // the loss or failure of this attempt is handled
    bool m_plannedClose = false;   // the periodic reconnection is closing it

    int m_timer3Tag = 0;
    int m_handshakeDepth = 0;
    bool m_hasConnected = false;
    bool m_updateCheckPending = true;
    QString m_serverVersion;
    QString m_statusText;
    TColor m_lamp = LampRed;
    BoardSettings m_boardSettings;
    SpeechSettings m_speechSettings;
};

// Routes the connection's messages to the dispatcher and the dispatcher's
// version answers to the connection's version check.
void ConnectDispatcher(ServerConnection& connection, MessageDispatcher& dispatcher);

} // namespace tesk
