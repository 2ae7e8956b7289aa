#include "SimulatorProcess.h"

#include "FakeServer.h"

#include <QRegularExpression>

namespace tesk::test {

quint16 StartSimulator(QProcess& process, const QString& program, const QStringList& options, QString* output)
{
    process.setProgram(program);
    process.setArguments(options);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start();
    QString out;
    if (!process.waitForStarted(5000)) {
        if (output)
            *output = process.errorString();
        return 0;
    }
    static const QRegularExpression listening(QStringLiteral("listening on 127\\.0\\.0\\.1:(\\d+)"));
    waitUntil([&] {
        out += QString::fromUtf8(process.readAllStandardOutput());
        return listening.match(out).hasMatch() || process.state() == QProcess::NotRunning;
    }, 10000);
    if (output)
        *output = out;
    return quint16(listening.match(out).captured(1).toUInt());
}

void StopSimulator(QProcess& process)
{
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
    }
}

} // namespace tesk::test
