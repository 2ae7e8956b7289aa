#pragma once

#include <QString>
#include <QStringList>

#include <memory>

namespace tesk {

// The desktop's named event sounds: played by alias without waiting, and
// the names a user can choose from.
//
// Linux: libcanberra with the desktop's sound theme (the freedesktop theme
// where the desktop names none); the aliases stored by the Windows program
// are mapped onto the theme's names (".default" is "bell"). Windows:
// PlaySound with SND_ALIAS | SND_ASYNC; the labels are the key names under
// HKEY_CURRENT_USER\AppEvents\EventLabels.
class SoundEvents {
public:
    SoundEvents();
    ~SoundEvents();
    SoundEvents(const SoundEvents&) = delete;
    SoundEvents& operator=(const SoundEvents&) = delete;

    // Starts the sound and returns at once; a sound that cannot be played
    // is silently skipped.
    void play(const QString& alias);

    // The name the platform is asked to play for an alias.
    static QString eventId(const QString& alias);
    // The event names offered in the settings dialog. Linux: the theme's
    // names, sorted, ".default" first. Windows: the sub-keys of
    // HKEY_CURRENT_USER\AppEvents\EventLabels in the order the registry
    // enumerates them; empty when the key cannot be opened.
    static QStringList labels();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace tesk
