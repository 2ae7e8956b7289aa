#include "common/VersionCompare.h"

#include "common/TextHelpers.h"

#include <QStringList>

#include <algorithm>

namespace tesk {

int CompareDottedVersions(const QString& a, const QString& b)
{
    const QStringList pa = TrimBlank(a).split(QLatin1Char('.'));
    const QStringList pb = TrimBlank(b).split(QLatin1Char('.'));
    const qsizetype n = std::max(pa.size(), pb.size());
    for (qsizetype i = 0; i < n; ++i) {
        // Parts are compared as unsigned numbers of any length, so a huge
        // part never wraps round into a small one.
        QString x = i < pa.size() ? TrimBlank(pa.at(i)) : QString();
        QString y = i < pb.size() ? TrimBlank(pb.at(i)) : QString();
        auto normalise = [](QString& s) {
            for (const QChar c : s) {
                if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
                    s.clear();
                    break;
                }
            }
            qsizetype zeros = 0;
            while (zeros < s.size() && s.at(zeros) == QLatin1Char('0'))
                ++zeros;
            s.remove(0, zeros);
        };
        normalise(x);
        normalise(y);
        if (x.size() != y.size())
            return x.size() < y.size() ? -1 : 1;
        const int c = x.compare(y);
        if (c != 0)
            return c < 0 ? -1 : 1;
    }
    return 0;
}

int DotlessVersionNumber(const QString& version)
{
    QString digits = version;
    digits.remove(QLatin1Char('.'));
    return ReadInt(digits, 0);
}

} // namespace tesk
