#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace tesk::test {

// Starts the call server simulator (program) with its options and waits for
// the line that names its port; "--port 0 --listen 127.0.0.1" makes it take
// a free loopback port. Returns the port, or 0 with what it printed in
// *output.
quint16 StartSimulator(QProcess& process, const QString& program, const QStringList& options,
                       QString* output = nullptr);

// Ends a simulator started above, if it still runs.
void StopSimulator(QProcess& process);

} // namespace tesk::test
