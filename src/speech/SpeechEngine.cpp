#include "speech/SpeechEngine.h"

#include "common/LogCategories.h"
#include "common/SettingsStore.h"
#include "common/UserMessages.h"

#include <QHash>
#include <QTimer>

#include <algorithm>
#include <exception>

namespace tesk {

namespace {

const QString Section = QStringLiteral("Text2Speech");
const QString ShowErrorKey = QStringLiteral("ShowErrorMsg2");
constexpr int MinRate = -10;
constexpr int MaxRate = 10;

const QString InitQuestion = QStringLiteral(
    "Det gick inte att initiera Text-To-Speech funktionen!\r"
    "Kontrollera att Microsoft Text-To-Speech Engine SAPI 5.1 \u00E4r installerad korrekt!\r\r"
    "Text-To-Speech funktionen \u00E4r bortkopplad!\r\r"
    "Vill du se detta meddelande igen?");

// A stored voice name of nothing (or the store's "ERROR" for a missing
// value) means the user never picked one.
bool NoVoiceStored(const QString& name)
{
    return name.trimmed().isEmpty() || name == QLatin1String("ERROR");
}

// The voice list sorts itself as a list box would: case does not decide
// the order unless the names differ in nothing else.
bool VoiceOrder(const QString& a, const QString& b)
{
    const int c = a.compare(b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
}

} // namespace

struct TfrmSAPI51::Private {
    Private(std::unique_ptr<SpeechBackend> b, SettingsStore& s, UserMessages& m, const QString& v)
        : backend(std::move(b)), settings(s), messages(m), voiceName(v)
    {
    }

    std::unique_ptr<SpeechBackend> backend;
    SettingsStore& settings;
    UserMessages& messages;
    QString voiceName;
    std::shared_ptr<bool> questionOpen = std::make_shared<bool>(false);

