#include "speech/SpeechEngine.h"

#include "common/LogCategories.h"

#include <exception>
#include <utility>

#include <algorithm>

namespace tesk {

struct SpeechService::Private {
    Private(SettingsStore& s, UserMessages& m, SpeechBackendFactory f)
        : settings(s), messages(m), factory(std::move(f))
    {
    }

    SettingsStore& settings;
    UserMessages& messages;
    SpeechBackendFactory factory;
    QString voiceName = QStringLiteral("ERROR");
    std::unique_ptr<TfrmSAPI51> engine;
    bool ready = false;
    // A creation waits for its synthesiser in an event loop, in which
    // another creation may be asked for.
    bool creating = false;
    bool createAgain = false;
    // Said while a synthesiser starts: spoken once it is ready.
    QStringList held;
    int volume = 100;
    std::shared_ptr<bool> questionGate = std::make_shared<bool>(false);
};

SpeechService::SpeechService(SettingsStore& settings, UserMessages& messages, SpeechBackendFactory factory,
                             QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>(settings, messages, std::move(factory)))
{
}

SpeechService::~SpeechService() = default;

QString SpeechService::voiceName() const
{
    return d->voiceName;
}

void SpeechService::setVoiceName(const QString& name)
{
    d->voiceName = name;
}

void SpeechService::Recreate()
{
    if (d->creating) {
        // Two synthesisers starting at once would share a library's global
        // voices (flite); the newest settings win once this one is done.
        d->createAgain = true;
        return;
    }
    d->creating = true;
    do {
        d->createAgain = false;
        CreateEngine();
    } while (d->createAgain);
    d->creating = false;

    // What was said meanwhile: a call that arrived while the synthesiser
    // started is spoken now rather than silently counted as said.
    const QStringList held = std::exchange(d->held, {});
    if (ready()) {
        for (const QString& text : held)
            d->engine->say(text, 1);
    }
}

void SpeechService::CreateEngine()
{
    d->ready = false;
    if (d->engine) {
        // The old synthesiser is shut down before the new one starts: two
        // at once share a library's global voices (flite), and the one that
        // goes would pull them from under the other.
        std::unique_ptr<TfrmSAPI51> old = std::move(d->engine);
        old->disconnect(this);
        old->btnStopClick();
        Q_EMIT engineChanged(nullptr);
        old.reset();
    }
    if (!d->factory)
        return;

    std::unique_ptr<TfrmSAPI51> engine;
    try {
        std::unique_ptr<SpeechBackend> backend = d->factory();
        if (!backend)
            return;
        engine = std::make_unique<TfrmSAPI51>(std::move(backend), d->settings, d->messages, d->voiceName);
    } catch (const std::exception& e) {
        qCWarning(lcSpeech) << "the speech engine could not be created:" << e.what();
        return;
    }
    if (!engine->attached())
        return;
    engine->shareQuestionGate(d->questionGate);
    connect(engine.get(), &TfrmSAPI51::readyChanged, this, [this](bool r) {
        if (!r)
            d->ready = false;
    });
    d->ready = engine->ready();
    if (d->volume != 100)
        engine->backend()->setVolume(d->volume);
    d->engine = std::move(engine);
    qCInfo(lcSpeech) << "speech engine created; ready:" << d->ready << "voices:" << d->engine->voices().size();
    Q_EMIT engineChanged(d->engine.get());
}

void SpeechService::CreateIfMissing()
{
    if (!d->engine)
        Recreate();
}

void SpeechService::MarkNotReady()
{
    d->ready = false;
}

TfrmSAPI51* SpeechService::engine() const
{
    return d->engine.get();
}

bool SpeechService::ready() const
{
    return d->ready && d->engine && d->engine->ready();
}

void SpeechService::setVolume(int percent)
{
    d->volume = std::clamp(percent, 0, 100);
    if (d->engine && d->engine->backend())
        d->engine->backend()->setVolume(d->volume);
}

int SpeechService::volume() const
{
    return d->volume;
}

void SpeechService::say(const QString& text, int flags)
{
    if (ready()) {
        d->engine->say(text, flags);
        return;
    }
    // A few texts only: a synthesiser that never answers must not gather
    // a day's calls to speak at once.
    constexpr int MaxHeld = 4;
    if (d->creating && d->held.size() < MaxHeld)
        d->held << text;
}

} // namespace tesk
