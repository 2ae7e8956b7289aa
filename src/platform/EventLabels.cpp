#include "platform/EventLabels.h"

#include "common/TextHelpers.h"

namespace tesk {

QString EventLabelsKey()
{
    return QStringLiteral("\\AppEvents\\EventLabels");
}

QStringList EventLabelList(const QStringList& enumerated)
{
    QStringList labels;
    for (const QString& name : enumerated) {
        if (IsBlank(name) || labels.contains(name, Qt::CaseInsensitive))
            continue;
        labels << name;
    }
    return labels;
}

} // namespace tesk
