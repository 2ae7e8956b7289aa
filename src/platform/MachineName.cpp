#include "platform/MachineName.h"

#include "common/TextHelpers.h"

#include <exception>

namespace tesk {

QString RemoteSessionNameFailureMessage(const QString& citrixError, const QString& terminalServerError)
{
    return QStringLiteral("Det gick inte att h\u00E4mta datornamnet i fj\u00E4rrsessionen!\r\r") + QStringLiteral("Citrix: ")
        + citrixError + QLatin1Char('\r') + QStringLiteral("TerminalServer: ") + terminalServerError;
}

QString ResolveMachineName(const MachineNameSources& sources, const InfoMessageFn& showInfoMessage)
{
    if (!sources.isRemoteSession || !sources.isRemoteSession())
        return sources.computerName ? sources.computerName() : QString();

    QString citrixError;
    try {
        QString name = sources.citrixClientName ? sources.citrixClientName() : QString();
        // A session without Citrix answers with nothing or with blanks.
        if (IsBlank(name))
            name = sources.terminalServerClientName ? sources.terminalServerClientName() : QString();
        return name;
    } catch (const std::exception& e) {
        citrixError = ExceptionText(e);
    }
    try {
        return sources.terminalServerClientName ? sources.terminalServerClientName() : QString();
    } catch (const std::exception& e) {
        if (showInfoMessage)
            showInfoMessage(RemoteSessionNameFailureMessage(citrixError, ExceptionText(e)));
    }
    return {};
}

} // namespace tesk
