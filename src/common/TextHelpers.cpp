#include "common/TextHelpers.h"

#include <cmath>

namespace tesk {

QStringView TrimBlankView(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= 0x20)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 0x20)
        --end;
    return text.mid(begin, end - begin);
}

QString TrimBlank(const QString& text)
{
    const QStringView trimmed = TrimBlankView(text);
    // Most values need no trimming: hand back the shared text unchanged.
    return trimmed.size() == text.size() ? text : trimmed.toString();
}

QString GetField(const QString& text, int index, QChar separator)
{
    if (index < 0)
        return {};
    qsizetype start = 0;
    for (int i = 0; i < index; ++i) {
        const qsizetype next = text.indexOf(separator, start);
        if (next < 0)
            return {};
        start = next + 1;
    }
    qsizetype end = text.indexOf(separator, start);
    if (end < 0)
        end = text.size();
    return TrimBlank(text.mid(start, end - start));
}

bool IsIPv4Address(const QString& text)
{
    qsizetype pos = 0;
    for (int part = 0; part < 4; ++part) {
        if (pos > text.size())
            return false; // fewer than four parts
        qsizetype dot = text.indexOf(QLatin1Char('.'), pos);
        if (dot < 0)
            dot = text.size();
        const QStringView digits = QStringView(text).mid(pos, dot - pos);
        if (digits.isEmpty())
            return false;
        int value = 0;
        for (const QChar c : digits) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
            value = value * 10 + (c.unicode() - '0');
            if (value > 255)
                return false;
        }
        pos = dot + 1;
    }
    return true;
}

QString ScreenText(const QString& text)
{
    QString out = text;
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return out;
}

int ReadInt(QStringView text, int defaultValue)
{
    bool ok = false;
    const int value = TrimBlankView(text).toInt(&ok, 10);
    return ok ? value : defaultValue;
}

int ReadInt(const QString& text, int defaultValue)
{
    return ReadInt(QStringView(text), defaultValue);
}

bool ReadBool(const QString& text, bool defaultValue)
{
    const QString t = TrimBlank(text);
    if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const qlonglong n = t.toLongLong(&ok, 10);
    if (ok)
        return n != 0;
    // "nan" and "inf" parse as doubles but are no numbers a setting holds.
    const double d = t.toDouble(&ok);
    return ok && std::isfinite(d) ? d != 0.0 : defaultValue;
}

QString ExceptionText(const std::exception& failure)
{
    return QString::fromUtf8(failure.what());
}

} // namespace tesk
