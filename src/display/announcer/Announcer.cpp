#include "display/announcer/Announcer.h"

#include "common/LogCategories.h"
#include "common/SettingsStore.h"
#include "display/connection/CallListModel.h"
#include "protocol/DateTimeValue.h"

#include <QDateTime>
#include <QSet>
#include <QTimer>

#include <cmath>
#include <exception>

namespace tesk {

namespace {

const QString Tesk = QStringLiteral("TESK");
constexpr double MsPerDay = 86400000.0;

using Pair = std::pair<int, int>;

Pair KeyOf(const TLastSaid& said)
{
    return {said.CallLopnr, said.CallerLopnr};
}

} // namespace

Announcer::Announcer(Services services, QObject* parent)
    : QObject(parent)
    , m(std::move(services))
{
    if (!m.now)
        m.now = [] { return ToDateTimeValue(QDateTime::currentDateTime()); };
    if (m.sayTimer)
        connect(m.sayTimer, &QTimer::timeout, this, &Announcer::SayTimerTimer);
}

Announcer::~Announcer() = default;

bool Announcer::Setting(const QString& key, bool defaultValue) const
{
    return m.settings->ReadBool(Tesk, key, defaultValue);
}

void Announcer::SyncSayList()
{
    TSayList& said = m.model->SayList;
    QSet<Pair> current;
    for (const auto& call : m.model->CallList) {
        for (const auto& caller : call->CurrentCallList)
            current.insert({call->CallLopnr, caller->CallerLopnr});
    }
    // Calls that left the list lose their record: if they come back they
    // are new and spoken at once.
    std::erase_if(said, [&](const std::unique_ptr<TLastSaid>& s) { return !current.contains(KeyOf(*s)); });

    QSet<Pair> known;
    for (const auto& s : said)
        known.insert(KeyOf(*s));
    for (const auto& call : m.model->CallList) {
        for (const auto& caller : call->CurrentCallList) {
            const Pair key{call->CallLopnr, caller->CallerLopnr};
            if (known.contains(key))
                continue;
            known.insert(key);
            auto record = std::make_unique<TLastSaid>();
            record->CallName = call->CallName;
            record->CallLopnr = call->CallLopnr;
            record->CallTimeStamp = caller->CallTimeStamp;
            record->CallerLopnr = caller->CallerLopnr;
            record->CallerName = caller->CallerName;
            record->LastSaid = 0;
            said.push_back(std::move(record));
        }
    }
}

QString Announcer::BalloonShown(const QString& balloonText)
{
    if (balloonText.size() <= BalloonTextLimit)
        return balloonText;
    qsizetype cut = BalloonTextLimit;
    // Never half a character outside the basic plane.
    if (balloonText.at(cut - 1).isHighSurrogate())
        --cut;
    return balloonText.left(cut);
}

void Announcer::AnnounceCallList(int CallerCount, int PreviousCallerCount)
{
    // A setting that is not in the registry is asked of the server, and the
    // wait for its answer runs the event loop, in which the next call list
    // may arrive. A busy server sends lists faster than one announcement's
    // round trips take: announced at once, every list would start its reads
    // inside the previous one's wait, nesting ever deeper (each level holding
    // its stack and its message) for as long as the lists keep coming. So
    // the running announcement finishes first, then the newest list is
    // announced once for all that came meanwhile: the say list already holds
    // their calls, and the balloon and the sound come when any of them
    // changed the number of calls (the number at the end may be the one at
    // the start with other calls in it) and calls remain.
    const bool countChanged = CallerCount != PreviousCallerCount;
    if (m_announcing) {
        if (m_pending) {
            m_pending->CallerCount = CallerCount;
            m_pending->countChanged |= countChanged;
        } else {
            m_pending = Pending{CallerCount, countChanged};
        }
        return;
    }
    struct Running {
        Announcer& a;
        explicit Running(Announcer& announcer) : a(announcer) { a.m_announcing = true; }
        ~Running() { a.m_announcing = false; }
    } running(*this);
    // A failure is reported to the list that started this announcement, as
    // always, but only once the lists that came meanwhile have had their
    // turn: their calls are new to the people waiting for a signal whatever
    // became of the earlier one. Only the first failure can be reported.
    std::exception_ptr failure;
    const auto turn = [&](int count, bool changed) {
        try {
            Announce(count, changed);
        } catch (const std::exception& e) {
            if (failure)
                qCWarning(lcSpeech) << "announcing the call list failed again:" << e.what();
            else
                failure = std::current_exception();
        }
    };
    turn(CallerCount, countChanged);
    while (m_pending) {
        const Pending next = *m_pending;
        m_pending.reset();
        turn(next.CallerCount, next.countChanged);
    }
    if (failure)
        std::rethrow_exception(failure);
}

void Announcer::Announce(int CallerCount, bool countChanged)
{
    if (CallerCount > 0) {
        if (Setting(QStringLiteral("SayBalloonInfo"), false))
            SayDueCalls();
        if (countChanged) {
            if (Setting(QStringLiteral("ShowBalloonInfo"), false) && m.window)
                m.window->ShowBalloon(BalloonTitle, BalloonShown(m.model->BalloonText));
            if (Setting(QStringLiteral("PlayWindowsSound"), false) && m.playSound)
                m.playSound(m.settings->GetIniTextDef(Tesk, QStringLiteral("ActiveWindowsSound"),
                                                      QStringLiteral(".default")));
        }
    }
    if (Setting(QStringLiteral("ActivateClientOnBalloon"), false) && m.window) {
        m.window->BringToFront();
        m.window->ApplyVisibility(m.settings->ReadInt(Tesk, QStringLiteral("Visibility"), 1));
    }
}

void Announcer::SayDueCalls()
{
    SayDue();
}

void Announcer::SayTimerTimer()
{
    // Nothing may escape into the event loop from a timer tick.
    try {
        SayDue();
    } catch (const std::exception& e) {
        qCWarning(lcSpeech) << "repeating the calls failed:" << e.what();
    }
}

void Announcer::SayDue()
{
    if (m.sayTimer)
        m.sayTimer->stop();

    const TDateTime now = m.now();
    QString text;
    for (const auto& record : m.model->SayList) {
        // Whole seconds: the repeat timer's tick five minutes after a pass
        // lands a few milliseconds either side of it, and it must count as
        // exactly five minutes (not yet "later") every time, not at random.
        // A clock set back (or the hour going back in autumn) must not
        // silence a waiting call for the hour: a call last spoken "in the
        // future" is due.
        const qint64 silentS = std::llround((now - record->LastSaid) * MsPerDay / 1000.0);
        if (silentS >= 0 && silentS * 1000 <= RepeatAfterMs)
            continue;
        if (record->LastSaid != 0) {
            // Somebody is on the way: saying it again only teaches people
            // to stop listening.
            const TCaller* caller = m.model->findCaller(record->CallLopnr, record->CallerLopnr);
            if (caller && caller->CallComingLopnr > 0)
                continue;
        }
        text += record->CallerName + QStringLiteral(" kallar på ") + record->CallName + QStringLiteral(", \r");
        record->LastSaid = now;
    }
    if (!text.isEmpty() && m.say)
        m.say(text);

    if (m.sayTimer) {
        if (Setting(QStringLiteral("RepeatSayInfo"), true))
            m.sayTimer->start();
        else
            m.sayTimer->stop();
    }
}

void Announcer::TrayIcon1DblClick()
{
    if (m.window)
        m.window->BringToFront();
}

} // namespace tesk
