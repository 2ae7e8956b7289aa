#include "speech/QtSpeechBackend.h"
#include "speech/SpeechEngine.h"

#include "RecordingMessages.h"
#include "TempSettings.h"

#include <QSignalSpy>
#include <QTest>

using namespace tesk;
using tesk::test::RecordingMessages;
using tesk::test::TempSettings;

// The real synthesiser of this machine. Whether it can make a sound here
// (a test machine rarely has an audio device) is not the question: it must
// either take the text, or fail in a way that leaves the engine not ready,
// without blocking or crashing.
class TestQtSpeech : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rateMapping_data()
    {
        QTest::addColumn<int>("rate");
        QTest::addColumn<double>("qt");
        QTest::newRow("-10") << -10 << -1.0;
        QTest::newRow("-5") << -5 << -0.5;
        QTest::newRow("0") << 0 << 0.0;
        QTest::newRow("3") << 3 << 0.3;
        QTest::newRow("10") << 10 << 1.0;
        QTest::newRow("beyond") << 42 << 1.0;
    }

    void rateMapping()
    {
        QFETCH(int, rate);
        QFETCH(double, qt);
        QCOMPARE(QtSpeechBackend::QtRate(rate), qt);
    }

    void speaksOrFailsCleanly()
    {
        const QStringList engines = QtSpeechBackend::availableEngines();
        if (engines.isEmpty())
            QSKIP("no text-to-speech engine is installed (Qt TextToSpeech has no plugin here)");
        qInfo("engines: %s; tried in order: %s", qPrintable(engines.join(QStringLiteral(", "))),
              qPrintable(QtSpeechBackend::preferredEngines().join(QStringLiteral(", "))));

        TempSettings temp;
        temp.setUser(QStringLiteral("Text2Speech"), QStringLiteral("ShowErrorMsg2"), QStringLiteral("0"));
        RecordingMessages messages;
        QtSpeechBackend::Options options;
        options.attachTimeoutMs = 5000;
        auto backend = std::make_unique<QtSpeechBackend>(options);
        QtSpeechBackend* qt = backend.get();
        TfrmSAPI51 engine(std::move(backend), temp.settings(), messages, QStringLiteral("ERROR"));
        if (!engine.attached()) {
            QVERIFY(!engine.ready());
            QSKIP(qPrintable(QStringLiteral("no engine could be started: ") + qt->attachError()));
        }
        qInfo("engine %s, %d voices, speaking with \"%s\"", qPrintable(qt->engineName()), int(engine.voices().size()),
              qPrintable(qt->currentVoice()));
        QVERIFY(engine.ready());

        QSignalSpy failed(qt, &SpeechBackend::failed);
        engine.say(QStringLiteral("Rum 3 kallar på Läkare Ström, \r"));
        engine.say(QStringLiteral("Rum 4 kallar på 461231-1234, \r"));
        // Give it a moment to speak or to report what stops it.
        failed.wait(3000);
        if (!failed.isEmpty()) {
            qInfo("the synthesiser reported: %s", qPrintable(failed.at(0).at(0).toString()));
            QVERIFY(!engine.ready());
        } else {
            QVERIFY(engine.ready());
        }
        engine.btnStopClick();
        QVERIFY(messages.questions.isEmpty()); // switched off above
    }

    // The main window re-creates the engine at every connection: the old
    // synthesiser goes while the new one starts, and speaking goes on.
    // (Two flite engines alive at once crashed in flite's shared voices.)
    void recreatedAgainAndAgain_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::newRow("preferred") << QString();
        for (const QString& e : QtSpeechBackend::availableEngines())
            QTest::newRow(qPrintable(e)) << e;
    }

    void recreatedAgainAndAgain()
    {
        QFETCH(QString, engine);
        if (QtSpeechBackend::availableEngines().isEmpty())
            QSKIP("no text-to-speech engine is installed (Qt TextToSpeech has no plugin here)");
        TempSettings temp;
        temp.setUser(QStringLiteral("Text2Speech"), QStringLiteral("ShowErrorMsg2"), QStringLiteral("0"));
        RecordingMessages messages;
        QtSpeechBackend::Options options;
        if (!engine.isEmpty())
            options.engines = QStringList{engine};
        options.attachTimeoutMs = 5000;
        SpeechService speech(temp.settings(), messages, QtSpeechBackendFactory(options));
        for (int i = 0; i < 2; ++i) {
            speech.Recreate();
            speech.say(QStringLiteral("Rum %1 kallar på Läkare Ström, \r").arg(i));
            QTest::qWait(300);
        }
        QVERIFY(messages.questions.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestQtSpeech)
#include "test_qtspeech.moc"
