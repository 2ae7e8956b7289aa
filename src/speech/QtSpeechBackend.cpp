#include "speech/QtSpeechBackend.h"

#include "common/LogCategories.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QHash>
#include <QMetaType>
#include <QThread>
#include <QTimer>

#ifdef TESK_HAVE_TEXTTOSPEECH
#include <QTextToSpeech>
#include <QVoice>
#endif

#include <algorithm>

Q_DECLARE_METATYPE(tesk::SpeechVoice)

namespace tesk {

double QtSpeechBackend::QtRate(int rate)
{
    return std::clamp(rate, -10, 10) / 10.0;
}

#ifdef TESK_HAVE_TEXTTOSPEECH

namespace {

// How long a text may take beyond what the slowest rate needs for it
// before the synthesiser counts as stuck.
constexpr int StallBaseMs = 20000;
constexpr int StallPerCharMs = 250;

// Names unique enough to be stored as the voice setting: the voice's own
// name where no other voice has it, otherwise with its locale, and a number
// where even that repeats. The same installation gives the same names.
QStringList Describe(const QList<QVoice>& voices)
{
    QHash<QString, int> byName;
    for (const QVoice& v : voices)
        ++byName[v.name()];
    QStringList out;
    QHash<QString, int> seen;
    for (const QVoice& v : voices) {
        QString d = v.name();
        if (byName.value(d) > 1)
            d += QStringLiteral(" (") + v.locale().name() + QLatin1Char(')');
        const int n = ++seen[d];
        if (n > 1)
            d += QLatin1Char(' ') + QString::number(n);
        out << d;
    }
    return out;
}

} // namespace

// Owns the QTextToSpeech on the speech thread; every call arrives queued.
class SpeechWorker : public QObject {
    Q_OBJECT
public:
    explicit SpeechWorker(QStringList engines)
        : m_engines(std::move(engines))
    {
    }

    void init()
    {
        QString lastError = QStringLiteral("no text-to-speech engine is installed");
        for (const QString& engine : m_engines) {
            auto* tts = new QTextToSpeech(engine, this);
            if (tts->state() == QTextToSpeech::Error || tts->engine() != engine) {
                lastError = engine + QStringLiteral(": ")
                    + (tts->errorString().isEmpty() ? QStringLiteral("cannot start") : tts->errorString());
                delete tts;
                continue;
            }
            // The voices come per locale; list them all, then go back to
            // what the engine started with.
            const QLocale startLocale = tts->locale();
            const QVoice startVoice = tts->voice();
            QList<QVoice> all;
            const QList<QLocale> locales = tts->availableLocales();
            if (locales.isEmpty()) {
                all = tts->availableVoices();
            } else {
                for (const QLocale& l : locales) {
                    tts->setLocale(l);
                    all += tts->availableVoices();
                }
                tts->setLocale(startLocale);
                tts->setVoice(startVoice);
            }
            const QStringList names = Describe(all);
            QList<SpeechVoice> list;
            QString current;
            for (int i = 0; i < all.size(); ++i) {
                list.append({names.at(i), all.at(i).locale()});
                m_voices.insert(names.at(i), all.at(i));
                if (current.isEmpty() && all.at(i).name() == startVoice.name()
                    && all.at(i).locale() == startVoice.locale())
                    current = names.at(i);
            }
            m_tts = tts;
            // The volume the synthesiser starts with is the program's full
            // volume (speech-dispatcher's normal level is half of Qt's
            // scale): a share below it is applied, nothing else is touched,
            // so an installation without night mode sounds as it always did.
            m_startVolume = m_tts->volume();
            if (m_share < 1.0)
                m_tts->setVolume(m_startVolume * m_share);
            connect(tts, &QTextToSpeech::stateChanged, this, &SpeechWorker::onState);
            connect(tts, &QTextToSpeech::errorOccurred, this,
                    [this](QTextToSpeech::ErrorReason, const QString& text) { Failed(text); });
            m_stall = new QTimer(this);
            m_stall->setSingleShot(true);
            connect(m_stall, &QTimer::timeout, this, &SpeechWorker::onStall);
            Q_EMIT initialised(true, engine, list, current, QString());
            return;
        }
        Q_EMIT initialised(false, QString(), {}, QString(), lastError);
    }

    void setVoice(const QString& description)
    {
        if (!m_tts || !m_voices.contains(description))
            return;
        const QVoice v = m_voices.value(description);
        if (m_tts->locale() != v.locale())
            m_tts->setLocale(v.locale());
        m_tts->setVoice(v);
    }

    void setRate(double rate)
    {
        if (m_tts)
            m_tts->setRate(rate);
    }

    // share: 1.0 the synthesiser's own starting volume, less is quieter.
    void setVolume(double share)
    {
        m_share = share;
        if (m_tts)
            m_tts->setVolume(m_startVolume * share);
    }

    void speak(const QString& text)
    {
        m_queue.append(text);
        Next();
    }

