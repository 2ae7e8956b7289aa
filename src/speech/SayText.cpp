#include "speech/SpeechEngine.h"

#include <algorithm>
#include <limits>
#include <optional>

namespace tesk {

namespace {

// Markup markers that call texts may carry around a name.
const QString OpeningMarker = QStringLiteral("!\"#\u00A4%&");
const QString ClosingMarker = QStringLiteral("&%\u00A4#\"!");

// The program's integer conversion: optional leading spaces, an optional
// sign, then decimal digits or a hexadecimal number after "$" or "0x";
// nothing may follow and the value must fit 32 bits.
std::optional<qint64> WholeNumber(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text.at(i) == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    int base = 10;
    if (i < n && text.at(i) == QLatin1Char('$')) {
        base = 16;
        ++i;
    } else if (i + 1 < n && text.at(i) == QLatin1Char('0')
               && (text.at(i + 1) == QLatin1Char('x') || text.at(i + 1) == QLatin1Char('X'))) {
        base = 16;
        i += 2;
    }
    if (i >= n)
        return std::nullopt;
    qint64 value = 0;
    for (; i < n; ++i) {
        const ushort c = text.at(i).unicode();
        int d = -1;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        if (d < 0)
            return std::nullopt;
        value = value * base + d;
        if (value > qint64(std::numeric_limits<quint32>::max()))
            return std::nullopt;
    }
    if (base == 10) {
        const qint64 v = negative ? -value : value;
        if (v < std::numeric_limits<qint32>::min() || v > std::numeric_limits<qint32>::max())
            return std::nullopt;
        return v;
    }
    // Hexadecimal covers the full 32 bits, as two's complement.
    const qint64 v = qint32(quint32(value));
    return negative ? -v : v;
}

bool NonZeroWholeNumber(const QString& text)
{
    const std::optional<qint64> v = WholeNumber(text);
    return v && *v != 0;
}

// Copy(text, from, count) with `from` counted from 1, as the grouping rule
// is told; characters past the end are simply not there.
QString Copy(const QString& text, qsizetype from, qsizetype count)
{
    if (from < 1 || from > text.size())
        return {};
    return text.mid(from - 1, count);
}

// Spells the number group around the first hyphen so that a voice reads a
// personal or date number in pairs. Returns the text unchanged when there is
// nothing to group or the group does not fit.
QString GroupNumbers(const QString& text)
{
    const qsizetype hyphen = text.indexOf(QLatin1Char('-'));
    if (hyphen < 0)
        return text;
    const qsizetype p = hyphen + 1;

    QString tail = Copy(text, p + 1, 4);
    QString head = p - 6 <= 0 ? Copy(text, 1, 6) : Copy(text, p - 6, 6);
    qsizetype a = 6;
    if (NonZeroWholeNumber(head)) {
        const QString eight = p - 8 <= 0 ? Copy(text, 1, 8) : Copy(text, p - 8, 8);
        if (NonZeroWholeNumber(eight)) {
            head = eight;
            a = 8;
        }
    }
    if (!NonZeroWholeNumber(tail) || !NonZeroWholeNumber(head))
        return text;
    // A number group that would have to start before the text (only a
    // leading sign makes the hyphen its own head) has no place to go: the
    // text is left as it was.
    if (p - a < 1 || head.size() != a)
        return text;

    if (a == 8) {
        head.insert(2, QStringLiteral("00 "));
        head.insert(7, QLatin1Char(' '));
        head.insert(10, QLatin1Char(' '));
    } else {
        head.insert(2, QLatin1Char(' '));
        head.insert(5, QLatin1Char(' '));
    }
    tail.insert(std::min<qsizetype>(2, tail.size()), QLatin1Char(' '));

    QString result = text;
    const qsizetype start = p - a - 1; // 0-based
    result.replace(start, std::min<qsizetype>(a + 5, result.size() - start), head + QStringLiteral(", ") + tail);
    return result;
}

} // namespace

QString SayText(const QString& sayString)
{
    QString text = sayString;
    text.remove(OpeningMarker);
    text.remove(OpeningMarker + ClosingMarker);
    text.remove(ClosingMarker);
    text = GroupNumbers(text);
    text.replace(QLatin1Char('-'), QLatin1Char(' '));
    return text;
}

} // namespace tesk
