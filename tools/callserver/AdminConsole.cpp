#include "AdminConsole.h"

#include "ServerMessages.h"

#include "common/TextHelpers.h"

namespace tesk::sim {

AdminConsole::AdminConsole(Register& reg, std::function<void()> changed, Clock clock)
    : m_reg(reg)
    , m_changed(std::move(changed))
    , m_clock(std::move(clock))
{
}

QString AdminConsole::execute(const QString& line)
{
    const QString text = TrimBlank(line);
    const qsizetype space = text.indexOf(QLatin1Char(' '));
    const QString verb = (space < 0 ? text : text.left(space)).toLower();
    const QString rest = space < 0 ? QString() : TrimBlank(text.mid(space + 1));
    const QStringList words = rest.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const auto changed = [this](const QString& answer) {
        if (m_changed)
            m_changed();
        return answer;
    };
    const auto number = [&](int i, bool* ok) { return words.value(i).toInt(ok); };

    if (verb.isEmpty())
        return {};
    if (verb == QLatin1String("help")) {
        return QStringLiteral(
            "call <resurs> <namn> | confirm <resurs> <kallelse> [namn] | clear [<resurs> [<kallelse>]] | clearall | "
            "resource <nr>;<namn>;<färg>;<T/F> | set <sektion>;<nyckel>;<värde> | list | clients");
    }
    if (verb == QLatin1String("list"))
        return list();
    if (verb == QLatin1String("clients")) {
        return QStringLiteral("%1 registrerade klienter").arg(m_reg.clientCount());
    }
    if (verb == QLatin1String("call")) {
        bool ok = false;
        const int resource = number(0, &ok);
        const QString caller = TrimBlank(rest.mid(words.value(0).size()));
        if (!ok || caller.isEmpty())
            return QStringLiteral("fel: call <resurs> <namn>");
        const std::optional<int> lopnr = m_reg.addCall(resource, caller, 0x00FFFFFF, m_clock());
        if (!lopnr)
            return QStringLiteral("fel: resurs %1 finns inte eller är inaktiv").arg(resource);
        return changed(QStringLiteral("kallelse %1 till resurs %2").arg(*lopnr).arg(resource));
    }
    if (verb == QLatin1String("confirm")) {
        bool ok1 = false;
        bool ok2 = false;
        const int resource = number(0, &ok1);
        const int caller = number(1, &ok2);
        QString by = words.mid(2).join(QLatin1Char(' '));
        if (by.isEmpty())
            by = QStringLiteral("Expeditionen");
        if (!ok1 || !ok2)
            return QStringLiteral("fel: confirm <resurs> <kallelse> [namn]");
        if (!m_reg.confirmCall(resource, caller, by, m_clock()))
            return QStringLiteral("fel: kallelsen finns inte");
        return changed(QStringLiteral("bekräftad"));
    }
    if (verb == QLatin1String("clear")) {
        if (words.isEmpty())
            return changed(QStringLiteral("%1 bekräftade kallelser borttagna").arg(m_reg.clearConfirmed()));
        bool ok1 = false;
        const int resource = number(0, &ok1);
        SimResource* r = ok1 ? m_reg.findResource(resource) : nullptr;
        if (!r)
            return QStringLiteral("fel: resursen finns inte");
        if (words.size() == 1) {
            r->callers.clear();
            return changed(QStringLiteral("kallelserna till resurs %1 borttagna").arg(resource));
        }
        bool ok2 = false;
        const int caller = number(1, &ok2);
        if (!ok2 || !m_reg.clearCall(resource, caller))
            return QStringLiteral("fel: kallelsen finns inte");
        return changed(QStringLiteral("borttagen"));
    }
    if (verb == QLatin1String("clearall")) {
        m_reg.clearAllCalls();
        return changed(QStringLiteral("alla kallelser borttagna"));
    }
    if (verb == QLatin1String("resource")) {
        QStringList warnings;
        if (m_reg.loadSeed(rest, &warnings) != 1)
            return QStringLiteral("fel: resource <nr>;<namn>;<färg>;<T/F>");
        return changed(QStringLiteral("resursen sparad"));
    }
    if (verb == QLatin1String("set")) {
        const QStringList parts = rest.split(QLatin1Char(';'));
        if (parts.size() < 3 || TrimBlank(parts.at(0)).isEmpty())
            return QStringLiteral("fel: set <sektion>;<nyckel>;<värde>");
        if (!m_reg.setSetting(parts.at(0), parts.at(1), parts.mid(2).join(QLatin1Char(';'))))
            return QStringLiteral("fel: inställningsregistret är fullt");
        return QStringLiteral("inställningen sparad");
    }
    return QStringLiteral("okänt kommando \"%1\" (help visar kommandona)").arg(verb);
}

QString AdminConsole::list() const
{
    QStringList lines;
    for (const SimResource& r : m_reg.resources()) {
        lines << QStringLiteral("%1 %2%3").arg(r.number).arg(r.name, r.active ? QString() : QStringLiteral(" (inaktiv)"));
        for (const SimCaller& c : r.callers) {
            QString line = QStringLiteral("    %1 %2 %3").arg(c.lopnr).arg(c.name, msg::WireDateTime(c.callTime));
            if (c.comingLopnr > 0)
                line += QStringLiteral(" bekräftad av %1 %2").arg(c.comingName, msg::WireDateTime(c.comingTime));
            lines << line;
        }
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace tesk::sim