    void skip()
    {
        m_queue.clear();
        if (m_stall)
            m_stall->stop();
        const bool wasBusy = m_busy;
        m_busy = false;
        if (m_tts && wasBusy)
            m_tts->stop();
    }

    void shutDown()
    {
        skip();
        delete m_tts;
        m_tts = nullptr;
    }

Q_SIGNALS:
    void initialised(bool ok, const QString& engine, const QList<tesk::SpeechVoice>& voices, const QString& current,
                     const QString& error);
    void failed(const QString& reason);

private:
    void Next()
    {
        if (!m_tts || m_busy || m_queue.isEmpty() || m_failed)
            return;
        const QString text = m_queue.takeFirst();
        m_busy = true;
        m_stall->start(StallBaseMs + StallPerCharMs * int(std::min<qsizetype>(text.size(), 100000)));
        m_tts->say(text);
    }

    void onState(QTextToSpeech::State state)
    {
        if (state == QTextToSpeech::Error) {
            Failed(m_tts->errorString());
            return;
        }
        if (state == QTextToSpeech::Ready && m_busy) {
            m_busy = false;
            m_stall->stop();
            Next();
        }
    }

    void onStall()
    {
        if (!m_busy)
            return;
        if (m_tts && m_tts->state() == QTextToSpeech::Speaking) {
            Failed(QStringLiteral("the synthesiser did not finish speaking"));
            return;
        }
        // It never said it started; go on with the next text.
        m_busy = false;
        Next();
    }

    void Failed(const QString& reason)
    {
        m_queue.clear();
        m_busy = false;
        if (m_stall)
            m_stall->stop();
        if (m_failed)
            return;
        m_failed = true;
        Q_EMIT failed(reason.isEmpty() ? QStringLiteral("the synthesiser reported an error") : reason);
    }

    QStringList m_engines;
    QTextToSpeech* m_tts = nullptr;
    double m_share = 1.0;
    double m_startVolume = 1.0;
    QHash<QString, QVoice> m_voices;
    QStringList m_queue;
    QTimer* m_stall = nullptr;
    bool m_busy = false;
    bool m_failed = false;
};

struct QtSpeechBackend::Private {
    Options options;
    QThread* thread = nullptr;
    SpeechWorker* worker = nullptr;
    bool attached = false;
    QString engine;
    QString current;
    QString error;
    QList<SpeechVoice> voices;

    template <typename F>
    void post(F&& f)
    {
        if (worker)
            QMetaObject::invokeMethod(worker, std::forward<F>(f), Qt::QueuedConnection);
    }

