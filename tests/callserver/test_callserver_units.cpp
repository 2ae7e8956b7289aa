// The simulator's pieces on their own: frame assembly, the register, the
// texts it sends, demo traffic, the admin console and the command line.

#include "AdminConsole.h"
#include "DemoTraffic.h"
#include "FrameReader.h"
#include "Register.h"
#include "ServerMessages.h"
#include "ServerOptions.h"

#include "protocol/Codepage.h"

#include <QtTest>

using namespace tesk;
using namespace tesk::sim;

class TestCallServerUnits : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void frameReader_data();
    void frameReader();
    void frameReaderByteByByte();
    void frameReaderOverflow_data();
    void frameReaderOverflow();
    void seed_data();
    void seed();
    void wireSafe_data();
    void wireSafe();
    void registerLimits();
    void demoIsRepeatable();
    void demoKeepsTheBoardBusy();
    void demoHoldsCallsWaiting();
    void admin_data();
    void admin();
    void options_data();
    void options();
};

void TestCallServerUnits::frameReader_data()
{
    QTest::addColumn<QList<QByteArray>>("reads");
    QTest::addColumn<QStringList>("frames");
    QTest::addColumn<bool>("dropsText");
    QTest::addColumn<qsizetype>("pending");

    const QByteArray version = "\xA4GETSERVERVERSION:HOST_Show:1:GETSERVERVERSION\xA4";
    const QByteArray clinic = "\xA4GETKLINIKNAMN:\xA4\xA4" "ADMIN\xA4\xA4:2:GETKLINIKNAMN\xA4";
    const QString versionText = FromAnsi(version);
    const QString clinicText = FromAnsi(clinic);

    QTest::newRow("one frame") << QList<QByteArray>{version} << QStringList{versionText} << false << qsizetype(0);
    QTest::newRow("two frames in one read")
        << QList<QByteArray>{version + clinic} << QStringList{versionText, clinicText} << false << qsizetype(0);
    QTest::newRow("frame split over reads")
        << QList<QByteArray>{version.left(10), version.mid(10, 30), version.mid(40)} << QStringList{versionText}
        << false << qsizetype(0);
    QTest::newRow("closing tag split over reads")
        << QList<QByteArray>{version.left(version.size() - 3), version.right(3)} << QStringList{versionText} << false
        << qsizetype(0);
    QTest::newRow("frame bytes inside the payload") << QList<QByteArray>{clinic} << QStringList{clinicText} << false
                                                    << qsizetype(0);
    QTest::newRow("stray text around frames")
        << QList<QByteArray>{"hej\r\n" + version + "  x " + clinic + "\n"} << QStringList{versionText, clinicText}
        << true << qsizetype(0);
    QTest::newRow("lone frame byte") << QList<QByteArray>{"\xA4 " + version} << QStringList{versionText} << true
                                     << qsizetype(0);
    QTest::newRow("lower-case name opens nothing")
        << QList<QByteArray>{"\xA4getx:1:getx\xA4" + version} << QStringList{versionText} << true << qsizetype(0);
    QTest::newRow("unclosed frame gives way to the next")
        << QList<QByteArray>{"\xA4SETINITEXT:A:B:", version} << QStringList{versionText} << true << qsizetype(0);
    QTest::newRow("incomplete frame waits") << QList<QByteArray>{version + "\xA4GETCALL"} << QStringList{versionText}
                                            << false << qsizetype(8);
    QTest::newRow("empty payload") << QList<QByteArray>{"\xA4RECONNECT::RECONNECT\xA4"}
                                   << QStringList{FromAnsi("\xA4RECONNECT::RECONNECT\xA4")} << false << qsizetype(0);
}

void TestCallServerUnits::frameReader()
{
    QFETCH(QList<QByteArray>, reads);
    QFETCH(QStringList, frames);
    QFETCH(bool, dropsText);
    QFETCH(qsizetype, pending);

    FrameReader reader;
    QList<QByteArray> got;
    QList<QByteArray> dropped;
    for (const QByteArray& r : reads)
        QCOMPARE(reader.append(r, got, &dropped), FrameReader::Status::Ok);
    QStringList texts;
    for (const QByteArray& f : got)
        texts << FromAnsi(f);
    QCOMPARE(texts, frames);
    QCOMPARE(!dropped.isEmpty(), dropsText);
    QCOMPARE(reader.pending(), pending);
}

