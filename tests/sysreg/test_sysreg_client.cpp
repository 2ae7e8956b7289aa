#include "common/ClientIdentity.h"
#include "display/connection/AnnouncerPort.h"
#include "display/connection/CallListModel.h"
#include "display/connection/MessageDispatcher.h"
#include "protocol/Framing.h"
#include "sysreg/ClientPage.h"
#include "sysreg/TfrmSystreg.h"

#include "RecordingMessages.h"
#include "TempSettings.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace tesk;
using tesk::test::RecordingMessages;
using tesk::test::TempSettings;

namespace {

const QString TESK = QStringLiteral("TESK");
const QString Name = QStringLiteral("TESTMACHINE_Show");

// A connection that is up, answers to a given server version and keeps
// every frame it is asked to send.
class RecordingLink : public SysRegConnection {
public:
    QString version;
    QStringList frames;
    bool isConnected() const override { return true; }
    QString ServerVersion() const override { return version; }
    void clearServerVersion() override { version.clear(); }
    void setHasConnected(bool) override {}
    void setUpdateCheckPending(bool) override {}
    void CloseConnection() override {}
    void ServerReconnectProc(bool) override {}
    void SendFrame(const QString& command, const QStringList& fields) override
    {
        frames << ComposeFrame(command, fields);
    }
};

struct ClientFixture {
    explicit ClientFixture(const QString& version = QStringLiteral("1.10.5"))
        : identity(temp.settings(), {})
    {
        identity.ClientType = TTESKClientType::ctShow;
        identity.OwnClientData.Lopnr = -1;
        auto l = std::make_unique<RecordingLink>();
        l->version = version;
        link = l.get();
        SystemRegisterServices s;
        s.settings = &temp.settings();
        s.identity = &identity;
        s.messages = &messages;
        s.connection = std::move(l);
        s.soundLabels = [] { return QStringList(); };
        s.playSound = [](const QString&) {};
        s.pickColour = [this](QWidget*, std::uint32_t) { return colourPick; };
        s.callListLopnrs = [this] { return callList; };
        dialog = std::make_unique<TfrmSystreg>(std::move(s));
        page = dialog->tsClientSettings;
    }

    QStringList texts(QListWidget* list) const
    {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out << list->item(i)->text();
        return out;
    }
    void fill(QListWidget* list, const QList<QPair<QString, int>>& entries)
    {
        list->clear();
        for (const auto& e : entries) {
            auto* item = new QListWidgetItem(e.first);
            item->setData(Qt::UserRole, e.second);
            list->addItem(item);
        }
    }

    TempSettings temp;
    RecordingMessages messages;
    ClientIdentity identity;
    RecordingLink* link = nullptr;
    QList<int> callList;
    std::optional<std::uint32_t> colourPick;
    std::unique_ptr<TfrmSystreg> dialog;
    ClientPage* page = nullptr;
};

// "name:number:...:active" records as the cut frame of RETALLCALLABLES.
QString AllFrame(const QStringList& records)
{
    QString cut = QStringLiteral("\u00A4RETALLCALLABLES:");
    for (const QString& r : records) {
        const QStringList p = r.split(QLatin1Char('|'));
        cut += p.value(0) + QLatin1Char(':') + p.value(1) + QStringLiteral(":x:x:x:x:") + p.value(2) + QLatin1Char(':');
    }
    return cut;
}

QString StationFrame(const QStringList& numbers)
{
    QString cut = QStringLiteral("\u00A4RETSTATIONCALLABLES:");
    for (const QString& n : numbers)
        cut += n + QStringLiteral(":0:");
    return cut;
}

const QStringList ThreeResources{QStringLiteral("Läkare|12|T"), QStringLiteral("Sköterska|7|T"),
                                 QStringLiteral("Kurator|3|F")};

} // namespace

