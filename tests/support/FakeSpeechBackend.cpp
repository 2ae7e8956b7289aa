#include "FakeSpeechBackend.h"

namespace tesk::test {

FakeSpeechBackend::FakeSpeechBackend(std::shared_ptr<Script> script, QObject* parent)
    : SpeechBackend(parent)
    , m_script(std::move(script))
{
    m_script->live = this;
}

FakeSpeechBackend::~FakeSpeechBackend()
{
    if (m_script->live == this)
        m_script->live = nullptr;
}

bool FakeSpeechBackend::attach()
{
    ++m_script->attachCalls;
    m_script->calls << QStringLiteral("attach");
    if (m_script->duringAttach)
        m_script->duringAttach();
    return !m_script->attachFails;
}

QList<SpeechVoice> FakeSpeechBackend::voices()
{
    ++m_script->voicesCalls;
    m_script->calls << QStringLiteral("voices");
    if (m_script->voicesThrow)
        throw SpeechError("the voices cannot be listed");
    return m_script->voices;
}

bool FakeSpeechBackend::setVoice(const QString& description)
{
    m_script->calls << QStringLiteral("voice:") + description;
    if (m_script->setVoiceThrows)
        throw SpeechError("the voice cannot be set");
    for (const SpeechVoice& v : m_script->voices) {
        if (v.description == description) {
            m_script->voiceChanges << description;
            m_script->currentVoice = description;
            return true;
        }
    }
    return false;
}

void FakeSpeechBackend::setRate(int rate)
{
    m_script->calls << QStringLiteral("rate:") + QString::number(rate);
    if (m_script->setRateThrows)
        throw SpeechError("the rate cannot be set");
    m_script->rates << rate;
}

void FakeSpeechBackend::setVolume(int percent)
{
    m_script->volumes << percent;
}

void FakeSpeechBackend::speak(const QString& text)
{
    m_script->calls << QStringLiteral("speak:") + text;
    if (m_script->speakThrows)
        throw SpeechError("the synthesiser is gone");
    m_script->spoken << text;
}

void FakeSpeechBackend::skip()
{
    m_script->calls << QStringLiteral("skip");
    ++m_script->skips;
}

SpeechBackendFactory FakeSpeechBackend::factory(std::shared_ptr<Script> script)
{
    return [script]() -> std::unique_ptr<SpeechBackend> {
        ++script->backendsMade;
        return std::make_unique<FakeSpeechBackend>(script);
    };
}

} // namespace tesk::test
