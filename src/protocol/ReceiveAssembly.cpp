#include "protocol/ReceiveAssembly.h"

#include "protocol/Codepage.h"

#include <QByteArrayView>

#include <utility>

namespace tesk {
namespace {

// Put together at run time: a program file that held the markers' bytes as
// they stand could not travel between them to an updating client, which
// would cut the file at the first one.
const QByteArray kDataStart = QByteArray("#DATA") + QByteArray("START#");
const QByteArray kDataEnd = QByteArray("#DATA") + QByteArray("END#");

// Blank means every character up to and including the space. Bytes decode
// one to one and no byte from 0x21 up decodes to a blank character, so the
// bytes can be tested without decoding them.
bool isBlankRead(const QByteArray& chunk)
{
    for (const char c : chunk) {
        if (static_cast<unsigned char>(c) > 0x20)
            return false;
    }
    return true;
}

} // namespace

ReceiveAssembler::ReceiveAssembler(DropReporter reportDrop, qsizetype maxMessageBytes)
    : m_maxBytes(maxMessageBytes)
    , m_reportDrop(std::move(reportDrop))
{
}

std::optional<QString> ReceiveAssembler::feed(const QByteArray& chunk)
{
    if (isBlankRead(chunk)) {
        // A blank read never ends a pending message; its bytes (a space that
        // happened to arrive alone) still belong to that message.
        if (m_dataNotReady && !chunk.isEmpty()) {
            if (m_complete.size() + chunk.size() > m_maxBytes) {
                drop(m_complete.size() + chunk.size());
                return std::nullopt;
            }
            m_complete.append(chunk);
        }
        return std::nullopt;
    }

    const QByteArrayView read(chunk);
    const bool hasEnd = read.indexOf(kDataEnd) >= 0;

    if (read.indexOf(kDataStart) >= 0) {
        if (!hasEnd) {
            if (chunk.size() > m_maxBytes) {
                drop(chunk.size());
                return std::nullopt;
            }
            m_complete = chunk;
            m_dataNotReady = true;
            return std::nullopt;
        }
        // A whole bracketed message in one read; a pending one stays pending.
        return finish(chunk);
    }

    if (m_dataNotReady) {
        if (m_complete.size() + chunk.size() > m_maxBytes) {
            drop(m_complete.size() + chunk.size());
            return std::nullopt;
        }
        m_complete.append(chunk);
        if (!hasEnd)
            return std::nullopt;
        m_dataNotReady = false;
        // Nothing reads the partial message again before the next start
        // marker replaces it, so it is handed on instead of copied: markers
        // are cut out in place and the memory goes with the message.
        return finish(std::exchange(m_complete, QByteArray()));
    }

    return finish(chunk);
}

std::optional<QString> ReceiveAssembler::finish(QByteArray message) const
{
    // Only the first of each marker goes; further ones stay as stray text.
    // An end marker that two reads formed between them counts here as well.
    if (const qsizetype start = QByteArrayView(message).indexOf(kDataStart); start >= 0)
        message.remove(start, kDataStart.size());
    if (const qsizetype end = QByteArrayView(message).indexOf(kDataEnd); end >= 0)
        message.remove(end, kDataEnd.size());
    return FromAnsi(message);
}

void ReceiveAssembler::reset()
{
    m_complete = QByteArray();
    m_dataNotReady = false;
}

void ReceiveAssembler::drop(qsizetype wouldBe)
{
    reset();
    if (m_reportDrop) {
        m_reportDrop(QStringLiteral("A message of more than %1 bytes arrived without its end marker (%2 bytes so far); it was dropped.")
                         .arg(m_maxBytes)
                         .arg(wouldBe));
    }
}

} // namespace tesk
