#pragma once

#include "sysreg/SysRegConnection.h"
#include "sysreg/UpdateClientLink.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QDialog;
class QWidget;

namespace tesk {

class ClientIdentity;
class SettingsStore;
class SpeechService;
class UserMessages;

// What the settings dialog is built from. The main window fills it with the
// program's services; tests give temporary settings, recorders and fakes.
// Everything left empty gets the platform's behaviour.
struct SystemRegisterServices {
    SettingsStore* settings = nullptr;
    ClientIdentity* identity = nullptr;
    UserMessages* messages = nullptr;
    std::unique_ptr<SysRegConnection> connection;
    UpdateClientLink update;
    // The program's speech; none: the voice page lists no voices.
    SpeechService* speech = nullptr;

    // The desktop's sound events and playing one by name, asynchronously.
    std::function<QStringList()> soundLabels;
    std::function<void(const QString& alias)> playSound;
    // The font picker preset to a family: the picked family, or none when
    // the user cancels.
    std::function<std::optional<QString>(QWidget* parent, const QString& family)> pickFontName;
    // The colour picker preset to a colour (0x00BBGGRR): the picked one, or
    // none when the user cancels.
    std::function<std::optional<std::uint32_t>(QWidget* parent, std::uint32_t colour)> pickColour;
    // The resource numbers (CallLopnr) of the current call list, in its
    // order: the choice an older server's client starts from.
    std::function<QList<int>()> callListLopnrs;
    // Runs the dialog modally; exec() unless a test drives it otherwise.
    std::function<void(QDialog& dialog)> runModal;
    // The pause between storing the server settings and rebuilding the
    // connection.
    int serverSavePauseMs = 1000;
};

} // namespace tesk
