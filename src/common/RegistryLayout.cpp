#include "common/RegistryLayout.h"

namespace tesk {

QString SettingsKeyPath(const QString& settingsSubKey, const QString& section)
{
    return QStringLiteral("SOFTWARE\\Norvalis\\") + settingsSubKey + section;
}

QString MachineWriteFailureKey()
{
    return QStringLiteral("SOFTWARE\\Norvalis\\ERROR_WRITING_TO_LOCAL_MACHINE");
}

QString MachineWriteFailureValueName()
{
    return QStringLiteral("ErrorMsg");
}

QString MachineKeySecuritySddl()
{
    return QStringLiteral("D:NO_ACCESS_CONTROL");
}

QString SecurityDescriptorInitError(unsigned long systemError)
{
    return QStringLiteral("Unable to initialize security descriptor. Windows error=%1").arg(systemError);
}

QString SecurityDescriptorDaclError(unsigned long systemError)
{
    return QStringLiteral("Unable to set security descriptor dacl. Windows error=%1").arg(systemError);
}

RegistryError::RegistryError(const QString& text)
    : std::runtime_error(text.toStdString())
{
}

QString SystemMessageText(const QString& fromTable, unsigned long systemError)
{
    QString text = fromTable;
    while (!text.isEmpty() && (text.back() == QLatin1Char('\n') || text.back() == QLatin1Char('\r')
                               || text.back() == QLatin1Char(' ')))
        text.chop(1);
    if (text.isEmpty())
        return QStringLiteral("Windows error=%1").arg(systemError);
    return text;
}

QString RelativeKeyPath(const QString& path)
{
    qsizetype start = 0;
    while (start < path.size() && path.at(start) == QLatin1Char('\\'))
        ++start;
    return path.mid(start);
}

} // namespace tesk
