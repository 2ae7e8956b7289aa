// Writes the seed corpus of every fuzz target from the simulator's own
// messages, so the fuzzers start from what real servers send.
//   make_corpus <corpus folder>   (one sub-folder per target)

#include "Register.h"
#include "ServerMessages.h"

#include "protocol/Codepage.h"
#include "protocol/Framing.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>

#include <cstdio>

using namespace tesk;
using namespace tesk::sim;

namespace {

void Write(const QString& folder, const QString& name, const QByteArray& bytes)
{
    QDir().mkpath(folder);
    QFile file(folder + QLatin1Char('/') + name);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

// A read-cut input for the receive target: length bytes before each read.
QByteArray CutInto(const QByteArray& wire, int readSize)
{
    QByteArray out;
    for (qsizetype i = 0; i < wire.size(); i += readSize) {
        const QByteArray part = wire.mid(i, readSize);
        out.append(char(part.size() - 1));
        out.append(part);
    }
    return out;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_corpus <folder>\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);

    Register reg;
    reg.loadDefaultResources();
    const QDateTime now(QDate(2024, 3, 5), QTime(7, 5, 59));
    int n = 0;
    for (const SimResource& r : reg.resources()) {
        for (int k = 0; k <= n % 3; ++k)
            reg.addCall(r.number, QStringLiteral("Rum %1").arg(++n), TColor(0x00FF00 * k), now);
    }
    if (!reg.resources().empty())
        reg.confirmCall(reg.resources().front().number, 1, QStringLiteral("Anna"), now.addSecs(30));
    reg.registerClient(QStringLiteral("V\u00C4NTRUM"), QStringLiteral("RUM 1"), 255);

    std::vector<const SimResource*> all;
    for (const SimResource& r : reg.resources())
        all.push_back(&r);
    const SimClient* client = reg.findClient(QStringLiteral("V\u00C4NTRUM"));

    const QStringList messages{
        msg::CurrentList(all),
        msg::CurrentList({}),
        msg::ServerVersion(QStringLiteral("1.10.4")) + msg::CurrentList(all),
        msg::ServerVersion(QStringLiteral("1.9.2")) + msg::CurrentList(all),
        msg::ClinicName(QStringLiteral("V\u00E5rdcentralen Norrby")),
        msg::IniText(QStringLiteral("-1")),
        client ? msg::ClientData(*client) : QString(),
        msg::AllCallables(reg) + msg::StationCallables({1, 3}),
        msg::ErrorReport(QStringLiteral("042 databasen svarar inte")),
        msg::NotRegistered() + msg::CurrentList(all),
    };

    for (int i = 0; i < messages.size(); ++i) {
        const QByteArray wire = ToAnsi(messages[i]);
        const QString name = QStringLiteral("sim-%1").arg(i);
        Write(root + QStringLiteral("/fuzz_dispatcher"), name, wire);
        // As a server sends a long message: bracketed, over several reads.
        const QByteArray bracketed = QByteArray("#DATA") + "START#" + wire + QByteArray("#DATA") + "END#";
        Write(root + QStringLiteral("/fuzz_receive"), name + QStringLiteral("-whole"), CutInto(wire, 96));
        Write(root + QStringLiteral("/fuzz_receive"), name + QStringLiteral("-bracketed"), CutInto(bracketed, 37));
    }
    const QString list = msg::CurrentList(all);
    const QString open = QStringLiteral("\u00A4CURRENTLIST:");
    Write(root + QStringLiteral("/fuzz_calllist"), QStringLiteral("sim-list"), ToAnsi(list.mid(open.size())));

    Write(root + QStringLiteral("/fuzz_texthelpers"), QStringLiteral("address"), QByteArray("\x03.192.168.1.10"));
    Write(root + QStringLiteral("/fuzz_texthelpers"), QStringLiteral("fields"),
          QByteArray("\x02:") + ToAnsi(msg::ClinicName(QStringLiteral("Kliniken"))));
    Write(root + QStringLiteral("/fuzz_settings"), QStringLiteral("bool"), QByteArray("\x02-1\x04True\x04Show"));
    Write(root + QStringLiteral("/fuzz_settings"), QStringLiteral("blank"), QByteArray("\x02  \x05 4711\x03Key"));
    return 0;
}
