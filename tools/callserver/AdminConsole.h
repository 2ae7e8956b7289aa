#pragma once

#include "Register.h"

#include <QDateTime>
#include <QString>

#include <functional>

namespace tesk::sim {

// Line commands for driving the server by hand or from a script:
//   call <resurs> <namn på den som kallar>
//   confirm <resurs> <kallelse> [namn]
//   clear [<resurs> [<kallelse>]]      (no argument: every confirmed call)
//   clearall
//   resource <nummer>;<namn>;<färg>;<T/F>
//   set <sektion>;<nyckel>;<värde>     ("DATOR\Sektion" for one machine's copy)
//   list | clients | help
class AdminConsole {
public:
    using Clock = std::function<QDateTime()>;

    AdminConsole(Register& reg, std::function<void()> changed, Clock clock);

    // Runs one line; the answer is for the operator.
    QString execute(const QString& line);

private:
    QString list() const;

    Register& m_reg;
    std::function<void()> m_changed;
    Clock m_clock;
};

} // namespace tesk::sim
