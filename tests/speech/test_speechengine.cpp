#include "speech/SpeechEngine.h"

#include "FakeSpeechBackend.h"
#include "RecordingMessages.h"
#include "TempSettings.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

using namespace tesk;
using tesk::test::FakeSpeechBackend;
using tesk::test::RecordingMessages;
using tesk::test::TempSettings;

namespace {

using Script = FakeSpeechBackend::Script;

const QLocale Swedish(QLocale::Swedish, QLocale::Sweden);
const QLocale FinlandSwedish(QLocale::Swedish, QLocale::Finland);
const QLocale English(QLocale::English, QLocale::UnitedStates);

const QString Question = QStringLiteral(
    "Det gick inte att initiera Text-To-Speech funktionen!\r"
    "Kontrollera att Microsoft Text-To-Speech Engine SAPI 5.1 \u00E4r installerad korrekt!\r\r"
    "Text-To-Speech funktionen \u00E4r bortkopplad!\r\r"
    "Vill du se detta meddelande igen?");

std::shared_ptr<Script> ThreeVoices()
{
    auto s = std::make_shared<Script>();
    s->voices = {{QStringLiteral("Zira"), English}, {QStringLiteral("alva"), Swedish}, {QStringLiteral("Bengt"), Swedish}};
    return s;
}

struct Fixture {
    explicit Fixture(std::shared_ptr<Script> s = ThreeVoices())
        : script(std::move(s))
    {
    }

    std::unique_ptr<TfrmSAPI51> make(const QString& voiceName)
    {
        return std::make_unique<TfrmSAPI51>(std::make_unique<FakeSpeechBackend>(script), temp.settings(), messages,
                                            voiceName);
    }

    QString showError() { return temp.settings().GetIniText(QStringLiteral("Text2Speech"), QStringLiteral("ShowErrorMsg2")); }

    std::shared_ptr<Script> script;
    TempSettings temp;
    RecordingMessages messages;
};

// Lets the deferred start-up question run.
void settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

} // namespace

