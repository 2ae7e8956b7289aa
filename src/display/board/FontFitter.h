#pragma once

#include <QFontMetrics>
#include <QHash>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>

namespace tesk {

// The font size at which a text fills a box, starting from size `start`:
//   - when the text at `start` is wider or higher than the box, the largest
//     size from `start` down to 1 at which it fits strictly (narrower and
//     lower); `start` when none does;
//   - otherwise one less than the first size from `start` up to 2000 at which
//     it overflows; `start` when none does.
// This is the literal search, one point and one measurement at a time.
int FitFontSize(const QString& face, int start, QSize box, const QString& text);

// The same results from a handful of measurements: measure at the start
// size, scale to the box, confirm at the neighbours (text extents grow with
// the size). Results are remembered by text, face, box and start size, and
// the font metrics of every face and size used are kept, so a repaint of
// the same board measures nothing.
class FontFitter {
public:
    int fit(const QString& face, int start, QSize box, const QString& text);
    // Extent of a text at a size, through the kept metrics.
    QSize extent(const QString& face, int size, const QString& text);

    void clear();
    // Measurements taken since the last clear (for tests and the benchmark).
    qint64 measurements() const { return m_measurements; }

private:
    struct FitKey {
        QString text;
        QString face;
        int width = 0;
        int height = 0;
        int start = 0;
        bool operator==(const FitKey&) const = default;
    };
    friend size_t qHash(const FitKey& key, size_t seed) noexcept;

    int search(const QString& face, int start, QSize box, const QString& text);
    const QFontMetrics& metrics(const QString& face, int size);

    QHash<FitKey, int> m_results;
    QHash<QString, std::shared_ptr<QFontMetrics>> m_metrics; // "face\nsize"
    qint64 m_measurements = 0;
};

} // namespace tesk
