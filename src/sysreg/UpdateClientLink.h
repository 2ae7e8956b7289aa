#pragma once

#include <QString>

#include <functional>

namespace tesk {

// The update client's state that the server page shows and a server save
// clears. Empty accessors do nothing, so the dialog works before an update
// client is wired in.
struct UpdateClientLink {
    std::function<QString()> UpdateServerVersion;
    std::function<void()> clearUpdateServerVersion;

    QString updateServerVersion() const { return UpdateServerVersion ? UpdateServerVersion() : QString(); }
    void clear() const
    {
        if (clearUpdateServerVersion)
            clearUpdateServerVersion();
    }
};

} // namespace tesk
