#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

namespace tesk {

// The version resource of a program file, where the platform has such a
// thing (Windows); elsewhere there is none and the reader falls back to the
// version record every build embeds.
//
// The result maps lower-case query paths to values, as the version record
// does: "\varfileinfo\translation" to the first translation as eight
// hexadecimal digits ("041d04b0"), and "\stringfileinfo\041d04b0\<key>" to
// each of the keys that has a non-empty value under that translation. A file
// with a resource but without a translation entry gives a map without it.
// No resource at all (or no such thing on this platform): nothing.
std::optional<QHash<QString, QString>> ReadVersionResource(const QString& fileName, const QStringList& keys);

// "041d04b0" for language 0x041D and code page 0x04B0.
QString VersionTranslationText(quint16 language, quint16 codePage);

// "\StringFileInfo\041d04b0\CompanyName": the query path of one value.
QString VersionStringPath(quint16 language, quint16 codePage, const QString& key);

} // namespace tesk
