#include "display/board/FontFitter.h"

#include "display/board/BoardText.h"

#include <algorithm>
#include <cmath>

namespace tesk {
namespace {

constexpr int kLargestSize = 2000;
// Bounds of the remembered results and metrics; on overflow they start over.
constexpr qsizetype kMaxResults = 20000;
constexpr qsizetype kMaxMetrics = 400;

bool overflows(QSize e, QSize box) { return e.width() > box.width() || e.height() > box.height(); }
bool fitsStrictly(QSize e, QSize box) { return e.width() < box.width() && e.height() < box.height(); }

// Smallest s in (lo, hi] at which `pred` holds, hi + 1 when it holds nowhere;
// `pred` must be monotone (false ... false true ... true). The search starts
// at `guess` and widens its steps until it brackets the change.
int firstTrue(int lo, int hi, int guess, const std::function<bool(int)>& pred)
{
    if (hi <= lo)
        return hi + 1;
    int g = std::clamp(guess, lo + 1, hi);
    int trueAt = hi + 1;
    if (pred(g)) {
        trueAt = g;
        for (int step = 1;; step *= 2) {
            const int probe = trueAt - step;
            if (probe <= lo)
                break;
            if (pred(probe)) {
                trueAt = probe;
            } else {
                lo = probe;
                break;
            }
        }
    } else {
        lo = g;
        for (int step = 1;; step *= 2) {
            const int probe = lo + step;
            if (probe > hi)
                break;
            if (pred(probe)) {
                trueAt = probe;
                break;
            }
            lo = probe;
        }
    }
    while (trueAt - lo > 1) {
        const int mid = lo + (trueAt - lo) / 2;
        if (pred(mid))
            trueAt = mid;
        else
            lo = mid;
    }
    return trueAt;
}

// The size the extent e at size c scales to in the box (text extents grow
// in proportion to the size).
double scaledSize(int c, QSize e, QSize box)
{
    double ratio = 1e9;
    if (e.width() > 0)
        ratio = std::min(ratio, double(box.width()) / e.width());
    if (e.height() > 0)
        ratio = std::min(ratio, double(box.height()) / e.height());
    return c * ratio;
}

} // namespace

int FitFontSize(const QString& face, int start, QSize box, const QString& text)
{
    const int c = start;
    if (overflows(TextExtent(BoardFont(face, c), text), box)) {
        for (int s = c; s >= 1; --s) {
            if (fitsStrictly(TextExtent(BoardFont(face, s), text), box))
                return s;
        }
        return c;
    }
    for (int s = c; s <= kLargestSize; ++s) {
        if (overflows(TextExtent(BoardFont(face, s), text), box))
            return s - 1;
    }
    return c;
}

size_t qHash(const FontFitter::FitKey& key, size_t seed) noexcept
{
    return qHashMulti(seed, key.text, key.face, key.width, key.height, key.start);
}

const QFontMetrics& FontFitter::metrics(const QString& face, int size)
{
    const QString key = face + QLatin1Char('\n') + QString::number(size);
    auto it = m_metrics.constFind(key);
    if (it != m_metrics.constEnd())
        return **it;
    if (m_metrics.size() >= kMaxMetrics)
        m_metrics.clear();
    auto fm = std::make_shared<QFontMetrics>(BoardFont(face, size), BoardMeasureDevice());
    return **m_metrics.insert(key, std::move(fm));
}

QSize FontFitter::extent(const QString& face, int size, const QString& text)
{
    ++m_measurements;
    const QFontMetrics& fm = metrics(face, size);
    return QSize(fm.horizontalAdvance(text), fm.height());
}

int FontFitter::fit(const QString& face, int start, QSize box, const QString& text)
{
    FitKey key{text, face, box.width(), box.height(), start};
    auto it = m_results.constFind(key);
    if (it != m_results.constEnd())
        return *it;
    const int result = search(face, start, box, text);
    if (m_results.size() >= kMaxResults)
        m_results.clear();
    m_results.insert(std::move(key), result);
    return result;
}

int FontFitter::search(const QString& face, int start, QSize box, const QString& text)
{
    const int c = start;
    if (c < 1 || c > kLargestSize) // outside the searched range: nothing to speed up
        return FitFontSize(face, start, box, text);

    const QSize e0 = extent(face, c, text);
    if (overflows(e0, box)) {
        // Largest strictly fitting size below c: "does not fit" is monotone.
        auto tooBig = [&](int s) { return !fitsStrictly(extent(face, s, text), box); };
        const double scaled = scaledSize(c, e0, box);
        const int guess = scaled >= c ? c : int(std::floor(scaled)) + 1;
        const int first = firstTrue(0, c - 1, guess, tooBig);
        return first <= 1 ? c : first - 1;
    }
    // First overflowing size above c.
    auto over = [&](int s) { return overflows(extent(face, s, text), box); };
    const double scaled = scaledSize(c, e0, box);
    const int guess = scaled >= kLargestSize ? kLargestSize : int(std::floor(scaled)) + 1;
    const int first = firstTrue(c, kLargestSize, guess, over);
    return first > kLargestSize ? c : first - 1;
}

void FontFitter::clear()
{
    m_results.clear();
    m_metrics.clear();
    m_measurements = 0;
}

} // namespace tesk
