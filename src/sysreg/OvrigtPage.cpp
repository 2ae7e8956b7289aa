#include "sysreg/OvrigtPage.h"

#include "common/SettingsStore.h"
#include "common/UserMessages.h"
#include "sysreg/FormValues.h"
#include "sysreg/RadioGroup.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <exception>

namespace tesk {

namespace {
const QString Section = QStringLiteral("TESK");

QSpinBox* MinuteBox(const QString& name, QWidget* parent)
{
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(1, 60);
    // Leaving a box emptied or below its range puts the nearest minute in,
    // not the minute that stood there before.
    box->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    return box;
}

QCheckBox* Check(const QString& name, const QString& caption, QWidget* parent)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    return box;
}

// A check box, a minute box and the words after it on one line.
QHBoxLayout* MinuteLine(QCheckBox* check, QSpinBox* box, const QString& after, QWidget* parent)
{
    auto* line = new QHBoxLayout;
    line->setSpacing(4);
    line->addWidget(check);
    line->addWidget(box);
    line->addWidget(new QLabel(after, parent));
    line->addStretch(1);
    return line;
}
} // namespace

OvrigtPage::OvrigtPage(SettingsStore& settings, UserMessages& messages, SoundLabels soundLabels,
                       PlaySound playSound, PickFontName pickFontName, QWidget* parent)
    : QWidget(parent)
    , m_settings(settings)
    , m_messages(messages)
    , m_soundLabels(std::move(soundLabels))
    , m_playSound(std::move(playSound))
    , m_pickFontName(std::move(pickFontName))
{
    setObjectName(QStringLiteral("tsOvrigtShow"));
    buildLayout();

    // The sound list matters only when a sound is to be played.
    wwDBComboBox1->setEnabled(false);
    connect(RadioGroup2, &RadioGroup::itemIndexChanged, this,
            [this](int index) { wwDBComboBox1->setEnabled(index == 2); });
    connect(wwDBComboBox1, &QComboBox::activated, this, [this](int index) {
        if (m_playSound && index >= 0)
            m_playSound(wwDBComboBox1->itemText(index));
    });
    connect(BitBtn14, &QPushButton::clicked, this, &OvrigtPage::BitBtn14Click);
}

