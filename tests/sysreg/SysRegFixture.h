#pragma once

#include "common/ClientIdentity.h"
#include "display/connection/AnnouncerPort.h"
#include "display/connection/CallListModel.h"
#include "display/connection/MessageDispatcher.h"
#include "display/connection/ServerConnection.h"
#include "sysreg/TfrmSystreg.h"

#include "speech/SpeechEngine.h"

#include "FakeServer.h"
#include "FakeSpeechBackend.h"
#include "RecordingMessages.h"
#include "TempSettings.h"

#include <QHash>
#include <QStringList>

#include <memory>
#include <optional>

namespace tesk::test {

// The settings dialog as the program builds it: temporary settings, a real
// connection and dispatcher talking to a fake call server on 127.0.0.1,
// recorded messages, and recorders for the sound, the font picker and the
// modal run. The server answers the version handshake and every settings
// read from `serverIni` ("path|key" -> value, empty when missing).
struct SysRegFixture {
    struct Options {
        QStringList soundLabels{QStringLiteral("bell"), QStringLiteral("complete"), QStringLiteral("message")};
        QString serverVersion = QStringLiteral("1.10.5");
        std::optional<QString> fontPick;    // what the font picker returns
        int pauseMs = 0;                    // the server save's pause
        // A speech service on a fake synthesiser with this script; none
        // without one.
        std::shared_ptr<FakeSpeechBackend::Script> speech;
    };

    SysRegFixture();
    explicit SysRegFixture(Options options);
    ~SysRegFixture();

    // Reads a control's state as text, for tables: a radio group's index, a
    // check box "1"/"0", a spin box's value, a label's or field's text, a
    // list's current index; "enabled:<name>" its enabled state "1"/"0".
    QString state(const QString& control) const;

    // Points the stored server settings at the fake server, connects and
    // waits for the version handshake.
    bool connectToServer();
    bool handshakeDone() const;

    // The keys and values of the SETINITEXT frames for this machine's
    // copies of `section`, in the order they arrived.
    QStringList storedOnServer(const QString& section) const;
    QString local(const QString& section, const QString& key);

    Options options;
    FakeServer server;
    TempSettings temp;
    RecordingMessages messages;
    ClientIdentity identity;
    CallListModel model;
    NoAnnouncer announcer;
    QHash<QString, QString> serverIni;
    // The server's usual answers; a test may wrap it in a responder of its own.
    FakeServer::Responder answer;
    QStringList played;
    QStringList fontAsked;
    int modalRuns = 0;
    QString updateServerVersion = QStringLiteral("2.3.4");
    int updateClears = 0;

    std::unique_ptr<SpeechService> speech;
    std::unique_ptr<TfrmSystreg> dialog;
    std::unique_ptr<ServerConnection> connection;
    std::unique_ptr<MessageDispatcher> dispatcher;
};

} // namespace tesk::test
