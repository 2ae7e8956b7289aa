#include "FrameReader.h"

#include "protocol/Codepage.h"
#include "protocol/Commands.h"

#include <QByteArrayView>
#include <algorithm>

namespace tesk::sim {
namespace {

constexpr char kFrameByte = '\xA4';
constexpr qsizetype kMaxNameLength = 40;

bool IsNameChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

const QList<QByteArray>& KnownOpenings()
{
    static const QList<QByteArray> openings = [] {
        QList<QByteArray> list;
        for (const QString* name :
             {&cmd::GETSERVERVERSION, &cmd::RETSERVERVERSION, &cmd::REGISTERUPATEMACHINE, &cmd::POSTCALLABLESLIST,
              &cmd::RECONNECT, &cmd::GETCALLLIST, &cmd::GETKLINIKNAMN, &cmd::RETKLINIKNAMN, &cmd::GETINITEXT,
              &cmd::SETINITEXT, &cmd::RETINITEXT, &cmd::GETALLCALLABLES, &cmd::RETALLCALLABLES,
              &cmd::GETSTATIONCALLABLES, &cmd::RETSTATIONCALLABLES, &cmd::TESKCLIENTDATA, &cmd::CURRENTLIST,
              &cmd::COMING, &cmd::GETNEWCLIENT, &cmd::RETNEWCLIENT})
            list.append(kFrameByte + name->toLatin1() + ':');
        return list;
    }();
    return openings;
}

constexpr qsizetype kLongestOpening = 2 + 20; // "¤" + REGISTERUPATEMACHINE + ":"

qsizetype FindKnownOpening(const QByteArray& buffer, qsizetype from)
{
    for (qsizetype k = buffer.indexOf(kFrameByte, from); k >= 0; k = buffer.indexOf(kFrameByte, k + 1)) {
        const QByteArrayView rest = QByteArrayView(buffer).sliced(k);
        for (const QByteArray& opening : KnownOpenings()) {
            if (rest.startsWith(opening))
                return k;
        }
    }
    return -1;
}

} // namespace

void FrameReader::clear()
{
    m_buffer.clear();
    m_scanned = 0;
}

FrameReader::Status FrameReader::append(const QByteArray& bytes, QList<QByteArray>& frames, QList<QByteArray>* dropped)
{
    m_buffer.append(bytes);
    const qsizetype scannedHint = m_scanned;
    m_scanned = 0;
    const auto drop = [&](qsizetype from, qsizetype to) {
        if (dropped && to > from)
            dropped->append(m_buffer.mid(from, to - from));
    };

    qsizetype pos = 0;
    for (;;) {
        const qsizetype size = m_buffer.size();
        const qsizetype i = m_buffer.indexOf(kFrameByte, pos);
        if (i < 0) {
            drop(pos, size);
            pos = size;
            break;
        }
        drop(pos, i);
        // Only the frame that was pending at the start of the buffer has been
        // searched before.
        const qsizetype hint = (i == 0) ? scannedHint : 0;

        qsizetype j = i + 1;
        while (j < size && j - i - 1 <= kMaxNameLength && IsNameChar(m_buffer.at(j)))
            ++j;
        if (j >= size && j - i - 1 <= kMaxNameLength) {
            pos = i; // the opening tag itself is still arriving
            break;
        }
        if (j >= size || m_buffer.at(j) != ':' || j == i + 1 || j - i - 1 > kMaxNameLength) {
            drop(i, i + 1); // a lone "¤" that opens nothing
            pos = i + 1;
            continue;
        }

        const QByteArray close = ':' + m_buffer.mid(i + 1, j - i - 1) + kFrameByte;
        const qsizetype s = m_buffer.indexOf(close, std::max(j, hint - close.size() + 1));
        if (s >= 0) {
            frames.append(m_buffer.mid(i, s + close.size() - i));
            pos = s + close.size();
            continue;
        }
        const qsizetype next = FindKnownOpening(m_buffer, std::max(j + 1, hint - kLongestOpening + 1));
        if (next >= 0) {
            drop(i, next); // a frame that was never closed
            pos = next;
            continue;
        }
        pos = i;
        m_scanned = size - i;
        break;
    }
    m_buffer.remove(0, pos);
    return m_buffer.size() > m_limit ? Status::Overflow : Status::Ok;
}

} // namespace tesk::sim
