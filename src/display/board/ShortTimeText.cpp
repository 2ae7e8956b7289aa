#include "display/board/ShortTimeText.h"

#include <QTime>

#include <cmath>

namespace tesk {

QString LongTimeFormatWithoutZone(const QLocale& locale)
{
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar ch = format.at(i);
        if (ch == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && ch == QLatin1Char('t'))
            continue;
        out += ch;
    }
    return out.trimmed();
}

QString ShortTimeText(TDateTime t, const QString& longTimeFormat)
{
    double fraction = 0;
    if (std::isfinite(t))
        fraction = std::fabs(t - std::trunc(t));
    qint64 ms = std::llround(fraction * 86400000.0);
    if (ms >= 86400000)
        ms = 86400000 - 1;
    const QString text = QTime::fromMSecsSinceStartOfDay(int(ms)).toString(longTimeFormat);
    return text.size() == 8 ? text.left(5) : text;
}

QString ShortTimeText(TDateTime t) { return ShortTimeText(t, LongTimeFormatWithoutZone(QLocale())); }

} // namespace tesk
