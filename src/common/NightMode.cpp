#include "common/NightMode.h"

#include <QRegularExpression>

#include <algorithm>

namespace tesk {

std::optional<QTime> ParseNightTime(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^\\s*(\\d{1,2})[:.](\\d{2})\\s*$"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const QTime t(m.captured(1).toInt(), m.captured(2).toInt());
    if (!t.isValid())
        return std::nullopt;
    return t;
}

QString NightTimeSetting(const QTime& time)
{
    return time.toString(QStringLiteral("HH.mm"));
}

bool IsNight(const QTime& from, const QTime& to, const QTime& now)
{
    if (from == to)
        return false;
    if (from < to)
        return now >= from && now < to;
    return now >= from || now < to;
}

NightMode::NightMode(Clock clock, QObject* parent) : QObject(parent), m_clock(std::move(clock))
{
    if (!m_clock)
        m_clock = [] { return QDateTime::currentDateTime(); };
    m_timer.setInterval(60000);
    connect(&m_timer, &QTimer::timeout, this, &NightMode::tick);
}

void NightMode::setSettings(const WallSettings& settings)
{
    m_from = ParseNightTime(settings.NightFrom);
    m_to = ParseNightTime(settings.NightTo);
    // A call must still be seen and heard at night: never dark or silent.
    m_brightness = std::clamp(settings.NightBrightness, MinimumNightPercent, 100);
    m_volume = std::clamp(settings.NightVolume, MinimumNightPercent, 100);
    if (m_from && m_to)
        m_timer.start();
    else
        m_timer.stop();
    // New levels matter even when night stays night.
    const bool was = m_night;
    m_night = m_from && m_to && IsNight(*m_from, *m_to, m_clock().time());
    if (m_night || was)
        Q_EMIT nightChanged(m_night);
}

void NightMode::tick()
{
    const bool night = m_from && m_to && IsNight(*m_from, *m_to, m_clock().time());
    if (night == m_night)
        return;
    m_night = night;
    Q_EMIT nightChanged(m_night);
}

int NightMode::brightness() const { return m_night ? m_brightness : 100; }
int NightMode::volume() const { return m_night ? m_volume : 100; }

} // namespace tesk
