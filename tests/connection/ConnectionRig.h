#pragma once

// The rig every connection test stands on: a fake call server, settings on
// temporary folders, the connection and the dispatcher with recording ports,
// a clock of 10 ms "seconds" and a scripted random source.

#include "common/ClientIdentity.h"
#include "display/connection/CallListModel.h"
#include "display/connection/MessageDispatcher.h"
#include "display/connection/ServerConnection.h"
#include "protocol/Codepage.h"
#include "protocol/Framing.h"

#include "FakeServer.h"
#include "RecordingPorts.h"
#include "TempSettings.h"

#include <QTest>

#include <deque>
#include <memory>

namespace tesk::test {

inline const QString kCur = QStringLiteral("\u00A4");
inline const QString kTrying = QStringLiteral("Ej ansluten - f\u00F6rs\u00F6ker ansluta...");

inline QString Countdown(int seconds)
{
    return QStringLiteral("Ej ansluten - n\u00E4sta f\u00F6rs\u00F6k om %1 sekunder").arg(seconds);
}

// Everything one test needs: a fake call server, settings on temporary
// folders, the connection and the dispatcher with recording ports, and a
// clock of 10 ms seconds.
struct Rig {
    FakeServer server;
    TempSettings temp;
    std::unique_ptr<ClientIdentity> identity;
    CallListModel model;
    QStringList log;
    LoggingMessages messages{log};
    RecordingSystemRegister systemRegister{log};
    RecordingAnnouncer announcer{log, model};
    std::deque<int> randoms;
    int draws = 0;
    int updateChecks = 0;
    bool updateStarted = false;
    std::unique_ptr<ServerConnection> connection;
    std::unique_ptr<MessageDispatcher> dispatcher;
    QStringList statuses;
    QStringList events; // status texts and lamp colours, in order
    QString versionAnswer = QStringLiteral("1.10.1");

    explicit Rig(const QStringList& arguments = {}, int minuteMs = 600000)
    {
        server.listen();
        set("ServerSettings", "ServerName", "127.0.0.1");
        set("ServerSettings", "ServerPort", QString::number(server.port()));
        // Every setting the connection reads is present locally, so none of
        // them goes to the server and the bytes on the wire are the
        // handshake alone.
        set("Text2Speech", "UseSAPI5", "0");
        set("Text2Speech", "VoiceSAPI5.1", QStringLiteral("R\u00F6st"));
        set("Showing", "AlwaysShowAll", "1");
        set("TESK", "ShowMode", "1");
        set("TESK", "Visibility", "1");
        set("TESK", "Painteffect", "0");
        set("TESK", "ShowFontName", "Verdana");
        set("TESK", "CallPrefix", "Till");
        set("TESK", "ConfirmPrefix", "Klar");
        set("TESK", "RefreshConnection", "0");
        set("TESK", "RefreshConnectionTimer", "1");
        set("TESK", "ClientNameUseDefault", "0");
        set("TESK", "ClientName", QStringLiteral("V\u00E4ntrum \u00E5\u00E4\u00F6"));

        identity = std::make_unique<ClientIdentity>(temp.settings(), arguments);
        identity->ClientType = TTESKClientType::ctShow;

        ServerConnection::Clock clock;
        clock.tickMs = 10;
        clock.minuteMs = minuteMs;
        clock.random = [this](int bound) {
            ++draws;
            if (randoms.empty())
                return 0;
            const int r = randoms.front();
            randoms.pop_front();
            return std::min(r, bound - 1);
        };
        connection = std::make_unique<ServerConnection>(temp.settings(), *identity, messages, systemRegister, clock);
        dispatcher = std::make_unique<MessageDispatcher>(model, temp.settings(), *identity, messages, systemRegister,
                                                         announcer);
        ConnectDispatcher(*connection, *dispatcher);
        connection->setUpdateCheck([this] {
            ++updateChecks;
            return updateStarted;
        });
        QObject::connect(connection.get(), &ServerConnection::statusTextChanged,
                         [this](const QString& s) { statuses << s; events << s; });
        QObject::connect(connection.get(), &ServerConnection::lampChanged,
                         [this](bool green) { events << (green ? QStringLiteral("green") : QStringLiteral("red")); });

        server.setResponder([this](const QString& frame) -> QString {
            if (frame.startsWith(kCur + QStringLiteral("GETSERVERVERSION:")) && !versionAnswer.isEmpty())
                return ComposeFrame(QStringLiteral("RETSERVERVERSION"), {versionAnswer});
            if (frame.startsWith(kCur + QStringLiteral("GETINITEXT:")))
                return ComposeFrame(QStringLiteral("RETINITEXT"), {QStringLiteral("svar")});
            return {};
        });
    }

    ~Rig()
    {
        // The connection goes before the settings store it points at.
        dispatcher.reset();
        connection.reset();
    }

    void set(const char* section, const char* key, const QString& value)
    {
        temp.setUser(QString::fromLatin1(section), QString::fromLatin1(key), value);
    }

    bool waitForStatus(const QString& status, int timeoutMs = 5000)
    {
        return waitUntil([&] { return connection->statusText() == status; }, timeoutMs);
    }
    // Lets the event loop run for a while (ticks are 10 ms).
    static void idle(int ms)
    {
        waitUntil([] { return false; }, ms);
    }
};

inline QByteArray Ansi(const QString& text)
{
    return ToAnsi(text);
}

} // namespace tesk::test