void OvrigtPage::buildLayout()
{
    RadioGroup1 = new RadioGroup(QStringLiteral("Visningsläge (Visningsklienten)"),
                                 {QStringLiteral("Starta maximerat (för storskärm)"),
                                  QStringLiteral("Starta minimerat (på klientdator)"), QStringLiteral("Starta normalt")},
                                 this);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    RadioGroup2 = new RadioGroup(QStringLiteral("Ljudläge (Visningsklienten)"),
                                 {QStringLiteral("Tyst"), QStringLiteral("Säg ballonginformationen"),
                                  QStringLiteral("Spela upp valt ljud")},
                                 this);
    RadioGroup2->setObjectName(QStringLiteral("RadioGroup2"));
    wwDBComboBox1 = new QComboBox(RadioGroup2);
    wwDBComboBox1->setObjectName(QStringLiteral("wwDBComboBox1"));
    wwDBComboBox1->setEditable(true);
    wwDBComboBox1->setInsertPolicy(QComboBox::NoInsert);
    wwDBComboBox1->setMaxVisibleItems(12);
    wwDBComboBox1->view()->setMinimumWidth(200);
    wwDBComboBox1->setMinimumWidth(120);
    RadioGroup2->setBesideWidget(2, wwDBComboBox1);
    RadioGroup3 = new RadioGroup(QStringLiteral("Utseende"), {QStringLiteral("Liggande"), QStringLiteral("Stående")},
                                 this);
    RadioGroup3->setObjectName(QStringLiteral("RadioGroup3"));

    cbBallooninfo = Check(QStringLiteral("cbBallooninfo"), QStringLiteral("Visa ballonginformation (Visningsklienten)"), this);
    cbAktivarteKlient = Check(QStringLiteral("cbAktivarteKlient"),
                              QStringLiteral("Aktivera klienten då visningsinformationen ändras (Visningsklienten)"), this);
    cbRepeatSay = Check(QStringLiteral("cbRepeatSay"), QStringLiteral("Säg automatiskt pågående kallelser var "), this);
    SpinEdit3 = MinuteBox(QStringLiteral("SpinEdit3"), this);
    cbChangeBackground = Check(QStringLiteral("cbChangeBackground"), QStringLiteral("Byt bakgrundsbild varje"), this);
    SpinEdit4 = MinuteBox(QStringLiteral("SpinEdit4"), this);
    cbRefreshconnection = Check(QStringLiteral("cbRefreshconnection"),
                                QStringLiteral("Uppdatera anslutningern till servern var"), this);
    SpinEdit5 = MinuteBox(QStringLiteral("SpinEdit5"), this);
    cbPreventScreenSaver = Check(QStringLiteral("cbPreventScreenSaver"),
                                 QStringLiteral("Förhindra att skärmsläckaren startar"), this);
    cbPainteffect = Check(QStringLiteral("cbPainteffect"), QStringLiteral("Utritningseffekt på tiderna/resurserna"), this);

    GroupBox10 = new QGroupBox(QStringLiteral("Teckensnitt för visningsfönstret"), this);
    GroupBox10->setObjectName(QStringLiteral("GroupBox10"));
    Label14 = new QLabel(GroupBox10);
    Label14->setObjectName(QStringLiteral("Label14"));
    BitBtn14 = new QPushButton(QStringLiteral("Välj..."), GroupBox10);
    BitBtn14->setObjectName(QStringLiteral("BitBtn14"));
    BitBtn14->setAutoDefault(false);
    auto* fontLine = new QHBoxLayout(GroupBox10);
    fontLine->setContentsMargins(8, 2, 8, 4);
    fontLine->addWidget(Label14, 1);
    fontLine->addWidget(BitBtn14);

    GroupBox12 = new QGroupBox(QStringLiteral("Prefix på kallelser"), this);
    GroupBox12->setObjectName(QStringLiteral("GroupBox12"));
    Edit6 = new QLineEdit(GroupBox12);
    Edit6->setObjectName(QStringLiteral("Edit6"));
    Edit10 = new QLineEdit(GroupBox12);
    Edit10->setObjectName(QStringLiteral("Edit10"));
    auto* prefixes = new QGridLayout(GroupBox12);
    prefixes->setContentsMargins(8, 2, 8, 4);
    prefixes->setVerticalSpacing(3);
    auto* called = new QLabel(QStringLiteral("Kallad:"), GroupBox12);
    called->setBuddy(Edit6);
    auto* confirmed = new QLabel(QStringLiteral("Bekräftad:"), GroupBox12);
    confirmed->setBuddy(Edit10);
    prefixes->addWidget(called, 0, 0);
    prefixes->addWidget(Edit6, 0, 1);
    prefixes->addWidget(confirmed, 1, 0);
    prefixes->addWidget(Edit10, 1, 1);

    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(8, 6, 8, 6);
    page->setSpacing(4);

    auto* groups = new QHBoxLayout;
    groups->addWidget(RadioGroup1);
    groups->addWidget(RadioGroup2, 1);
    page->addLayout(groups);

    auto* checks = new QVBoxLayout;
    checks->setSpacing(1);
    checks->addWidget(cbBallooninfo);
    checks->addWidget(cbAktivarteKlient);
    checks->addLayout(MinuteLine(cbRepeatSay, SpinEdit3, QStringLiteral(" minut"), this));
    checks->addLayout(MinuteLine(cbChangeBackground, SpinEdit4,
                                 QStringLiteral(" minut (filerna ska heta TESK_VistorBackground_#)"), this));
    checks->addLayout(MinuteLine(cbRefreshconnection, SpinEdit5, QStringLiteral(" minut"), this));
    auto* twoChecks = new QHBoxLayout;
    twoChecks->addWidget(cbPreventScreenSaver);
    twoChecks->addSpacing(12);
    twoChecks->addWidget(cbPainteffect);
    twoChecks->addStretch(1);
    checks->addLayout(twoChecks);
    page->addLayout(checks);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(RadioGroup3);
    bottom->addWidget(GroupBox10, 1);
    bottom->addWidget(GroupBox12, 1);
    page->addLayout(bottom);
    page->addStretch(1);
}

