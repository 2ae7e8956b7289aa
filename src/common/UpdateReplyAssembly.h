#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace tesk {

// Turns the reads of the update connection into replies: text answers (the
// server's version, an error report) and a program build. The update server
// brackets a build in "#DATASTART#" and "#DATAEND#" around
// "¤RETNEWCLIENT:" + bytes + ":RETNEWCLIENT¤"; a transfer is recognised only
// when its first read holds the start but not the end, and it ends at the
// first read that holds the end marker whole. A read that holds both markers
// is a whole text answer (a build is never that short). A blank read between
// replies is ignored; inside a reply every byte counts.
//
// What is held back while a reply is incomplete never exceeds maxReplyBytes:
// a reply that would grow past it is dropped whole and the assembly starts
// clean. The assembler does not bound a single read: the update connection
// keeps its socket's read buffer bounded.
//
// Widget- and socket-free, so that a fuzzer can feed it any bytes; the update
// client acts on what each read brought.
class UpdateReplyAssembler {
public:
    static constexpr qsizetype MaxReplyBytes = qsizetype(64) * 1024 * 1024;
    // Of an error report, no more than this is shown.
    static constexpr qsizetype MaxErrorTextChars = 200;

    // What one read brought, in the order the update client acts on it.
    struct Step {
        // The reply grew past the bound and was dropped (an English reason);
        // droppedFile when it was a build.
        std::optional<QString> dropped;
        bool droppedFile = false;
        // A build's bytes so far, when this read added to one.
        std::optional<qsizetype> progress;
        // From a text answer: the version of RETSERVERVERSION, and the
        // server's error report cut to what a box shows.
        std::optional<QString> serverVersion;
        std::optional<QString> errorReport;
        // A whole build, without markers and tags.
        std::optional<QByteArray> file;
    };

    // A bound of 0 or less is the default bound.
    explicit UpdateReplyAssembler(qsizetype maxReplyBytes = MaxReplyBytes);

    Step feed(const QByteArray& chunk);

    // Forgets any reply half assembled, and the memory it held.
    void reset();

    // True while a reply spans reads; dataIsNewFile() when that reply is a build.
    bool dataNotReady() const { return m_dataNotReady; }
    bool dataIsNewFile() const { return m_dataIsNewFile; }
    // The bytes held back for the incomplete reply.
    qsizetype pendingBytes() const { return m_accumulated.size(); }
    qsizetype maxReplyBytes() const { return m_maxBytes; }

private:
    bool append(const QByteArray& bytes, Step& step);
    static void readText(const QByteArray& bytes, Step& step);

    QByteArray m_accumulated;
    bool m_dataNotReady = false;
    bool m_dataIsNewFile = false;
    qsizetype m_maxBytes;
};

} // namespace tesk
