#include "common/ClientIdentity.h"
#include "display/connection/CallListModel.h"
#include "display/connection/MessageDispatcher.h"
#include "display/connection/ServerConnection.h"
#include "protocol/Framing.h"

#include "RecordingPorts.h"
#include "TempSettings.h"

#include <QTest>

using namespace tesk;
using namespace tesk::test;

namespace {

const QString kCur = QStringLiteral("\u00A4");

QString Record(const QString& name, int lopnr, int ix, const QStringList& callers)
{
    // Caller numbers are lopnr * 100 + their index.
    QStringList fields;
    int index = 0;
    for (const QString& c : callers)
        fields << c << QString::number(lopnr * 100 + index++) << QStringLiteral("2024-01-02 08:00:00")
               << QStringLiteral("0") << QStringLiteral("0") << QString() << QString();
    return QStringLiteral("%1:%2:255:%3:").arg(name).arg(lopnr).arg(ix) + kCur + '%' + fields.join('~') + '%' + kCur + ':';
}

// A whole CURRENTLIST frame; its last record's ":" doubles as the closing tag's.
QString CurrentList(const QString& records)
{
    QString payload = records;
    if (payload.endsWith(':'))
        payload.chop(1);
    return kCur + QStringLiteral("CURRENTLIST:") + payload + QStringLiteral(":CURRENTLIST") + kCur;
}

QString Frame(const QString& command, const QStringList& fields)
{
    return ComposeFrame(command, fields);
}

QString Names(const CallListModel& model)
{
    QStringList names;
    for (const auto& c : model.CallList)
        names << c->CallName;
    return names.join(',');
}

const QString kEmptyBox = QStringLiteral(
    "Info(Det finns inga resurser att visa i listan!\rG\u00E5 till Systemregistret, fyll i \u00F6nskade resurser och "
    "tryck p\u00E5 Spara.)");
const QString kUnknownClientBox = QStringLiteral(
    "Info(Klienten finns inte i databasen!\rG\u00E5 till Systemregistret, fyll i Klientnamn/plats, v\u00E4lj en "
    "f\u00E4rg och tryck p\u00E5 L\u00E4gg till.)");
const QString kCaption = QStringLiteral("Caption(TESK Windows Visningsklient - Kliniken  version: 9.8.7.6)");

struct Fixture {
    TempSettings temp;
    ClientIdentity identity{temp.settings(), {}};
    CallListModel model;
    QStringList log;
    LoggingMessages messages{log};
    RecordingSystemRegister systemRegister{log};
    RecordingAnnouncer announcer{log, model};
    MessageDispatcher dispatcher{model, temp.settings(), identity, messages, systemRegister, announcer};

    Fixture()
    {
        identity.ClientType = TTESKClientType::ctShow;
        dispatcher.setProductVersion(QStringLiteral("9.8.7.6"));
        dispatcher.setVersionCheck([this](const QString& v) {
            log << QStringLiteral("Version(%1)").arg(v);
            return ServerConnection::IsServerVersionAccepted(v);
        });
        QObject::connect(&dispatcher, &MessageDispatcher::captionChanged,
                         [this](const QString& c) { log << QStringLiteral("Caption(%1)").arg(c); });
        QObject::connect(&dispatcher, &MessageDispatcher::minimizeTimerStartRequested,
                         [this] { log << QStringLiteral("Minimize"); });
        QObject::connect(&dispatcher, &MessageDispatcher::boardRepaintRequested,
                         [this] { log << QStringLiteral("Repaint"); });
    }
};

} // namespace

class TestDispatcher : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void dispatch_data();
    void dispatch();
    void clientData_data();
    void clientData();
    void failureInPassIsReported();
    void rebuildInsideTheEmptyListDialog();
    void noticeIsNotStackedOnItself_data();
    void noticeIsNotStackedOnItself();
    void holdersSeeTheRebuild();
};

