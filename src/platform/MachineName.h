#pragma once

#include <QString>

#include <functional>

namespace tesk {

// Shows a text to the user (an information box in the program).
using InfoMessageFn = std::function<void(const QString&)>;

// The name under which the call server files this machine's settings: the
// computer name (on Windows, the remote client's name in a remote session).
// Determined anew at every call. When a remote session's name cannot be
// found at all, showInfoMessage (when given) tells the user why.
QString GetMachineName(const InfoMessageFn& showInfoMessage = {});

// How the name is found, with the system's queries passed in so that the
// decisions can be followed on any platform.
struct MachineNameSources {
    // True inside a remote desktop session.
    std::function<bool()> isRemoteSession;
    // The local computer name; empty when the system does not tell it.
    std::function<QString()> computerName;
    // The Citrix session's client name. Empty when the library is missing or
    // the query fails; throws when the query goes wrong in a way worth telling.
    std::function<QString()> citrixClientName;
    // The terminal-services session's client name. Empty when the query
    // fails; throws like the above.
    std::function<QString()> terminalServerClientName;
};

// Outside a remote session the computer name (the session libraries are not
// touched). Inside one the Citrix name, or the terminal-services name when
// Citrix has none; when Citrix threw, the terminal-services name, and when
// that threw too, an empty name and the combined message.
QString ResolveMachineName(const MachineNameSources& sources, const InfoMessageFn& showInfoMessage);

// "Det gick inte att hämta datornamnet i fjärrsessionen!\r\r" + "Citrix: "
// + the first error + "\r" + "TerminalServer: " + the second error.
QString RemoteSessionNameFailureMessage(const QString& citrixError, const QString& terminalServerError);

} // namespace tesk
