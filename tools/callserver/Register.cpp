#include "Register.h"

#include "common/TextHelpers.h"

#include <algorithm>

namespace tesk::sim {

SimResource* Register::findResource(int number)
{
    for (SimResource& r : m_resources) {
        if (r.number == number)
            return &r;
    }
    return nullptr;
}

const SimResource* Register::findResource(int number) const
{
    return const_cast<Register*>(this)->findResource(number);
}

void Register::putResource(int number, const QString& name, TColor colour, bool active)
{
    if (SimResource* existing = findResource(number)) {
        existing->name = name;
        existing->colour = colour;
        existing->active = active;
        return;
    }
    SimResource r;
    r.number = number;
    r.name = name;
    r.colour = colour;
    r.active = active;
    m_resources.push_back(std::move(r));
}

int Register::loadSeed(const QString& text, QStringList* warnings)
{
    int count = 0;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = TrimBlank(lines.at(i));
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList parts = line.split(QLatin1Char(';'));
        bool numberOk = false;
        const int number = TrimBlank(parts.value(0)).toInt(&numberOk);
        const QString name = TrimBlank(parts.value(1));
        if (!numberOk || number <= 0 || name.isEmpty()) {
            if (warnings)
                warnings->append(QStringLiteral("rad %1: \"%2\" är inte \"nummer;namn;färg;T/F\"").arg(i + 1).arg(line));
            continue;
        }
        bool colourOk = false;
        const qint64 colour = TrimBlank(parts.value(2)).toLongLong(&colourOk);
        const QString flag = TrimBlank(parts.value(3)).toUpper();
        putResource(number, name, colourOk && colour >= 0 && colour <= 0xFFFFFF ? TColor(colour) : 0xFFFFFF,
                    flag != QLatin1String("F"));
        ++count;
    }
    return count;
}

void Register::loadDefaultResources()
{
    // Colours are 0x00BBGGRR: soft shades that keep black text readable.
    putResource(1, QStringLiteral("Dr. Åsa Lindqvist"), 0x008080FF, true);
    putResource(2, QStringLiteral("Sjuksköterska Björn Öberg"), 0x0080FF80, true);
    putResource(3, QStringLiteral("Dr. Erik Sjögren"), 0x00FFC080, true);
    putResource(4, QStringLiteral("Undersköterska Märta Ödlund"), 0x0080FFFF, true);
    putResource(5, QStringLiteral("Barnmorska Karin Åberg"), 0x00FF80FF, true);
    putResource(6, QStringLiteral("Fysioterapeut Lars Nyström"), 0x00C0C0C0, true);
    putResource(7, QStringLiteral("Kurator Eva Törnqvist"), 0x00A0D0FF, false);
}

std::optional<int> Register::addCall(int resource, const QString& callerName, TColor callerColour, const QDateTime& now)
{
    SimResource* r = findResource(resource);
    if (!r || !r->active || TrimBlank(callerName).isEmpty() || int(r->callers.size()) >= MaxCallersPerResource)
        return std::nullopt;
    SimCaller c;
    c.name = TrimBlank(callerName);
    c.lopnr = m_nextCallerLopnr++;
    c.callTime = now;
    c.colour = callerColour;
    r->callers.push_back(c);
    return c.lopnr;
}

bool Register::confirmCall(int resource, int callerLopnr, const QString& byName, const QDateTime& now)
{
    SimResource* r = findResource(resource);
    if (!r)
        return false;
    for (SimCaller& c : r->callers) {
        if (c.lopnr == callerLopnr) {
            c.comingLopnr = m_nextComingLopnr++;
            c.comingName = byName;
            c.comingTime = now;
            return true;
        }
    }
    return false;
}

bool Register::clearCall(int resource, int callerLopnr)
{
    SimResource* r = findResource(resource);
    if (!r)
        return false;
    const auto it = std::find_if(r->callers.begin(), r->callers.end(),
                                 [&](const SimCaller& c) { return c.lopnr == callerLopnr; });
    if (it == r->callers.end())
        return false;
    r->callers.erase(it);
    return true;
}

int Register::clearConfirmed()
{
    int removed = 0;
    for (SimResource& r : m_resources) {
        removed += int(std::erase_if(r.callers, [](const SimCaller& c) { return c.comingLopnr > 0; }));
    }
    return removed;
}

void Register::clearAllCalls()
{
    for (SimResource& r : m_resources)
        r.callers.clear();
}

int Register::callerCount() const
{
    int n = 0;
    for (const SimResource& r : m_resources)
        n += int(r.callers.size());
    return n;
}

void Register::setStation(const QString& clientName, const QList<QPair<int, int>>& numbersWithPositions)
{
    const QString key = clientKey(clientName);
    if (!m_stations.contains(key) && m_stations.size() >= MaxClients)
        return;
    QList<QPair<int, int>> ordered = numbersWithPositions.mid(0, MaxStationEntries);
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const QPair<int, int>& a, const QPair<int, int>& b) { return a.second < b.second; });
    QList<int> numbers;
    numbers.reserve(ordered.size());
    for (const auto& p : ordered)
        numbers.append(p.first);
    m_stations.insert(key, numbers);
}

QList<int> Register::station(const QString& clientName) const
{
    return m_stations.value(clientKey(clientName));
}

std::vector<const SimResource*> Register::resourcesFor(const QString& clientName) const
{
    std::vector<const SimResource*> result;
    const QList<int> chosen = station(clientName);
    if (!chosen.isEmpty()) {
        for (int number : chosen) {
            const SimResource* r = findResource(number);
            if (r && r->active)
                result.push_back(r);
        }
        return result;
    }
    for (const SimResource& r : m_resources) {
        if (r.active)
            result.push_back(&r);
    }
    return result;
}

const SimClient* Register::registerClient(const QString& name, const QString& place, TColor colour)
{
    const QString key = clientKey(name);
    auto it = m_clients.find(key);
    if (it == m_clients.end()) {
        if (m_clients.size() >= MaxClients)
            return nullptr;
        SimClient c;
        c.number = m_nextClientNumber++;
        it = m_clients.insert(key, c);
    }
    it->name = TrimBlank(name);
    it->place = place;
    it->colour = colour;
    return &it.value();
}

const SimClient* Register::findClient(const QString& name) const
{
    const auto it = m_clients.constFind(clientKey(name));
    return it == m_clients.constEnd() ? nullptr : &it.value();
}

QString Register::settingKey(const QString& scope, const QString& key)
{
    QString s = TrimBlank(scope);
    while (s.startsWith(QLatin1Char('\\')))
        s.remove(0, 1);
    return s.toCaseFolded() + QLatin1Char('\n') + TrimBlank(key).toCaseFolded();
}

QString Register::setting(const QString& scope, const QString& key) const
{
    return m_settings.value(settingKey(scope, key));
}

bool Register::setSetting(const QString& scope, const QString& key, const QString& value)
{
    const QString k = settingKey(scope, key);
    if (!m_settings.contains(k) && m_settings.size() >= MaxSettings)
        return false;
    m_settings.insert(k, value);
    return true;
}

} // namespace tesk::sim
