#include "sysreg/VoicePage.h"

#include "common/SettingsStore.h"
#include "speech/SpeechEngine.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <exception>

namespace tesk {

namespace {
const QString Section = QStringLiteral("Text2Speech");
const QString UseKey = QStringLiteral("UseSAPI5");
}

VoicePage::VoicePage(SettingsStore& settings, SpeechService* speech, QWidget* parent)
    : QWidget(parent)
    , m_settings(settings)
    , m_speech(speech)
{
    setObjectName(QStringLiteral("tsVoice"));
    buildLayout();
    // A change by the program counts as well: the load's own check is stored.
    connect(CheckBox54, &QCheckBox::toggled, this, &VoicePage::CheckBox54Click);
    connect(cbVoices, &QComboBox::activated, this, &VoicePage::cbVoicesChange);
    connect(tbRate, &QSlider::valueChanged, this, &VoicePage::tbRateChange);
    connect(Button9, &QPushButton::clicked, this, &VoicePage::Button9Click);
}

void VoicePage::buildLayout()
{
    CheckBox54 = new QCheckBox(QStringLiteral("Försök initiera SAPI5"), this);
    CheckBox54->setObjectName(QStringLiteral("CheckBox54"));

    GroupBox75 = new QGroupBox(QStringLiteral("Röstinställningar SAPI 5.1"), this);
    GroupBox75->setObjectName(QStringLiteral("GroupBox75"));
    cbVoices = new QComboBox(GroupBox75);
    cbVoices->setObjectName(QStringLiteral("cbVoices"));
    tbRate = new QSlider(Qt::Horizontal, GroupBox75);
    tbRate->setObjectName(QStringLiteral("tbRate"));
    tbRate->setRange(-10, 10);
    tbRate->setPageStep(1);
    tbRate->setTickPosition(QSlider::TicksBelow);
    tbRate->setTickInterval(1);
    lblRate = new QLabel(QStringLiteral("0"), GroupBox75);
    lblRate->setObjectName(QStringLiteral("lblRate"));
    lblRate->setMinimumWidth(lblRate->fontMetrics().horizontalAdvance(QStringLiteral("-10")) + 4);
    auto* voiceLabel = new QLabel(QStringLiteral("Röst:"), GroupBox75);
    voiceLabel->setBuddy(cbVoices);
    auto* rateLabel = new QLabel(QStringLiteral("R&ate:"), GroupBox75);
    rateLabel->setBuddy(tbRate);
    auto* slowest = new QLabel(QStringLiteral("-10"), GroupBox75);
    auto* fastest = new QLabel(QStringLiteral("10"), GroupBox75);
    auto* voice = new QGridLayout(GroupBox75);
    voice->addWidget(voiceLabel, 0, 0);
    voice->addWidget(cbVoices, 0, 1, 1, 4);
    voice->addWidget(rateLabel, 1, 0);
    voice->addWidget(slowest, 1, 1);
    voice->addWidget(tbRate, 1, 2);
    voice->addWidget(fastest, 1, 3);
    voice->addWidget(lblRate, 1, 4);
    voice->setColumnStretch(2, 1);

    GroupBox76 = new QGroupBox(QStringLiteral("Text att säga"), this);
    GroupBox76->setObjectName(QStringLiteral("GroupBox76"));
    Memo1 = new QPlainTextEdit(GroupBox76);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Button9 = new QPushButton(QStringLiteral("Test"), GroupBox76);
    Button9->setObjectName(QStringLiteral("Button9"));
    Button9->setAutoDefault(false);
    auto* text = new QHBoxLayout(GroupBox76);
    text->addWidget(Memo1, 1);
    text->addWidget(Button9, 0, Qt::AlignTop);

    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(12, 10, 12, 10);
    page->addWidget(CheckBox54);
    page->addWidget(GroupBox75);
    page->addWidget(GroupBox76, 1);
}

TfrmSAPI51* VoicePage::engine() const
{
    return m_speech ? m_speech->engine() : nullptr;
}

void VoicePage::load(const LoadStillCurrent& stillCurrent)
{
    const QString use = m_settings.GetIniText(Section, UseKey);
    if (!stillCurrent())
        return;
    CheckBox54->setChecked(use == QLatin1String("1"));
    // Switching speech on may have reloaded the page already.
    if (!stillCurrent())
        return;
    GroupBox75->setEnabled(CheckBox54->isChecked());
    GroupBox76->setEnabled(GroupBox75->isEnabled());

    cbVoices->clear();
    TfrmSAPI51* e = engine();
    if (!e)
        return;
    try {
        cbVoices->addItems(e->voices());
        cbVoices->setCurrentIndex(e->selectedVoiceIndex());
        tbRate->setValue(e->rate());
    } catch (const std::exception&) {
        // An engine that cannot tell its voices leaves the list as it is.
    }
}

void VoicePage::CheckBox54Click(bool checked)
{
    if (!checked) {
        // The engine, if any, stays until the next connection or start.
        m_settings.SetIniText(Section, UseKey, QStringLiteral("0"));
        return;
    }
    if (engine()) {
        m_settings.SetIniText(Section, UseKey, QStringLiteral("1"));
        return;
    }
    if (!m_speech)
        return;
    // Starting a synthesiser may wait in an event loop. The box waits with
    // it, so the user cannot change a choice that is not stored yet; a
    // reload meanwhile (a version answer) shows the stored "off", and that
    // stands: nothing more is stored or reloaded here.
    const QPointer<VoicePage> self(this);
    CheckBox54->setEnabled(false);
    m_speech->CreateIfMissing();
    if (!self)
        return;
    CheckBox54->setEnabled(true);
    if (!CheckBox54->isChecked())
        return;
    if (!m_speech->engine()) {
        // Nothing could be reached at all: the wish is kept for the next
        // start, the page stays as it is.
        m_settings.SetIniText(Section, UseKey, QStringLiteral("1"));
        return;
    }
    if (m_speech->ready()) {
        m_settings.SetIniText(Section, UseKey, QStringLiteral("1"));
        Q_EMIT reloadRequested();
        return;
    }
    CheckBox54->setChecked(false); // stores "0"
}

void VoicePage::cbVoicesChange(int index)
{
    TfrmSAPI51* e = engine();
    if (!e || index < 0)
        return;
    e->setSelectedVoiceIndex(index);
    const QString name = cbVoices->itemText(index);
    m_speech->setVoiceName(name);
    m_settings.SetIniText(Section, QStringLiteral("VoiceSAPI5.1"), name);
    e->cbVoicesChange();
}

void VoicePage::tbRateChange(int position)
{
    lblRate->setText(QString::number(position));
    TfrmSAPI51* e = engine();
    if (!e)
        return;
    m_settings.SetIniText(Section, QStringLiteral("SpeedSAPI5.1"), QString::number(position));
    // The engine's own rate control applies it and keeps it for the next load.
    e->setRate(position);
}

void VoicePage::Button9Click()
{
    if (TfrmSAPI51* e = engine())
        e->say(Memo1->toPlainText(), 1);
}

} // namespace tesk
