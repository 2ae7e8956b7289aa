#include "ServerMessages.h"

#include "protocol/Commands.h"
#include "protocol/Framing.h"

namespace tesk::sim::msg {

QString WireSafe(const QString& text)
{
    QString s = text;
    s.remove(cmd::DataStart);
    s.remove(cmd::DataEnd);
    s.replace(QLatin1Char(':'), QLatin1Char('.'));
    s.replace(QLatin1Char('~'), QLatin1Char('-'));
    s.replace(FrameChar, QLatin1Char('?'));
    // Control characters would be trimmed away by the reader or break lines
    // in the log; a name never needs them.
    for (QChar& c : s) {
        if (c.unicode() < 0x20)
            c = QLatin1Char(' ');
    }
    return s;
}

// A name that ends up blank would end the client's list of records or
// callers early, hiding everything after it.
static QString WireName(const QString& text)
{
    const QString s = WireSafe(text);
    return s.trimmed().isEmpty() ? QStringLiteral("?") : s;
}

QString WireDateTime(const QDateTime& dt)
{
    return dt.isValid() ? dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString();
}

QString ServerVersion(const QString& version)
{
    return ComposeFrame(cmd::RETSERVERVERSION, {WireSafe(version)});
}

QString ClinicName(const QString& name)
{
    return ComposeFrame(cmd::RETKLINIKNAMN, {WireSafe(name)});
}

QString IniText(const QString& value)
{
    return ComposeFrame(cmd::RETINITEXT, {WireSafe(value)});
}

QString ClientData(const SimClient& client)
{
    return ComposeFrame(cmd::TESKCLIENTDATA, {WireSafe(client.name), WireSafe(client.place),
                                              QString::number(client.colour), QString::number(client.number)});
}

QString AllCallables(const Register& reg)
{
    QStringList fields;
    for (const SimResource& r : reg.resources()) {
        fields << WireName(r.name) << QString::number(r.number) << QString::number(r.colour) << QString()
               << QString() << QString() << QString(r.active ? QStringLiteral("T") : QStringLiteral("F"));
    }
    return ComposeFrame(cmd::RETALLCALLABLES, fields);
}

QString StationCallables(const QList<int>& station)
{
    QStringList fields;
    for (int i = 0; i < station.size(); ++i)
        fields << QString::number(station.at(i)) << QString::number(i);
    return ComposeFrame(cmd::RETSTATIONCALLABLES, fields);
}

QString CurrentList(const std::vector<const SimResource*>& resources)
{
    // Each record is "name:number:colour:ix:¤%callers%¤" and records are
    // joined by ":", so every record ends in "%¤:" (the last one's ":" being
    // the first character of the closing tag).
    QStringList records;
    records.reserve(qsizetype(resources.size()));
    int ix = 0;
    for (const SimResource* r : resources) {
        ++ix;
        QStringList callerFields;
        for (const SimCaller& c : r->callers) {
            callerFields << WireName(c.name) << QString::number(c.lopnr) << WireDateTime(c.callTime)
                         << QString::number(c.colour) << QString::number(c.comingLopnr)
                         << (c.comingLopnr > 0 ? WireDateTime(c.comingTime) : QString())
                         << (c.comingLopnr > 0 ? WireSafe(c.comingName) : QString());
        }
        records << WireName(r->name) + QLatin1Char(':') + QString::number(r->number) + QLatin1Char(':')
                       + QString::number(r->colour) + QLatin1Char(':') + QString::number(ix) + QLatin1Char(':')
                       + FrameChar + QLatin1Char('%') + callerFields.join(QLatin1Char('~')) + QLatin1Char('%')
                       + FrameChar;
    }
    return ComposeFrame(cmd::CURRENTLIST, {records.join(QLatin1Char(':'))});
}

QString ErrorReport(const QString& text)
{
    return QStringLiteral("ERROR: ") + text;
}

QString NotRegistered()
{
    return cmd::NotRegisteredError;
}

} // namespace tesk::sim::msg
