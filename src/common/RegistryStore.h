#pragma once

#include <QString>

namespace tesk {

enum class RegistryRoot { CurrentUser, LocalMachine };

// Per-user and per-machine string values addressed by a key path and a value
// name, with the semantics of the Windows registry calls the program was
// built around: a read yields empty text on any failure; a write reports
// success and leaves the system's reason in LastRegistryError on failure.
class RegistryStore {
public:
    virtual ~RegistryStore() = default;

    virtual QString RegReadString(RegistryRoot root, const QString& subKey, const QString& valueName) = 0;
    // May throw RegistryError (common/RegistryLayout.h) for the machine
    // root when the system cannot even prepare the key's security
    // descriptor; that failure is the caller's to see, not a quiet false.
    virtual bool RegWriteString(RegistryRoot root, const QString& subKey, const QString& valueName,
                                const QString& value) = 0;

    QString LastRegistryError;
};

} // namespace tesk
