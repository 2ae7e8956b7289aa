// Figures for the settings store: layered reads from the INI layers, writes
// that reach the disk, and one server round trip on loopback. Prints
// min / median / p95 per case; never passes or fails.
#include "common/IniRegistryStore.h"
#include "common/SettingsStore.h"
#include "protocol/Codepage.h"

#include <QCoreApplication>
#include "BenchFigures.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace tesk;

namespace {

void report(const char* name, int runs, const std::function<void()>& body)
{
    const bench::Figures f = bench::Measure(runs, body);
    std::printf("%-52s min %8.3f ms  median %8.3f ms  p95 %8.3f ms\n", name, f.min, f.median, f.p95);
}

const QStringList Keys = {"ShowMode", "ShowFontName", "Visibility", "Painteffect", "CallPrefix", "ConfirmPrefix",
                          "RepeatSayInfo", "RepeatSayInfoTimer", "ChangeBackground", "ChangeBackgroundTimer",
                          "RefreshConnection", "RefreshConnectionTimer", "PreventScreenSaver", "SayBalloonInfo",
                          "QuietMode", "ShowBalloonInfo", "PlayWindowsSound", "ActiveWindowsSound",
                          "ActivateClientOnBalloon", "ClientNameUseDefault", "ClientName"};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    IniRegistryStore registry(dir.filePath("user"), dir.filePath("machine"));
    SettingsStore store(registry, [] { return QStringLiteral("BENCH-1"); });
    store.setSettingsSubKey("_opt_TESK_klinik\\");

    // A filled installation: every TESK setting in the user layer, half of
    // them in the machine layer too.
    const QString path = "SOFTWARE\\Norvalis\\_opt_TESK_klinik\\TESK";
    for (int i = 0; i < Keys.size(); ++i) {
        registry.RegWriteString(RegistryRoot::CurrentUser, path, Keys[i], QString::number(i));
        if (i % 2 == 0)
            registry.RegWriteString(RegistryRoot::LocalMachine, path, Keys[i], QString::number(i));
    }
    registry.RegWriteString(RegistryRoot::LocalMachine, "SOFTWARE\\Norvalis\\_opt_TESK_klinik\\Showing",
                            "AlwaysShowAll", "1");

    report("GetIniText, user layer", 200, [&] { store.GetIniText("TESK", "ShowMode"); });
    report("GetIniText, machine layer", 200, [&] { store.GetIniText("Showing", "AlwaysShowAll"); });
    report("GetIniText, nowhere, not connected", 200, [&] { store.GetIniText("TESK", "Missing"); });
    report("21 TESK settings read (a connection's worth)", 50, [&] {
        for (const QString& k : Keys)
            store.GetIniText("TESK", k);
    });
    int n = 0;
    report("SetIniText, both layers on disk", 100, [&] { store.SetIniText("TESK", "CallPrefix", QString::number(++n)); });

    // Loopback server answering every GETINITEXT at once.
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    QTcpSocket* peer = nullptr;
    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        peer = server.nextPendingConnection();
        QObject::connect(peer, &QTcpSocket::readyRead, [&] {
            const QString text = FromAnsi(peer->readAll());
            const int count = text.count(QStringLiteral(":GETINITEXT¤"));
            for (int i = 0; i < count; ++i)
                peer->write(ToAnsi(QStringLiteral("¤RETINITEXT:42:RETINITEXT¤")));
        });
    });
    QTcpSocket client;
    QString pending;
    QObject::connect(&client, &QTcpSocket::readyRead, [&] {
        pending += FromAnsi(client.readAll());
        const QString frame = QStringLiteral("¤RETINITEXT:42:RETINITEXT¤");
        while (pending.contains(frame)) {
            pending.remove(pending.indexOf(frame), frame.size());
            store.ReceiveIniReply(QStringLiteral("42"));
        }
    });
    client.connectToHost(QHostAddress::LocalHost, server.serverPort());
    client.waitForConnected(2000);
    QElapsedTimer wait;
    wait.start();
    while (!peer && wait.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    store.SetActiveClientSocket(&client);

    report("GetIniText, server answers (loopback round trip)", 200, [&] { store.GetIniText("TESK", "OnServer"); });
    return 0;
}
