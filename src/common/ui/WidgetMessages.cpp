#include "common/ui/WidgetMessages.h"

#include "common/LogCategories.h"
#include "common/TextHelpers.h"
#include "common/ui/BalloonHint.h"
#include "common/ui/DialogCaptions.h"

#include <QMessageBox>
#include <QPushButton>

namespace tesk {
namespace {

std::unique_ptr<QMessageBox> makeBox(QMessageBox::Icon icon, const QString& title, const QString& text,
                                     QWidget* parent)
{
    auto box = std::make_unique<QMessageBox>(icon, title, ScreenText(text), QMessageBox::NoButton, parent);
    // Server texts and error messages may hold "<" and "&"; never markup.
    box->setTextFormat(Qt::PlainText);
    return box;
}

} // namespace

WidgetMessages::WidgetMessages(QWidget* dialogParent)
    : m_parent(dialogParent)
{
}

WidgetMessages::~WidgetMessages() = default;

std::unique_ptr<QMessageBox> WidgetMessages::makeInfoBox(const QString& text) const
{
    auto box = makeBox(QMessageBox::Information, captions::Information, text, m_parent);
    QPushButton* ok = box->addButton(captions::Ok, QMessageBox::AcceptRole);
    box->setDefaultButton(ok);
    box->setEscapeButton(ok);
    return box;
}

std::unique_ptr<QMessageBox> WidgetMessages::makeYesNoBox(const QString& text) const
{
    auto box = makeBox(QMessageBox::Question, captions::Confirmation, text, m_parent);
    QPushButton* yes = box->addButton(captions::Yes, QMessageBox::YesRole);
    QPushButton* no = box->addButton(captions::No, QMessageBox::NoRole);
    box->setDefaultButton(yes);
    box->setEscapeButton(no);
    return box;
}

void WidgetMessages::ShowInfoMessage(const QString& text)
{
    qCInfo(lcMessages).noquote() << "box:" << ScreenText(text).replace(QLatin1Char('\n'), QLatin1Char(' '));
    makeInfoBox(text)->exec();
}

bool WidgetMessages::AskYesNo(const QString& text)
{
    const auto box = makeYesNoBox(text);
    qCInfo(lcMessages).noquote() << "question:" << ScreenText(text).replace(QLatin1Char('\n'), QLatin1Char(' '));
    box->exec();
    // Closed any other way than with Ja counts as Nej.
    const bool yes = box->clickedButton() && box->buttonRole(box->clickedButton()) == QMessageBox::YesRole;
    qCInfo(lcMessages) << "answered:" << (yes ? "Ja" : "Nej");
    return yes;
}

void WidgetMessages::ShowBalloon(const QString& title, const QString& text, const BalloonTarget& target,
                                 int hideAfterMs, int kind)
{
    // A balloon may list calls (names of staff and rooms): its text only
    // at debug level.
    qCInfo(lcMessages).noquote() << "balloon:" << title;
    qCDebug(lcMessages).noquote() << "balloon text:" << ScreenText(text).replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (!m_balloon)
        m_balloon = std::make_unique<BalloonHint>();
    const QString description = text + QLatin1Char('\r');
    const int image = BalloonHint::ImageIndexForKind(kind);
    if (const auto* window = qobject_cast<const QWidget*>(target.window.data()))
        m_balloon->showAtWindow(title, description, window, hideAfterMs, image);
    else
        m_balloon->showAtPoint(title, description, target.point, hideAfterMs, image);
}

} // namespace tesk