void TestDispatcher::dispatch_data()
{
    QTest::addColumn<QStringList>("before");   // messages handled before the log starts
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QStringList>("expectedLog");
    QTest::addColumn<QString>("names");        // call list afterwards, in order
    QTest::addColumn<QString>("balloon");

    const QString listA = CurrentList(Record("Anna", 1, 1, {"Rum 1"}));
    const QString listB = CurrentList(Record("Bo", 2, 1, {"Rum 2", "Rum 3"}));
    const QString kn = Frame(QStringLiteral("RETKLINIKNAMN"), {QStringLiteral("Kliniken")});
    const QString empty = CurrentList(QString());

    QTest::newRow("clinic name first when the list comes first")
        << QStringList() << QStringList{listA + kn}
        << QStringList{kCaption, "Minimize", "Repaint", "SyncSayList(1)", "Announce(1,0)"} << "Anna"
        << QStringLiteral("Rum 1 kallar p\u00E5 Anna, \r");
    QTest::newRow("clinic name first when it comes first")
        << QStringList() << QStringList{kn + listA}
        << QStringList{kCaption, "Minimize", "Repaint", "SyncSayList(1)", "Announce(1,0)"} << "Anna"
        << QStringLiteral("Rum 1 kallar p\u00E5 Anna, \r");
    QTest::newRow("two lists in one message, in order of arrival")
        << QStringList() << QStringList{listA + listB}
        << QStringList{"Minimize", "Repaint", "SyncSayList(1)", "Announce(1,0)", "Repaint", "SyncSayList(1)",
                       "Announce(2,1)"}
        << "Bo" << QStringLiteral("Rum 2 kallar p\u00E5 Bo, \rRum 3 kallar p\u00E5 Bo, \r");
    QTest::newRow("ERROR: 001 with a list keeps the old list")
        << QStringList{listA} << QStringList{listB + QStringLiteral("ERROR: 001")}
        << QStringList{kUnknownClientBox, "HintPanel(1)", "SetTabs(tsClientSettings)", "ShowModal"} << "Anna"
        << QStringLiteral("Rum 1 kallar p\u00E5 Anna, \r");
    QTest::newRow("other server error")
        << QStringList() << QStringList{QStringLiteral("ERROR: Ok\u00E4nt kommando")}
        << QStringList{QStringLiteral("Info(Servern svarade med f\u00F6ljande fel: Ok\u00E4nt kommando)")} << ""
        << "";
    QTest::newRow("error report after handled frames ends the message")
        << QStringList() << QStringList{kn + QStringLiteral("ERROR: 002 fel") + listA}
        << QStringList{kCaption, QStringLiteral("Info(Servern svarade med f\u00F6ljande fel: 002 fel") + listA + ")"}
        << "" << "";
    QTest::newRow("empty list each time shows the box and the client page")
        << QStringList{listA} << QStringList{empty, empty}
        << QStringList{kEmptyBox, "SetTabs(tsClientSettings)", "ShowModal", "Repaint", "SyncSayList(0)",
                       "Announce(0,1)", kEmptyBox, "SetTabs(tsClientSettings)", "ShowModal", "Repaint",
                       "SyncSayList(0)", "Announce(0,0)"}
        << "" << "";
    QTest::newRow("ordered by CallIX, balloon in order of arrival")
        << QStringList()
        << QStringList{CurrentList(Record("C", 3, 3, {"c1"}) + Record("A", 1, 1, {"a1", "a2"}) + Record("B", 2, 2, {"b1"}))}
        << QStringList{"Minimize", "Repaint", "SyncSayList(3)", "Announce(4,0)"} << "A,B,C"
        << QStringLiteral("c1 kallar p\u00E5 C, \ra1 kallar p\u00E5 A, \ra2 kallar p\u00E5 A, \rb1 kallar p\u00E5 B, \r");
    QTest::newRow("calls without callers count nothing")
        << QStringList() << QStringList{CurrentList(Record("A", 1, 1, {}) + Record("B", 2, 2, {}))}
        << QStringList{"Minimize", "Repaint", "SyncSayList(2)", "Announce(0,0)"} << "A,B" << "";
    QTest::newRow("second non-empty list does not start the minimize timer")
        << QStringList{listA} << QStringList{listB}
        << QStringList{"Repaint", "SyncSayList(1)", "Announce(2,1)"} << "Bo"
        << QStringLiteral("Rum 2 kallar p\u00E5 Bo, \rRum 3 kallar p\u00E5 Bo, \r");
    QTest::newRow("first non-empty list after an empty one starts it")
        << QStringList{listA, empty} << QStringList{listB}
        << QStringList{"Minimize", "Repaint", "SyncSayList(1)", "Announce(2,0)"} << "Bo"
        << QStringLiteral("Rum 2 kallar p\u00E5 Bo, \rRum 3 kallar p\u00E5 Bo, \r");
    QTest::newRow("refused version drops the rest")
        << QStringList{listA} << QStringList{listB + Frame("RETSERVERVERSION", {"1.9.2"}) + kn}
        << QStringList{"Version(1.9.2)"} << "Anna" << QStringLiteral("Rum 1 kallar p\u00E5 Anna, \r");
    QTest::newRow("accepted version goes on with the message")
        << QStringList() << QStringList{listA + Frame("RETSERVERVERSION", {"2.0.0"})}
        << QStringList{"Version(2.0.0)", "Minimize", "Repaint", "SyncSayList(1)", "Announce(1,0)"} << "Anna"
        << QStringLiteral("Rum 1 kallar p\u00E5 Anna, \r");
    QTest::newRow("all callables before station callables")
        << QStringList()
        << QStringList{Frame("RETSTATIONCALLABLES", {"12", "0"}) + Frame("RETALLCALLABLES", {"Anna", "12", "", "", "", "", "T"})}
        << QStringList{"ApplyAllResources(" + kCur + "RETALLCALLABLES:Anna:12:::::T:)",
                       "ApplyStationResources(" + kCur + "RETSTATIONCALLABLES:12:0:)"}
        << "" << "";
    QTest::newRow("unknown frame alone changes nothing")
        << QStringList{listA} << QStringList{Frame("SOMETHING", {"1"}), QStringLiteral("   \r\n")} << QStringList()
        << "Anna" << QStringLiteral("Rum 1 kallar p\u00E5 Anna, \r");
    QTest::newRow("settings answer is taken")
        << QStringList() << QStringList{Frame("RETINITEXT", {"42"})} << QStringList() << "" << "";
}

