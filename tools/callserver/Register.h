#pragma once

#include "protocol/Records.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace tesk::sim {

// One caller waiting for a resource. Times are local wall-clock times; an
// invalid coming time means the call is not confirmed.
struct SimCaller {
    QString name;
    int lopnr = 0;
    QDateTime callTime;
    TColor colour = 0;
    int comingLopnr = 0; // > 0 once confirmed
    QString comingName;
    QDateTime comingTime;
};

// A member of staff who can be called, with the calls waiting for them.
struct SimResource {
    int number = 0;
    QString name;
    TColor colour = 0;
    bool active = true;
    std::vector<SimCaller> callers; // in the order the calls were made
};

struct SimClient {
    int number = 0;
    QString name;
    QString place;
    TColor colour = 0;
};

// Everything the server knows: resources and their calls, each client's
// chosen resources (its station), registered clients and the settings
// copies. Plain data: the network side decides when to tell the displays.
class Register {
public:
    // Lists that clients can grow are capped so a misbehaving client cannot
    // exhaust the server's memory.
    static constexpr int MaxSettings = 10000;
    static constexpr int MaxClients = 10000;
    static constexpr int MaxStationEntries = 1000;
    static constexpr int MaxCallersPerResource = 500;

    // Resources ---------------------------------------------------------
    const std::vector<SimResource>& resources() const { return m_resources; }
    SimResource* findResource(int number);
    const SimResource* findResource(int number) const;
    // Replaces the resource with the same number (keeping its calls) or
    // appends a new one.
    void putResource(int number, const QString& name, TColor colour, bool active);

    // One resource a line, "number;name;colour;T/F"; blank lines and lines
    // starting with "#" are skipped. Bad lines are reported and skipped.
    // Returns the number of resources read.
    int loadSeed(const QString& text, QStringList* warnings);
    void loadDefaultResources();

    // Calls ---------------------------------------------------------------
    // The caller's number, or nullopt when the resource is unknown, inactive
    // or has too many callers already.
    std::optional<int> addCall(int resource, const QString& callerName, TColor callerColour, const QDateTime& now);
    // A confirmation gets a new confirmation number every time, also when the
    // call was confirmed before.
    bool confirmCall(int resource, int callerLopnr, const QString& byName, const QDateTime& now);
    bool clearCall(int resource, int callerLopnr);
    int clearConfirmed();
    void clearAllCalls();
    int callerCount() const;

    // Stations ------------------------------------------------------------
    // Pairs of (resource number, position) as a client posts them; the
    // station keeps the numbers ordered by position.
    void setStation(const QString& clientName, const QList<QPair<int, int>>& numbersWithPositions);
    QList<int> station(const QString& clientName) const;
    // The resources a display of this client shows, in display order: its
    // station's active resources, or every active resource when it has none.
    std::vector<const SimResource*> resourcesFor(const QString& clientName) const;

    // Clients ---------------------------------------------------------------
    // Registers or updates the client by name; a new client gets the next number.
    const SimClient* registerClient(const QString& name, const QString& place, TColor colour);
    const SimClient* findClient(const QString& name) const;
    int clientCount() const { return int(m_clients.size()); }

    // Settings copies ---------------------------------------------------------
    // A scope is "MACHINE\Section" (one machine's copy) or "Section" (the
    // shared copy; a leading backslash is ignored). Case-insensitive, like the
    // registry the clients mirror. Unknown settings read as empty.
    QString setting(const QString& scope, const QString& key) const;
    bool setSetting(const QString& scope, const QString& key, const QString& value);
    int settingCount() const { return int(m_settings.size()); }

private:
    static QString settingKey(const QString& scope, const QString& key);
    static QString clientKey(const QString& name) { return name.trimmed().toCaseFolded(); }

    std::vector<SimResource> m_resources;
    QHash<QString, QList<int>> m_stations;
    QHash<QString, SimClient> m_clients;
    QHash<QString, QString> m_settings;
    int m_nextClientNumber = 1;
    int m_nextCallerLopnr = 1;
    int m_nextComingLopnr = 1;
};

} // namespace tesk::sim
