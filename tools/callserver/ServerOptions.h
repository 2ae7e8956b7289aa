#pragma once

#include "CallServer.h"

#include <QHostAddress>
#include <QStringList>

namespace tesk::sim {

struct ServerOptions {
    quint16 port = 4000;
    QHostAddress listenAddress = QHostAddress(QHostAddress::LocalHost);
    ServerConfig config;
    bool demo = false;
    std::optional<quint32> demoSeed; // none: a fresh seed, printed in the log
    int demoIntervalMs = 3000;
    // Drops, refusals and junk at random (seeded with demoSeed).
    bool soak = false;
    // Demo calls wait at least this long unconfirmed (0: no wait).
    int holdCallsSecs = 0;
    QString seedFile;
    bool log = true;
    bool admin = false;
    // "Sektion;Nyckel;Värde" preset in the server's settings copies.
    QStringList settings;
};

struct ParsedOptions {
    enum class Outcome { Run, Help, Error } outcome = Outcome::Run;
    ServerOptions options;
    QString message; // the help text or the error
};

// The whole command line as QCoreApplication::arguments() gives it: args[0] is
// the program.
ParsedOptions ParseServerOptions(const QStringList& args);

} // namespace tesk::sim
