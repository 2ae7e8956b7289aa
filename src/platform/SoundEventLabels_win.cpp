#include "platform/SoundEventLabels.h"

#include <QSettings>

namespace tesk {

QStringList SoundEventLabels()
{
    // The registry's own order of the subkeys; a missing key gives none.
    QSettings labels(QStringLiteral("HKEY_CURRENT_USER\\AppEvents\\EventLabels"), QSettings::NativeFormat);
    return labels.childGroups();
}

} // namespace tesk
