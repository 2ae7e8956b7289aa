#pragma once

#include "speech/SpeechBackend.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

namespace tesk {

class SettingsStore;
class UserMessages;

// The text actually spoken for a call text: the markers removed, the first
// hyphen's date-like number group spelled in groups ("yymmdd-nnnn" becomes
// "yy mm dd, nn nn"), every other hyphen a space. Pure.
QString SayText(const QString& sayString);

// The speech engine, named as the program has always named it: the
// installed voices (cbVoices, sorted by description), the selected voice,
// the rate (tbRate, -10..10) and the speaking. It
// initialises itself on construction: voices, the stored voice name, the
// stored rate (Text2Speech/SpeedSAPI5.1). A failed initialisation leaves it
// not ready for its whole life and asks the Text2Speech/ShowErrorMsg2
// question; a backend failure later makes it not ready too.
class TfrmSAPI51 : public QObject {
    Q_OBJECT
public:
    TfrmSAPI51(std::unique_ptr<SpeechBackend> backend, SettingsStore& settings, UserMessages& messages,
               const QString& voiceName, QObject* parent = nullptr);
    ~TfrmSAPI51() override;

    bool ready() const;
    // False when no synthesiser could be reached at creation: such an
    // engine never speaks and its creator discards it.
    bool attached() const;
    SpeechBackend* backend() const;
    // Engines that share a gate never stack their start-up questions.
    void shareQuestionGate(std::shared_ptr<bool> gate);

    // cbVoices: the descriptions in alphabetical order, and the selected
    // entry (-1: none).
    QStringList voices() const;
    int selectedVoiceIndex() const;
    void setSelectedVoiceIndex(int index);
    // Makes the selected entry the speaking voice (no entry, no match: the
    // voice is unchanged).
    void cbVoicesChange();

    // tbRate: -10..10. Setting a position clamps it and, when the position
    // changes, runs tbRateChange (stop, set the rate, show it in lblRate).
    int rate() const;
    void setRate(int position);
    QString lblRate() const;
    // Stops speaking, gives the synthesiser the rate of tbRate and shows it
    // in lblRate.
    void tbRateChange();

    // Speaks SayText(sayString); nothing when not ready or when the text is
    // empty. flags: 1 (asynchronous) from every caller.
    void say(const QString& sayString, int flags = 1);
    // Skips the rest of what is being spoken.
    void btnStopClick();

Q_SIGNALS:
    void readyChanged(bool ready);

private:
    void ListVoices();
    void SelectStoredVoice();
    int PreferredLocaleIndex(const QLocale& wanted) const;
    void ApplySelectedVoice();
    void Fail(const QString& reason);
    void AskInitQuestion();

    struct Private;
    std::unique_ptr<Private> d;
};

// The program's one speech service: the voice name, the ready flag and the
// engine, which the main window creates at its first activation and again
// at every connection (when Text2Speech/UseSAPI5 is "1") and the settings
// dialog creates when speech is switched on and none exists.
class SpeechService : public QObject {
    Q_OBJECT
public:
    SpeechService(SettingsStore& settings, UserMessages& messages, SpeechBackendFactory factory,
                  QObject* parent = nullptr);
    ~SpeechService() override;

    // Text2Speech/VoiceSAPI5.1 as last read or chosen.
    QString voiceName() const;
    void setVoiceName(const QString& name);

    // Marks speech not ready, discards any engine and creates a new one;
    // a failure leaves speech off without a word. Waits for the synthesiser
    // in an event loop; asked for again meanwhile, it creates once more
    // when the first is done. What is said while it waits is spoken when
    // the engine is ready (a few texts at most).
    void Recreate();
    // Creates an engine only when none exists.
    void CreateIfMissing();
    // Silences speech without discarding the engine (a connection that
    // finds speech switched off); the next creation may speak again.
    void MarkNotReady();
    TfrmSAPI51* engine() const; // null when none

    bool ready() const;
    // Nothing without a ready engine.
    void say(const QString& text, int flags = 1);
    // Loudness of speech in percent (100 at start); kept for every engine
    // created later.
    void setVolume(int percent);
    int volume() const;

Q_SIGNALS:
    // The engine was created, replaced or discarded.
    void engineChanged(tesk::TfrmSAPI51* engine);

private:
    void CreateEngine();

    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace tesk