void TestCallServerUnits::frameReaderByteByByte()
{
    // A client sending one byte at a time gets the same frames.
    QByteArray stream;
    for (int i = 0; i < 50; ++i)
        stream += "\xA4SETINITEXT:HOST\\TESK:Key" + QByteArray::number(i) + ":v:SETINITEXT\xA4";
    FrameReader reader;
    QList<QByteArray> got;
    for (char b : stream)
        reader.append(QByteArray(1, b), got);
    QCOMPARE(got.size(), 50);
    QCOMPARE(got.last(), QByteArray("\xA4SETINITEXT:HOST\\TESK:Key49:v:SETINITEXT\xA4"));
    QCOMPARE(reader.pending(), 0);
}

void TestCallServerUnits::frameReaderOverflow_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("overflow");

    QTest::newRow("unclosed frame at the limit") << QByteArray("\xA4GETINITEXT:") + QByteArray(100 - 12, 'x') << false;
    QTest::newRow("unclosed frame over the limit") << QByteArray("\xA4GETINITEXT:") + QByteArray(100 - 11, 'x')
                                                   << true;
    QTest::newRow("stray text over the limit") << QByteArray(500, 'x') << false;
    QTest::newRow("whole frames over the limit")
        << QByteArray("\xA4GETINITEXT:") + QByteArray(200, 'x') + ":GETINITEXT\xA4" << false;
}

void TestCallServerUnits::frameReaderOverflow()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, overflow);

    FrameReader reader(100);
    QList<QByteArray> frames;
    QCOMPARE(reader.append(bytes, frames) == FrameReader::Status::Overflow, overflow);
}

void TestCallServerUnits::seed_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("warnings");
    QTest::addColumn<QString>("firstName");
    QTest::addColumn<qint64>("firstColour");
    QTest::addColumn<bool>("firstActive");

    QTest::newRow("one active") << "1;Dr. Åsa Lindqvist;255;T" << 1 << 0 << "Dr. Åsa Lindqvist" << qint64(255) << true;
    QTest::newRow("inactive") << "2;Kurator Eva Törnqvist;65280;F\n" << 1 << 0 << "Kurator Eva Törnqvist"
                              << qint64(65280) << false;
    QTest::newRow("lower-case f is inactive") << "2;X;0;f" << 1 << 0 << "X" << qint64(0) << false;
    QTest::newRow("missing flag is active") << "3;Y;16711680" << 1 << 0 << "Y" << qint64(16711680) << true;
    QTest::newRow("bad colour is white") << "4;Z;röd;T" << 1 << 0 << "Z" << qint64(0xFFFFFF) << true;
    QTest::newRow("comments, blanks, CRLF") << "# personal\r\n\r\n5;Per Näslund;1;T\r\n" << 1 << 0 << "Per Näslund"
                                            << qint64(1) << true;
    QTest::newRow("bad lines skipped") << "x;Nej;1;T\n0;Noll;1;T\n6;;1;T\n7;Sju;2;T" << 1 << 3 << "Sju" << qint64(2)
                                       << true;
    QTest::newRow("same number replaces") << "8;Först;1;T\n8;Sedan;2;F" << 2 << 0 << "Sedan" << qint64(2) << false;
}

void TestCallServerUnits::seed()
{
    QFETCH(QString, text);
    QFETCH(int, count);
    QFETCH(int, warnings);
    QFETCH(QString, firstName);
    QFETCH(qint64, firstColour);
    QFETCH(bool, firstActive);

    Register reg;
    QStringList w;
    QCOMPARE(reg.loadSeed(text, &w), count);
    QCOMPARE(w.size(), warnings);
    QCOMPARE(reg.resources().size(), size_t(1));
    QCOMPARE(reg.resources().front().name, firstName);
    QCOMPARE(qint64(reg.resources().front().colour), firstColour);
    QCOMPARE(reg.resources().front().active, firstActive);
}

void TestCallServerUnits::wireSafe_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain Swedish") << "Väntrum Öst" << "Väntrum Öst";
    QTest::newRow("field separator") << "Rum 3: vänster" << "Rum 3. vänster";
    QTest::newRow("caller separator") << "A~B" << "A-B";
    QTest::newRow("frame character") << "%¤:" << "%?.";
    QTest::newRow("data markers") << "a#DATAEND#b#DATASTART#c" << "abc";
    QTest::newRow("line break") << "a\r\nb" << "a  b";
}