void OvrigtPage::load(const LoadStillCurrent& stillCurrent)
{
    wwDBComboBox1->clear();
    if (m_soundLabels)
        wwDBComboBox1->addItems(m_soundLabels());

    // Every read may wait for the server; a later load then takes over.
    auto readBool = [&](const char* key, bool def, QCheckBox* box) {
        const bool value = m_settings.ReadBool(Section, QString::fromLatin1(key), def);
        if (!stillCurrent())
            return false;
        box->setChecked(value);
        return true;
    };
    auto readInt = [&](const char* key, int def, auto apply) {
        const int value = m_settings.ReadInt(Section, QString::fromLatin1(key), def);
        if (!stillCurrent())
            return false;
        apply(value);
        return true;
    };
    auto readText = [&](const char* key, const QString& def, auto apply) {
        const QString value = m_settings.GetIniTextDef(Section, QString::fromLatin1(key), def);
        if (!stillCurrent())
            return false;
        apply(value);
        return true;
    };
    auto spin = [](QSpinBox* box) { return [box](int v) { box->setValue(v); }; };
    auto radio = [](RadioGroup* group) { return [group](int v) { group->setItemIndex(v); }; };

    if (!readBool("ActivateClientOnBalloon", false, cbAktivarteKlient)
        || !readBool("ShowBalloonInfo", false, cbBallooninfo) || !readBool("RepeatSayInfo", true, cbRepeatSay)
        || !readInt("RepeatSayInfoTimer", 5, spin(SpinEdit3))
        || !readBool("ChangeBackground", true, cbChangeBackground)
        || !readBool("PreventScreenSaver", false, cbPreventScreenSaver)
        || !readBool("RefreshConnection", false, cbRefreshconnection)
        || !readInt("RefreshConnectionTimer", 1, spin(SpinEdit5))
        || !readInt("ChangeBackgroundTimer", 3, spin(SpinEdit4)) || !readInt("Visibility", 1, radio(RadioGroup1))
        // A maximised wall screen draws without the effect unless told to.
        || !readBool("Painteffect", RadioGroup1->itemIndex() != 0, cbPainteffect)
        || !readText("ShowFontName", QStringLiteral("Tahoma"), [this](const QString& v) { Label14->setText(v); })
        || !readText("CallPrefix", QString(), [this](const QString& v) { Edit6->setText(v); })
        || !readText("ConfirmPrefix", QString(), [this](const QString& v) { Edit10->setText(v); })
        || !readInt("ShowMode", 0, radio(RadioGroup3)))
        return;

    const bool say = m_settings.ReadBool(Section, QStringLiteral("SayBalloonInfo"), false);
    if (!stillCurrent())
        return;
    int mode = 1;
    if (!say) {
        const bool quiet = m_settings.ReadBool(Section, QStringLiteral("QuietMode"), true);
        if (!stillCurrent())
            return;
        mode = quiet ? 0 : 2;
    }
    RadioGroup2->setItemIndex(mode);

    try {
        const QString sound = m_settings.GetIniText(Section, QStringLiteral("ActiveWindowsSound"));
        if (!stillCurrent())
            return;
        int index = -1;
        for (int i = 0; i < wwDBComboBox1->count(); ++i) {
            if (wwDBComboBox1->itemText(i).compare(sound, Qt::CaseInsensitive) == 0) {
                index = i;
                break;
            }
        }
        wwDBComboBox1->setCurrentIndex(index);
        if (index < 0)
            wwDBComboBox1->setEditText(QString());
    } catch (const std::exception&) {
        // The sound list shows nothing chosen; the stored sound stays.
    }
}

int OvrigtPage::selectedSoundIndex() const
{
    const int index = wwDBComboBox1->currentIndex();
    if (index < 0 || wwDBComboBox1->itemText(index) != wwDBComboBox1->currentText())
        return -1;
    return index;
}

bool OvrigtPage::save()
{
    if (HoldsFrameSign(Edit6->text()) || HoldsFrameSign(Edit10->text())) {
        m_messages.ShowInfoBalloon(FrameSignRefused, window());
        return false;
    }
    auto store = [this](const char* key, const QString& value) {
        m_settings.SetIniText(Section, QString::fromLatin1(key), value);
    };
    const int mode = RadioGroup2->itemIndex();
    store("RepeatSayInfo", BoolText(cbRepeatSay->isChecked()));
    store("ShowBalloonInfo", BoolText(cbBallooninfo->isChecked()));
    store("RepeatSayInfoTimer", QString::number(SpinBoxValue(*SpinEdit3)));
    store("ChangeBackground", BoolText(cbChangeBackground->isChecked()));
    store("RefreshConnection", BoolText(cbRefreshconnection->isChecked()));
    store("ChangeBackgroundTimer", QString::number(SpinBoxValue(*SpinEdit4)));
    store("RefreshConnectionTimer", QString::number(SpinBoxValue(*SpinEdit5)));
    store("PreventScreenSaver", BoolText(cbPreventScreenSaver->isChecked()));
    store("Painteffect", BoolText(cbPainteffect->isChecked()));
    store("CallPrefix", Edit6->text());
    store("ConfirmPrefix", Edit10->text());
    store("Visibility", QString::number(RadioGroup1->itemIndex()));
    store("SayBalloonInfo", BoolText(mode == 1));
    store("ShowFontName", Label14->text());
    store("QuietMode", BoolText(mode == 0));
    store("ShowMode", QString::number(RadioGroup3->itemIndex()));
    store("PlayWindowsSound", BoolText(mode == 2));
    try {
        const int sound = selectedSoundIndex();
        if (sound >= 0)
            store("ActiveWindowsSound", wwDBComboBox1->itemText(sound));
    } catch (const std::exception&) {
        // The other settings are stored regardless.
    }
    store("ActivateClientOnBalloon", BoolText(cbAktivarteKlient->isChecked()));
    return true;
}

void OvrigtPage::BitBtn14Click()
{
    if (!m_pickFontName)
        return;
    // Only the family is kept; size and style are the board's own.
    if (const std::optional<QString> family = m_pickFontName(window(), Label14->text()))
        Label14->setText(*family);
}

} // namespace tesk
