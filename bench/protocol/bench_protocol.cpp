// Figures for the wire path: codec, receive assembly, frame search and field
// reading. Prints min / median / p95 per case; never passes or fails.
#include "common/TextHelpers.h"
#include "protocol/Codepage.h"
#include "protocol/Framing.h"
#include "protocol/ReceiveAssembly.h"

#include <QCoreApplication>
#include "BenchFigures.h"


#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

using namespace tesk;

namespace {

void report(const char* name, int runs, double bytes, const std::function<void()>& body)
{
    const bench::Figures f = bench::Measure(runs, body);
    std::printf("%-48s min %8.3f ms  median %8.3f ms  p95 %8.3f ms", name, f.min, f.median, f.p95);
    if (bytes > 0)
        std::printf("  (%.0f MiB/s at median)", bytes / (1024.0 * 1024.0) / (f.median / 1000.0));
    std::printf("\n");
}

QByteArray payload(qsizetype size)
{
    QByteArray data(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        data[i] = char(0x20 + (i * 7) % 0xA0 == 0xA4 ? 'x' : 0x20 + (i * 7) % 0xA0);
    return data;
}

// The reads of one bracketed message, cut before the clock starts.
QByteArrayList readsOf(const QByteArray& body, qsizetype readSize)
{
    const QByteArray wire = "#DATASTART#" + body + "#DATAEND#";
    QByteArrayList reads;
    for (qsizetype pos = 0; pos < wire.size(); pos += readSize)
        reads << wire.mid(pos, readSize);
    if (reads.size() > 1 && !reads.last().contains("#DATAEND#")) // keep the end marker whole
        reads[reads.size() - 2] += reads.takeLast();
    return reads;
}

void assemble(const QByteArrayList& reads, qsizetype expected)
{
    ReceiveAssembler assembler;
    std::optional<QString> message;
    for (const QByteArray& read : reads)
        message = assembler.feed(read);
    if (!message || message->size() != expected)
        std::printf("assembly went wrong\n");
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);

    const QByteArray mib = payload(1024 * 1024);
    const QString text = FromAnsi(mib);
    report("FromAnsi 1 MiB", 30, mib.size(), [&] { (void)FromAnsi(mib); });
    report("ToAnsi 1 MiB", 30, mib.size(), [&] { (void)ToAnsi(text); });

    // Linear in the bytes: time per MiB stays flat as the message grows.
    for (const qsizetype mibs : {1, 4, 12}) {
        const QByteArray body = payload(mibs * 1024 * 1024);
        for (const qsizetype read : {qsizetype(64), qsizetype(4096), qsizetype(65536)}) {
            const QByteArray name = "assemble " + QByteArray::number(mibs) + " MiB in " + QByteArray::number(read) +
                                    "-byte reads";
            const QByteArrayList reads = readsOf(body, read);
            report(name.constData(), read == 64 ? 5 : 15, body.size(), [&] { assemble(reads, body.size()); });
        }
    }

    // A CURRENTLIST of 60 resources with 5 callers each, cut and read field by field.
    QString list;
    for (int r = 0; r < 60; ++r) {
        list += QStringLiteral("Resurs %1:%1:255:%1:¤%").arg(r);
        for (int c = 0; c < 5; ++c)
            list += QStringLiteral("Rum %1~%1~2024-03-05 10:%2:00~0~0~~~").arg(c).arg(10 + c);
        list += QStringLiteral("%¤:");
    }
    const QString message = ComposeFrame(QStringLiteral("RETKLINIKNAMN"), {QStringLiteral("Klinik")}) +
                            ComposeFrame(QStringLiteral("CURRENTLIST"), {list});
    report("find and cut CURRENTLIST (60 x 5)", 200, 0, [&] {
        QString t = message;
        if (const auto f = FindFrame(t, QStringLiteral("CURRENTLIST")))
            RemoveFrame(t, *f);
    });
    const QString callers = QStringLiteral("Anna~1~2024-03-05 10:00:00~0~0~~~").repeated(200);
    report("GetField over 1400 '~' fields, index by index", 20, 0, [&] {
        for (int i = 0; !GetField(callers, i, QLatin1Char('~')).isEmpty() || i % 7 != 0; ++i) {
        }
    });
    return 0;
}
