#include "sysreg/WallPage.h"

#include "common/NightMode.h"
#include "common/SettingsStore.h"
#include "common/UserMessages.h"
#include "common/WallSettings.h"
#include "sysreg/FormValues.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace tesk {

namespace {
const QString Section = QStringLiteral("TESK");
constexpr int kEscalateSuggested = 10; // shown while escalation is off
const QString NightTimesRefused = QStringLiteral("Ange nattlägets tider som TT:MM, till exempel 22:00 och 06:00.");

QSpinBox* Box(const QString& name, int low, int high, QWidget* parent)
{
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(low, high);
    box->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    return box;
}

QLineEdit* TimeEdit(const QString& name, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setPlaceholderText(QStringLiteral("TT:MM"));
    edit->setMaxLength(5);
    edit->setFixedWidth(60);
    return edit;
}
} // namespace

WallPage::WallPage(SettingsStore& settings, UserMessages& messages, QWidget* parent)
    : QWidget(parent), m_settings(settings), m_messages(messages)
{
    setObjectName(QStringLiteral("tsWallScreen"));
    buildLayout();
    // The numbers matter only while their feature is on.
    connect(cbEscalate, &QCheckBox::toggled, seEscalateAfter, &QWidget::setEnabled);
    for (QWidget* w : std::initializer_list<QWidget*>{edNightFrom, edNightTo, seNightBrightness, seNightVolume})
        connect(cbNightMode, &QCheckBox::toggled, w, &QWidget::setEnabled);
    seEscalateAfter->setEnabled(false);
    for (QWidget* w : std::initializer_list<QWidget*>{edNightFrom, edNightTo, seNightBrightness, seNightVolume})
        w->setEnabled(false);
}

void WallPage::buildLayout()
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(8, 8, 8, 8);

    auto* calls = new QGroupBox(QStringLiteral("Kallelser"), this);
    auto* callsLayout = new QVBoxLayout(calls);
    cbShowWaitingTime = new QCheckBox(QStringLiteral("Visa väntetid på obekräftade kallelser (t.ex. 13:21 · 7 min)"), calls);
    cbShowWaitingTime->setObjectName(QStringLiteral("cbShowWaitingTime"));
    callsLayout->addWidget(cbShowWaitingTime);
    auto* escalateLine = new QHBoxLayout;
    cbEscalate = new QCheckBox(QStringLiteral("Blinkande ram på kallelser som väntat längre än"), calls);
    cbEscalate->setObjectName(QStringLiteral("cbEscalate"));
    seEscalateAfter = Box(QStringLiteral("seEscalateAfter"), 1, 240, calls);
    escalateLine->addWidget(cbEscalate);
    escalateLine->addWidget(seEscalateAfter);
    escalateLine->addWidget(new QLabel(QStringLiteral("minuter"), calls));
    escalateLine->addStretch(1);
    callsLayout->addLayout(escalateLine);
    outer->addWidget(calls);

    auto* night = new QGroupBox(QStringLiteral("Nattläge"), this);
    auto* nightLayout = new QVBoxLayout(night);
    auto* timesLine = new QHBoxLayout;
    cbNightMode = new QCheckBox(QStringLiteral("Dämpa skärm och röst från"), night);
    cbNightMode->setObjectName(QStringLiteral("cbNightMode"));
    edNightFrom = TimeEdit(QStringLiteral("edNightFrom"), night);
    edNightTo = TimeEdit(QStringLiteral("edNightTo"), night);
    timesLine->addWidget(cbNightMode);
    timesLine->addWidget(edNightFrom);
    timesLine->addWidget(new QLabel(QStringLiteral("till"), night));
    timesLine->addWidget(edNightTo);
    timesLine->addStretch(1);
    nightLayout->addLayout(timesLine);
    auto* levels = new QHBoxLayout;
    seNightBrightness = Box(QStringLiteral("seNightBrightness"), NightMode::MinimumNightPercent, 100, night);
    seNightVolume = Box(QStringLiteral("seNightVolume"), NightMode::MinimumNightPercent, 100, night);
    levels->addWidget(new QLabel(QStringLiteral("Ljusstyrka:"), night));
    levels->addWidget(seNightBrightness);
    levels->addWidget(new QLabel(QStringLiteral("%   Röstvolym:"), night));
    levels->addWidget(seNightVolume);
    levels->addWidget(new QLabel(QStringLiteral("%"), night));
    levels->addStretch(1);
    nightLayout->addLayout(levels);
    outer->addWidget(night);
    outer->addStretch(1);
}

void WallPage::load(const LoadStillCurrent& stillCurrent)
{
    const WallSettings defaults;
    // Every read may wait for the server; a later load then takes over.
    const bool waiting = m_settings.ReadBool(Section, QStringLiteral("ShowWaitingTime"), defaults.ShowWaitingTime);
    if (!stillCurrent())
        return;
    cbShowWaitingTime->setChecked(waiting);

    const int escalate =
        m_settings.ReadInt(Section, QStringLiteral("EscalateAfterMinutes"), defaults.EscalateAfterMinutes);
    if (!stillCurrent())
        return;
    cbEscalate->setChecked(escalate > 0);
    seEscalateAfter->setValue(escalate > 0 ? escalate : kEscalateSuggested);

    const QString from = m_settings.GetIniTextDef(Section, QStringLiteral("NightFrom"), defaults.NightFrom);
    if (!stillCurrent())
        return;
    const QString to = m_settings.GetIniTextDef(Section, QStringLiteral("NightTo"), defaults.NightTo);
    if (!stillCurrent())
        return;
    // Shown the way people write a time, whichever form is stored.
    auto shown = [](const QString& stored) {
        const std::optional<QTime> t = ParseNightTime(stored);
        return t ? t->toString(QStringLiteral("HH:mm")) : stored;
    };
    edNightFrom->setText(shown(from));
    edNightTo->setText(shown(to));
    // On exactly when the board would find a night in them.
    cbNightMode->setChecked(ParseNightTime(from) && ParseNightTime(to));

    const int brightness =
        m_settings.ReadInt(Section, QStringLiteral("NightBrightness"), defaults.NightBrightness);
    if (!stillCurrent())
        return;
    seNightBrightness->setValue(brightness);
    const int volume = m_settings.ReadInt(Section, QStringLiteral("NightVolume"), defaults.NightVolume);
    if (!stillCurrent())
        return;
    seNightVolume->setValue(volume);
}

bool WallPage::save()
{
    const std::optional<QTime> from = ParseNightTime(edNightFrom->text());
    const std::optional<QTime> to = ParseNightTime(edNightTo->text());
    if (cbNightMode->isChecked() && (!from || !to)) {
        m_messages.ShowInfoBalloon(NightTimesRefused, window());
        return false;
    }
    auto store = [this](const char* key, const QString& value) {
        m_settings.SetIniText(Section, QString::fromLatin1(key), value);
    };
    const bool night = cbNightMode->isChecked();
    store("ShowWaitingTime", BoolText(cbShowWaitingTime->isChecked()));
    store("EscalateAfterMinutes", QString::number(cbEscalate->isChecked() ? SpinBoxValue(*seEscalateAfter) : 0));
    // Night off is stored as no times at all, which every reader takes as
    // off; the times go without a colon, which the server's copy would cut.
    store("NightFrom", night ? NightTimeSetting(*from) : QString());
    store("NightTo", night ? NightTimeSetting(*to) : QString());
    store("NightBrightness", QString::number(SpinBoxValue(*seNightBrightness)));
    store("NightVolume", QString::number(SpinBoxValue(*seNightVolume)));
    return true;
}

} // namespace tesk
