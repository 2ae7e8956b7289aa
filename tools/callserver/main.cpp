// callserver: a call server and update server for the display client, for
// the demo, the end-to-end tests and for trying a display without a server.

#include "AdminConsole.h"
#include "AdminInput.h"
#include "CallServer.h"
#include "DemoTraffic.h"
#include "Register.h"
#include "ServerOptions.h"
#include "SoakChaos.h"

#include "common/LogFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QLoggingCategory>
#include <QRandomGenerator>

#include <cstdio>

using namespace tesk::sim;
using tesk::LogFile;

namespace {

// The simulator's own category, so that its lines and the client's are told
// apart where both write to one terminal or journal.
Q_LOGGING_CATEGORY(lcCallServer, "tesk.callserver", QtInfoMsg)

void PrintLine(FILE* stream, const QString& text)
{
    std::fputs(text.toUtf8().constData(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("callserver"));

    const ParsedOptions parsed = ParseServerOptions(app.arguments());
    if (parsed.outcome == ParsedOptions::Outcome::Help) {
        PrintLine(stdout, parsed.message);
        return 0;
    }
    if (parsed.outcome == ParsedOptions::Outcome::Error) {
        PrintLine(stderr, QStringLiteral("callserver: ") + parsed.message);
        return 2;
    }
    const ServerOptions& options = parsed.options;

    // The display's own log format, on standard error.
    LogFile::Options logOptions;
    LogFile logFile(logOptions);
    logFile.install();
    const CallServer::Logger logger = [&options](const QString& line) {
        if (options.log)
            qCInfo(lcCallServer).noquote() << line;
    };
    const CallServer::Clock clock = [] { return QDateTime::currentDateTime(); };

    Register reg;
    if (options.seedFile.isEmpty()) {
        reg.loadDefaultResources();
    } else {
        QFile file(options.seedFile);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            PrintLine(stderr, QStringLiteral("callserver: kan inte läsa %1: %2").arg(options.seedFile, file.errorString()));
            return 2;
        }
        QStringList warnings;
        const int count = reg.loadSeed(QString::fromUtf8(file.readAll()), &warnings);
        for (const QString& w : std::as_const(warnings))
            PrintLine(stderr, QStringLiteral("callserver: %1: %2").arg(options.seedFile, w));
        logger(QStringLiteral("%1 resurser från %2").arg(count).arg(options.seedFile));
    }
    for (const QString& s : options.settings) {
        const QStringList parts = s.split(QLatin1Char(';'));
        reg.setSetting(parts.at(0), parts.at(1), parts.mid(2).join(QLatin1Char(';')));
    }

    CallServer server(reg, options.config, clock, logger);
    if (!server.listen(options.listenAddress, options.port)) {
        PrintLine(stderr, QStringLiteral("callserver: kan inte lyssna på %1:%2: %3")
                              .arg(options.listenAddress.toString())
                              .arg(options.port)
                              .arg(server.errorString()));
        return 1;
    }
    // Scripts and tests read the port from this line.
    PrintLine(stdout, QStringLiteral("callserver listening on %1:%2").arg(options.listenAddress.toString()).arg(server.port()));
    logger(QStringLiteral("serverversion %1, klinik \"%2\"%3")
               .arg(options.config.serverVersion, options.config.clinicName,
                    options.config.requireRegistration ? QStringLiteral(", kräver registrering") : QString()));

    const auto broadcast = [&server] { server.broadcastCallLists(); };

    DemoTraffic* demo = nullptr;
    if (options.demo) {
        const quint32 seed = options.demoSeed.value_or(QRandomGenerator::global()->generate());
        demo = new DemoTraffic(reg, broadcast, clock, seed, &app);
        QObject::connect(demo, &DemoTraffic::stepped, &app, [&logger](const QString& what) { logger(QStringLiteral("demo: ") + what); });
        demo->setHoldCalls(options.holdCallsSecs);
        demo->prime();
        demo->start(options.demoIntervalMs);
        logger(QStringLiteral("demotrafik var %1 ms, --seed-random %2, --hold-calls %3")
                   .arg(options.demoIntervalMs)
                   .arg(seed)
                   .arg(options.holdCallsSecs));
    }

    if (options.soak) {
        const quint32 seed = options.demoSeed.value_or(QRandomGenerator::global()->generate());
        auto* chaos = new SoakChaos(server, seed, logger, &app);
        chaos->start();
        logger(QStringLiteral("soak: slumptal %1").arg(seed));
    }

    if (options.admin) {
        auto* console = new AdminConsole(reg, broadcast, clock);
        auto* input = new AdminInput(&app);
        QObject::connect(input, &AdminInput::lineReceived, &app, [console](const QString& line) {
            const QString answer = line == QLatin1String("quit") ? QString() : console->execute(line);
            if (line == QLatin1String("quit"))
                QCoreApplication::quit();
            else if (!answer.isEmpty())
                PrintLine(stdout, answer);
        });
        QObject::connect(input, &AdminInput::finished, &app, [&logger] { logger(QStringLiteral("admin: standard in är stängd")); });
        QObject::connect(&app, &QCoreApplication::aboutToQuit, [console] { delete console; });
    }

    return app.exec();
}
