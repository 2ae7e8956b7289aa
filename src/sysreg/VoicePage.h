#pragma once

#include "sysreg/PageLoad.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSlider;

namespace tesk {

class SettingsStore;
class SpeechService;
class TfrmSAPI51;

// "Röstinställningar": whether speech is tried at all, the voice, the rate
// and a test text. Unlike the other pages everything here is stored the
// moment it changes, and the speech engine follows at once.
class VoicePage : public QWidget {
    Q_OBJECT
public:
    // speech may be null: the voice list then stays empty and nothing here
    // reaches an engine.
    VoicePage(SettingsStore& settings, SpeechService* speech, QWidget* parent = nullptr);

    QCheckBox* CheckBox54 = nullptr;
    QGroupBox* GroupBox75 = nullptr;
    QComboBox* cbVoices = nullptr;
    QSlider* tbRate = nullptr;
    QLabel* lblRate = nullptr;
    QGroupBox* GroupBox76 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* Button9 = nullptr;

    void load(const LoadStillCurrent& stillCurrent);

Q_SIGNALS:
    // Speech was switched on and the new engine is ready: the page is to be
    // filled again (by the dialog, which owns the loads).
    void reloadRequested();

private:
    void buildLayout();
    TfrmSAPI51* engine() const;
    void CheckBox54Click(bool checked);
    void cbVoicesChange(int index);
    void tbRateChange(int position);
    void Button9Click();

    SettingsStore& m_settings;
    SpeechService* m_speech;
};

} // namespace tesk
