#pragma once

#include "sysreg/PageLoad.h"

#include <QWidget>

class QComboBox;
class QLineEdit;
class QSpinBox;

namespace tesk {

class SettingsStore;
class SysRegConnection;
class UserMessages;
struct UpdateClientLink;

// "Serverinställningar/utseende": the call server's name and port, the
// versions of the call and update servers, the update server's settings as
// the server holds them (read-only here) and the user-interface style.
class ServerPage : public QWidget {
    Q_OBJECT
public:
    ServerPage(SettingsStore& settings, SysRegConnection& connection, const UpdateClientLink& update,
               UserMessages& messages, QWidget* parent = nullptr);

    QLineEdit* edServername = nullptr;
    QSpinBox* edServerport = nullptr;
    QLineEdit* edServerver = nullptr;
    QLineEdit* edUpdateServername = nullptr;
    QSpinBox* edUpdateServerport = nullptr;
    QLineEdit* edUpdateServerver = nullptr;
    QComboBox* ComboBox1 = nullptr;

    // Set once the user picks a style, for the rest of the run.
    bool FThemeChanged = false;

    void load(const LoadStillCurrent& stillCurrent);
    // The stores of a server save, in their order: the style (only once one
    // was picked, with the restart balloon), the server name, the port.
    // False, with a balloon and nothing stored, when the server name holds
    // the frame sign.
    bool save();

private:
    void fillStyles();

    SettingsStore& m_settings;
    SysRegConnection& m_connection;
    const UpdateClientLink& m_update;
    UserMessages& m_messages;
};

} // namespace tesk
