#include "common/UpdateReplyAssembly.h"

#include "protocol/Codepage.h"
#include "protocol/Commands.h"
#include "protocol/Framing.h"

#include <algorithm>

namespace tesk {

namespace {

const QByteArray& StartMarker()
{
    static const QByteArray m = ToAnsi(cmd::DataStart);
    return m;
}
const QByteArray& EndMarker()
{
    static const QByteArray m = ToAnsi(cmd::DataEnd);
    return m;
}
const QByteArray& FileOpeningTag()
{
    static const QByteArray m = ToAnsi(OpeningTag(cmd::RETNEWCLIENT));
    return m;
}
const QByteArray& FileClosingTag()
{
    static const QByteArray m = ToAnsi(ClosingTag(cmd::RETNEWCLIENT));
    return m;
}

// Blank as on the wire: every byte up to and including the space.
bool IsBlankBytes(const QByteArray& bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) <= 0x20; });
}

} // namespace

UpdateReplyAssembler::UpdateReplyAssembler(qsizetype maxReplyBytes)
    : m_maxBytes(maxReplyBytes > 0 ? maxReplyBytes : MaxReplyBytes)
{
}

void UpdateReplyAssembler::reset()
{
    // The memory goes too: a dropped reply may have held tens of megabytes.
    m_accumulated.clear();
    m_accumulated.squeeze();
    m_dataNotReady = false;
    m_dataIsNewFile = false;
}

bool UpdateReplyAssembler::append(const QByteArray& bytes, Step& step)
{
    if (m_accumulated.size() + bytes.size() > m_maxBytes) {
        step.dropped = QStringLiteral("The reply of the update server is larger than %1 bytes and was dropped.")
                           .arg(m_maxBytes);
        step.droppedFile = m_dataIsNewFile;
        reset();
        return false;
    }
    m_accumulated.append(bytes);
    return true;
}

UpdateReplyAssembler::Step UpdateReplyAssembler::feed(const QByteArray& chunk)
{
    Step step;
    // A blank read is nothing only between replies. Inside one it is part of
    // it: a build's zero padding may well arrive as a read of its own, and a
    // build without it would still pass its version check and be started.
    if (chunk.isEmpty() || (!m_dataNotReady && IsBlankBytes(chunk)))
        return step;

    const qsizetype start = chunk.indexOf(StartMarker());
    if (start >= 0) {
        m_dataIsNewFile = false;
        if (chunk.indexOf(EndMarker()) >= 0) {
            readText(chunk, step);
            return step;
        }
        const qsizetype tag = chunk.indexOf(FileOpeningTag());
        m_dataIsNewFile = tag >= 0;
        m_accumulated.clear();
        if (!m_dataIsNewFile) {
            if (append(chunk, step))
                m_dataNotReady = true;
            return step;
        }
        // The file begins after both the start marker and the opening tag,
        // in whichever order the server put them; what came before them
        // (another answer in the same read) is not part of it.
        const qsizetype dataFrom = std::max(start + StartMarker().size(), tag + FileOpeningTag().size());
        const QByteArray before = chunk.left(std::min(start, tag));
        m_dataNotReady = true;
        if (append(chunk.mid(dataFrom), step))
            step.progress = m_accumulated.size();
        if (!IsBlankBytes(before))
            readText(before, step);
        return step;
    }

    if (m_dataNotReady) {
        const qsizetype end = chunk.indexOf(EndMarker());
        if (m_dataIsNewFile) {
            if (end < 0) {
                if (append(chunk, step))
                    step.progress = m_accumulated.size();
                return step;
            }
            // The file ends at the end marker, without a closing tag that
            // stands directly before it (one after it is dropped with the
            // marker). Anything past the marker is no part of it.
            if (!append(chunk.left(end), step))
                return step;
            if (m_accumulated.endsWith(FileClosingTag()))
                m_accumulated.chop(FileClosingTag().size());
            m_dataNotReady = false;
            m_dataIsNewFile = false;
            step.progress = m_accumulated.size();
            step.file.emplace();
            step.file->swap(m_accumulated);
            return step;
        }
        if (!append(chunk, step) || end < 0)
            return step;
        m_dataNotReady = false;
        QByteArray message;
        message.swap(m_accumulated);
        readText(message, step);
        return step;
    }

    readText(chunk, step);
    return step;
}

void UpdateReplyAssembler::readText(const QByteArray& bytes, Step& step)
{
    QString message = FromAnsi(bytes);
    const qsizetype start = message.indexOf(cmd::DataStart);
    if (start >= 0)
        message.remove(start, cmd::DataStart.size());
    const qsizetype end = message.indexOf(cmd::DataEnd);
    if (end >= 0)
        message.remove(end, cmd::DataEnd.size());

    if (const auto frame = FindFrame(message, cmd::RETSERVERVERSION))
        step.serverVersion = frame->field(1);

    // A file reply read as text (it came whole in one read) is a program's
    // bytes, and "ERROR:" among them is no report of the server's.
    if (bytes.contains(FileOpeningTag()))
        return;
    const qsizetype error = message.indexOf(cmd::ErrorMark);
    if (error >= 0 && !message.contains(cmd::NotRegisteredError)) {
        // The report is unframed: it ends where a frame begins, and a box
        // shows no more of it than a person reads.
        QString text = message.mid(error + cmd::ErrorMark.size() + 1);
        const qsizetype frame = text.indexOf(FrameChar);
        if (frame >= 0)
            text.truncate(frame);
        text.truncate(MaxErrorTextChars);
        step.errorReport = text;
    }
}

} // namespace tesk
