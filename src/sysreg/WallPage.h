#pragma once

#include "sysreg/PageLoad.h"

#include <QWidget>

class QCheckBox;
class QLineEdit;
class QSpinBox;

namespace tesk {

class SettingsStore;
class UserMessages;

// "Väggskärm": what makes the board a wall screen. Waiting times on the
// unconfirmed calls, the escalation of calls that wait too long, and the
// night's dimmed board and quieter speech. All in section TESK, and all
// off until turned on here.
class WallPage : public QWidget {
    Q_OBJECT
public:
    WallPage(SettingsStore& settings, UserMessages& messages, QWidget* parent = nullptr);

    QCheckBox* cbShowWaitingTime = nullptr;
    QCheckBox* cbEscalate = nullptr;
    QSpinBox* seEscalateAfter = nullptr;   // minutes, 1…240
    QCheckBox* cbNightMode = nullptr;
    QLineEdit* edNightFrom = nullptr;      // "HH:MM"
    QLineEdit* edNightTo = nullptr;
    QSpinBox* seNightBrightness = nullptr; // percent, 0…100
    QSpinBox* seNightVolume = nullptr;     // percent, 0…100

    void load(const LoadStillCurrent& stillCurrent);
    // The six stores in their fixed order. False, with a balloon and
    // nothing stored, when night mode is on without two valid times.
    bool save();

private:
    void buildLayout();

    SettingsStore& m_settings;
    UserMessages& m_messages;
};

} // namespace tesk
