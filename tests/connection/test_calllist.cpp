#include "common/VersionCompare.h"
#include "display/connection/CallListModel.h"
#include "display/connection/CallListParser.h"
#include "display/connection/ServerConnection.h"
#include "protocol/DateTimeValue.h"

#include <QSignalSpy>
#include <QTest>

using namespace tesk;

namespace {

const QString kCur = QStringLiteral("\u00A4"); // "¤"

// One call record as the server writes it.
QString Record(const QString& name, const QString& lopnr, const QString& colour, const QString& ix,
               const QStringList& callerFields)
{
    return name + ':' + lopnr + ':' + colour + ':' + ix + ':' + kCur + '%' + callerFields.join('~') + '%' + kCur + ':';
}

QStringList Caller(const QString& name, const QString& lopnr, const QString& time = QString(),
                   const QString& colour = QStringLiteral("0"), const QString& coming = QStringLiteral("0"),
                   const QString& comingTime = QString(), const QString& comingName = QString())
{
    return {name, lopnr, time, colour, coming, comingTime, comingName};
}

// "Name#lopnr#colour#ix[caller/lopnr/colour/coming/comingName,...]" per call, joined by " | ".
QString Describe(const TCallList& list)
{
    QStringList calls;
    for (const auto& c : list) {
        QStringList callers;
        for (const auto& k : c->CurrentCallList)
            callers << QStringLiteral("%1/%2/%3/%4/%5")
                           .arg(k->CallerName)
                           .arg(k->CallerLopnr)
                           .arg(k->CallerColour)
                           .arg(k->CallComingLopnr)
                           .arg(k->CallComingName);
        calls << QStringLiteral("%1#%2#%3#%4[%5]")
                     .arg(c->CallName)
                     .arg(c->CallLopnr)
                     .arg(c->CallColour)
                     .arg(c->CallIX)
                     .arg(callers.join(','));
    }
    return calls.join(QStringLiteral(" | "));
}

} // namespace

class TestCallList : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parse_data();
    void parse();
    void parseTimes();
    void modelOrdersByCallIXAndCountsGenerations();
    void modelFind();
    void compareDottedVersions_data();
    void compareDottedVersions();
    void serverVersionAccepted_data();
    void serverVersionAccepted();
};