class TestSpeechEngine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void voicesSortedAndChosenByDescription()
    {
        Fixture f;
        auto engine = f.make(QStringLiteral("Bengt"));
        QVERIFY(engine->attached());
        QVERIFY(engine->ready());
        QCOMPARE(engine->voices(), QStringList({"alva", "Bengt", "Zira"}));
        QCOMPARE(engine->selectedVoiceIndex(), 1);
        QCOMPARE(f.script->currentVoice, QStringLiteral("Bengt"));
        settle();
        QVERIFY(f.messages.questions.isEmpty());
    }

    // Which voice speaks: a stored name wins when it matches; a stored name
    // that matches nothing leaves the synthesiser's default; only when no
    // name is stored is a Swedish voice preferred.
    void voiceChoice_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QList<SpeechVoice>>("voices");
        QTest::addColumn<QString>("selected"); // empty: none
        QList<SpeechVoice> mixed = {{"Amy", English}, {"Finlandssvenska", FinlandSwedish}, {"Svea", Swedish},
                                    {"Astrid", Swedish}};
        QTest::newRow("stored name matches") << "Amy" << mixed << "Amy";
        QTest::newRow("stored name matches nothing: default stays") << "Nobody" << mixed << "";
        QTest::newRow("stored name in other case matches nothing") << "amy" << mixed << "";
        QTest::newRow("nothing stored: Swedish from Sweden, first in order") << "ERROR" << mixed << "Astrid";
        QTest::newRow("empty stored: Swedish too") << "" << mixed << "Astrid";
        QTest::newRow("nothing stored: other Swedish when no Sweden")
            << "ERROR" << QList<SpeechVoice>{{"Amy", English}, {"Finlandssvenska", FinlandSwedish}}
            << "Finlandssvenska";
        QTest::newRow("nothing stored, no Swedish: default stays")
            << "ERROR" << QList<SpeechVoice>{{"Amy", English}} << "";
        QTest::newRow("no voices at all") << "ERROR" << QList<SpeechVoice>{} << "";
    }

    void voiceChoice()
    {
        QFETCH(QString, stored);
        QFETCH(QList<SpeechVoice>, voices);
        QFETCH(QString, selected);
        auto script = std::make_shared<Script>();
        script->voices = voices;
        Fixture f(script);
        auto engine = f.make(stored);
        QVERIFY(engine->ready());
        if (selected.isEmpty()) {
            QCOMPARE(engine->selectedVoiceIndex(), -1);
            QVERIFY(script->voiceChanges.isEmpty());
        } else {
            QCOMPARE(engine->voices().value(engine->selectedVoiceIndex()), selected);
            QCOMPARE(script->voiceChanges, QStringList{selected});
        }
    }

    // speech-dispatcher with espeak-ng offers every variant of every
    // language: some 13,000 voices.
    void thousandsOfVoices()
    {
        auto script = std::make_shared<Script>();
        const QList<QLocale> locales = {English, QLocale(QLocale::German, QLocale::Germany), Swedish,
                                        QLocale(QLocale::French, QLocale::France)};
        for (int v = 0; v < 3300; ++v)
            for (const QLocale& l : locales)
                script->voices.append({QLocale::languageToString(l.language()) + QStringLiteral("+V%1").arg(v), l});
        Fixture f(script);
        QElapsedTimer timer;
        timer.start();
        auto engine = f.make(QStringLiteral("ERROR"));
        qInfo("%lld voices set up in %lld ms", qlonglong(script->voices.size()), qlonglong(timer.elapsed()));
        QVERIFY(engine->ready());
        QCOMPARE(engine->voices().size(), 13200);
        QCOMPARE(engine->voices().value(engine->selectedVoiceIndex()), QStringLiteral("Swedish+V0"));
    }

    void cbVoicesChangeAppliesTheSelectedEntry()
    {
        Fixture f;
        auto engine = f.make(QStringLiteral("Nobody"));
        engine->setSelectedVoiceIndex(2);
        engine->cbVoicesChange();
        QCOMPARE(f.script->currentVoice, QStringLiteral("Zira"));
        // An entry no longer installed leaves the voice as it is.
        f.script->voices.removeLast(); // "Bengt"
        engine->setSelectedVoiceIndex(1);
        engine->cbVoicesChange();
        QCOMPARE(f.script->currentVoice, QStringLiteral("Zira"));
        // No entry: nothing changes.
        engine->setSelectedVoiceIndex(-1);
        engine->cbVoicesChange();
        engine->setSelectedVoiceIndex(17);
        QCOMPARE(engine->selectedVoiceIndex(), -1);
        QCOMPARE(f.script->voiceChanges, QStringList{"Zira"});
    }

    void storedRate_data()
    {
        QTest::addColumn<QString>("stored"); // "<none>": missing
        QTest::addColumn<int>("rate");
        QTest::addColumn<QList<int>>("given");
        QTest::newRow("missing") << "<none>" << 0 << QList<int>{0};
        QTest::newRow("3") << "3" << 3 << QList<int>{3, 3};
        QTest::newRow("-4") << "-4" << -4 << QList<int>{-4, -4};
        QTest::newRow("15 is 10") << "15" << 10 << QList<int>{10, 10};
        QTest::newRow("-15 is -10") << "-15" << -10 << QList<int>{-10, -10};
        QTest::newRow("abc is 0") << "abc" << 0 << QList<int>{0};
    }

    void storedRate()
    {
        QFETCH(QString, stored);
        QFETCH(int, rate);
        QFETCH(QList<int>, given);
        Fixture f;
        if (stored != "<none>")
            f.temp.setUser(QStringLiteral("Text2Speech"), QStringLiteral("SpeedSAPI5.1"), stored);
        auto engine = f.make(QStringLiteral("Bengt"));
        QCOMPARE(engine->rate(), rate);
        QCOMPARE(engine->lblRate(), QString::number(rate));
        // The rate-change handler gives it once when the position moves,
        // then the start-up gives the position itself.
        QCOMPARE(f.script->rates, given);
        QVERIFY(engine->ready());
    }

    void failingRateIsIgnoredAtStart()
    {
        auto script = ThreeVoices();
        script->setRateThrows = true;
        Fixture f(script);
        auto engine = f.make(QStringLiteral("Bengt"));
        QVERIFY(engine->ready());
        settle();
        QVERIFY(f.messages.questions.isEmpty());
    }

    void rateChangeStopsSetsAndShows()
    {
        Fixture f;
        auto engine = f.make(QStringLiteral("Bengt"));
        f.script->calls.clear();
        engine->setRate(-7);
        QCOMPARE(f.script->calls, QStringList({"skip", "rate:-7"}));
        QCOMPARE(engine->lblRate(), QStringLiteral("-7"));
        f.script->calls.clear();
        engine->setRate(-7); // no move, no handler
        engine->setRate(-30); // clamped to -10
        QCOMPARE(f.script->calls, QStringList({"skip", "rate:-10"}));
        QCOMPARE(engine->rate(), -10);
    }

    void sayRewritesAndSkipsEmptyTexts()
    {
        Fixture f;
        auto engine = f.make(QStringLiteral("Bengt"));
        engine->say(QStringLiteral("Rum 3 kallar på 461231-1234, \r"), 1);
        engine->say(QStringLiteral("!\"#\u00A4%&&%\u00A4#\"!"), 1);
        engine->say(QString(), 1);
        QCOMPARE(f.script->spoken, QStringList{"Rum 3 kallar på 46 12 31, 12 34, \r"});
        engine->btnStopClick();
        QCOMPARE(f.script->skips, 1);
    }

    // No synthesiser at all: no engine to speak with, and not a word to the user.
    void attachFailureIsSilent()
    {
        auto script = ThreeVoices();
        script->attachFails = true;
        Fixture f(script);
        auto engine = f.make(QStringLiteral("Bengt"));
        QVERIFY(!engine->attached());
        QVERIFY(!engine->ready());
        QCOMPARE(script->voicesCalls, 0);
        engine->say(QStringLiteral("Rum 3"));
        engine->setRate(5);
        engine->cbVoicesChange();
        settle();
        QVERIFY(script->spoken.isEmpty());
        QVERIFY(f.messages.questions.isEmpty());
    }

    // The start-up question: asked once per failing engine unless switched
    // off; "Nej" switches it off for good.
    void initFailureAsks_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("showError"); // stored before; "<none>": missing
        QTest::addColumn<bool>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<QString>("storedAfter");
        QTest::newRow("voices fail, Nej") << "voices" << "<none>" << false << true << "0";
        QTest::newRow("voices fail, Ja") << "voices" << "<none>" << true << true << "ERROR";
        QTest::newRow("voice fails, Nej") << "voice" << "<none>" << false << true << "0";
        QTest::newRow("switched off") << "voices" << "0" << true << false << "0";
        QTest::newRow("set to 1 still asks") << "voices" << "1" << false << true << "0";
    }

    void initFailureAsks()
    {
        QFETCH(QString, failure);
        QFETCH(QString, showError);
        QFETCH(bool, answer);
        QFETCH(bool, asked);
        QFETCH(QString, storedAfter);
        auto script = ThreeVoices();
        script->voicesThrow = failure == "voices";
        script->setVoiceThrows = failure == "voice";
        Fixture f(script);
        if (showError != "<none>")
            f.temp.setUser(QStringLiteral("Text2Speech"), QStringLiteral("ShowErrorMsg2"), showError);
        f.messages.answers.push_back(answer);
        auto engine = f.make(QStringLiteral("Bengt"));
        QVERIFY(engine->attached());
        QVERIFY(!engine->ready());
        settle();
        QCOMPARE(f.messages.questions, asked ? QStringList{Question} : QStringList{});
        QCOMPARE(f.showError(), storedAfter);
        engine->say(QStringLiteral("Rum 3"));
        QVERIFY(script->spoken.isEmpty());
    }

    // A synthesiser that breaks down later: not ready, one question however
    // often it reports, nothing spoken after.
    void laterFailureMakesItNotReady()
    {
        Fixture f;
        f.messages.answers = {true, true};
        auto engine = f.make(QStringLiteral("Bengt"));
        QVERIFY(engine->ready());
        QSignalSpy readySpy(engine.get(), &TfrmSAPI51::readyChanged);
        QVERIFY(f.script->live);
        f.script->live->fail();
        f.script->live->fail(QStringLiteral("again"));
        QVERIFY(!engine->ready());
        QCOMPARE(readySpy.count(), 1);
        QCOMPARE(readySpy.at(0).at(0).toBool(), false);
        engine->say(QStringLiteral("Rum 3"));
        settle();
        QVERIFY(f.script->spoken.isEmpty());
        QCOMPARE(f.messages.questions.size(), 1);
    }

    void throwingSpeakIsCaught()
    {
        auto script = ThreeVoices();
        script->speakThrows = true;
        Fixture f(script);
        f.temp.setUser(QStringLiteral("Text2Speech"), QStringLiteral("ShowErrorMsg2"), QStringLiteral("0"));
        auto engine = f.make(QStringLiteral("Bengt"));
        engine->say(QStringLiteral("Rum 3"));
        QVERIFY(!engine->ready());
        engine->say(QStringLiteral("Rum 4"));
        settle();
        QCOMPARE(script->calls.filter(QStringLiteral("speak:")).size(), 1);
        QVERIFY(f.messages.questions.isEmpty());
    }

    // The engine going away before its question comes up takes the
    // question with it, and nothing touches the dead engine.
    void questionOfADiscardedEngineIsDropped()
    {
        auto script = ThreeVoices();
        script->voicesThrow = true;
        Fixture f(script);
        f.make(QStringLiteral("Bengt")).reset();
        settle();
        QVERIFY(f.messages.questions.isEmpty());
    }

    // The service: creation, re-creation, the ready flag and saying.
    void serviceCreatesAndRecreates()
    {
        auto script = ThreeVoices();
        TempSettings temp;
        RecordingMessages messages;
        SpeechService speech(temp.settings(), messages, FakeSpeechBackend::factory(script));
        QSignalSpy changed(&speech, &SpeechService::engineChanged);
        QVERIFY(!speech.engine());
        QVERIFY(!speech.ready());
        speech.say(QStringLiteral("Rum 1"));

        speech.setVoiceName(QStringLiteral("Zira"));
        speech.Recreate();
        QVERIFY(speech.engine());
        QVERIFY(speech.ready());
        QCOMPARE(script->currentVoice, QStringLiteral("Zira"));
        speech.say(QStringLiteral("Rum 2"));
        QCOMPARE(script->spoken, QStringList{"Rum 2"});
        QCOMPARE(changed.count(), 1);

        TfrmSAPI51* first = speech.engine();
        speech.CreateIfMissing();
        QCOMPARE(speech.engine(), first);
        QCOMPARE(script->backendsMade, 1);

        speech.MarkNotReady();
        QVERIFY(!speech.ready());
        speech.say(QStringLiteral("Rum 3"));
        QCOMPARE(script->spoken.size(), 1);

        speech.Recreate();
        QCOMPARE(script->backendsMade, 2);
        QVERIFY(speech.ready());
        QCOMPARE(changed.count(), 3); // gone, new
        speech.say(QStringLiteral("Rum 4"));
        QCOMPARE(script->spoken, QStringList({"Rum 2", "Rum 4"}));

        // A later failure of the engine silences the service as well.
        script->live->fail();
        QVERIFY(!speech.ready());
        settle();
    }

    void serviceWithoutSynthesiserHasNoEngine()
    {
        auto script = ThreeVoices();
        script->attachFails = true;
        TempSettings temp;
        RecordingMessages messages;
        SpeechService speech(temp.settings(), messages, FakeSpeechBackend::factory(script));
        speech.Recreate();
        QVERIFY(!speech.engine());
        QVERIFY(!speech.ready());
        speech.say(QStringLiteral("Rum 1"));
        settle();
        QVERIFY(script->spoken.isEmpty());
        QVERIFY(messages.questions.isEmpty());
        // No factory at all: nothing either.
        SpeechService none(temp.settings(), messages, {});
        none.Recreate();
        QVERIFY(!none.engine());
    }

    // Re-created while its question is open (the box runs a modal loop in
    // which the connection comes back): the next failing engine does not
    // stack a second box on it.
    void serviceAsksOneQuestionAtATime()
    {
        auto script = ThreeVoices();
        script->voicesThrow = true;
        TempSettings temp;
        int nested = 0;
        struct AskingMessages : RecordingMessages {
            std::function<void()> whileOpen;
            bool AskYesNo(const QString& text) override
            {
                if (whileOpen)
                    whileOpen();
                return RecordingMessages::AskYesNo(text);
            }
        } asking;
        SpeechService speech2(temp.settings(), asking, FakeSpeechBackend::factory(script));
        asking.answers = {true, true, true};
        asking.whileOpen = [&] {
            if (nested++ == 0) {
                speech2.Recreate();
                settle();
            }
        };
        speech2.Recreate();
        settle();
        QCOMPARE(asking.questions.size(), 1);
        speech2.Recreate();
        settle();
        QCOMPARE(asking.questions.size(), 2); // a later failure asks again while allowed
    }
};

QTEST_GUILESS_MAIN(TestSpeechEngine)
#include "test_speechengine.moc"