void TestDispatcher::dispatch()
{
    QFETCH(QStringList, before);
    QFETCH(QStringList, messages);
    QFETCH(QStringList, expectedLog);
    QFETCH(QString, names);
    QFETCH(QString, balloon);

    Fixture f;
    for (const QString& m : before)
        f.dispatcher.HandleServerMessage(m);
    f.log.clear();
    for (const QString& m : messages)
        f.dispatcher.HandleServerMessage(m);
    QCOMPARE(f.log, expectedLog);
    QCOMPARE(Names(f.model), names);
    QCOMPARE(f.model.BalloonText, balloon);
}

void TestDispatcher::clientData_data()
{
    QTest::addColumn<QString>("frame");
    QTest::addColumn<bool>("dialogVisible");
    QTest::addColumn<QString>("own");
    QTest::addColumn<QStringList>("expectedLog");

    QTest::newRow("numbers") << Frame("TESKCLIENTDATA", {"VISNING_1", "Rum 1", "255", "17"}) << false
                             << "17|VISNING_1|Rum 1|255" << QStringList{"HintPanel(0)"};
    QTest::newRow("non-numeric number gives -1")
        << Frame("TESKCLIENTDATA", {QStringLiteral("V\u00C4NTRUM"), "Plats", "x", "abc"}) << true
        << QStringLiteral("-1|V\u00C4NTRUM|Plats|0") << QStringList{"HintPanel(0)", "SetTabs(tsClientSettings)"};
    QTest::newRow("missing fields") << Frame("TESKCLIENTDATA", {"N"}) << false << "-1|N||0"
                                    << QStringList{"HintPanel(0)"};
}

void TestDispatcher::clientData()
{
    QFETCH(QString, frame);
    QFETCH(bool, dialogVisible);
    QFETCH(QString, own);
    QFETCH(QStringList, expectedLog);

    Fixture f;
    f.systemRegister.visible = dialogVisible;
    f.identity.OwnClientData.Lopnr = 5;
    f.dispatcher.HandleServerMessage(frame);
    const TTESKClientData& d = f.identity.OwnClientData;
    QCOMPARE(QStringLiteral("%1|%2|%3|%4").arg(d.Lopnr).arg(d.Name, d.FriendlyName).arg(d.Color), own);
    QCOMPARE(f.log, expectedLog);
}

