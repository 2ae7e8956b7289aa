// Parsing a CURRENTLIST payload of 100, 1,000 and 10,000 resources with ten
// callers each. The time per resource should stay flat as the list grows.

#include "display/connection/CallListParser.h"
#include "protocol/DateTimeValue.h"

#include "BenchFigures.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace tesk;

namespace {

QString Payload(int resources, int callersEach)
{
    const QString cur = QStringLiteral("\u00A4");
    QString text;
    text.reserve(qsizetype(resources) * (60 + callersEach * 70));
    for (int r = 0; r < resources; ++r) {
        text += QStringLiteral("Resurs %1:%2:%3:%4:").arg(r).arg(r + 1).arg(255 + r).arg(resources - r);
        text += cur + QLatin1Char('%');
        for (int c = 0; c < callersEach; ++c) {
            if (c > 0)
                text += QLatin1Char('~');
            text += QStringLiteral("V\u00E4ntrum %1~%2~2024-03-05 14:07:%3~32768~%4~2024-03-05 14:08:00~Eva")
                        .arg(c)
                        .arg(c + 1)
                        .arg(c % 60, 2, 10, QLatin1Char('0'))
                        .arg(c % 2);
        }
        text += QLatin1Char('%') + cur + QLatin1Char(':');
    }
    return text;
}

} // namespace

int main()
{
    std::printf("%-10s %10s %12s %12s %12s %14s\n", "resources", "bytes", "min ms", "median ms", "p95 ms",
                "median us/res");
    for (const int resources : {100, 1000, 10000}) {
        const QString payload = Payload(resources, 10);
        const int runs = resources >= 10000 ? 15 : 40;
        int check = 0;
        const bench::Figures f = bench::Summarise(bench::TimeRuns(runs, [&] {
            check += ParseCurrentList(payload).CallerCount;
        }));
        if (check != (runs + 1) * resources * 10) {
            std::fprintf(stderr, "parse gave %d callers, expected %d\n", check, (runs + 1) * resources * 10);
            return 1;
        }
        std::printf("%-10d %10lld %12.3f %12.3f %12.3f %14.2f\n", resources, static_cast<long long>(payload.size()),
                    f.min, f.median, f.p95, f.median * 1000.0 / resources);
    }

    // Each caller carries two date-times; their conversion is most of the
    // cost above, so show it on its own.
    const QString stamp = QStringLiteral("2024-03-05 14:07:09");
    double sink = 0;
    // 1000 conversions per run: the figures in milliseconds read as microseconds per call.
    const bench::Figures f = bench::Measure(20, [&] {
        for (int k = 0; k < 1000; ++k)
            sink += ParseWireDateTime(stamp);
    });
    if (sink < 0)
        return 1;
    std::printf("ParseWireDateTime: min %.2f us, median %.2f us, p95 %.2f us per call\n", f.min, f.median, f.p95);
    return 0;
}
