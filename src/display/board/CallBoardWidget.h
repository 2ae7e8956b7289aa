#pragma once

#include "common/BoardSettings.h"
#include "common/WallSettings.h"
#include "display/board/BoardBackground.h"
#include "display/board/CallBoard.h"
#include "display/board/CallSelection.h"
#include "display/board/StaleBanner.h"
#include "protocol/Records.h"

#include <QImage>
#include <QPoint>
#include <QRegion>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

class QAction;
class QMenu;

namespace tesk {

class UserMessages;

// The call board of the main window (`PaintBox1`): a black widget that shows
// the board composed off screen, tracks the call box under the pointer and
// confirms the selected call with COMING.
//
// How the main window uses it:
//   auto* board = new CallBoardWidget(CallList, messages,
//       [this](const QString& frame) { connection->Send(frame); }, this);
//   board->setBoardSettings(settings);          // at start and at every connection
//   board->setKliniknamn(name);                  // on RETKLINIKNAMN
//   board->setCurrentPath(paths.CurrentPath);    // before the first picture is loaded
//   board->LoadFirstBackground();                // once at start
//   board->setBackgroundRotation(minutes, on);   // ChangeBackgroundTimer, ChangeBackground
//   board->callListReplaced();                   // after every CURRENTLIST rebuild
//   board->update();                             // after the settings dialog closes; what
//                                                // was saved there comes with the
//                                                // reconnection that follows
//
// A paint request composes the whole board (CallBoard) when anything it
// shows has changed, and otherwise shows the board composed last: a blink, a
// banner or the night's dimming lie over it, and the waiting times are
// redrawn into it where they changed. A board that cannot be drawn is reported once with "Det gick inte
// att rita om skärmen!" (queued, never from inside the paint) until a paint
// succeeds again; the program goes on.
//
// The call list stays the main window's; the widget reads it and writes the
// ViewRect of every record it draws. What is selected is never remembered:
// a double-click or a menu is hit-tested at its own position against the
// rectangles of the last paint, so a new list that moved the boxes under a
// resting pointer cannot make it confirm the call that used to be there.
// Only an open menu keeps what it offered (as numbers, never as pointers
// into the list), so its item confirms the call its caption names.
class CallBoardWidget : public QWidget {
    Q_OBJECT
public:
    // Sends one complete frame on the main connection (the connection encodes
    // it to the wire's code page).
    using SendFunction = std::function<void(const QString& frame)>;
    // The local date-time that waiting times are counted to.
    using Clock = std::function<TDateTime()>;

    CallBoardWidget(TCallList& callList, UserMessages& messages, SendFunction send, QWidget* parent = nullptr);
    CallBoardWidget(TCallList& callList, UserMessages& messages, SendFunction send, Clock clock,
                    QWidget* parent = nullptr);
    ~CallBoardWidget() override;

    // --- what the board shows ---
    void setBoardSettings(const BoardSettings& settings);
    const BoardSettings& boardSettings() const;
    void setKliniknamn(const QString& name);
    QString kliniknamn() const;
    // The records were replaced by a new CURRENTLIST: schedules a repaint.
    void callListReplaced();

    // Waiting times, escalation and night dimming (night mode itself is
    // decided elsewhere: setNightDimmed).
    void setWallSettings(const WallSettings& settings);
    const WallSettings& wallSettings() const { return m_wall; }

    // At every whole minute of the clock: redraws the waiting times that
    // changed over the composed board (those lines alone) and picks up calls
    // that have now waited past the escalation limit, all as of one reading
    // of the clock. Returns the region repainted.
    QRegion minuteTick();
    // Twice a second while a call is escalated: its frame comes or goes.
    // Returns the region repainted (the escalated boxes alone).
    QRegion blinkTick();
    // The boxes of unconfirmed calls that have waited past the limit, as of
    // the last composition or minute.
    QRegion escalatedRegion() const { return m_escalated; }
    bool blinkShowing() const { return m_blinkOn; }
    bool minuteTimerActive() const { return m_minuteTimer.isActive(); }
    // What the minute timer was last set to wait: up to the next whole minute.
    int minuteTimerIntervalMs() const { return m_minuteTimer.interval(); }
    bool blinkTimerActive() const { return m_blinkTimer.isActive(); }

