#pragma once

#include "common/WallSettings.h"

#include <QDateTime>
#include <QObject>
#include <QTime>
#include <QTimer>

#include <functional>
#include <optional>

namespace tesk {

// A night time as the settings hold it: "HH:MM", or "HH.MM", the form the
// settings dialog stores (a colon separates the fields of a settings frame,
// so "22:00" would reach the server's copy as "22"). Nothing for an empty
// or broken text (night mode off).
std::optional<QTime> ParseNightTime(const QString& text);
// The form the dialog stores: "HH.MM".
QString NightTimeSetting(const QTime& time);

// Whether `now` lies in the night from `from` (included) to `to` (not
// included). A night may run across midnight (22:00 to 06:00); equal times
// make no night at all.
bool IsNight(const QTime& from, const QTime& to, const QTime& now);

// Decides, once a minute on its clock, whether it is night by the wall
// settings, and says so when that changes. The board dims to the night
// brightness and speech drops to the night volume; calls are shown and
// announced all the same.
class NightMode : public QObject {
    Q_OBJECT
public:
    // The lowest night brightness and speech volume, in percent.
    static constexpr int MinimumNightPercent = 10;

    using Clock = std::function<QDateTime()>;

    explicit NightMode(Clock clock, QObject* parent = nullptr);

    // Takes the times and levels; decides at once.
    void setSettings(const WallSettings& settings);
    bool isNight() const { return m_night; }
    // Board brightness and speech volume in percent for now (100 by day).
    int brightness() const;
    int volume() const;
    bool timerActive() const { return m_timer.isActive(); }

public Q_SLOTS:
    // The minute's check (the timer's; public for tests on a fake clock).
    void tick();

Q_SIGNALS:
    // Night began or ended; brightness() and volume() tell the levels.
    void nightChanged(bool night);

private:
    Clock m_clock;
    QTimer m_timer;
    std::optional<QTime> m_from;
    std::optional<QTime> m_to;
    int m_brightness = 100;
    int m_volume = 100;
    bool m_night = false;
};

} // namespace tesk
