// Writes the seed corpus of every fuzz target from the simulator's own
// messages, so the fuzzers start from what real servers send.
//   make_corpus <corpus folder>   (one sub-folder per target)

#include "Register.h"
#include "ServerMessages.h"
#include "UpdateService.h"

#include "common/IniRegistryStore.h"
#include "common/VersionInfo.h"

#include "protocol/Codepage.h"
#include "protocol/Commands.h"
#include "protocol/Framing.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

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

// The update service's writes, each cut into reads of its own, so that the
// transfer's first read holds its start and its last read the end marker.
QByteArray CutPieces(const QList<QByteArray>& pieces, int readSize)
{
    QByteArray out;
    for (const QByteArray& piece : pieces)
        out.append(CutInto(piece, readSize));
    return out;
}

// A stand-in for a program build as the update service hands it out: a
// version record among code-like bytes and zero padding, as a real program
// file has.
QByteArray Build(const QString& version, int bytes)
{
    QByteArray file = ComposeVersionRecord(version, version);
    for (int i = 0; file.size() < bytes; ++i) {
        if (i % 5 == 4)
            file.append(QByteArray(300, '\0'));
        else
            file.append(QByteArray::number(i * 2654435761u, 16).repeated(8));
    }
    file.truncate(bytes);
    return file;
}

// A settings file as the program writes it: the user layer of a fresh
// store after the given writes.
QByteArray SettingsFile(const QList<QStringList>& writes)
{
    QTemporaryDir dir;
    IniRegistryStore store(dir.path() + QStringLiteral("/user"), dir.path() + QStringLiteral("/machine"));
    for (const QStringList& w : writes)
        store.RegWriteString(RegistryRoot::CurrentUser, QStringLiteral("SOFTWARE\\Norvalis\\_fuzz\\") + w.at(0),
                             w.at(1), w.at(2));
    QFile file(store.filePath(RegistryRoot::CurrentUser));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// An input of the settings-file target: the key to read, the user layer's
// file (padded with line breaks to the target's 16-byte units), the machine
// layer's file.
QByteArray SettingsInput(const QByteArray& key, QByteArray user, const QByteArray& machine)
{
    while (user.size() % 16 != 0)
        user.append('\n');
    return char(key.size()) + key + char(user.size() / 16) + user + machine;
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
    // Update replies: builds in the update service's writes (whole, cut short,
    // larger than the fuzzer's bound), and its text answers.
    const QString update = root + QStringLiteral("/fuzz_update_reply");
    const QByteArray build = Build(QStringLiteral("1.12.0.0"), 2500);
    const QByteArray reset("\xFF");
    const QByteArray version = ToAnsi(msg::ServerVersion(QStringLiteral("1.10.4")));
    Write(update, QStringLiteral("build"), CutPieces(UpdateService::TransferPieces(build, 512), 96));
    Write(update, QStringLiteral("build-small-reads"), CutPieces(UpdateService::TransferPieces(build, 512), 37));
    Write(update, QStringLiteral("build-after-version"),
          CutInto(version, 96) + CutPieces(UpdateService::TransferPieces(build, 512), 96));
    Write(update, QStringLiteral("build-truncated"),
          CutPieces(UpdateService::TruncatedPieces(build, 512), 96) + reset + CutInto(version, 96));
    Write(update, QStringLiteral("build-too-large"),
          CutPieces(UpdateService::TransferPieces(Build(QStringLiteral("1.12.0.0"), 5000), 512), 96));
    const QByteArray bracketedVersion = ToAnsi(cmd::DataStart) + version + ToAnsi(cmd::DataEnd);
    Write(update, QStringLiteral("version"), CutInto(version, 96));
    Write(update, QStringLiteral("version-bracketed"), CutInto(bracketedVersion, 20));
    Write(update, QStringLiteral("error"),
          CutInto(ToAnsi(msg::ErrorReport(QStringLiteral("Det finns ingen ny version av TESKVistor p\u00E5 servern."))),
                  96));
    Write(update, QStringLiteral("not-registered"), CutInto(ToAnsi(msg::NotRegistered()) + version, 96));

    const QString settingsFile = root + QStringLiteral("/fuzz_settings_file");
    const QByteArray user = SettingsFile({{"TESK", "ServerName", "callsrv01"},
                                          {"TESK", "ServerPort", "4000"},
                                          {"Text2Speech", "UseSAPI5", "1"},
                                          {"TESK", "", "default value"},
                                          {"TESK", "Clinic", "V\u00E5rdcentralen, Norrby"}});
    const QByteArray machine = SettingsFile({{"TESK", "ServerName", "10.0.0.5"}, {"TESK", "ShowClock", "True"}});
    Write(settingsFile, QStringLiteral("both-layers"), SettingsInput("ServerName", user, machine));
    Write(settingsFile, QStringLiteral("machine-only"), SettingsInput("showclock", QByteArray(), machine));
    QByteArray broken = user;
    broken.replace("[SOFTWARE]", "[SOFTWARE");
    Write(settingsFile, QStringLiteral("unparsable-section"), SettingsInput("ServerPort", broken, machine));

    Write(root + QStringLiteral("/fuzz_settings"), QStringLiteral("bool"), QByteArray("\x02-1\x04True\x04Show"));
    Write(root + QStringLiteral("/fuzz_settings"), QStringLiteral("blank"), QByteArray("\x02  \x05 4711\x03Key"));
    return 0;
}
