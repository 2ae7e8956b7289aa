#include "platform/VersionResource.h"

namespace tesk {

QString VersionTranslationText(quint16 language, quint16 codePage)
{
    return QStringLiteral("%1%2").arg(language, 4, 16, QLatin1Char('0')).arg(codePage, 4, 16, QLatin1Char('0'));
}

QString VersionStringPath(quint16 language, quint16 codePage, const QString& key)
{
    return QStringLiteral("\\StringFileInfo\\") + VersionTranslationText(language, codePage) + QLatin1Char('\\')
        + key;
}

} // namespace tesk