void TestDispatcher::failureInPassIsReported()
{
    Fixture f;
    f.announcer.throwOnAnnounce = true;
    const QString kn = Frame(QStringLiteral("RETKLINIKNAMN"), {QStringLiteral("Kliniken")});
    // The second list never gets handled: the failure drops the rest.
    f.dispatcher.HandleServerMessage(CurrentList(Record("A", 1, 1, {"x"})) + kn
                                     + CurrentList(Record("B", 2, 1, {"y"})));
    QCOMPARE(f.log, QStringList({kCaption, "Minimize", "Repaint", "SyncSayList(1)",
                                 QStringLiteral("Info(Error in ClientSocket1Read!\r\rannouncer failed)")}));
    QCOMPARE(Names(f.model), QStringLiteral("A"));
}

void TestDispatcher::rebuildInsideTheEmptyListDialog()
{
    // While the dialog runs modally another list arrives and is handled in
    // full; the outer handling then finishes with its own counts and reads
    // the new list afresh.
    Fixture f;
    f.dispatcher.HandleServerMessage(CurrentList(Record("A", 1, 1, {"x", "y"})));
    f.log.clear();
    bool nested = false;
    f.systemRegister.onShowModal = [&] {
        if (nested)
            return;
        nested = true;
        f.dispatcher.HandleServerMessage(CurrentList(Record("B", 2, 1, {"z"})));
    };
    f.dispatcher.HandleServerMessage(CurrentList(QString()));
    QCOMPARE(f.log, QStringList({kEmptyBox, "SetTabs(tsClientSettings)", "ShowModal", "Minimize", "Repaint",
                                 "SyncSayList(1)", "Announce(1,0)", "Repaint", "SyncSayList(1)", "Announce(0,2)"}));
    QCOMPARE(Names(f.model), QStringLiteral("B"));
}

void TestDispatcher::noticeIsNotStackedOnItself_data()
{
    // While a notice and its dialog are open, the server may send the same
    // news again and again (an unconfigured display gets an empty list at
    // every change in the clinic): one notice stays open, the repeats do the
    // rest of their handling without a box of their own. Once it is closed,
    // the next repeat shows it again.
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("expectedLog");

    const QString empty = CurrentList(QString());
    const QStringList emptyNotice{kEmptyBox, "SetTabs(tsClientSettings)", "ShowModal"};
    const QStringList emptyRest{"Repaint", "SyncSayList(0)", "Announce(0,0)"};
    QTest::newRow("empty list") << empty << emptyNotice + emptyRest + emptyRest + emptyRest + emptyNotice + emptyRest;
    const QStringList unknownNotice{kUnknownClientBox, "HintPanel(1)", "SetTabs(tsClientSettings)", "ShowModal"};
    QTest::newRow("unregistered client") << QStringLiteral("ERROR: 001") << unknownNotice + unknownNotice;
}

void TestDispatcher::noticeIsNotStackedOnItself()
{
    QFETCH(QString, message);
    QFETCH(QStringList, expectedLog);

    Fixture f;
    int repeats = 0;
    f.systemRegister.onShowModal = [&] {
        // Two repeats arrive while the first notice is open, one inside the other.
        if (repeats >= 2)
            return;
        ++repeats;
        f.dispatcher.HandleServerMessage(message);
        if (repeats == 1)
            f.dispatcher.HandleServerMessage(message);
    };
    f.dispatcher.HandleServerMessage(message);
    QCOMPARE(repeats, 1);
    f.systemRegister.onShowModal = {};
    f.dispatcher.HandleServerMessage(message);
    QCOMPARE(f.log, expectedLog);
}

void TestDispatcher::holdersSeeTheRebuild()
{
    Fixture f;
    f.dispatcher.HandleServerMessage(CurrentList(Record("A", 1, 1, {"x"})));
    // A holder in the manner of the board's selection.
    TCaller* held = f.model.findCaller(1, 100);
    QVERIFY(held);
    const quint64 heldGeneration = f.model.generation();
    QObject::connect(&f.model, &CallListModel::aboutToRebuild, [&] { held = nullptr; });
    f.dispatcher.HandleServerMessage(CurrentList(Record("A", 1, 1, {"x"})));
    QVERIFY(!held);
    QVERIFY(f.model.generation() != heldGeneration);
    QVERIFY(f.model.findCaller(1, 100));
}

QTEST_GUILESS_MAIN(TestDispatcher)
#include "test_dispatcher.moc"
