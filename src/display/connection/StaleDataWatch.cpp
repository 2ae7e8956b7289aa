#include "display/connection/StaleDataWatch.h"

namespace tesk {

QString StaleBannerLine(const QTime& since)
{
    return QStringLiteral("Ingen kontakt med servern sedan ") + since.toString(QStringLiteral("HH:mm"))
         + QStringLiteral(" - visade kallelser kan vara inaktuella");
}

StaleDataWatch::StaleDataWatch(Clock clock, QObject* parent) : QObject(parent), m_clock(std::move(clock))
{
    if (!m_clock)
        m_clock = [] { return QDateTime::currentDateTime(); };
}

void StaleDataWatch::markDown()
{
    if (!m_since.isValid())
        m_since = m_clock();
}

void StaleDataWatch::connectionDown()
{
    markDown();
    publish(StaleBannerLine(m_since.time()));
}

void StaleDataWatch::versionRefused(const QString& statusText)
{
    markDown();
    // "\r" is a line break on the board, as in every text of the program.
    publish(StaleBannerLine(m_since.time()) + QLatin1Char('\r') + statusText);
}

void StaleDataWatch::versionAccepted()
{
    m_since = QDateTime();
    publish(QString());
}

void StaleDataWatch::publish(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    Q_EMIT bannerChanged(m_text);
}

} // namespace tesk
