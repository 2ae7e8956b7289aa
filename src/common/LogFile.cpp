#include "common/LogFile.h"

#include <QDateTime>
#include <QDir>
#include <QMutex>
#include <QMutexLocker>

#include <cstdio>

namespace tesk {

namespace {

// Qt calls the message handler on whichever thread logs (the speech
// engine's thread, D-Bus's): the installed file and its writes are shared.
QMutex g_lock;
LogFile* g_installed = nullptr;
thread_local bool t_writing = false;

const char* LevelName(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg: return "debug";
    case QtInfoMsg: return "info";
    case QtWarningMsg: return "warning";
    case QtCriticalMsg: return "critical";
    case QtFatalMsg: return "fatal";
    }
    return "info";
}

} // namespace

QString FormatLogLine(const QDateTime& time, QtMsgType type, const char* category, const QString& message)
{
    return time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz ")) + QLatin1String(LevelName(type))
        + QLatin1Char(' ') + QLatin1String(category && *category ? category : "default") + QStringLiteral(": ")
        + message;
}

void LogFile::handleMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    const QString line = FormatLogLine(QDateTime::currentDateTime(), type, context.category, message);
    // A message raised while a line is being written (by the file itself)
    // goes to standard error only.
    if (t_writing) {
        std::fputs(line.toUtf8().append('\n').constData(), stderr);
        return;
    }
    t_writing = true;
    {
        const QMutexLocker lock(&g_lock);
        if (g_installed)
            g_installed->writeLocked(line);
        else
            std::fputs(line.toUtf8().append('\n').constData(), stderr);
    }
    t_writing = false;
}

LogFile::LogFile(Options options)
    : m_options(std::move(options))
{
    if (m_options.maxBytes < 1024)
        m_options.maxBytes = 1024;
    m_options.keep = std::max(0, m_options.keep);
    if (!m_options.folder.isEmpty() && QDir().mkpath(m_options.folder)) {
        m_file.setFileName(QDir(m_options.folder).filePath(m_options.fileName));
        // A file that cannot be opened leaves standard error alone; the
        // program runs on without its file.
        if (m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
            m_size = m_file.size();
    }
}

LogFile::~LogFile()
{
    const QMutexLocker lock(&g_lock);
    if (g_installed == this) {
        g_installed = nullptr;
        qInstallMessageHandler(nullptr);
    }
}

QString LogFile::filePath() const
{
    return m_file.fileName();
}

void LogFile::install()
{
    const QMutexLocker lock(&g_lock);
    g_installed = this;
    qInstallMessageHandler(&LogFile::handleMessage);
}

void LogFile::write(const QString& line)
{
    const QMutexLocker lock(&g_lock);
    writeLocked(line);
}

void LogFile::writeLocked(const QString& line)
{
    const QByteArray bytes = line.toUtf8().append('\n');
    if (m_options.toStandardError)
        std::fputs(bytes.constData(), stderr);
    if (!m_file.isOpen())
        return;
    if (m_size > 0 && m_size + bytes.size() > m_options.maxBytes)
        rotate();
    if (!m_file.isOpen())
        return;
    m_size += m_file.write(bytes);
    m_file.flush();
}

void LogFile::rotate()
{
    const QString path = m_file.fileName();
    m_file.close();
    if (m_options.keep == 0) {
        QFile::remove(path);
    } else {
        QFile::remove(path + QStringLiteral(".%1").arg(m_options.keep));
        for (int i = m_options.keep - 1; i >= 1; --i)
            QFile::rename(path + QStringLiteral(".%1").arg(i), path + QStringLiteral(".%1").arg(i + 1));
        QFile::rename(path, path + QStringLiteral(".1"));
    }
    m_file.setFileName(path);
    m_size = 0;
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        return;
    m_size = m_file.size();
}

} // namespace tesk
