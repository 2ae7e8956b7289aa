#pragma once

#include "protocol/Records.h"

#include <QString>
#include <QStringList>

namespace tesk {

class SettingsStore;

// Who this client is towards the call server: its type, its registration
// data and the name it sends in every frame; also the NAME=value parameters
// of its command line.
class ClientIdentity {
public:
    // arguments: the command-line arguments 1..n (without the program).
    ClientIdentity(SettingsStore& settings, QStringList arguments);

    TTESKClientType ClientType = TTESKClientType::ctCall;
    TTESKClientData OwnClientData;

    static const QStringList& ClientTypeNames(); // "Call", "Show", "Admin", "Hardware"
    QString ClientTypeCode() const;              // on the wire: "1" for this program

    QString GetMachineName() const;
    QString GetClientName() const;
    QString GetParamValue(const QString& name, bool upperCase) const;

    const QStringList& arguments() const { return m_arguments; }

private:
    SettingsStore& m_settings;
    QStringList m_arguments;
};

} // namespace tesk
