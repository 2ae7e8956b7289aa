#include "ServerOptions.h"

#include <QCommandLineParser>

namespace tesk::sim {

namespace {

bool ReadNumber(const QString& text, qint64 min, qint64 max, qint64* out)
{
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    if (!ok || value < min || value > max)
        return false;
    *out = value;
    return true;
}

} // namespace

ParsedOptions ParseServerOptions(const QStringList& args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Samtalsserver och uppdateringsserver för TESK Visningsklient: för demo, test och provkörning."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Visa hjälpen."));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("TCP-port (0 = välj en ledig), standard 4000."),
                                  QStringLiteral("N"));
    const QCommandLineOption listen(QStringLiteral("listen"), QStringLiteral("Adress att lyssna på, standard 127.0.0.1."),
                                    QStringLiteral("ADDR"));
    const QCommandLineOption version(QStringLiteral("server-version"),
                                     QStringLiteral("Serverversion att svara med, standard 1.10.4."), QStringLiteral("V"));
    const QCommandLineOption clinic(QStringLiteral("clinic"), QStringLiteral("Klinikens namn."), QStringLiteral("NAME"));
    const QCommandLineOption demo(QStringLiteral("demo"), QStringLiteral("Skapa, bekräfta och ta bort kallelser."));
    const QCommandLineOption seedRandom(QStringLiteral("seed-random"),
                                        QStringLiteral("Startvärde för demotrafikens slumptal."), QStringLiteral("N"));
    const QCommandLineOption demoInterval(QStringLiteral("demo-interval"),
                                          QStringLiteral("Millisekunder mellan demotrafikens ändringar, standard 3000."),
                                          QStringLiteral("MS"));
    const QCommandLineOption holdCalls(
        QStringLiteral("hold-calls"),
        QStringLiteral("Demotrafikens nya kallelser väntar obekräftade minst så många sekunder, så att "
                       "visningsklientens upprepade uppläsning hinner höras (t.ex. 420), standard 0."),
        QStringLiteral("S"));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("Resurser, en per rad: nummer;namn;färg;T/F."),
                                  QStringLiteral("FILE"));
    const QCommandLineOption builds(QStringLiteral("builds"),
                                    QStringLiteral("Katalog med programfiler som GETNEWCLIENT lämnar ut."),
                                    QStringLiteral("DIR"));
    const QCommandLineOption requireRegistration(QStringLiteral("require-registration"),
                                                 QStringLiteral("Svara ERROR: 001 till oregistrerade klienter."));
    const QCommandLineOption log(QStringLiteral("log"), QStringLiteral("Logga varje mottagen ram (standard)."));
    const QCommandLineOption quiet(QStringLiteral("quiet"), QStringLiteral("Ingen logg."));
    const QCommandLineOption admin(QStringLiteral("admin"),
                                   QStringLiteral("Läs kommandon från standard in (help visar dem)."));
    const QCommandLineOption setting(QStringLiteral("setting"),
                                     QStringLiteral("Förinställning i serverns kopia: Sektion;Nyckel;Värde "
                                                    "(DATOR\\Sektion för en dators kopia). Kan upprepas."),
                                     QStringLiteral("S;K;V"));
    const QCommandLineOption messageGap(QStringLiteral("message-gap"),
                                        QStringLiteral("Millisekunders paus mellan två meddelanden till en klient, "
                                                       "standard 20."),
                                        QStringLiteral("MS"));
    const QCommandLineOption fileGap(QStringLiteral("file-gap"),
                                     QStringLiteral("Millisekunders paus mellan delarna av en programfil, standard 250."),
                                     QStringLiteral("MS"));
    const QCommandLineOption soak(QStringLiteral("soak"),
                                  QStringLiteral("Soak-test: koppla ner, vägra anslutningar och skicka skräp "
                                                 "med slumpvisa mellanrum."));
    const QCommandLineOption truncateBuilds(QStringLiteral("truncate-builds"),
                                            QStringLiteral("Skicka bara första halvan av en programfil och stäng "
                                                           "sedan anslutningen (för test)."));
    const QCommandLineOption buildVersion(QStringLiteral("build-version"),
                                          QStringLiteral("Skicka programfilerna med en versionspost för denna "
                                                         "version först (för test)."),
                                          QStringLiteral("V"));
    parser.addOptions({help, port, listen, version, clinic, demo, seedRandom, demoInterval, holdCalls, seed, builds,
                       requireRegistration, log, quiet, admin, setting, messageGap, fileGap, soak, truncateBuilds,
                       buildVersion});

    ParsedOptions result;
    const auto fail = [&](const QString& message) {
        result.outcome = ParsedOptions::Outcome::Error;
        result.message = message;
        return result;
    };
    if (!parser.parse(args))
        return fail(parser.errorText());
    if (parser.isSet(help)) {
        result.outcome = ParsedOptions::Outcome::Help;
        result.message = parser.helpText();
        return result;
    }
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("okänt argument: ") + parser.positionalArguments().first());

    ServerOptions& o = result.options;
    qint64 n = 0;
    if (parser.isSet(port)) {
        if (!ReadNumber(parser.value(port), 0, 65535, &n))
            return fail(QStringLiteral("--port vill ha ett tal 0-65535"));
        o.port = quint16(n);
    }
    if (parser.isSet(listen)) {
        QHostAddress address;
        if (!address.setAddress(parser.value(listen)))
            return fail(QStringLiteral("--listen vill ha en IP-adress"));
        o.listenAddress = address;
    }
    if (parser.isSet(version)) {
        if (parser.value(version).trimmed().isEmpty())
            return fail(QStringLiteral("--server-version får inte vara tom"));
        o.config.serverVersion = parser.value(version).trimmed();
    }
    if (parser.isSet(clinic))
        o.config.clinicName = parser.value(clinic);
    o.demo = parser.isSet(demo);
    o.soak = parser.isSet(soak);
    if (parser.isSet(seedRandom)) {
        if (!ReadNumber(parser.value(seedRandom), 0, 0xFFFFFFFFLL, &n))
            return fail(QStringLiteral("--seed-random vill ha ett tal 0-4294967295"));
        o.demoSeed = quint32(n);
    }
    if (parser.isSet(demoInterval)) {
        if (!ReadNumber(parser.value(demoInterval), 100, 3600000, &n))
            return fail(QStringLiteral("--demo-interval vill ha millisekunder 100-3600000"));
        o.demoIntervalMs = int(n);
    }
    if (parser.isSet(holdCalls)) {
        if (!ReadNumber(parser.value(holdCalls), 0, 86400, &n))
            return fail(QStringLiteral("--hold-calls vill ha sekunder 0-86400"));
        o.holdCallsSecs = int(n);
    }
    o.seedFile = parser.value(seed);
    o.config.update.buildsDir = parser.value(builds);
    o.config.update.truncate = parser.isSet(truncateBuilds);
    if (parser.isSet(buildVersion)) {
        if (parser.value(buildVersion).trimmed().isEmpty())
            return fail(QStringLiteral("--build-version får inte vara tom"));
        o.config.update.servedVersion = parser.value(buildVersion).trimmed();
    }
    o.config.requireRegistration = parser.isSet(requireRegistration);
    o.log = !parser.isSet(quiet);
    o.admin = parser.isSet(admin);
    o.settings = parser.values(setting);
    for (const QString& s : std::as_const(o.settings)) {
        if (s.count(QLatin1Char(';')) < 2)
            return fail(QStringLiteral("--setting vill ha Sektion;Nyckel;Värde"));
    }
    if (parser.isSet(messageGap)) {
        if (!ReadNumber(parser.value(messageGap), 0, 10000, &n))
            return fail(QStringLiteral("--message-gap vill ha millisekunder 0-10000"));
        o.config.session.messageGapMs = int(n);
    }
    if (parser.isSet(fileGap)) {
        if (!ReadNumber(parser.value(fileGap), 0, 10000, &n))
            return fail(QStringLiteral("--file-gap vill ha millisekunder 0-10000"));
        o.config.update.pieceGapMs = int(n);
    }
    return result;
}

} // namespace tesk::sim
