#include "display/board/BoardBackground.h"

#include <QFileInfo>
#include <QImageReader>

#include <limits>
#include <stdexcept>

namespace tesk {

void BoardBackground::setCurrentPath(const QString& path) { m_path = path; }

QString BoardBackground::currentPath() const { return m_path; }

QString BoardBackground::existingFile(const QString& baseName) const
{
    // Windows bitmaps first; clinics also have PNG and JPEG pictures at hand.
    for (const char* ext : {".bmp", ".png", ".jpg"}) {
        const QString file = m_path + baseName + QLatin1String(ext);
        if (QFileInfo(file).isFile())
            return file;
    }
    return {};
}

void BoardBackground::load(const QString& file)
{
    QImageReader reader(file);
    QImage picture = reader.read();
    if (picture.isNull())
        throw std::runtime_error(QStringLiteral("%1: %2").arg(file, reader.errorString()).toStdString());
    m_bt2 = picture.convertToFormat(QImage::Format_RGB32);
}

bool BoardBackground::LoadBackground()
{
    // A picture that cannot be read leaves the one shown before: clearing
    // first and failing after would leave the board black until a restart.
    const QImage shown = m_bt2;
    try {
        return loadCurrent();
    } catch (...) {
        m_bt2 = shown;
        throw;
    }
}

bool BoardBackground::loadCurrent()
{
    if (!m_bt2.isNull())
        m_bt2.fill(QColor(Qt::black));

    const QString numbered = existingFile(QStringLiteral("TESK_VistorBackground_") + QString::number(m_curr));
    if (!numbered.isEmpty()) {
        load(numbered);
        return true;
    }
    const QString first = existingFile(QStringLiteral("TESK_VistorBackground_0"));
    if (!first.isEmpty()) {
        m_curr = 0;
        load(first);
        return true;
    }
    const QString plain = existingFile(QStringLiteral("TESK_VistorBackground"));
    if (!plain.isEmpty()) {
        load(plain);
        return true;
    }
    return false;
}

bool BoardBackground::BackGroundTimerTimer()
{
    // The number keeps growing while only the unnumbered picture exists;
    // stop short of overflowing it.
    m_curr = m_curr < std::numeric_limits<int>::max() ? m_curr + 1 : 0;
    return LoadBackground();
}

} // namespace tesk
