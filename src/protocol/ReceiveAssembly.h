#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

namespace tesk {

// Turns the reads of the main connection into message texts. A server
// brackets a message that may span several reads in "#DATASTART#" and
// "#DATAEND#"; anything else is one message per read.
//
// Each read is searched only for itself, and a bracketed message is appended
// to once per read, so the work is linear in the bytes received. Markers are
// recognised only when one read holds them whole: an end marker split over
// two reads is not seen, and the message keeps growing until a read holds
// "#DATAEND#" whole.
//
// A bracketed message may hold at most MaxMessageBytes bytes. One that would
// grow past that is dropped whole, the assembly starts clean (as if nothing
// had been received) and the drop reporter is called once with an English
// reason. The connection shows it as "Error in ClientSocket1Read!\r\r" + reason.
// The reporter runs as the last step of feed(), with the state already clean,
// so it may run a modal box (and with it further reads) safely.
//
// The assembler does not bound a single read: the connection reads what its
// socket holds and should keep the socket's read buffer bounded.
class ReceiveAssembler {
public:
    static constexpr qsizetype MaxMessageBytes = 16 * 1024 * 1024;

    using DropReporter = std::function<void(const QString& reason)>;

    explicit ReceiveAssembler(DropReporter reportDrop = {}, qsizetype maxMessageBytes = MaxMessageBytes);

    void setDropReporter(DropReporter reportDrop) { m_reportDrop = std::move(reportDrop); }

    // Feeds one read. Returns the complete message text (decoded, with its
    // first start and first end marker removed) when this read completes one.
    std::optional<QString> feed(const QByteArray& chunk);

    // The partial bracketed message while datanotready() is set. Once the
    // message is complete it is handed on and this is empty; only the next
    // read that opens a message fills it again.
    const QByteArray& completeincomestring() const { return m_complete; }
    // True while a bracketed message is incomplete.
    bool datanotready() const { return m_dataNotReady; }

    qsizetype maxMessageBytes() const { return m_maxBytes; }

    // Forgets a pending bracketed message. A new connection must not append
    // its first answers to the half message that a lost one left behind.
    void reset();

private:
    std::optional<QString> finish(QByteArray message) const;
    void drop(qsizetype wouldBe);

    QByteArray m_complete;
    bool m_dataNotReady = false;
    qsizetype m_maxBytes;
    DropReporter m_reportDrop;
};

} // namespace tesk
