#include "common/IniRegistryStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStringList>
#include <QVariant>

#include <cerrno>

namespace tesk {

namespace {

const QString FileName = QStringLiteral("Norvalis/Registry.ini");

// QSettings splits keys at "/" and "\": keep such characters (and the escape
// character itself) inside one path part.
QString EscapePart(const QString& part)
{
    QString out;
    out.reserve(part.size());
    for (const QChar c : part) {
        if (c == QLatin1Char('%'))
            out += QLatin1String("%25");
        else if (c == QLatin1Char('/'))
            out += QLatin1String("%2F");
        else if (c == QLatin1Char('\\'))
            out += QLatin1String("%5C");
        else
            out += c;
    }
    return out;
}

QString ValueText(const QVariant& value)
{
    // An administrator's unquoted "a, b" comes back as a list.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1String(", "));
    return value.toString();
}

// The key as stored when one differs from `key` only in letter case.
QString StoredKey(const QSettings& settings, const QString& key)
{
    if (settings.contains(key))
        return key;
    const QStringList keys = settings.allKeys();
    for (const QString& k : keys) {
        if (k.compare(key, Qt::CaseInsensitive) == 0)
            return k;
    }
    return key;
}

QString WithFile(const QString& reason, const QString& file)
{
    return reason + QStringLiteral(" (") + QDir::toNativeSeparators(file) + QLatin1Char(')');
}

// Why the file cannot be written, in the system's words; empty when it can.
// Checked before QSettings sees the change: an unsaved change would stay in
// its per-file cache and be read back as if it were stored.
QString WriteBlocker(const QString& file)
{
    const QFileInfo info(file);
    const QString folder = info.absolutePath();
    if (!QDir().mkpath(folder)) {
        // Find the part of the path that stops it.
        QFileInfo part(folder);
        while (!part.exists() && part.absoluteFilePath() != part.absolutePath())
            part = QFileInfo(part.absolutePath());
        return WithFile(qt_error_string(part.isDir() ? EACCES : ENOTDIR), file);
    }
    // The file is replaced through a temporary file beside it.
    if (!QFileInfo(folder).isWritable() || (info.exists() && !info.isWritable()))
        return WithFile(qt_error_string(EACCES), file);
    return {};
}

// After a failed save: the reason as far as it can be found.
QString SaveFailureReason(const QString& file)
{
    QSaveFile probe(file);
    QString reason;
    if (!probe.open(QIODevice::WriteOnly))
        reason = probe.errorString();
    probe.cancelWriting();
    if (reason.isEmpty())
        reason = QStringLiteral("Unable to save the settings file");
    return WithFile(reason, file);
}

// A hand edit can leave a line QSettings cannot parse (a section without its
// "]", a line without "="). QSettings then keeps what it could read but
// refuses to write the file again, so every later write of the program would
// be lost. The file is rewritten with everything that could be read; the
// original text is kept beside it as "<file>.bad" for the administrator.
QString RewriteReadable(const QString& file, const QSettings& broken)
{
    const QString aside = file + QStringLiteral(".bad");
    const QString fresh = file + QStringLiteral(".new");
    QFile::remove(aside);
    QFile::remove(fresh);
    if (!QFile::copy(file, aside))
        return WithFile(QStringLiteral("Unable to keep a copy of the unreadable settings file"), aside);
    {
        QSettings out(fresh, QSettings::IniFormat);
        const QStringList keys = broken.allKeys();
        for (const QString& k : keys)
            out.setValue(k, broken.value(k));
        out.sync();
        if (out.status() != QSettings::NoError) {
            QFile::remove(fresh);
            return SaveFailureReason(file);
        }
    }
    QFile in(fresh);
    QSaveFile out(file);
    const bool ok = in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly)
        && out.write(in.readAll()) >= 0 && out.commit();
    in.close();
    QFile::remove(fresh);
    return ok ? QString() : WithFile(out.errorString(), file);
}

QString FirstPath(const QByteArray& list, const QString& fallback)
{
    const QStringList parts = QString::fromLocal8Bit(list).split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString& p : parts) {
        if (QDir::isAbsolutePath(p))
            return p;
    }
    return fallback;
}

} // namespace

IniRegistryStore::IniRegistryStore(QString userFolder, QString machineFolder)
    : m_userFile(QDir(userFolder).filePath(FileName))
    , m_machineFile(QDir(machineFolder).filePath(FileName))
{
}

std::unique_ptr<IniRegistryStore> IniRegistryStore::FromEnvironment()
{
    const QString home = QDir::homePath();
    const QString user = FirstPath(qgetenv("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    const QString machine = FirstPath(qgetenv("XDG_CONFIG_DIRS"), QStringLiteral("/etc/xdg"));
    return std::make_unique<IniRegistryStore>(user, machine);
}

QString IniRegistryStore::filePath(RegistryRoot root) const
{
    return root == RegistryRoot::CurrentUser ? m_userFile : m_machineFile;
}

QString IniRegistryStore::EntryKey(const QString& subKey, const QString& valueName)
{
    QStringList parts;
    const QStringList path = subKey.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    for (const QString& p : path)
        parts << EscapePart(p);
    if (valueName.isEmpty())
        parts << QStringLiteral("@");
    else if (valueName == QLatin1String("@"))
        parts << QStringLiteral("%40");
    else
        parts << EscapePart(valueName);
    return parts.join(QLatin1Char('/'));
}

QString IniRegistryStore::RegReadString(RegistryRoot root, const QString& subKey, const QString& valueName)
{
    const QString file = filePath(root);
    if (!QFileInfo(file).isFile())
        return {};
    // A status other than NoError may be a save of another instance that
    // failed; what can be read is still read.
    QSettings settings(file, QSettings::IniFormat);
    const QString key = StoredKey(settings, EntryKey(subKey, valueName));
    return ValueText(settings.value(key));
}

bool IniRegistryStore::RegWriteString(RegistryRoot root, const QString& subKey, const QString& valueName,
                                      const QString& value)
{
    const QString file = filePath(root);
    const QString blocker = WriteBlocker(file);
    if (!blocker.isEmpty()) {
        LastRegistryError = blocker;
        return false;
    }
    {
        const QSettings current(file, QSettings::IniFormat);
        // The file is parsed at the first look inside, not at construction.
        current.allKeys();
        if (current.status() == QSettings::FormatError) {
            const QString reason = RewriteReadable(file, current);
            if (!reason.isEmpty()) {
                LastRegistryError = reason;
                return false;
            }
        }
    }
    QSettings settings(file, QSettings::IniFormat);
    const QString key = StoredKey(settings, EntryKey(subKey, valueName));
    const bool existed = settings.contains(key);
    const QVariant before = settings.value(key);

    settings.setValue(key, value);
    settings.sync();
    if (settings.status() == QSettings::NoError)
        return true;

    LastRegistryError = SaveFailureReason(file);
    // The disk refused it after all (full, gone read-only): put back what is
    // on disk so that the cache does not pretend otherwise.
    if (existed)
        settings.setValue(key, before);
    else
        settings.remove(key);
    return false;
}

} // namespace tesk