void TestCallServerUnits::wireSafe()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(msg::WireSafe(text), expected);
}

void TestCallServerUnits::registerLimits()
{
    Register reg;
    reg.putResource(1, QStringLiteral("A"), 0, true);
    reg.putResource(2, QStringLiteral("B"), 0, false);
    const QDateTime now(QDate(2024, 1, 2), QTime(3, 4, 5));
    QVERIFY(!reg.addCall(2, QStringLiteral("Rum 1"), 0, now)); // inactive
    QVERIFY(!reg.addCall(9, QStringLiteral("Rum 1"), 0, now)); // unknown
    QVERIFY(!reg.addCall(1, QStringLiteral("   "), 0, now));   // no name
    for (int i = 0; i < Register::MaxCallersPerResource; ++i)
        QVERIFY(reg.addCall(1, QStringLiteral("Rum"), 0, now));
    QVERIFY(!reg.addCall(1, QStringLiteral("Rum"), 0, now));

    for (int i = 0; i < Register::MaxSettings; ++i)
        QVERIFY(reg.setSetting(QStringLiteral("S"), QString::number(i), QStringLiteral("v")));
    QVERIFY(!reg.setSetting(QStringLiteral("S"), QStringLiteral("new"), QStringLiteral("v")));
    QVERIFY(reg.setSetting(QStringLiteral("\\s"), QStringLiteral("0"), QStringLiteral("changed"))); // existing one
    QCOMPARE(reg.setting(QStringLiteral("S"), QStringLiteral("0")), QStringLiteral("changed"));

    QList<QPair<int, int>> many;
    for (int i = 0; i < 5000; ++i)
        many.append({i, i});
    reg.setStation(QStringLiteral("X"), many);
    QCOMPARE(reg.station(QStringLiteral("X")).size(), Register::MaxStationEntries);
}

namespace {

QStringList RunDemo(quint32 seed, int steps)
{
    Register reg;
    reg.loadDefaultResources();
    QDateTime now(QDate(2024, 3, 5), QTime(8, 0));
    int changes = 0;
    DemoTraffic demo(reg, [&] { ++changes; }, [&] { return now; }, seed);
    QStringList done;
    demo.prime();
    for (int i = 0; i < steps; ++i) {
        now = now.addSecs(3);
        done << demo.step();
    }
    return done;
}

} // namespace

void TestCallServerUnits::demoIsRepeatable()
{
    QCOMPARE(RunDemo(42, 60), RunDemo(42, 60));
    QVERIFY(RunDemo(42, 60) != RunDemo(43, 60));
}

void TestCallServerUnits::demoKeepsTheBoardBusy()
{
    Register reg;
    reg.loadDefaultResources();
    QDateTime now(QDate(2024, 3, 5), QTime(8, 0));
    int changes = 0;
    DemoTraffic demo(reg, [&] { ++changes; }, [&] { return now; }, 7);
    demo.prime();
    QCOMPARE(reg.callerCount(), 3);
    QCOMPARE(changes, 1);
    int created = 0, confirmed = 0, cleared = 0;
    for (int i = 0; i < 300; ++i) {
        now = now.addSecs(3);
        const QString what = demo.step();
        QVERIFY(!what.isEmpty());
        created += what.contains(QStringLiteral(" kallar på ")) ? 1 : 0;
        confirmed += what.contains(QStringLiteral(" bekräftar ")) ? 1 : 0;
        cleared += what.contains(QStringLiteral(" är klar")) ? 1 : 0;
        QVERIFY(reg.callerCount() <= DemoTraffic::MaxWaitingCalls);
        for (const SimResource& r : reg.resources())
            QVERIFY(r.active || r.callers.empty());
    }
    QCOMPARE(changes, 301);
    QVERIFY(created > 30);
    QVERIFY(confirmed > 30);
    QVERIFY(cleared > 30);
}

