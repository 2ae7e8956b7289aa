#pragma once

// The main window as the room sees and hears it: a call server that answers
// the handshake with one call, a fake synthesiser, recorded sounds and
// messages, fast retry timers and a wall clock the test moves.

#include "display/MainWindow.h"

#include "common/ClientIdentity.h"
#include "protocol/Framing.h"

#include "FakeServer.h"
#include "FakeSpeechBackend.h"
#include "RecordingMessages.h"
#include "TempSettings.h"
#include "TestWindowServices.h"

#include <QDateTime>

#include <functional>
#include <memory>

namespace tesk::test {

inline const QString OneCall = QStringLiteral(
    "\u00A4CURRENTLIST:Dr. \u00C5sa:5:255:1:\u00A4%Rum 1~7~2024-03-01 10:00:00~65280~0~~~%\u00A4:"
    ":CURRENTLIST\u00A4");

struct SpeakingWindow {
    explicit SpeakingWindow(std::function<void(TempSettings&)> prepare = {})
    {
        server.listen();
        server.setResponder([this](const QString& frame) -> QString {
            if (frame.startsWith(QStringLiteral("\u00A4GETSERVERVERSION:")) && !serverVersion.isEmpty())
                return ComposeFrame(QStringLiteral("RETSERVERVERSION"), {serverVersion});
            if (frame.startsWith(QStringLiteral("\u00A4GETCALLLIST:")))
                return OneCall;
            if (frame.startsWith(QStringLiteral("\u00A4GETINITEXT:")))
                return ComposeFrame(QStringLiteral("RETINITEXT"), {QString()});
            return {};
        });
        temp.setUser(QStringLiteral("ServerSettings"), QStringLiteral("ServerName"), QStringLiteral("127.0.0.1"));
        temp.setUser(QStringLiteral("ServerSettings"), QStringLiteral("ServerPort"), QString::number(server.port()));
        script->voices = {{QStringLiteral("Alva"), QLocale(QLocale::Swedish, QLocale::Sweden)},
                          {QStringLiteral("Amy"), QLocale(QLocale::English, QLocale::UnitedKingdom)}};
        if (prepare)
            prepare(temp);
        identity = std::make_unique<ClientIdentity>(temp.settings(), QStringList{});
        MainWindowServices s = BaseWindowServices(temp, *identity, messages);
        s.modalDialogOpen = [] { return false; };
        s.trayAvailable = [] { return false; };
        s.speechBackend = FakeSpeechBackend::factory(script);
        s.playSound = [this](const QString& alias) { sounds << alias; };
        s.wallClock = [this] { return now; };
        // The retry after a lost connection counts milliseconds, not seconds.
        s.connectionClock.tickMs = 5;
        s.connectionClock.minuteMs = 300;
        s.connectionClock.random = [](int) { return 0; };
        window = std::make_unique<TfrmTeskShowMain>(std::move(s));
    }

    FakeServer server;
    // What the server answers GETSERVERVERSION with; empty: no answer.
    QString serverVersion = QStringLiteral("1.10.4");
    TempSettings temp;
    RecordingMessages messages;
    std::shared_ptr<FakeSpeechBackend::Script> script = std::make_shared<FakeSpeechBackend::Script>();
    QStringList sounds;
    QDateTime now{QDate(2026, 12, 10), QTime(12, 0)};
    std::unique_ptr<ClientIdentity> identity;
    std::unique_ptr<TfrmTeskShowMain> window;
};

} // namespace tesk::test
