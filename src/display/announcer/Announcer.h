#pragma once

#include "display/announcer/AnnouncerWindow.h"
#include "display/connection/AnnouncerPort.h"
#include "protocol/Records.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QTimer;

namespace tesk {

class CallListModel;
class SettingsStore;

// Makes a change of the call list noticed by people who are not looking at
// the board: speech of the calls not spoken lately, a tray balloon and an
// event sound when the number of calls changed, and the window brought
// forward. SayTimer repeats the speech of calls that are still waiting.
//
// Settings are read at the moment they are used (section "TESK"), so a
// change in the settings dialog counts from the next call list on.
class Announcer : public QObject, public AnnouncerPort {
    Q_OBJECT
public:
    static inline const QString BalloonTitle = QStringLiteral("Från signaleringssystemet");
    // The notification area keeps no more of a balloon's text.
    static constexpr int BalloonTextLimit = 255;
    // A call is spoken again only after this much silence about it.
    static constexpr qint64 RepeatAfterMs = 5 * 60 * 1000;

    struct Services {
        CallListModel* model = nullptr;
        SettingsStore* settings = nullptr;
        std::unique_ptr<AnnouncerWindow> window;
        // The main window's repeat timer (its interval set at start).
        QTimer* sayTimer = nullptr;
        // Speaks a text through the speech engine, asynchronously; nothing
        // when there is no ready engine.
        std::function<void(const QString& text)> say;
        // Plays the named event sound without waiting.
        std::function<void(const QString& alias)> playSound;
        // The local date-time; the system clock when not given.
        std::function<TDateTime()> now;
    };

    explicit Announcer(Services services, QObject* parent = nullptr);
    ~Announcer() override;

    void SyncSayList() override;
    void AnnounceCallList(int CallerCount, int PreviousCallerCount) override;

    // Speaks every call of the say list not spoken within RepeatAfterMs,
    // in one text, and sets SayTimer going again (or stopped) from
    // TESK/RepeatSayInfo.
    void SayDueCalls();
    // The repeat pass: as SayDueCalls, except that a call somebody has
    // confirmed and that was already spoken is not repeated.
    void SayTimerTimer();
    // Double-click on the tray icon.
    void TrayIcon1DblClick();

    // The balloon text as shown: the call list's, cut to the limit.
    static QString BalloonShown(const QString& balloonText);

private:
    // One announcement's turn; countChanged: the number of calls changed
    // with the list (or with any of the lists merged into the turn).
    void Announce(int CallerCount, bool countChanged);
    void SayDue();
    bool Setting(const QString& key, bool defaultValue) const;

    Services m;
    // The lists that arrived while an announcement was running (waiting for
    // a setting), announced as one turn when that one is done.
    struct Pending {
        int CallerCount;
        // Any of them changed the count, even if the last one ends where
        // the first began: calls came and went in between.
        bool countChanged;
    };
    bool m_announcing = false;
    std::optional<Pending> m_pending;
};

} // namespace tesk
