#include "SysRegFixture.h"

#include "sysreg/VoicePage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>

using namespace tesk;
using tesk::test::FakeSpeechBackend;
using tesk::test::SysRegFixture;

namespace {

const QString T2S = QStringLiteral("Text2Speech");

std::shared_ptr<FakeSpeechBackend::Script> TwoVoices()
{
    auto script = std::make_shared<FakeSpeechBackend::Script>();
    script->voices = {{QStringLiteral("Klara"), QLocale(QLocale::Swedish, QLocale::Sweden)},
                      {QStringLiteral("Alva"), QLocale(QLocale::Swedish, QLocale::Sweden)}};
    return script;
}

SysRegFixture::Options WithSpeech(std::shared_ptr<FakeSpeechBackend::Script> script)
{
    SysRegFixture::Options o;
    o.speech = std::move(script);
    return o;
}

} // namespace

class TestSysRegVoice : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void switchingSpeechOn_data()
    {
        QTest::addColumn<bool>("attachFails");
        QTest::addColumn<bool>("voicesThrow");
        QTest::addColumn<QString>("stored");   // UseSAPI5 afterwards
        QTest::addColumn<bool>("checked");
        QTest::addColumn<int>("voices");       // listed on the page

        QTest::newRow("engine starts") << false << false << "1" << true << 2;
        QTest::newRow("engine cannot start") << false << true << "0" << false << 0;
        QTest::newRow("no synthesiser at all") << true << false << "1" << true << 0;
    }

    void switchingSpeechOn()
    {
        QFETCH(bool, attachFails);
        QFETCH(bool, voicesThrow);
        auto script = TwoVoices();
        script->attachFails = attachFails;
        script->voicesThrow = voicesThrow;
        SysRegFixture f(WithSpeech(script));
        QVERIFY(f.connectToServer());
        f.temp.setUser(T2S, QStringLiteral("UseSAPI5"), QStringLiteral("0"));
        f.dialog->SetTabs(SysRegPage::tsVoice);
        VoicePage& p = *f.dialog->tsVoice;
        QVERIFY(!p.CheckBox54->isChecked());
        QVERIFY(!p.GroupBox75->isEnabled());
        QVERIFY(!p.GroupBox76->isEnabled());

        p.CheckBox54->click();
        QTEST(f.local(T2S, QStringLiteral("UseSAPI5")), "stored");
        QTEST(p.CheckBox54->isChecked(), "checked");
        QTEST(p.cbVoices->count(), "voices");
        if (p.cbVoices->count() > 0) {
            // Reloaded: the engine's sorted list, the group open.
            QCOMPARE(p.cbVoices->itemText(0), QStringLiteral("Alva"));
            QVERIFY(p.GroupBox75->isEnabled());
        }
    }

    void whileTheSynthesiserStarts_data()
    {
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<QString>("stored"); // UseSAPI5 afterwards
        QTest::addColumn<bool>("checked");

        // A version answer reloads the page with what is stored: "0".
        QTest::newRow("page reloaded") << "reload" << "0" << false;
        QTest::newRow("box cleared") << "clear" << "0" << false;
        // The box waits with the start: a click meanwhile does not take.
        QTest::newRow("user clicks the box") << "click" << "1" << true;
    }

    void whileTheSynthesiserStarts()
    {
        QFETCH(QString, meanwhile);
        auto script = TwoVoices();
        SysRegFixture f(WithSpeech(script));
        QVERIFY(f.connectToServer());
        f.temp.setUser(T2S, QStringLiteral("UseSAPI5"), QStringLiteral("0"));
        f.dialog->SetTabs(SysRegPage::tsVoice);
        VoicePage& p = *f.dialog->tsVoice;
        bool enabledDuringAttach = true;
        script->duringAttach = [&] {
            enabledDuringAttach = p.CheckBox54->isEnabled();
            if (meanwhile == QLatin1String("reload"))
                f.dialog->SetTabs(SysRegPage::tsVoice);
            else if (meanwhile == QLatin1String("clear"))
                p.CheckBox54->setChecked(false);
            else
                QTest::mouseClick(p.CheckBox54, Qt::LeftButton);
        };

        p.CheckBox54->click();
        QCOMPARE(script->attachCalls, 1);
        QTEST(f.local(T2S, QStringLiteral("UseSAPI5")), "stored");
        QTEST(p.CheckBox54->isChecked(), "checked");
        QTEST(p.GroupBox75->isEnabled(), "checked");
        QVERIFY(!enabledDuringAttach);
        QVERIFY(p.CheckBox54->isEnabled());
    }

    void clearingKeepsTheEngine()
    {
        SysRegFixture f(WithSpeech(TwoVoices()));
        QVERIFY(f.connectToServer());
        f.temp.setUser(T2S, QStringLiteral("UseSAPI5"), QStringLiteral("1"));
        f.speech->CreateIfMissing();
        f.dialog->SetTabs(SysRegPage::tsVoice);
        VoicePage& p = *f.dialog->tsVoice;
        QVERIFY(p.CheckBox54->isChecked());
        QVERIFY(p.GroupBox75->isEnabled());
        p.CheckBox54->click();
        QCOMPARE(f.local(T2S, QStringLiteral("UseSAPI5")), QStringLiteral("0"));
        QVERIFY(f.speech->engine());
        // The group follows the box at the next load only.
        QVERIFY(p.GroupBox75->isEnabled());
        f.dialog->btnCancel->click();
        QVERIFY(!p.GroupBox75->isEnabled());
    }

    void voiceRateAndTest()
    {
        auto script = TwoVoices();
        SysRegFixture f(WithSpeech(script));
        QVERIFY(f.connectToServer());
        f.temp.setUser(T2S, QStringLiteral("UseSAPI5"), QStringLiteral("1"));
        f.temp.setUser(T2S, QStringLiteral("VoiceSAPI5.1"), QStringLiteral("Klara"));
        f.temp.setUser(T2S, QStringLiteral("SpeedSAPI5.1"), QStringLiteral("-4"));
        f.speech->setVoiceName(QStringLiteral("Klara"));
        f.speech->CreateIfMissing();
        QVERIFY(f.speech->ready());
        f.dialog->SetTabs(SysRegPage::tsVoice);
        VoicePage& p = *f.dialog->tsVoice;
        QCOMPARE(p.cbVoices->currentText(), QStringLiteral("Klara"));
        QCOMPARE(p.tbRate->value(), -4);
        QCOMPARE(p.lblRate->text(), QStringLiteral("-4"));

        Q_EMIT p.cbVoices->activated(0);
        QCOMPARE(f.local(T2S, QStringLiteral("VoiceSAPI5.1")), QStringLiteral("Alva"));
        QCOMPARE(f.speech->voiceName(), QStringLiteral("Alva"));
        QCOMPARE(script->currentVoice, QStringLiteral("Alva"));

        p.tbRate->setValue(7);
        QCOMPARE(f.local(T2S, QStringLiteral("SpeedSAPI5.1")), QStringLiteral("7"));
        QCOMPARE(p.lblRate->text(), QStringLiteral("7"));
        QCOMPARE(f.speech->engine()->rate(), 7);
        // Another page and back: the slider shows the rate it was left at.
        f.dialog->PageControl1->setCurrentIndex(3);
        f.dialog->PageControl1->setCurrentIndex(2);
        QCOMPARE(p.tbRate->value(), 7);
        QCOMPARE(p.lblRate->text(), QStringLiteral("7"));
        QCOMPARE(p.cbVoices->currentText(), QStringLiteral("Alva"));

        p.Memo1->setPlainText(QStringLiteral("Rum 3 kallar"));
        p.Button9->click();
        QVERIFY(script->spoken.contains(QStringLiteral("Rum 3 kallar")));
    }

    void noEngineIsNeverReached()
    {
        SysRegFixture f; // no speech at all
        QVERIFY(f.connectToServer());
        f.temp.setUser(T2S, QStringLiteral("UseSAPI5"), QStringLiteral("1"));
        f.temp.setUser(T2S, QStringLiteral("SpeedSAPI5.1"), QStringLiteral("3"));
        f.dialog->SetTabs(SysRegPage::tsVoice);
        VoicePage& p = *f.dialog->tsVoice;
        QCOMPARE(p.cbVoices->count(), 0);
        p.tbRate->setValue(5);
        p.Button9->click();
        QCOMPARE(f.local(T2S, QStringLiteral("SpeedSAPI5.1")), QStringLiteral("3"));
    }
};

QTEST_MAIN(TestSysRegVoice)
#include "test_sysreg_voice.moc"
