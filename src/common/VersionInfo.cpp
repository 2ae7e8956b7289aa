#include "common/VersionInfo.h"

#include "VersionRecord.h"
#include "platform/VersionResource.h"

#include <QByteArrayView>
#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <optional>

namespace tesk {

// The build asks the linker for this symbol in every program that links
// tesk_core, which pulls this object, and with it the record, into each one.
extern "C" {
extern const int tesk_version_record_anchor;
const int tesk_version_record_anchor = 1;
}

const QString TCEVersionInfo::NotAvailable = QStringLiteral("<info not available>");

namespace {

// Keys in the order the first ten values and SpecialBuild are read.
const char* const kKeys[] = {"CompanyName",      "FileDescription", "FileVersion",    "InternalName",
                             "LegalCopyright",   "LegalTradeMarks", "OriginalFilename", "ProductName",
                             "ProductVersion",   "Comments"};

// A program file is mapped, not read; past this size only the start is
// scanned (the record sits among the constant data, well before the debug
// information that makes up the tail of a large build).
constexpr qint64 kMaxScanBytes = qint64(1) << 30;
// What is read of a file that cannot be mapped.
constexpr qint64 kMaxReadBytes = 64 * 1024 * 1024;
// A record holds a few hundred bytes; an end marker further away than this
// belongs to something else.
constexpr qsizetype kMaxRecordBytes = 64 * 1024;

QByteArrayView startMarker()
{
    return QByteArrayView(versionrecord::kRecord, versionrecord::kStartMarkerLength);
}

QByteArrayView endMarker()
{
    constexpr qsizetype total = sizeof(versionrecord::kRecord) - 1; // without the literal's own NUL
    return QByteArrayView(versionrecord::kRecord + total - versionrecord::kEndMarkerLength,
                          versionrecord::kEndMarkerLength);
}

// The body between the markers of the first complete record in data.
std::optional<QByteArray> findRecordBody(QByteArrayView data)
{
    const QByteArrayView start = startMarker();
    const QByteArrayView end = endMarker();
    for (qsizetype pos = data.indexOf(start); pos >= 0; pos = data.indexOf(start, pos + 1)) {
        const qsizetype bodyStart = pos + start.size();
        const QByteArrayView window = data.sliced(bodyStart, std::min(kMaxRecordBytes, data.size() - bodyStart));
        const qsizetype bodyLength = window.indexOf(end);
        if (bodyLength >= 0)
            return window.first(bodyLength).toByteArray();
    }
    return std::nullopt;
}

std::optional<QByteArray> readRecordBody(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const qint64 size = std::min(file.size(), kMaxScanBytes);
    if (size > 0) {
        if (uchar* mapped = file.map(0, size)) {
            auto body = findRecordBody(QByteArrayView(reinterpret_cast<const char*>(mapped), size));
            file.unmap(mapped);
            return body;
        }
    }
    // Files that cannot be mapped (pipes, some special files): a bounded read.
    const QByteArray data = file.read(kMaxReadBytes);
    return findRecordBody(data);
}

// The record as path -> value; paths compare without regard to case, as the
// platform's version queries do.
QHash<QString, QString> parseEntries(const QByteArray& body)
{
    QHash<QString, QString> entries;
    const QByteArrayView all(body);
    qsizetype from = 0;
    while (from < all.size()) {
        qsizetype nul = all.indexOf('\0', from);
        if (nul < 0)
            nul = all.size();
        const QByteArrayView entry = all.sliced(from, nul - from);
        from = nul + 1;
        const qsizetype eq = entry.indexOf('=');
        if (eq <= 0)
            continue;
        const QString path = QString::fromUtf8(entry.first(eq)).toLower();
        if (!entries.contains(path))
            entries.insert(path, QString::fromUtf8(entry.sliced(eq + 1)));
    }
    return entries;
}

} // namespace

TCEVersionInfo::TCEVersionInfo(QObject* owner)
    : QObject(owner)
{
    const QString self = QCoreApplication::instance() ? QCoreApplication::applicationFilePath() : QString();
    if (!self.isEmpty()) {
        GetInfo(self);
        return;
    }
    const QByteArrayView record(versionrecord::kRecord, sizeof(versionrecord::kRecord) - 1);
    if (const auto body = findRecordBody(record))
        readRecord(*body);
    else
        fillPlaceholders();
}

void TCEVersionInfo::GetInfo(const QString& fileName)
{
    // The platform's own version resource first (Windows); a file without
    // one may still carry the record this project's builds embed.
    QStringList keys;
    for (const char* key : kKeys)
        keys << QLatin1String(key);
    keys << QStringLiteral("SpecialBuild");
    if (const auto resource = ReadVersionResource(fileName, keys)) {
        readEntries(*resource);
        return;
    }
    const auto body = readRecordBody(fileName);
    if (!body) {
        fillPlaceholders();
        return;
    }
    readRecord(*body);
}

void TCEVersionInfo::fillPlaceholders()
{
    for (QString& v : m_values)
        v = NotAvailable;
    m_major = m_minor = m_release = m_build = NotAvailable;
    m_special.clear();
}

void TCEVersionInfo::readRecord(const QByteArray& body)
{
    readEntries(parseEntries(body));
}

void TCEVersionInfo::readEntries(const QHash<QString, QString>& entries)
{
    // The first translation: language and code page, four hexadecimal
    // digits each ("041D04B0"); a list may follow, separated by blanks or commas.
    const QString translations = entries.value(QStringLiteral("\\varfileinfo\\translation")).trimmed();
    const QString first = translations.section(QRegularExpression(QStringLiteral("[\\s,;]+")), 0, 0);
    bool ok = first.size() == 8;
    const uint language = ok ? first.left(4).toUInt(&ok, 16) : 0;
    const uint codePage = ok ? first.mid(4).toUInt(&ok, 16) : 0;
    if (!ok) {
        fillPlaceholders();
        return;
    }
    const QString prefix = QStringLiteral("\\StringFileInfo\\%1%2\\")
                               .arg(language, 4, 16, QLatin1Char('0'))
                               .arg(codePage, 4, 16, QLatin1Char('0'));
    const auto query = [&](const char* key) {
        return entries.value((prefix + QLatin1String(key)).toLower());
    };
    for (std::size_t i = 0; i < std::size(kKeys); ++i)
        m_values[i] = query(kKeys[i]);
    m_special = query("SpecialBuild");
    splitFileVersion();
}

void TCEVersionInfo::splitFileVersion()
{
    const QString version = FileVersion();
    QChar separator;
    if (version.contains(QLatin1Char('.')))
        separator = QLatin1Char('.');
    else if (version.contains(QLatin1Char(',')))
        separator = QLatin1Char(',');
    if (version.isEmpty() || separator.isNull()) {
        m_major = m_minor = m_release = m_build = NotAvailable;
        return;
    }
    const qsizetype firstSep = version.indexOf(separator);
    m_major = version.left(firstSep);
    QString rest = version.mid(firstSep + 1);
    // A part is taken only when its rest still has a separator; otherwise
    // the part is empty and the rest stays whole for the build number.
    const auto take = [&]() {
        const qsizetype sep = rest.indexOf(separator);
        if (sep < 0)
            return QString();
        QString part = rest.left(sep);
        rest = rest.mid(sep + 1);
        return part;
    };
    m_minor = take();
    m_release = take();
    m_build = rest;
}

QByteArray ComposeVersionRecord(const QList<VersionRecordEntry>& entries)
{
    QByteArray block = startMarker().toByteArray();
    for (const VersionRecordEntry& e : entries) {
        // A NUL would end the entry early; nothing a record holds needs one.
        QByteArray entry = (e.path + QLatin1Char('=') + e.value).toUtf8();
        entry.replace('\0', ' ');
        block += entry;
        block += '\0';
    }
    block += endMarker();
    return block;
}

QByteArray ComposeVersionRecord(const QString& fileVersion, const QString& productVersion)
{
    const QString table = QStringLiteral("\\StringFileInfo\\041D04B0\\");
    return ComposeVersionRecord({
        {QStringLiteral("\\VarFileInfo\\Translation"), QStringLiteral("041D04B0")},
        {table + QStringLiteral("CompanyName"), QStringLiteral(TESK_COMPANY)},
        {table + QStringLiteral("FileDescription"), QStringLiteral(TESK_PRODUCT_NAME)},
        {table + QStringLiteral("FileVersion"), fileVersion},
        {table + QStringLiteral("InternalName"), QStringLiteral("TESKVistor")},
        {table + QStringLiteral("ProductName"), QStringLiteral(TESK_PRODUCT_NAME)},
        {table + QStringLiteral("ProductVersion"), productVersion},
    });
}

} // namespace tesk
