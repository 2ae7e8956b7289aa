#pragma once

#include "speech/SpeechBackend.h"

#include <QStringList>

#include <functional>

#include <memory>

namespace tesk::test {

// A synthesiser for tests. What it offers and how it fails is scripted in
// a Script shared with the test (the engine owns the backend, so the test
// keeps the script, which outlives any one backend):
//
//   auto script = std::make_shared<FakeSpeechBackend::Script>();
//   script->voices = {{"Alva", QLocale(QLocale::Swedish, QLocale::Sweden)}};
//   TfrmSAPI51 engine(std::make_unique<FakeSpeechBackend>(script), ...);
//   engine.say("Rum 3 kallar på Dr. Ström, \r");
//   script->spoken;   // {"Rum 3 kallar på Dr. Ström, \r"}
class FakeSpeechBackend : public SpeechBackend {
    Q_OBJECT
public:
    struct Script {
        // What the synthesiser offers and does.
        QList<SpeechVoice> voices;
        bool attachFails = false;
        bool voicesThrow = false;
        bool setVoiceThrows = false;
        bool speakThrows = false;
        bool setRateThrows = false;
        // Runs inside attach(), as a synthesiser that takes its time to
        // start (a test may run the event loop here).
        std::function<void()> duringAttach;

        // What it was asked to do, in order.
        int attachCalls = 0;
        int voicesCalls = 0;
        QStringList spoken;
        QList<int> rates;
        QList<int> volumes;
        QStringList voiceChanges;
        int skips = 0;
        QString currentVoice;      // the speaking voice; empty: the default
        QStringList calls;         // "attach", "voices", "voice:NAME", "rate:N", "speak:TEXT", "skip"
        int backendsMade = 0;      // by factory()
        FakeSpeechBackend* live = nullptr; // the newest backend still alive
    };

    explicit FakeSpeechBackend(std::shared_ptr<Script> script, QObject* parent = nullptr);
    ~FakeSpeechBackend() override;

    bool attach() override;
    QList<SpeechVoice> voices() override;
    bool setVoice(const QString& description) override;
    void setRate(int rate) override;
    void setVolume(int percent) override;
    void speak(const QString& text) override;
    void skip() override;

    // As a synthesiser that breaks down later (no audio device, the daemon
    // went away).
    void fail(const QString& reason = QStringLiteral("no audio device")) { Q_EMIT failed(reason); }

    // A factory that makes backends on this script.
    static SpeechBackendFactory factory(std::shared_ptr<Script> script);

private:
    std::shared_ptr<Script> m_script;
};

} // namespace tesk::test
