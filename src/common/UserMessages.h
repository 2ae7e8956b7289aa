#pragma once

#include <QPoint>
#include <QPointer>
#include <QObject>
#include <QString>

namespace tesk {

// Where a balloon points: at a window (a form or control) or at a point in
// screen coordinates.
struct BalloonTarget {
    QPointer<QObject> window; // a QWidget when set
    QPoint point;

    static BalloonTarget at(QObject* w) { return {w, {}}; }
    static BalloonTarget at(QPoint p) { return {nullptr, p}; }
};

// Balloon kinds and the icon each selects: 1 error, 2 information,
// 3 question; any other kind shows the information icon.
enum BalloonKind { BalloonError = 1, BalloonInfo = 2, BalloonQuestion = 3 };

// The few ways every window tells the user things. The application uses the
// widget implementation (modal boxes with Swedish captions, our balloon);
// tests record instead of blocking.
class UserMessages {
public:
    virtual ~UserMessages() = default;

    // Modal information box, title "Information", one OK button.
    virtual void ShowInfoMessage(const QString& text) = 0;
    // Modal question, title "Fråga", Ja (default) and Nej; true on Ja.
    virtual bool AskYesNo(const QString& text) = 0;
    // The one balloon of the program; a new one replaces a visible one.
    virtual void ShowBalloon(const QString& title, const QString& text, const BalloonTarget& target,
                             int hideAfterMs, int kind) = 0;

    void ShowInfoBalloon(const QString& text, QObject* form)
    {
        ShowBalloon(QStringLiteral("Information"), text, BalloonTarget::at(form), 5000, BalloonInfo);
    }
    void ShowInfoBalloonAt(const QString& text, QPoint point)
    {
        ShowBalloon(QStringLiteral("Information"), text, BalloonTarget::at(point), 5000, BalloonInfo);
    }
};

} // namespace tesk