    bool attached = false;
    bool ready = false;
    bool asked = false;
    QList<SpeechVoice> installed; // as last listed, for the locale preference
    QStringList cbVoices;
    int selected = -1;
    int tbRate = 0;
    QString lblRate = QStringLiteral("0");
};

TfrmSAPI51::TfrmSAPI51(std::unique_ptr<SpeechBackend> backend, SettingsStore& settings, UserMessages& messages,
                       const QString& voiceName, QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>(std::move(backend), settings, messages, voiceName))
{
    if (!d->backend)
        return;
    connect(d->backend.get(), &SpeechBackend::failed, this, [this](const QString& reason) { Fail(reason); });

    try {
        d->attached = d->backend->attach();
    } catch (const std::exception& e) {
        qCWarning(lcSpeech) << "attaching to the synthesiser failed:" << e.what();
        d->attached = false;
    }
    if (!d->attached) {
        // Nothing to speak with at all: speech stays off without a word.
        qCInfo(lcSpeech) << "no synthesiser could be reached; speech is off";
        return;
    }

    try {
        ListVoices();
        SelectStoredVoice();
    } catch (const std::exception& e) {
        qCWarning(lcSpeech) << "the voices could not be set up:" << e.what();
        d->ready = false;
        AskInitQuestion();
        return;
    }

    try {
        setRate(d->settings.ReadInt(Section, QStringLiteral("SpeedSAPI5.1"), 0));
        d->backend->setRate(d->tbRate);
    } catch (const std::exception& e) {
        // A rate the synthesiser refuses leaves its own; speech still works.
        qCWarning(lcSpeech) << "the rate could not be set:" << e.what();
    }
    d->ready = true;
    qCInfo(lcSpeech).noquote() << "speech ready with the voice"
                               << (d->selected >= 0 ? QLatin1Char('"') + d->cbVoices.at(d->selected) + QLatin1Char('"')
                                                    : QStringLiteral("the synthesiser starts with"))
                               << "at rate" << d->tbRate;
}

TfrmSAPI51::~TfrmSAPI51() = default;

bool TfrmSAPI51::ready() const
{
    return d->ready;
}

bool TfrmSAPI51::attached() const
{
    return d->attached;
}

SpeechBackend* TfrmSAPI51::backend() const
{
    return d->backend.get();
}

void TfrmSAPI51::shareQuestionGate(std::shared_ptr<bool> gate)
{
    if (gate)
        d->questionOpen = std::move(gate);
}

void TfrmSAPI51::ListVoices()
{
    d->installed = d->backend->voices();
    QStringList names;
    names.reserve(d->installed.size());
    for (const SpeechVoice& v : d->installed)
        names << v.description;
    std::sort(names.begin(), names.end(), VoiceOrder);
    d->cbVoices = names;
    d->selected = -1;
}

void TfrmSAPI51::SelectStoredVoice()
{
    if (NoVoiceStored(d->voiceName)) {
        // Nobody chose a voice: a Swedish one, where the synthesiser has
        // one, rather than whatever language it starts with.
        const int sv = PreferredLocaleIndex(QLocale(QLocale::Swedish, QLocale::Sweden));
        if (sv >= 0) {
            d->selected = sv;
            ApplySelectedVoice();
        }
        return;
    }
    const int found = int(d->cbVoices.indexOf(d->voiceName));
    if (found < 0)
        return; // the synthesiser's own default voice stays
    d->selected = found;
    ApplySelectedVoice();
}

int TfrmSAPI51::PreferredLocaleIndex(const QLocale& wanted) const
{
    // Synthesisers list thousands of voices (every variant for every
    // language): look the locales up, do not search for them.
    QHash<QString, QLocale> localeOf;
    localeOf.reserve(d->installed.size());
    for (const SpeechVoice& v : d->installed)
        localeOf.insert(v.description, v.locale);
    int sameLanguage = -1;
    for (int i = 0; i < d->cbVoices.size(); ++i) {
        const auto it = localeOf.constFind(d->cbVoices.at(i));
        if (it == localeOf.cend() || it->language() != wanted.language())
            continue;
        if (it->territory() == wanted.territory())
            return i;
        if (sameLanguage < 0)
            sameLanguage = i;
    }
    return sameLanguage;
}

QStringList TfrmSAPI51::voices() const
{
    return d->cbVoices;
}

int TfrmSAPI51::selectedVoiceIndex() const
{
    return d->selected;
}

void TfrmSAPI51::setSelectedVoiceIndex(int index)
{
    d->selected = (index >= 0 && index < d->cbVoices.size()) ? index : -1;
}

void TfrmSAPI51::ApplySelectedVoice()
{
    if (d->selected < 0 || d->selected >= d->cbVoices.size())
        return;
    const QString wanted = d->cbVoices.at(d->selected);
    // The voices are listed afresh: the installed set may have changed
    // since the list was filled.
    for (const SpeechVoice& v : d->backend->voices()) {
        if (v.description == wanted) {
            d->backend->setVoice(wanted);
            return;
        }
    }
}

void TfrmSAPI51::cbVoicesChange()
{
    if (!d->attached)
        return;
    try {
        ApplySelectedVoice();
    } catch (const std::exception& e) {
        Fail(QString::fromLocal8Bit(e.what()));
    }
}

int TfrmSAPI51::rate() const
{
    return d->tbRate;
}

void TfrmSAPI51::setRate(int position)
{
    const int clamped = std::clamp(position, MinRate, MaxRate);
    if (clamped == d->tbRate)
        return;
    d->tbRate = clamped;
    tbRateChange();
}

QString TfrmSAPI51::lblRate() const
{
    return d->lblRate;
}

void TfrmSAPI51::tbRateChange()
{
    btnStopClick();
    if (d->attached) {
        try {
            d->backend->setRate(d->tbRate);
        } catch (const std::exception& e) {
            Fail(QString::fromLocal8Bit(e.what()));
        }
    }
    d->lblRate = QString::number(d->tbRate);
}

void TfrmSAPI51::say(const QString& sayString, int flags)
{
    Q_UNUSED(flags); // every caller speaks asynchronously; the backend always does
    if (!d->ready)
        return;
    const QString text = SayText(sayString);
    if (text.isEmpty())
        return;
    try {
        d->backend->speak(text);
    } catch (const std::exception& e) {
        Fail(QString::fromLocal8Bit(e.what()));
    }
}

void TfrmSAPI51::btnStopClick()
{
    if (!d->attached)
        return;
    try {
        d->backend->skip();
    } catch (const std::exception& e) {
        Fail(QString::fromLocal8Bit(e.what()));
    }
}

void TfrmSAPI51::Fail(const QString& reason)
{
    qCWarning(lcSpeech) << "the synthesiser failed:" << reason;
    const bool was = d->ready;
    d->ready = false;
    if (was)
        Q_EMIT readyChanged(false);
    AskInitQuestion();
}

void TfrmSAPI51::AskInitQuestion()
{
    // Once per engine; later failures of the same engine stay quiet. The
    // question runs a modal loop, so it is asked from the event loop rather
    // than from inside whatever call found the failure, and it touches only
    // the store and the messages, which outlive any engine.
    if (d->asked)
        return;
    d->asked = true;
    QTimer::singleShot(0, this, [this] {
        // Only the engine's lasting helpers are taken: the engine itself may
        // be gone by the time the box closes.
        SettingsStore* settings = &d->settings;
        UserMessages* messages = &d->messages;
        const std::shared_ptr<bool> open = d->questionOpen;
        if (*open)
            return; // one box at a time, whichever engine asks
        if (settings->GetIniText(Section, ShowErrorKey) == QLatin1String("0"))
            return;
        *open = true;
        const bool again = messages->AskYesNo(InitQuestion);
        *open = false;
        if (!again)
            settings->SetIniText(Section, ShowErrorKey, QStringLiteral("0"));
    });
}

} // namespace tesk
