#pragma once

#include <QFile>
#include <QString>
#include <QtGlobal>

#include <memory>

class QDateTime;

namespace tesk {

// One log line: time, level, category and text, e.g.
// "2026-03-05 07:05:59.120 info tesk.connection: lost: Connection refused".
QString FormatLogLine(const QDateTime& time, QtMsgType type, const char* category, const QString& message);

// Where the program's log goes: standard error (the journal picks it up
// under systemd) and a small file that rotates at a fixed size, keeping a
// few older files, so a display that runs for months never fills its disk.
// The current file is flushed at every line, so a crash loses nothing.
class LogFile {
public:
    struct Options {
        QString folder;                         // created when missing
        QString fileName = QStringLiteral("TESKVistor.log");
        qint64 maxBytes = 1024 * 1024;          // per file
        int keep = 3;                           // older files: .1 .. .keep
        bool toStandardError = true;
    };

    explicit LogFile(Options options);
    ~LogFile();

    void write(const QString& line);
    QString filePath() const;

    // Makes this the receiver of every Qt log message until it is destroyed
    // (or another is installed). Qt's message handler is process-wide.
    void install();

private:
    static void handleMessage(QtMsgType type, const QMessageLogContext& context, const QString& message);
    void writeLocked(const QString& line); // the shared lock is held
    void rotate();

    Options m_options;
    QFile m_file;
    qint64 m_size = 0;
};

} // namespace tesk
