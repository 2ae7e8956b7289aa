#include "platform/VersionResource.h"

#include <windows.h>

#include <QDir>

#include <vector>

namespace tesk {

std::optional<QHash<QString, QString>> ReadVersionResource(const QString& fileName, const QStringList& keys)
{
    // The version calls load the file as a module, which wants backslashes.
    const QString native = QDir::toNativeSeparators(fileName);
    const auto* path = reinterpret_cast<const wchar_t*>(native.utf16());
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &handle);
    if (size == 0)
        return std::nullopt;
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoW(path, 0, size, block.data()))
        return std::nullopt;

    QHash<QString, QString> entries;
    struct Translation {
        WORD language;
        WORD codePage;
    };
    void* found = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &found, &length) || !found
        || length < sizeof(Translation))
        return entries; // a resource without a translation: the reader's placeholders
    const Translation first = *static_cast<const Translation*>(found);
    entries.insert(QStringLiteral("\\varfileinfo\\translation"),
                   VersionTranslationText(first.language, first.codePage));

    for (const QString& key : keys) {
        const QString query = VersionStringPath(first.language, first.codePage, key);
        void* value = nullptr;
        UINT chars = 0;
        if (!VerQueryValueW(block.data(), reinterpret_cast<const wchar_t*>(query.utf16()), &value, &chars) || !value
            || chars == 0)
            continue;
        // chars counts the terminator when there is one.
        QString text = QString::fromWCharArray(static_cast<const wchar_t*>(value), int(chars));
        const qsizetype nul = text.indexOf(QChar(0));
        if (nul >= 0)
            text.truncate(nul);
        if (!text.isEmpty())
            entries.insert(query.toLower(), text);
    }
    return entries;
}

} // namespace tesk
