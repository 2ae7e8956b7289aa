#include "common/ClientIdentity.h"

#include "common/SettingsStore.h"
#include "common/TextHelpers.h"

#include <QLocale>

namespace tesk {

ClientIdentity::ClientIdentity(SettingsStore& settings, QStringList arguments)
    : m_settings(settings)
    , m_arguments(std::move(arguments))
{
}

const QStringList& ClientIdentity::ClientTypeNames()
{
    static const QStringList names = {QStringLiteral("Call"), QStringLiteral("Show"), QStringLiteral("Admin"),
                                      QStringLiteral("Hardware")};
    return names;
}

QString ClientIdentity::ClientTypeCode() const
{
    return QString::number(static_cast<int>(ClientType));
}

QString ClientIdentity::GetMachineName() const
{
    // The same name the settings store files this machine's settings under.
    return m_settings.MachineName();
}

QString ClientIdentity::GetClientName() const
{
    const QString use = m_settings.GetIniTextDef(QStringLiteral("TESK"), QStringLiteral("ClientNameUseDefault"),
                                                 QStringLiteral("1"));
    if (use == QLatin1String("1"))
        return GetMachineName() + QLatin1Char('_') + ClientTypeNames().value(static_cast<int>(ClientType));
    return m_settings.GetIniTextDef(QStringLiteral("TESK"), QStringLiteral("ClientName"), QString());
}

QString ClientIdentity::GetParamValue(const QString& name, bool upperCase) const
{
    const QLocale locale;
    QString prefix = name + QLatin1Char('=');
    if (upperCase)
        prefix = locale.toUpper(prefix);
    QString value;
    for (const QString& argument : m_arguments) {
        QString head = argument.left(prefix.size());
        if (upperCase)
            head = locale.toUpper(head);
        if (head == prefix) {
            value = TrimBlank(argument.mid(prefix.size()));
            break;
        }
    }
    return upperCase ? locale.toUpper(value) : value;
}

} // namespace tesk
