#pragma once

#include <QList>
#include <QLocale>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <stdexcept>

namespace tesk {

// One installed voice as the synthesiser names it. The description is the
// key stored in Text2Speech/VoiceSAPI5.1, so it must stay the same from run
// to run.
struct SpeechVoice {
    QString description;
    QLocale locale;
};

// A synthesiser call that failed; the engine turns it into "not ready".
class SpeechError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What the speech engine needs of a synthesiser: the platform's text to
// speech in the program, a recording fake in the tests.
class SpeechBackend : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Attaches to the synthesiser. False when none can be reached at all:
    // the engine is then not created and nothing is said to the user.
    virtual bool attach() = 0;
    // The installed voices, in the synthesiser's order. Throws SpeechError
    // when they cannot be listed.
    virtual QList<SpeechVoice> voices() = 0;
    // Makes the voice with this description the speaking voice; false when
    // no installed voice has it (the voice is then unchanged).
    virtual bool setVoice(const QString& description) = 0;
    // The speaking rate of later speech, -10 (slowest) to 10 (fastest).
    virtual void setRate(int rate) = 0;
    // The loudness of later speech, 0 (silent) to 100 (the synthesiser's
    // full volume, where it starts). A synthesiser without a volume of its
    // own ignores it.
    virtual void setVolume(int percent) { Q_UNUSED(percent); }
    // Queues the text and returns at once; texts are spoken in turn.
    virtual void speak(const QString& text) = 0;
    // Ends the text being spoken and drops what is queued.
    virtual void skip() = 0;

Q_SIGNALS:
    // The synthesiser failed at any time (no audio device, the daemon went
    // away). The engine becomes not ready; nothing blocks or crashes.
    void failed(const QString& reason);
};

// Makes a fresh backend for each creation of the engine.
using SpeechBackendFactory = std::function<std::unique_ptr<SpeechBackend>()>;

} // namespace tesk