void TestCallList::parse_data()
{
    QTest::addColumn<QString>("payload");
    QTest::addColumn<QString>("calls");
    QTest::addColumn<QString>("balloon");
    QTest::addColumn<int>("callerCount");

    QTest::newRow("empty payload") << QString() << QString() << QString() << 0;
    QTest::newRow("only the closing colon") << QStringLiteral(":") << QString() << QString() << 0;
    QTest::newRow("call without callers")
        << Record("Anna", "12", "255", "1", {}) << QStringLiteral("Anna#12#255#1[]") << QString() << 0;
    QTest::newRow("two callers in order")
        << Record("Anna", "12", "255", "1", Caller("Rum 1", "5") + Caller("Rum 2", "6", "", "32768", "3", "", "Eva"))
        << QStringLiteral("Anna#12#255#1[Rum 1/5/0/0/,Rum 2/6/32768/3/Eva]")
        << QStringLiteral("Rum 1 kallar p\u00E5 Anna, \rRum 2 kallar p\u00E5 Anna, \r") << 2;
    QTest::newRow("empty call name ends the records")
        << Record("Anna", "1", "0", "1", {}) + Record("", "2", "0", "2", Caller("X", "1")) + Record("Bo", "3", "0", "3", {})
        << QStringLiteral("Anna#1#0#1[]") << QString() << 0;
    QTest::newRow("empty caller name ends the callers")
        << Record("Anna", "1", "0", "1", Caller("A", "1") + Caller("", "2") + Caller("C", "3"))
        << QStringLiteral("Anna#1#0#1[A/1/0/0/]") << QStringLiteral("A kallar p\u00E5 Anna, \r") << 1;
    QTest::newRow("fields are trimmed")
        << Record(" Anna ", " 12 ", " 255 ", " 4 ", Caller(" Rum 1 ", " 7 "))
        << QStringLiteral("Anna#12#255#4[Rum 1/7/0/0/]") << QStringLiteral("Rum 1 kallar p\u00E5 Anna, \r") << 1;
    QTest::newRow("numbers that do not convert read 0")
        << Record("Anna", "12a", "x", "", Caller("Rum 1", "abc", "", "red", "yes"))
        << QStringLiteral("Anna#0#0#0[Rum 1/0/0/0/]") << QStringLiteral("Rum 1 kallar p\u00E5 Anna, \r") << 1;
    QTest::newRow("last caller short of fields")
        << Record("Anna", "1", "0", "1", QStringList{"Rum 9"}) << QStringLiteral("Anna#1#0#1[Rum 9/0/0/0/]")
        << QStringLiteral("Rum 9 kallar p\u00E5 Anna, \r") << 1;
    QTest::newRow("same number twice gives two calls")
        << Record("Anna", "1", "0", "2", Caller("A", "1")) + Record("Anna", "1", "0", "1", Caller("B", "2"))
        << QStringLiteral("Anna#1#0#2[A/1/0/0/] | Anna#1#0#1[B/2/0/0/]")
        << QStringLiteral("A kallar p\u00E5 Anna, \rB kallar p\u00E5 Anna, \r") << 2;
    QTest::newRow("record without its end is not read")
        << Record("Anna", "1", "0", "1", {}) + QStringLiteral("Bo:2:0:2:") + kCur + QStringLiteral("%%") + kCur
        << QStringLiteral("Anna#1#0#1[]") << QString() << 0;
    QTest::newRow("record without caller brackets has no callers")
        << QStringLiteral("Anna:1:0:1:%") + kCur + ':' << QStringLiteral("Anna#1#0#1[]") << QString() << 0;
    QTest::newRow("Swedish names")
        << Record(QStringLiteral("\u00C5sa \u00D6berg"), "3", "0", "1", Caller(QStringLiteral("V\u00E4ntrum"), "1"))
        << QStringLiteral("\u00C5sa \u00D6berg#3#0#1[V\u00E4ntrum/1/0/0/]")
        << QStringLiteral("V\u00E4ntrum kallar p\u00E5 \u00C5sa \u00D6berg, \r") << 1;
}

void TestCallList::parse()
{
    QFETCH(QString, payload);
    QFETCH(QString, calls);
    QFETCH(QString, balloon);
    QFETCH(int, callerCount);

    const ParsedCallList parsed = ParseCurrentList(payload);
    QCOMPARE(Describe(parsed.CallList), calls);
    QCOMPARE(parsed.BalloonText, balloon);
    QCOMPARE(parsed.CallerCount, callerCount);
}

void TestCallList::parseTimes()
{
    const QString payload = Record("Anna", "1", "0", "1",
                                   Caller("Rum 1", "4", "2024-03-05 14:07:09", "0", "2", "2024-03-05 14:08:10", "Eva")
                                       + Caller("Rum 2", "5", "not a date", "0", "0", "", ""));
    const ParsedCallList parsed = ParseCurrentList(payload);
    QCOMPARE(parsed.CallList.size(), size_t(1));
    const auto& callers = parsed.CallList.front()->CurrentCallList;
    QCOMPARE(callers.size(), size_t(2));
    QCOMPARE(FromDateTimeValue(callers[0]->CallTimeStamp), QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)));
    QCOMPARE(FromDateTimeValue(callers[0]->CallComingTimeStamp), QDateTime(QDate(2024, 3, 5), QTime(14, 8, 10)));
    QCOMPARE(callers[1]->CallTimeStamp, 0.0);
    QCOMPARE(callers[1]->CallComingTimeStamp, 0.0);
    QCOMPARE(callers[0]->ViewRect, TViewRect{});
}