    // Brightness of the whole board in percent (100 unchanged); the night
    // dims it. Calls still show, only darker.
    void setBrightness(int percent);
    int brightness() const { return m_brightness; }

    // The stale-data banner across the top, over the last list; empty hides it.
    void setBannerText(const QString& text);
    QString bannerText() const { return m_banner.text(); }

    // --- background pictures ---
    // Folder of the picture files, with a trailing separator.
    void setCurrentPath(const QString& path);
    // Loads picture CurrBackGround (with the fallbacks) and repaints when one
    // was found; a failure is reported and stops the rotation timer.
    void LoadBackground();
    // The first picture at start: a failure is reported as a load error and
    // leaves the rotation free to start, so one broken picture does not
    // leave the board without pictures all day.
    void LoadFirstBackground();
    // One tick of the rotation: the next number, then LoadBackground.
    void BackGroundTimerTimer();
    // Interval in minutes and whether the rotation runs (the timer starts
    // when enabled with a positive interval; after a failed load it stays
    // stopped for good).
    void setBackgroundRotation(int minutes, bool enabled);
    bool backgroundTimerActive() const;
    int backgroundTimerIntervalMs() const;
    int CurrBackGround() const;

    // --- drawing ---
    // Composes the whole board now (as a paint request does) into boardImage(),
    // at the device pixels of the widget's screen.
    void PaintBox1Paint();
    const QImage& boardImage() const;
    // What the screen shows: the composed board with what lies over it (the
    // banner), at the widget's device pixels.
    QImage shownImage() const;
    // Call lists whose records reached the screen (lists that arrived
    // between two paints count once).
    quint64 listsPainted() const { return m_listsPainted; }
    CallBoard& renderer();

    // --- selection and confirmation ---
    // Driven by the widget's own mouse events (pointer moves, left
    // double-click, context menu); public for the tests. Points are in
    // widget (logical) pixels, like ViewRect.
    void PaintBox1MouseMove(int x, int y);
    // Sets the menu item for the box at (x, y), or for the pointer's last
    // position when the menu has no position of its own (the keyboard).
    void PopupMenu1Popup(int x, int y);
    void PopupMenu1Popup();
    // Confirms the call under the pointer's last position, as the boxes are now.
    void Bekrfta1Click();
    void PaintBox1DblClick(int x, int y);
    void PaintBox1DblClick();
    // What lies under the pointer's last position, as the boxes are now.
    CallSelection selection() const;
    QMenu* PopupMenu1() const;
    QAction* Bekrfta1() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // Loads the current picture; the failure's text, or empty.
    QString loadPicture();
    void reportPaintFailure(const QString& reason);
    // Draws what lies over the composed board, in logical pixels.
    void paintOverlays(QPainter& painter) const;
    // Which calls are past the escalation limit at `now`; starts or stops
    // the blink.
    void updateEscalation(TDateTime now);
    // The minute timer, set for the first whole minute after `now`.
    void armMinuteTimer(TDateTime now);
    // The composed board no longer fits the widget (size or screen).
    bool boardOutOfDate() const;
    void composeNeeded();
    void menuItemChosen();

    TCallList& m_callList;
    UserMessages& m_messages;
    SendFunction m_send;
    CallBoard m_board;
    BoardBackground m_background;
    mutable StaleBanner m_banner;
    QTimer m_backGroundTimer;
    std::optional<QPoint> m_pointer; // last seen over the board; leaving does not forget it
    CallSelection m_menuSelection;   // what the open menu's item offers
    QMenu* m_menu = nullptr;
    QAction* m_confirmItem = nullptr;
    bool m_rotationFailed = false; // a failed load stops the rotation for good
    bool m_listAwaitingPaint = false;
    quint64 m_listsPainted = 0;
    bool m_failureShowing = false;
    QString m_lastFailure;

    Clock m_clock;
    WallSettings m_wall;
    QTimer m_minuteTimer;
    QTimer m_blinkTimer;
    QRegion m_escalated;
    std::vector<std::pair<QRect, TColor>> m_escalationMarks;
    bool m_blinkOn = false;
    int m_brightness = 100;
    bool m_composeNeeded = true;
};

} // namespace tesk
