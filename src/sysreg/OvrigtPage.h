#pragma once

#include "sysreg/PageLoad.h"

#include <QWidget>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace tesk {

class RadioGroup;
class SettingsStore;
class UserMessages;

// "Övrigt": how the display starts and looks, how it announces changes
// (balloon, speech, a chosen sound), its timers, its board font and the
// prefixes of its call texts. All in section TESK.
class OvrigtPage : public QWidget {
    Q_OBJECT
public:
    using SoundLabels = std::function<QStringList()>;
    using PlaySound = std::function<void(const QString& alias)>;
    using PickFontName = std::function<std::optional<QString>(QWidget* parent, const QString& family)>;

    OvrigtPage(SettingsStore& settings, UserMessages& messages, SoundLabels soundLabels, PlaySound playSound, PickFontName pickFontName,
               QWidget* parent = nullptr);

    RadioGroup* RadioGroup1 = nullptr; // Visibility
    RadioGroup* RadioGroup2 = nullptr; // sound mode
    RadioGroup* RadioGroup3 = nullptr; // ShowMode
    QCheckBox* cbBallooninfo = nullptr;
    QCheckBox* cbAktivarteKlient = nullptr;
    QComboBox* wwDBComboBox1 = nullptr;
    QGroupBox* GroupBox10 = nullptr;
    QLabel* Label14 = nullptr;
    QPushButton* BitBtn14 = nullptr;
    QCheckBox* cbRepeatSay = nullptr;
    QSpinBox* SpinEdit3 = nullptr;
    QCheckBox* cbChangeBackground = nullptr;
    QSpinBox* SpinEdit4 = nullptr;
    QCheckBox* cbRefreshconnection = nullptr;
    QSpinBox* SpinEdit5 = nullptr;
    QCheckBox* cbPreventScreenSaver = nullptr;
    QGroupBox* GroupBox12 = nullptr;
    QLineEdit* Edit6 = nullptr;
    QLineEdit* Edit10 = nullptr;
    QCheckBox* cbPainteffect = nullptr;

    void load(const LoadStillCurrent& stillCurrent);
    // The nineteen stores of the page, in their fixed order. False, with a
    // balloon and nothing stored, when a prefix holds the frame sign.
    bool save();

    // The entry of the sound list that is chosen: the one whose text the
    // box shows; -1 when the text matches none.
    int selectedSoundIndex() const;

private:
    void buildLayout();
    void BitBtn14Click();

    SettingsStore& m_settings;
    UserMessages& m_messages;
    SoundLabels m_soundLabels;
    PlaySound m_playSound;
    PickFontName m_pickFontName;
};

} // namespace tesk