    // Lets the thread end on its own; a synthesiser stuck in a call keeps
    // it alive, and then it is left to the end of the process.
    void retire(int waitMs)
    {
        if (!thread)
            return;
        QThread* t = thread;
        thread = nullptr;
        if (worker) {
            // The synthesiser closes on its own thread, then the thread ends.
            QMetaObject::invokeMethod(
                worker,
                [w = worker, t] {
                    w->shutDown();
                    t->quit();
                },
                Qt::QueuedConnection);
        } else {
            t->quit();
        }
        worker = nullptr;
        if (!t->wait(QDeadlineTimer(waitMs)))
            qCWarning(lcSpeech) << "the speech thread did not end; it is left behind";
        else
            delete t;
    }
};

QtSpeechBackend::QtSpeechBackend()
    : QtSpeechBackend(Options{})
{
}

QtSpeechBackend::QtSpeechBackend(Options options, QObject* parent)
    : SpeechBackend(parent)
    , d(std::make_unique<Private>())
{
    qRegisterMetaType<tesk::SpeechVoice>();
    qRegisterMetaType<QList<tesk::SpeechVoice>>();
    d->options = std::move(options);
    if (d->options.engines.isEmpty())
        d->options.engines = preferredEngines();
}

QtSpeechBackend::~QtSpeechBackend()
{
    // Closing a synthesiser is quick when it is healthy; a hung one is not
    // waited for long.
    d->retire(1000);
}

bool QtSpeechBackend::attach()
{
    if (d->attached)
        return true;
    if (d->thread)
        return false; // an earlier attempt is still on its way
    // One engine at a time, each on a fresh thread: an engine that hangs
    // while starting (a speech daemon that no longer answers) is left
    // behind and the next one is tried.
    for (const QString& engine : d->options.engines) {
        if (attachEngine(engine))
            break;
    }
    if (!d->attached) {
        qCWarning(lcSpeech) << "no synthesiser:" << d->error;
        return false;
    }
    qCInfo(lcSpeech) << "synthesiser" << d->engine << "with" << d->voices.size() << "voices; speaking with"
                     << d->current;
    return true;
}

bool QtSpeechBackend::attachEngine(const QString& engine)
{
    d->thread = new QThread;
    d->thread->setObjectName(QStringLiteral("speech"));
    d->worker = new SpeechWorker(QStringList{engine});
    d->worker->moveToThread(d->thread);
    connect(d->thread, &QThread::finished, d->worker, &QObject::deleteLater);
    connect(d->worker, &SpeechWorker::failed, this, [this](const QString& reason) { Q_EMIT failed(reason); });

    QElapsedTimer clock;
    clock.start();
    bool answered = false;
    QEventLoop loop;
    connect(d->worker, &SpeechWorker::initialised, &loop,
            [&](bool ok, const QString& name, const QList<SpeechVoice>& voices, const QString& current,
                const QString& error) {
                answered = true;
                d->attached = ok;
                d->engine = name;
                d->voices = voices;
                d->current = current;
                d->error = error;
                loop.quit();
            });
    QTimer::singleShot(d->options.attachTimeoutMs, &loop, &QEventLoop::quit);
    d->thread->start();
    QMetaObject::invokeMethod(d->worker, &SpeechWorker::init, Qt::QueuedConnection);
    loop.exec();

    if (!answered)
        d->error = engine + QStringLiteral(": did not answer within %1 ms").arg(d->options.attachTimeoutMs);
    if (d->attached) {
        qCInfo(lcSpeech) << "synthesiser" << engine << "started in" << clock.elapsed() << "ms";
        return true;
    }
    qCInfo(lcSpeech) << "synthesiser" << engine << "not usable:" << d->error;
    // A worker that never answered may still be blocked; leave it be.
    d->retire(answered ? 1000 : 0);
    return false;
}

QList<SpeechVoice> QtSpeechBackend::voices()
{
    if (!d->attached)
        throw SpeechError("the synthesiser is not attached");
    return d->voices;
}

bool QtSpeechBackend::setVoice(const QString& description)
{
    if (!d->attached)
        return false;
    const bool known = std::any_of(d->voices.cbegin(), d->voices.cend(),
                                   [&](const SpeechVoice& v) { return v.description == description; });
    if (!known)
        return false;
    d->current = description;
    d->post([w = d->worker, description] { w->setVoice(description); });
    return true;
}

void QtSpeechBackend::setRate(int rate)
{
    const double r = QtRate(rate);
    d->post([w = d->worker, r] { w->setRate(r); });
}

void QtSpeechBackend::setVolume(int percent)
{
    const double v = std::clamp(percent, 0, 100) / 100.0;
    d->post([w = d->worker, v] { w->setVolume(v); });
}

void QtSpeechBackend::speak(const QString& text)
{
    d->post([w = d->worker, text] { w->speak(text); });
}

void QtSpeechBackend::skip()
{
    d->post([w = d->worker] { w->skip(); });
}

QString QtSpeechBackend::engineName() const
{
    return d->engine;
}

QString QtSpeechBackend::currentVoice() const
{
    return d->current;
}

QString QtSpeechBackend::attachError() const
{
    return d->error;
}

QStringList QtSpeechBackend::availableEngines()
{
    return QTextToSpeech::availableEngines();
}

#else // no Qt TextToSpeech in this build

struct QtSpeechBackend::Private {
    Options options;
};

QtSpeechBackend::QtSpeechBackend()
    : QtSpeechBackend(Options{})
{
}

QtSpeechBackend::QtSpeechBackend(Options options, QObject* parent)
    : SpeechBackend(parent)
    , d(std::make_unique<Private>())
{
    d->options = std::move(options);
}

QtSpeechBackend::~QtSpeechBackend() = default;

bool QtSpeechBackend::attach()
{
    return false;
}

QList<SpeechVoice> QtSpeechBackend::voices()
{
    throw SpeechError("this build has no text to speech");
}

bool QtSpeechBackend::setVoice(const QString&)
{
    return false;
}

void QtSpeechBackend::setRate(int) {}
void QtSpeechBackend::speak(const QString&) {}
void QtSpeechBackend::skip() {}

QString QtSpeechBackend::engineName() const
{
    return {};
}

QString QtSpeechBackend::currentVoice() const
{
    return {};
}

QString QtSpeechBackend::attachError() const
{
    return QStringLiteral("this build has no text to speech");
}

QStringList QtSpeechBackend::availableEngines()
{
    return {};
}

#endif

QStringList QtSpeechBackend::preferredEngines()
{
    const QString named = qEnvironmentVariable("TESK_SPEECH_ENGINE").trimmed();
    if (!named.isEmpty()) {
        QStringList out;
        for (const QString& e : named.split(QLatin1Char(','), Qt::SkipEmptyParts))
            out << e.trimmed();
        return out;
    }
    QStringList engines = availableEngines();
    const qsizetype speechd = engines.indexOf(QStringLiteral("speechd"));
    if (speechd > 0)
        engines.move(speechd, 0);
    return engines;
}

SpeechBackendFactory QtSpeechBackendFactory(QtSpeechBackend::Options options)
{
    return [options]() -> std::unique_ptr<SpeechBackend> { return std::make_unique<QtSpeechBackend>(options); };
}

} // namespace tesk

#ifdef TESK_HAVE_TEXTTOSPEECH
#include "QtSpeechBackend.moc"
#endif
