#include "platform/VersionResource.h"

namespace tesk {

// Program files here carry no version resource; the embedded record is read.
std::optional<QHash<QString, QString>> ReadVersionResource(const QString&, const QStringList&)
{
    return std::nullopt;
}

} // namespace tesk