// With --hold-calls the demo leaves every new call unconfirmed long enough
// for a display to repeat it; the traffic goes on after that.
void TestCallServerUnits::demoHoldsCallsWaiting()
{
    Register reg;
    reg.loadDefaultResources();
    QDateTime now(QDate(2024, 3, 5), QTime(8, 0));
    DemoTraffic demo(reg, [] {}, [&] { return now; }, 7);
    demo.setHoldCalls(420);
    demo.prime();
    int confirmed = 0;
    for (int i = 0; i < 400; ++i) {
        now = now.addSecs(3);
        const QString what = demo.step();
        if (what.contains(QStringLiteral(" bekräftar "))) {
            ++confirmed;
            for (const SimResource& r : reg.resources())
                for (const SimCaller& c : r.callers)
                    if (c.comingLopnr > 0)
                        QVERIFY(c.callTime.secsTo(c.comingTime) >= 420);
        }
        if (now < QDateTime(QDate(2024, 3, 5), QTime(8, 7)))
            QCOMPARE(confirmed, 0);
        QVERIFY(reg.callerCount() <= DemoTraffic::MaxWaitingCalls);
    }
    QVERIFY(confirmed > 3);
}

void TestCallServerUnits::admin_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("lastAnswer");
    QTest::addColumn<int>("callers");
    QTest::addColumn<int>("changes");

    QTest::newRow("call") << QStringList{"call 1 Väntrum Öst"} << "kallelse 1 till resurs 1" << 1 << 1;
    QTest::newRow("call an inactive resource") << QStringList{"call 7 Rum 1"}
                                               << "fel: resurs 7 finns inte eller är inaktiv" << 0 << 0;
    QTest::newRow("call without name") << QStringList{"call 1"} << "fel: call <resurs> <namn>" << 0 << 0;
    QTest::newRow("confirm") << QStringList{"call 2 Rum 1", "confirm 2 1 Expeditionen"} << "bekräftad" << 1 << 2;
    QTest::newRow("confirm unknown") << QStringList{"confirm 2 5"} << "fel: kallelsen finns inte" << 0 << 0;
    QTest::newRow("clear confirmed") << QStringList{"call 2 Rum 1", "call 2 Rum 2", "confirm 2 1", "clear"}
                                     << "1 bekräftade kallelser borttagna" << 1 << 4;
    QTest::newRow("clear one") << QStringList{"call 2 Rum 1", "call 3 Rum 2", "clear 3 2"} << "borttagen" << 1 << 3;
    QTest::newRow("clear a resource") << QStringList{"call 2 Rum 1", "call 2 Rum 2", "clear 2"}
                                      << "kallelserna till resurs 2 borttagna" << 0 << 3;
    QTest::newRow("clear all") << QStringList{"call 2 Rum 1", "call 3 Rum 2", "clearall"}
                               << "alla kallelser borttagna" << 0 << 3;
    QTest::newRow("new resource") << QStringList{"resource 20;Dr. Ny;255;T", "call 20 Rum 9"}
                                  << "kallelse 1 till resurs 20" << 1 << 2;
    QTest::newRow("bad resource") << QStringList{"resource nej"} << "fel: resource <nr>;<namn>;<färg>;<T/F>" << 0 << 0;
    QTest::newRow("setting") << QStringList{"set CHECKVERSION;TESKVistor;11100"} << "inställningen sparad" << 0 << 0;
    QTest::newRow("unknown") << QStringList{"dance"} << "okänt kommando \"dance\" (help visar kommandona)" << 0 << 0;
    QTest::newRow("blank") << QStringList{"   "} << "" << 0 << 0;
}

void TestCallServerUnits::admin()
{
    QFETCH(QStringList, lines);
    QFETCH(QString, lastAnswer);
    QFETCH(int, callers);
    QFETCH(int, changes);

    Register reg;
    reg.loadDefaultResources();
    int changed = 0;
    AdminConsole console(reg, [&] { ++changed; }, [] { return QDateTime(QDate(2024, 3, 5), QTime(9, 0)); });
    QString answer;
    for (const QString& line : lines)
        answer = console.execute(line);
    QCOMPARE(answer, lastAnswer);
    QCOMPARE(reg.callerCount(), callers);
    QCOMPARE(changed, changes);
    if (lines.first().startsWith(QLatin1String("set ")))
        QCOMPARE(reg.setting(QStringLiteral("\\CHECKVERSION"), QStringLiteral("teskvistor")), QStringLiteral("11100"));
}