class TestSysRegClient : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void load_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<bool>("stationRequest");
        QTest::newRow("1.9.2") << "1.9.2" << false;
        QTest::newRow("1.10.4") << "1.10.4" << true;
        QTest::newRow("1.10.10") << "1.10.10" << true;
        QTest::newRow("2.0.0") << "2.0.0" << true;
        QTest::newRow("no version yet") << "" << false;
    }

    void load()
    {
        QFETCH(QString, version);
        QFETCH(bool, stationRequest);
        ClientFixture f(version);
        f.identity.OwnClientData.FriendlyName = QStringLiteral("Rum 3");
        f.identity.OwnClientData.Color = 0x0000FF00;
        f.dialog->SetTabs(SysRegPage::tsClientSettings);
        QCOMPARE(f.dialog->currentPage(), SysRegPage::tsClientSettings);
        QStringList want{QStringLiteral("\u00A4GETALLCALLABLES:") + Name + QStringLiteral(":GETALLCALLABLES\u00A4")};
        if (stationRequest)
            want << QStringLiteral("\u00A4GETSTATIONCALLABLES:") + Name + QStringLiteral(":GETSTATIONCALLABLES\u00A4");
        QCOMPARE(f.link->frames, want);
        QCOMPARE(f.page->Edit1->text(), Name);
        QVERIFY(!f.page->Edit1->isEnabled());
        QVERIFY(f.page->RadioButton1->isChecked());
        QVERIFY(!f.page->Edit2->isEnabled());
        QCOMPARE(f.page->Edit3->text(), QStringLiteral("Rum 3"));
        QCOMPARE(f.page->swatchColour(), 0x0000FF00u);
        QVERIFY(f.page->isTargetListBound());
        QVERIFY(f.page->isHintPanelShown());
    }

    void answers_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QList<int>>("callList");
        QTest::addColumn<QStringList>("station"); // none: no station answer
        QTest::addColumn<QStringList>("all");
        QTest::addColumn<QStringList>("chosen");
        QTest::addColumn<bool>("stillBound");

        QTest::newRow("1.9.2: chosen from the call list")
            << "1.9.2" << QList<int>{7, 99, 3} << QStringList{} << QStringList{"Läkare"}
            << QStringList{"Sköterska", "Kurator - (inaktiv)"} << false;
        QTest::newRow("1.10.10: the station's choice")
            << "1.10.10" << QList<int>{7} << QStringList{"3", "12", "55"} << QStringList{"Sköterska"}
            << QStringList{"Kurator - (inaktiv)", "Läkare"} << true;
        QTest::newRow("2.0.0: not a number, twice the same")
            << "2.0.0" << QList<int>{} << QStringList{"x", "7", "7"} << QStringList{"Läkare", "Kurator - (inaktiv)"}
            << QStringList{"Sköterska"} << true;
        QTest::newRow("no version: like an old server")
            << "" << QList<int>{12} << QStringList{} << QStringList{"Sköterska", "Kurator - (inaktiv)"}
            << QStringList{"Läkare"} << false;
    }

    void answers()
    {
        QFETCH(QString, version);
        QFETCH(QList<int>, callList);
        QFETCH(QStringList, station);
        ClientFixture f(version);
        f.callList = callList;
        f.dialog->SetTabs(SysRegPage::tsClientSettings);
        f.dialog->ApplyAllResources(AllFrame(ThreeResources));
        if (!station.isEmpty())
            f.dialog->ApplyStationResources(StationFrame(station));
        QTEST(f.texts(f.page->ListBox1), "all");
        QTEST(f.texts(f.page->ListBox2), "chosen");
        QTEST(f.page->isTargetListBound(), "stillBound");
    }

    void unboundListIgnoresAnswers()
    {
        ClientFixture f;
        f.dialog->ApplyAllResources(AllFrame(ThreeResources)); // before any load
        QCOMPARE(f.page->ListBox1->count(), 0);
        f.dialog->SetTabs(SysRegPage::tsClientSettings);
        f.dialog->show();
        f.dialog->close();
        QVERIFY(!f.page->isTargetListBound());
        f.dialog->ApplyAllResources(AllFrame(ThreeResources));
        QCOMPARE(f.page->ListBox1->count(), 0);
    }

    // Both answers in one message, the station's first: the dispatcher
    // applies all resources first, so the station's choice stands.
    void stationChoiceIsNeverUndone()
    {
        ClientFixture f(QStringLiteral("1.10.10"));
        CallListModel model;
        NoAnnouncer announcer;
        MessageDispatcher dispatcher(model, f.temp.settings(), f.identity, f.messages, *f.dialog, announcer);
        f.dialog->SetTabs(SysRegPage::tsClientSettings);
        const QString station = StationFrame({QStringLiteral("7")}) + QStringLiteral("RETSTATIONCALLABLES\u00A4");
        const QString all = AllFrame(ThreeResources) + QStringLiteral("RETALLCALLABLES\u00A4");
        dispatcher.HandleServerMessage(station + all);
        QCOMPARE(f.texts(f.page->ListBox2), QStringList{QStringLiteral("Sköterska")});
        QCOMPARE(f.page->ListBox1->count(), 2);
    }

    void moveBackNumberOne()
    {
        ClientFixture f;
        f.fill(f.page->ListBox1, {{QStringLiteral("Alla"), 1}});
        f.fill(f.page->ListBox2, {{QStringLiteral("Alla igen"), 1}, {QStringLiteral("Läkare"), 12}});
        f.page->ListBox2->item(0)->setSelected(true);
        f.page->ListBox2->item(1)->setSelected(true);
        f.page->BitBtn2->click();
        QCOMPARE(f.texts(f.page->ListBox1), (QStringList{QStringLiteral("Alla"), QStringLiteral("Läkare")}));
        QCOMPARE(f.page->ListBox2->count(), 0);
    }

    void doubleClickMovesTheSelection()
    {
        ClientFixture f;
        f.fill(f.page->ListBox1, {{QStringLiteral("A"), 1}, {QStringLiteral("B"), 2}, {QStringLiteral("C"), 3}});
        f.page->ListBox1->item(2)->setSelected(true);
        f.page->ListBox1->item(0)->setSelected(true);
        Q_EMIT f.page->ListBox1->itemDoubleClicked(f.page->ListBox1->item(2));
        QCOMPARE(f.texts(f.page->ListBox2), (QStringList{QStringLiteral("A"), QStringLiteral("C")}));
        QCOMPARE(f.texts(f.page->ListBox1), QStringList{QStringLiteral("B")});

        // Focused but nothing selected: a copy goes over, the entry stays.
        f.page->ListBox1->setCurrentRow(0, QItemSelectionModel::NoUpdate);
        f.page->ListBox1->clearSelection();
        f.page->BitBtn1->click();
        QCOMPARE(f.texts(f.page->ListBox2), (QStringList{QStringLiteral("A"), QStringLiteral("C"), QStringLiteral("B")}));
        QCOMPARE(f.texts(f.page->ListBox1), QStringList{QStringLiteral("B")});
    }

    void upAndDown_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("up");
        QTest::addColumn<QString>("order");
        QTest::newRow("up from the top") << 0 << true << "ABC";
        QTest::newRow("up from the middle") << 1 << true << "BAC";
        QTest::newRow("down from the bottom") << 2 << false << "ABC";
        QTest::newRow("down from the top") << 0 << false << "BAC";
        QTest::newRow("nothing focused") << -1 << false << "ABC";
    }

    void upAndDown()
    {
        QFETCH(int, row);
        QFETCH(bool, up);
        ClientFixture f;
        f.fill(f.page->ListBox2, {{QStringLiteral("A"), 1}, {QStringLiteral("B"), 2}, {QStringLiteral("C"), 3}});
        f.page->ListBox2->setCurrentRow(row);
        (up ? f.page->BitBtn3 : f.page->BitBtn4)->click();
        QTEST(f.texts(f.page->ListBox2).join(QString()), "order");
    }

    void saveSendsTheChoice_data()
    {
        QTest::addColumn<QList<int>>("chosen");
        QTest::addColumn<QString>("frame");
        QTest::newRow("two") << QList<int>{12, 7}
                             << "\u00A4POSTCALLABLESLIST:TESTMACHINE_Show:1:12:0:7:1:POSTCALLABLESLIST\u00A4";
        QTest::newRow("none") << QList<int>{} << "\u00A4POSTCALLABLESLIST:TESTMACHINE_Show:1:POSTCALLABLESLIST\u00A4";
    }

    void saveSendsTheChoice()
    {
        QFETCH(QList<int>, chosen);
        ClientFixture f;
        f.dialog->SetTabs(SysRegPage::tsClientSettings);
        QList<QPair<QString, int>> entries;
        for (int n : chosen)
            entries << qMakePair(QString::number(n), n);
        f.fill(f.page->ListBox2, entries);
        f.link->frames.clear();
        f.dialog->btnSave->click();
        QCOMPARE(f.link->frames.size(), 1);
        QTEST(f.link->frames[0], "frame");
        QCOMPARE(f.temp.user(TESK, QStringLiteral("ClientNameUseDefault")), QStringLiteral("1"));
        QCOMPARE(f.temp.user(TESK, QStringLiteral("ClientName")), Name);
    }

    void registration_data()
    {
        QTest::addColumn<QString>("place");
        QTest::addColumn<int>("lopnr");
        QTest::addColumn<QString>("manualName"); // empty: the automatic name
        QTest::addColumn<QString>("frame");      // empty: nothing sent
        QTest::addColumn<QString>("balloon");

        QTest::newRow("before the server knows us")
            << "Rum 3 " << -1 << ""
            << "\u00A4REGISTERUPATEMACHINE:TESTMACHINE_Show:1:Rum 3 :255::-1:REGISTERUPATEMACHINE\u00A4" << "";
        QTest::newRow("known, manual name")
            << "Väntrum" << 17 << "Skärm 2"
            << "\u00A4REGISTERUPATEMACHINE:Skärm 2:1:Väntrum:255::17:REGISTERUPATEMACHINE\u00A4" << "";
        QTest::newRow("place of blanks") << "   " << 17 << "" << "" << "Plats måste fyllas i!";
        QTest::newRow("colon in the place") << "Rum:3" << 17 << "" << "" << ClientPage::BadCharacters;
        QTest::newRow("frame sign in the place") << "Rum \u00A4" << 17 << "" << "" << ClientPage::BadCharacters;
    }

    void registration()
    {
        QFETCH(QString, place);
        QFETCH(int, lopnr);
        QFETCH(QString, manualName);
        QFETCH(QString, frame);
        QFETCH(QString, balloon);
        ClientFixture f;
        f.identity.OwnClientData.Lopnr = lopnr;
        f.identity.OwnClientData.FriendlyName = QStringLiteral("before");
        if (!manualName.isEmpty()) {
            f.temp.setUser(TESK, QStringLiteral("ClientNameUseDefault"), QStringLiteral("0"));
            f.temp.setUser(TESK, QStringLiteral("ClientName"), manualName);
        }
        f.dialog->SetTabs(SysRegPage::tsClientSettings);
        f.colourPick = 255;
        f.page->BitBtn5->click();
        QCOMPARE(f.page->swatchColour(), 255u);
        f.page->Edit3->setText(place);
        f.link->frames.clear();
        f.page->BitBtn6->click();
        QCOMPARE(f.link->frames, frame.isEmpty() ? QStringList{} : QStringList{frame});
        if (balloon.isEmpty()) {
            QVERIFY(f.messages.balloons.empty());
            QCOMPARE(f.identity.OwnClientData.FriendlyName, place);
            QCOMPARE(f.identity.OwnClientData.Color, 255u);
        } else {
            QCOMPARE(f.messages.balloons.size(), size_t(1));
            QCOMPARE(f.messages.balloons[0].text, balloon);
            QCOMPARE(f.identity.OwnClientData.FriendlyName, QStringLiteral("before"));
        }
    }

    void savedAutomaticNameBecomesTheManualOne()
    {
        ClientFixture f;
        f.dialog->SetTabs(SysRegPage::tsClientSettings);
        f.dialog->btnSave->click();
        f.page->RadioButton2->click();
        QCOMPARE(f.temp.user(TESK, QStringLiteral("ClientNameUseDefault")), QStringLiteral("0"));
        QVERIFY(f.page->Edit2->isEnabled());
        f.dialog->btnCancel->click();
        QCOMPARE(f.page->Edit2->text(), Name);
        QVERIFY(f.page->RadioButton2->isChecked());
    }

    void aTypedNameReachesTheNextFrame()
    {
        ClientFixture f;
        f.dialog->SetTabs(SysRegPage::tsClientSettings);
        f.page->RadioButton2->click();
        f.page->Edit2->clear();
        QTest::keyClicks(f.page->Edit2, QStringLiteral("Rum 2"));
        QCOMPARE(f.temp.user(TESK, QStringLiteral("ClientName")), QStringLiteral("Rum 2"));
        // A colon would break every frame: it is not stored, and saving
        // refuses it and sends nothing.
        QTest::keyClicks(f.page->Edit2, QStringLiteral(":2"));
        QCOMPARE(f.temp.user(TESK, QStringLiteral("ClientName")), QStringLiteral("Rum 2"));
        f.link->frames.clear();
        f.dialog->btnSave->click();
        QVERIFY(f.link->frames.isEmpty());
        QCOMPARE(f.messages.balloons.back().text, ClientPage::BadCharacters);

        f.page->Edit2->setText(QStringLiteral("Rum 2"));
        f.dialog->btnCancel->click(); // the load asks again, under the new name
        QCOMPARE(f.link->frames.value(0),
                 QStringLiteral("\u00A4GETALLCALLABLES:Rum 2:GETALLCALLABLES\u00A4"));
    }

    void hintPanelFollowsTheDispatcher()
    {
        ClientFixture f;
        CallListModel model;
        NoAnnouncer announcer;
        MessageDispatcher dispatcher(model, f.temp.settings(), f.identity, f.messages, *f.dialog, announcer);
        QVERIFY(f.page->isHintPanelShown());
        dispatcher.HandleServerMessage(ComposeFrame(QStringLiteral("TESKCLIENTDATA"),
                                                    {Name, QStringLiteral("Rum 3"), QStringLiteral("255"),
                                                     QStringLiteral("17")}));
        QVERIFY(!f.page->isHintPanelShown());
        QCOMPARE(f.identity.OwnClientData.Lopnr, 17);
        f.dialog->setHintPanelVisible(true);
        QVERIFY(f.page->isHintPanelShown());
    }
};

QTEST_MAIN(TestSysRegClient)
#include "test_sysreg_client.moc"
