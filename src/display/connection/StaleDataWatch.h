#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>

namespace tesk {

// Whether the calls on the board can still be trusted. The main connection
// reports a loss (or a failed attempt), a refused server version and an
// accepted one; from the first of the first two until the last, the board
// is to carry a banner saying since when nothing has been heard.
//
// The banner's first line is fixed; a refused version adds the status
// text's reason as a second line. The time is that of the first loss of the
// stretch: further failed attempts do not move it.
class StaleDataWatch : public QObject {
    Q_OBJECT
public:
    using Clock = std::function<QDateTime()>;

    explicit StaleDataWatch(Clock clock, QObject* parent = nullptr);

    // Empty while the data is current.
    QString bannerText() const { return m_text; }
    bool stale() const { return m_since.isValid(); }

public Q_SLOTS:
    void connectionDown();
    void versionRefused(const QString& statusText);
    void versionAccepted();

Q_SIGNALS:
    void bannerChanged(const QString& text);

private:
    void markDown();
    void publish(const QString& text);

    Clock m_clock;
    QDateTime m_since;
    QString m_text;
};

// "Ingen kontakt med servern sedan HH:MM - visade kallelser kan vara inaktuella"
QString StaleBannerLine(const QTime& since);

} // namespace tesk
