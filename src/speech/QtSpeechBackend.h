#pragma once

#include "speech/SpeechBackend.h"

#include <QStringList>

#include <memory>

namespace tesk {

// The platform's text to speech through Qt (speech-dispatcher or flite on
// Linux, SAPI on Windows).
//
// The synthesiser lives on a thread of its own and is reached only through
// queued calls: a speech daemon that hangs (it can stop answering while it
// shuts down) must not freeze the display. attach() waits for each engine
// in a local event loop, at most attachTimeoutMs, and goes on to the next.
// Speaking queues the texts here and hands them over one at a time, since
// a synthesiser told to say a text while it speaks drops the one it was on. A text that has not finished
// long after it should have counts as a failure.
//
// Without Qt TextToSpeech in the build, attach() returns false.
class QtSpeechBackend : public SpeechBackend {
    Q_OBJECT
public:
    struct Options {
        // Engines in the order tried; empty: preferredEngines().
        QStringList engines;
        int attachTimeoutMs = 10000; // for each engine
    };

    QtSpeechBackend();
    explicit QtSpeechBackend(Options options, QObject* parent = nullptr);
    ~QtSpeechBackend() override;

    bool attach() override;
    QList<SpeechVoice> voices() override;
    bool setVoice(const QString& description) override;
    void setRate(int rate) override;
    void setVolume(int percent) override;
    void speak(const QString& text) override;
    void skip() override;

    // The engine attached to and the voice speaking now (empty before).
    QString engineName() const;
    QString currentVoice() const;
    // Why attach() failed, when it did.
    QString attachError() const;

    // What Qt offers here.
    static QStringList availableEngines();
    // The engines tried by default: those named in TESK_SPEECH_ENGINE
    // (comma-separated) when set, otherwise every available one with
    // speech-dispatcher first (it carries the Swedish voice of espeak-ng).
    static QStringList preferredEngines();
    // -10..10 onto Qt's -1.0..1.0.
    static double QtRate(int rate);

private:
    bool attachEngine(const QString& engine);

    struct Private;
    std::unique_ptr<Private> d;
};

// A fresh QtSpeechBackend for each creation of the engine.
SpeechBackendFactory QtSpeechBackendFactory(QtSpeechBackend::Options options = {});

} // namespace tesk
