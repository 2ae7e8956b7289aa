// Figures for the update check: a whole check on loopback that fetches a
// build of 1, 8 and 32 MiB, assembles it between the data markers, stores it
// through a temporary file, reads its version record back and "starts" it
// (the start itself is left out). The server sends the first 512 bytes, then
// after 5 ms the rest; those 5 ms are in every figure. Prints
// min / median / p95; never passes or fails.
#include "common/ClientIdentity.h"
#include "common/IniRegistryStore.h"
#include "common/InstallationPaths.h"
#include "common/SettingsStore.h"
#include "common/UpdateClient.h"
#include "common/UserMessages.h"
#include "common/VersionInfo.h"
#include "protocol/Codepage.h"
#include "protocol/Framing.h"

#include "BenchFigures.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

using namespace tesk;

namespace {

class SilentMessages : public UserMessages {
public:
    int shown = 0;
    void ShowInfoMessage(const QString&) override { ++shown; }
    bool AskYesNo(const QString&) override { return false; }
    void ShowBalloon(const QString&, const QString&, const BalloonTarget&, int, int) override { ++shown; }
};

// Call server and update server on one port: settings reads are answered
// empty, GETNEWCLIENT with the build.
class LoopbackServer : public QObject {
public:
    explicit LoopbackServer(const QByteArray& build)
        : m_build(build)
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = m_server.nextPendingConnection()) {
                connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
                connect(s, &QTcpSocket::readyRead, this, [this, s] { answer(s); });
            }
        });
    }
    quint16 port() const { return m_server.serverPort(); }

private:
    void answer(QTcpSocket* s)
    {
        const QString text = FromAnsi(s->readAll());
        if (text.contains(QStringLiteral("GETINITEXT:")))
            s->write(ToAnsi(ComposeFrame(QStringLiteral("RETINITEXT"), {QString()})));
        if (text.contains(QStringLiteral("GETSERVERVERSION:")))
            s->write(ToAnsi(ComposeFrame(QStringLiteral("RETSERVERVERSION"), {QStringLiteral("1.10.4")})));
        if (text.contains(QStringLiteral("GETNEWCLIENT:"))) {
            s->write(QByteArray("#DATASTART#\xA4RETNEWCLIENT:") + m_build.left(512));
            QTimer::singleShot(5, s, [this, s] { s->write(m_build.mid(512) + ":RETNEWCLIENT\xA4#DATAEND#"); });
        }
    }

    QTcpServer m_server;
    QByteArray m_build;
};

QByteArray Build(qsizetype size, const QString& version)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator random(7);
    for (char& b : bytes)
        b = char(random.bounded(256));
    return bytes.left(size / 4) + ComposeVersionRecord(version, version) + bytes.mid(size / 4);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("tesk.update.info=false\ntesk.update.debug=false"));
    QTemporaryDir dir;
    QDir root(dir.path());
    root.mkpath("download");
    root.mkpath("current");
    InstallationPaths paths{root.filePath("current") + '/', "_bench\\", root.filePath("download") + '/'};
    const QString program = root.filePath("TESKVistor");
    QFile running(program);
    running.open(QIODevice::WriteOnly);
    running.write(Build(4096, "1.10.1.5"));
    running.close();

    IniRegistryStore registry(root.filePath("user"), root.filePath("machine"));
    SettingsStore settings(registry, [] { return QStringLiteral("BENCH-1"); });
    settings.setSettingsSubKey("_bench\\");
    settings.SetIniText("CHECKVERSION", "TESKVistor", "11200");
    ClientIdentity identity(settings, {QStringLiteral("NAME=Bench")});
    identity.ClientType = TTESKClientType::ctShow;
    SilentMessages messages;

    for (const auto& [mib, runs] : {std::pair{1, 20}, std::pair{8, 10}, std::pair{32, 5}}) {
        LoopbackServer server(Build(qsizetype(mib) * 1024 * 1024, "1.12.0.0"));
        QTcpSocket main;
        main.connectToHost(QHostAddress::LocalHost, server.port());
        main.waitForConnected(5000);
        QObject::connect(&main, &QTcpSocket::readyRead, &main, [&] {
            main.readAll();
            settings.ReceiveIniReply(QString());
        });
        settings.SetActiveClientSocket(&main);

        UpdateClient::Options options;
        options.programPath = program;
        int started = 0;
        options.startProgram = [&](const QString&, const QStringList&, const QString&) { return ++started > 0; };
        UpdateClient client(settings, identity, messages, paths, options);
        const bench::Figures f = bench::Measure(runs, [&] {
            QFile::remove(client.StoredBuildPath());
            client.CheckForUpdate();
        });
        std::printf("update check fetching a %2d MiB build (%d runs, %d started)   min %8.1f ms  median %8.1f ms  "
                    "p95 %8.1f ms\n",
                    mib, runs, started, f.min, f.median, f.p95);
        settings.SetActiveClientSocket(nullptr);
    }
    if (messages.shown)
        std::printf("(%d messages were shown: the figures include failed checks)\n", messages.shown);
    return 0;
}
