#pragma once

#include <QString>

#include <stdexcept>

namespace tesk {

// Where the settings live in the registry and what its failures read like;
// shared by the settings store and by every registry implementation.

// The layer key of one section: "SOFTWARE\Norvalis\" + installation
// sub-key (ending in "\") + section, under either root.
QString SettingsKeyPath(const QString& settingsSubKey, const QString& section);

// The failure mark left in the user layer when the machine layer refused a
// write: value "ErrorMsg" under "SOFTWARE\Norvalis\ERROR_WRITING_TO_LOCAL_MACHINE".
QString MachineWriteFailureKey();
QString MachineWriteFailureValueName();

// Machine keys are created so that every user of the machine may change
// them later (a display is set up by an administrator once and run by
// whoever logs on): a descriptor of revision 1 whose access list is present
// but null, inherited by the sub-keys. In the system's descriptor language
// that is "D:NO_ACCESS_CONTROL" (an empty list, "D:", would deny everyone).
QString MachineKeySecuritySddl();
inline constexpr unsigned MachineKeySecurityRevision = 1;

// The two ways preparing that descriptor can fail; they reach the caller of
// a settings write (the user layer has been written by then).
QString SecurityDescriptorInitError(unsigned long systemError);
QString SecurityDescriptorDaclError(unsigned long systemError);

class RegistryError : public std::runtime_error {
public:
    explicit RegistryError(const QString& text);
};

// A message of the system's message table as LastRegistryError keeps it:
// without the line break the table ends each text with. A code the table
// does not know reads "Windows error=<code>".
QString SystemMessageText(const QString& fromTable, unsigned long systemError);

// A key path as the registry functions take it, relative to its root:
// "\AppEvents\EventLabels" (the absolute form the program's texts use)
// becomes "AppEvents\EventLabels"; "/" is not a separator and stays.
QString RelativeKeyPath(const QString& path);

} // namespace tesk