void TestCallServerUnits::options_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("outcome"); // ParsedOptions::Outcome
    QTest::addColumn<QString>("check"); // what to look at when it runs

    const int run = int(ParsedOptions::Outcome::Run);
    const int error = int(ParsedOptions::Outcome::Error);
    QTest::newRow("defaults") << QStringList{} << run << "defaults";
    QTest::newRow("demo on a port") << QStringList{"--demo", "--port", "4000", "--seed-random", "9", "--demo-interval",
                                                   "500"}
                                    << run << "demo";
    QTest::newRow("everything else") << QStringList{"--port=0", "--listen", "0.0.0.0", "--server-version", "1.9.2",
                                                    "--clinic", "Hälsocentralen Åre", "--builds", "/tmp/b",
                                                    "--require-registration", "--quiet", "--admin", "--setting",
                                                    "CHECKVERSION;TESKVistor;11100", "--message-gap", "0",
                                                    "--file-gap", "5", "--truncate-builds", "--build-version",
                                                    "0.9.0.0"}
                                     << run << "all";
    QTest::newRow("help") << QStringList{"--help"} << int(ParsedOptions::Outcome::Help) << "";
    QTest::newRow("port not a number") << QStringList{"--port", "x"} << error << "";
    QTest::newRow("port too big") << QStringList{"--port", "70000"} << error << "";
    QTest::newRow("listen not an address") << QStringList{"--listen", "localhost"} << error << "";
    QTest::newRow("empty version") << QStringList{"--server-version", " "} << error << "";
    QTest::newRow("empty build version") << QStringList{"--build-version", " "} << error << "";
    QTest::newRow("interval too short") << QStringList{"--demo-interval", "5"} << error << "";
    QTest::newRow("hold calls") << QStringList{"--demo", "--hold-calls", "420"} << run << "hold";
    QTest::newRow("hold calls negative") << QStringList{"--hold-calls", "-1"} << error << "";
    QTest::newRow("setting without value") << QStringList{"--setting", "A;B"} << error << "";
    QTest::newRow("unknown option") << QStringList{"--frobnicate"} << error << "";
    QTest::newRow("stray argument") << QStringList{"4000"} << error << "";
}

void TestCallServerUnits::options()
{
    QFETCH(QStringList, args);
    QFETCH(int, outcome);
    QFETCH(QString, check);

    const ParsedOptions parsed = ParseServerOptions(QStringList{"callserver"} + args);
    QCOMPARE(int(parsed.outcome), outcome);
    if (outcome != int(ParsedOptions::Outcome::Run)) {
        QVERIFY(!parsed.message.isEmpty());
        return;
    }
    const ServerOptions& o = parsed.options;
    if (check == QLatin1String("defaults")) {
        QCOMPARE(o.port, quint16(4000));
        QCOMPARE(o.listenAddress, QHostAddress(QHostAddress::LocalHost));
        QCOMPARE(o.config.serverVersion, QStringLiteral("1.10.4"));
        QCOMPARE(o.config.clinicName, QStringLiteral("Vårdcentralen Norrby"));
        QVERIFY(!o.demo && !o.config.requireRegistration && !o.admin);
        QVERIFY(o.log);
        QVERIFY(!o.demoSeed);
        QVERIFY(!o.config.update.truncate);
        QVERIFY(o.config.update.servedVersion.isEmpty());
        QCOMPARE(o.holdCallsSecs, 0);
    } else if (check == QLatin1String("hold")) {
        QVERIFY(o.demo);
        QCOMPARE(o.holdCallsSecs, 420);
    } else if (check == QLatin1String("demo")) {
        QVERIFY(o.demo);
        QCOMPARE(o.port, quint16(4000));
        QCOMPARE(o.demoSeed.value_or(0), quint32(9));
        QCOMPARE(o.demoIntervalMs, 500);
    } else {
        QCOMPARE(o.port, quint16(0));
        QCOMPARE(o.listenAddress, QHostAddress(QStringLiteral("0.0.0.0")));
        QCOMPARE(o.config.serverVersion, QStringLiteral("1.9.2"));
        QCOMPARE(o.config.clinicName, QStringLiteral("Hälsocentralen Åre"));
        QCOMPARE(o.config.update.buildsDir, QStringLiteral("/tmp/b"));
        QVERIFY(o.config.requireRegistration && o.admin && !o.log);
        QCOMPARE(o.settings, QStringList{"CHECKVERSION;TESKVistor;11100"});
        QCOMPARE(o.config.session.messageGapMs, 0);
        QCOMPARE(o.config.update.pieceGapMs, 5);
        QVERIFY(o.config.update.truncate);
        QCOMPARE(o.config.update.servedVersion, QStringLiteral("0.9.0.0"));
    }
}

QTEST_GUILESS_MAIN(TestCallServerUnits)
#include "test_callserver_units.moc"
