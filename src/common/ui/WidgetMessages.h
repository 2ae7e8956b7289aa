#pragma once

#include "common/UserMessages.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class QMessageBox;

namespace tesk {

class BalloonHint;

// The program's user messages on screen: modal message boxes with the
// Swedish captions and the one balloon of the program. "\r" in a text is a
// line break; texts are shown as plain text, never as markup.
class WidgetMessages : public UserMessages {
public:
    explicit WidgetMessages(QWidget* dialogParent = nullptr);
    ~WidgetMessages() override;

    // The window the boxes are modal to (none: modal to the application).
    void setDialogParent(QWidget* parent) { m_parent = parent; }

    void ShowInfoMessage(const QString& text) override;
    bool AskYesNo(const QString& text) override;
    // kind selects the image (BalloonHint::ImageIndexForKind); the
    // description shown is the text followed by "\r". A target window that
    // no longer exists falls back to the target's point.
    void ShowBalloon(const QString& title, const QString& text, const BalloonTarget& target, int hideAfterMs,
                     int kind) override;

    // The balloon, created at the first ShowBalloon; null before.
    BalloonHint* balloon() const { return m_balloon.get(); }

    // The boxes as shown, without running them; for tests and for callers
    // that need a box with these captions.
    std::unique_ptr<QMessageBox> makeInfoBox(const QString& text) const;
    std::unique_ptr<QMessageBox> makeYesNoBox(const QString& text) const;

private:
    QPointer<QWidget> m_parent;
    std::unique_ptr<BalloonHint> m_balloon;
};

} // namespace tesk
