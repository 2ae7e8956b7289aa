#include "platform/SoundEventLabels.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>

#include <algorithm>

namespace tesk {

namespace {
const QString Theme = QStringLiteral("freedesktop");
}

QStringList SoundEventLabels()
{
    // The theme's folders in every data directory (a user's own copy
    // included); an event is a sound file named after it.
    const QStringList roots = QStandardPaths::locateAll(QStandardPaths::GenericDataLocation,
                                                        QStringLiteral("sounds/") + Theme,
                                                        QStandardPaths::LocateDirectory);
    QSet<QString> names;
    for (const QString& root : roots) {
        QDirIterator it(root, {QStringLiteral("*.oga"), QStringLiteral("*.ogg"), QStringLiteral("*.wav")},
                        QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            names.insert(QFileInfo(it.next()).completeBaseName());
    }
    QStringList sorted(names.begin(), names.end());
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}

} // namespace tesk
