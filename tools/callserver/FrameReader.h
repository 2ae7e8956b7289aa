#pragma once

#include <QByteArray>
#include <QList>

namespace tesk::sim {

// Cuts the byte stream of one client connection into whole frames
// ("¤CMD:...:CMD¤", Windows-1252 bytes). Text outside frames is dropped. A
// frame whose closing tag never comes is given up when the opening tag of
// another known command follows it, so one broken frame does not stall the
// connection. The bytes held while waiting are bounded: append() reports an
// overflow when more than `limit` bytes are pending without a whole frame.
class FrameReader {
public:
    explicit FrameReader(qsizetype limit = 1024 * 1024) : m_limit(limit) {}

    enum class Status { Ok, Overflow };

    // Appends the bytes and moves every whole frame found to `frames`, in
    // order. Dropped text is added to `dropped` when given (for the log).
    Status append(const QByteArray& bytes, QList<QByteArray>& frames, QList<QByteArray>* dropped = nullptr);

    qsizetype pending() const { return m_buffer.size(); }
    void clear();

private:
    QByteArray m_buffer;
    qsizetype m_limit;
    // How far the incomplete frame at the start of the buffer has been
    // searched already, so a frame arriving byte by byte costs linear time.
    qsizetype m_scanned = 0;
};

} // namespace tesk::sim