void TestCallList::modelOrdersByCallIXAndCountsGenerations()
{
    CallListModel model;
    QStringList events;
    connect(&model, &CallListModel::aboutToRebuild, this, [&] { events << QStringLiteral("about:%1").arg(model.CallList.size()); });
    connect(&model, &CallListModel::rebuilt, this, [&](quint64 g) { events << QStringLiteral("rebuilt:%1:%2").arg(g).arg(model.CallList.size()); });

    model.replaceCallList(ParseCurrentList(Record("C", "3", "0", "3", Caller("c", "1")) + Record("A", "1", "0", "1", {})
                                           + Record("B2", "2", "0", "2", {}) + Record("B1", "4", "0", "2", {})));
    QCOMPARE(Describe(model.CallList), QStringLiteral("A#1#0#1[] | B2#2#0#2[] | B1#4#0#2[] | C#3#0#3[c/1/0/0/]"));
    QCOMPARE(model.BalloonText, QStringLiteral("c kallar p\u00E5 C, \r"));
    QCOMPARE(model.callerCount(), 1);
    QCOMPARE(model.generation(), quint64(1));

    model.replaceCallList(ParseCurrentList(QString()));
    QCOMPARE(model.CallList.size(), size_t(0));
    QCOMPARE(model.BalloonText, QString());
    QCOMPARE(model.generation(), quint64(2));
    QCOMPARE(events, QStringList({"about:0", "rebuilt:1:4", "about:4", "rebuilt:2:0"}));
}

void TestCallList::modelFind()
{
    CallListModel model;
    model.replaceCallList(ParseCurrentList(Record("A", "1", "0", "1", Caller("a", "7") + Caller("b", "8"))));
    TCallObject* call = nullptr;
    TCaller* caller = model.findCaller(1, 8, &call);
    QVERIFY(caller);
    QCOMPARE(caller->CallerName, QStringLiteral("b"));
    QCOMPARE(call, model.findCall(1));
    QVERIFY(!model.findCaller(1, 9));
    QVERIFY(!model.findCall(2));
}

void TestCallList::compareDottedVersions_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("sign");
    QTest::newRow("equal") << "1.10.4" << "1.10.4" << 0;
    QTest::newRow("missing part is zero") << "1.10" << "1.10.0" << 0;
    QTest::newRow("leading zeros") << "01.010.4" << "1.10.4" << 0;
    QTest::newRow("numeric, not text") << "1.9.9" << "1.10.4" << -1;
    QTest::newRow("two digits above one") << "1.10.10" << "1.10.4" << 1;
    QTest::newRow("major wins") << "2" << "1.99.99" << 1;
    QTest::newRow("huge part does not wrap") << "1.99999999999999999999" << "1.2" << 1;
    QTest::newRow("non-numeric part is zero") << "1.x.5" << "1.0.5" << 0;
    QTest::newRow("empty") << "" << "0" << 0;
    QTest::newRow("blank around") << " 1.10.4 " << "1.10.4" << 0;
    QTest::newRow("longer is greater") << "1.10.1.5" << "1.10.1" << 1;
}

void TestCallList::compareDottedVersions()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, sign);
    const int c = CompareDottedVersions(a, b);
    QCOMPARE((c > 0) - (c < 0), sign);
    const int r = CompareDottedVersions(b, a);
    QCOMPARE((r > 0) - (r < 0), -sign);
}

void TestCallList::serverVersionAccepted_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("1.10.1") << "1.10.1" << true;
    QTest::newRow("1.10.0") << "1.10.0" << false;
    QTest::newRow("1.9.2") << "1.9.2" << false;
    QTest::newRow("1.9.12 (dots removed 1912)") << "1.9.12" << true;
    QTest::newRow("2.0.0") << "2.0.0" << true;
    QTest::newRow("10.0") << "10.0" << true;
    QTest::newRow("1.10") << "1.10" << false;
    QTest::newRow("1.11") << "1.11" << true;
    QTest::newRow("1.10.1.5") << "1.10.1.5" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("text") << "abc" << false;
}

void TestCallList::serverVersionAccepted()
{
    QFETCH(QString, version);
    QFETCH(bool, accepted);
    QCOMPARE(ServerConnection::IsServerVersionAccepted(version), accepted);
}

QTEST_GUILESS_MAIN(TestCallList)
#include "test_calllist.moc"
