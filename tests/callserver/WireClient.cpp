#include "WireClient.h"

#include "FakeServer.h"

#include "common/TextHelpers.h"
#include "protocol/Codepage.h"
#include "protocol/Commands.h"
#include "protocol/Framing.h"

namespace tesk::test {

WireClient::WireClient(QObject* parent)
    : QObject(parent)
{
    connect(&m_socket, &QTcpSocket::readyRead, this, [this] {
        const QByteArray chunk = m_socket.readAll();
        m_reads.append(chunk);
        m_bytes.append(chunk);
    });
}

bool WireClient::connectTo(quint16 port)
{
    m_socket.connectToHost(QHostAddress(QHostAddress::LocalHost), port);
    return waitFor([this] { return m_socket.state() == QAbstractSocket::ConnectedState; });
}

void WireClient::send(const QString& command, const QStringList& fields)
{
    m_socket.write(ToAnsi(ComposeFrame(command, fields)));
}

void WireClient::sendRaw(const QByteArray& bytes)
{
    m_socket.write(bytes);
}

QString WireClient::text() const
{
    QString t = FromAnsi(m_bytes);
    t.remove(cmd::DataStart);
    t.remove(cmd::DataEnd);
    return t;
}

QStringList WireClient::frames(const QString& command) const
{
    QStringList result;
    QString t = text();
    while (const std::optional<FrameCut> cut = FindFrame(t, command)) {
        result << cut->cut;
        t.remove(0, cut->position + cut->removeLength);
    }
    return result;
}

void WireClient::clear()
{
    m_bytes.clear();
    m_reads.clear();
}

bool WireClient::waitFor(const std::function<bool()>& pred, int timeoutMs)
{
    return waitUntil(pred, timeoutMs);
}

bool WireClient::waitForFrames(const QString& command, int n, int timeoutMs)
{
    return waitUntil([&] { return count(command) >= n; }, timeoutMs);
}

QString FieldOf(const QString& frame, int k)
{
    return GetField(frame, k, QLatin1Char(':'));
}

QList<ListedCall> ParseCurrentList(const QString& frame)
{
    QList<ListedCall> calls;
    const QString open = OpeningTag(cmd::CURRENTLIST);
    if (!frame.startsWith(open))
        return calls;
    const QString payload = frame.mid(open.size());
    const QString recordEnd = QStringLiteral("%") + FrameChar + QLatin1Char(':');
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = payload.indexOf(recordEnd, start);
        if (end < 0)
            break;
        const QString record = payload.mid(start, end + recordEnd.size() - start);
        start = end + recordEnd.size();
        ListedCall call;
        call.name = GetField(record, 0, QLatin1Char(':'));
        if (call.name.isEmpty())
            break;
        call.number = ReadInt(GetField(record, 1, QLatin1Char(':')), 0);
        call.colour = GetField(record, 2, QLatin1Char(':')).toLongLong();
        call.ix = ReadInt(GetField(record, 3, QLatin1Char(':')), 0);
        const qsizetype open = record.indexOf(QString(FrameChar) + QLatin1Char('%'));
        const qsizetype close = record.indexOf(QStringLiteral("%") + FrameChar);
        const QString list = open >= 0 && close > open ? record.mid(open + 2, close - open - 2) : QString();
        for (int j = 0;; ++j) {
            if (GetField(list, 7 * j, QLatin1Char('~')).isEmpty())
                break;
            QStringList fields;
            for (int f = 0; f < 7; ++f)
                fields << GetField(list, 7 * j + f, QLatin1Char('~'));
            call.callers << fields;
        }
        calls << call;
    }
    return calls;
}

} // namespace tesk::test
