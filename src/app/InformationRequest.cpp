#include "InformationRequest.h"

namespace tesk {

namespace {

QString VersionText()
{
    return QStringLiteral(TESK_PRODUCT_NAME " " TESK_VERSION_STRING "\n");
}

QString HelpText()
{
    return VersionText() + QStringLiteral(R"(
Usage: TESKVistor [NAME=value ...]
       TESKVistor --version | --help

The display client of the TESK staff call system: shows the call server's
current calls on a call board and announces them. One copy runs per user
session; starting it again brings the running copy's window forward.

Start parameters (names in any letter case, values used trimmed and in upper case):
  SERVERNAME=host       stored as the call server's name or IPv4 address
  SERVERPORT=n          stored as the call server's port
  NAME=text             this display's name; with AUTOREGISTER=1 also its client name
  PLACE=text            this display's place
  COLOR=n               this display's colour, a decimal 0x00BBGGRR value
  AUTOREGISTER=1        register with the server at every first connection
  CALLLIST=n:i:n:i...   the resources to show: resource number and position from 0
  RESTARTING=1          start even though another copy is running (after an update)

Exit codes:
  0   --version or --help, or a second start handed over to the running copy
  1   a normal end (the tray menu's "Avsluta", the end of the session,
      SIGTERM, SIGHUP or SIGINT)

Settings: $XDG_CONFIG_HOME/Norvalis/Registry.ini (user) and
Norvalis/Registry.ini in the first folder of $XDG_CONFIG_DIRS (machine).
Log: standard error and $XDG_STATE_HOME/Norvalis/TESK/TESKVistor.log; more
detail with QT_LOGGING_RULES, for example "tesk.*.debug=true".
)");
}

} // namespace

std::optional<QString> InformationRequest(const QStringList& arguments)
{
    for (const QString& a : arguments) {
        if (a == QLatin1String("--version"))
            return VersionText();
        if (a == QLatin1String("--help") || a == QLatin1String("-h"))
            return HelpText();
    }
    return std::nullopt;
}

} // namespace tesk
