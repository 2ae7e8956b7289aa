#include "DemoTraffic.h"

namespace tesk::sim {

namespace {

struct Room {
    const char16_t* name;
    TColor colour; // 0x00BBGGRR
};

constexpr Room kRooms[] = {
    {u"Rum 1", 0x00E0E0FF}, {u"Rum 2", 0x00E0FFE0}, {u"Rum 3", 0x00FFE0E0},     {u"Rum 4", 0x00C0F0FF},
    {u"Rum 5", 0x00FFD0F0}, {u"Väntrum Öst", 0x00B0E0FF}, {u"Väntrum Väst", 0x00D0FFD0}, {u"Akutrummet", 0x008080FF},
    {u"Labbet", 0x00F0F0C0}, {u"Röntgen", 0x00E0E0E0}, {u"Receptionen", 0x00A0FFFF}, {u"Gipsrummet", 0x00FFC0A0},
};

constexpr const char16_t* kConfirmers[] = {
    u"Expeditionen", u"Sköterskeexpeditionen", u"Läkarexpeditionen", u"Rum 4", u"Personalrummet", u"Mottagningen",
};

} // namespace

DemoTraffic::DemoTraffic(Register& reg, std::function<void()> changed, Clock clock, quint32 seed, QObject* parent)
    : QObject(parent)
    , m_reg(reg)
    , m_changed(std::move(changed))
    , m_clock(std::move(clock))
    , m_random(seed)
{
    connect(&m_timer, &QTimer::timeout, this, [this] {
        const QString what = step();
        if (!what.isEmpty())
            emit stepped(what);
    });
}

void DemoTraffic::start(int intervalMs)
{
    m_timer.start(qMax(100, intervalMs));
}

void DemoTraffic::stop()
{
    m_timer.stop();
}

void DemoTraffic::prime(int calls)
{
    bool any = false;
    for (int i = 0; i < calls; ++i)
        any = !createCall().isEmpty() || any;
    if (any && m_changed)
        m_changed();
}

QString DemoTraffic::step()
{
    const QDateTime now = m_clock();
    int waiting = 0;
    int unconfirmed = 0;
    int confirmable = 0;
    for (const SimResource& r : m_reg.resources()) {
        for (const SimCaller& c : r.callers) {
            ++waiting;
            if (c.comingLopnr == 0) {
                ++unconfirmed;
                if (c.callTime.secsTo(now) >= m_holdSecs)
                    ++confirmable;
            }
        }
    }
    const int confirmed = waiting - unconfirmed;
    const int roll = int(m_random.bounded(100));
    QString done;
    if (waiting == 0 || (waiting < MaxWaitingCalls && roll < 40))
        done = createCall();
    else if (confirmable > 0 && (roll < 75 || confirmed == 0))
        done = confirmCall();
    else
        done = clearCall();
    if (done.isEmpty() && waiting < MaxWaitingCalls)
        done = createCall();
    if (!done.isEmpty() && m_changed)
        m_changed();
    return done;
}

QString DemoTraffic::createCall()
{
    std::vector<const SimResource*> active;
    for (const SimResource& r : m_reg.resources()) {
        if (r.active && int(r.callers.size()) < 3)
            active.push_back(&r);
    }
    if (active.empty())
        return {};
    const SimResource* resource = active[m_random.bounded(quint32(active.size()))];
    const Room& room = kRooms[m_random.bounded(quint32(std::size(kRooms)))];
    const QString caller = QString::fromUtf16(room.name);
    if (!m_reg.addCall(resource->number, caller, room.colour, m_clock()))
        return {};
    return QStringLiteral("%1 kallar på %2").arg(caller, resource->name);
}

QString DemoTraffic::confirmCall()
{
    const QDateTime now = m_clock();
    std::vector<std::pair<int, const SimCaller*>> candidates;
    for (const SimResource& r : m_reg.resources()) {
        for (const SimCaller& c : r.callers) {
            if (c.comingLopnr == 0 && c.callTime.secsTo(now) >= m_holdSecs)
                candidates.emplace_back(r.number, &c);
        }
    }
    if (candidates.empty())
        return {};
    const auto& [resource, caller] = candidates[m_random.bounded(quint32(candidates.size()))];
    const QString by = QString::fromUtf16(kConfirmers[m_random.bounded(quint32(std::size(kConfirmers)))]);
    const QString callerName = caller->name;
    if (!m_reg.confirmCall(resource, caller->lopnr, by, now))
        return {};
    return QStringLiteral("%1 bekräftar kallelsen från %2").arg(by, callerName);
}

QString DemoTraffic::clearCall()
{
    // The call that was confirmed first is the first one to be done with.
    int resource = 0;
    const SimCaller* oldest = nullptr;
    for (const SimResource& r : m_reg.resources()) {
        for (const SimCaller& c : r.callers) {
            if (c.comingLopnr > 0 && (!oldest || c.comingLopnr < oldest->comingLopnr)) {
                oldest = &c;
                resource = r.number;
            }
        }
    }
    if (!oldest)
        return {};
    const QString callerName = oldest->name;
    m_reg.clearCall(resource, oldest->lopnr);
    return QStringLiteral("kallelsen från %1 är klar").arg(callerName);
}

} // namespace tesk::sim
