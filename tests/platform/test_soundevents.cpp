#include "platform/SoundEvents.h"

#include <QDir>
#include <QTest>

using namespace tesk;

class TestSoundEvents : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The aliases stored by the Windows program, in the sound theme's names.
    void aliases_data()
    {
        QTest::addColumn<QString>("alias");
        QTest::addColumn<QString>("id");
        QTest::newRow(".default") << ".default" << "bell";
        QTest::newRow(".Default, as the registry spells it") << ".Default" << "bell";
        QTest::newRow("blank") << "  " << "bell";
        QTest::newRow("SystemAsterisk") << "SystemAsterisk" << "dialog-information";
        QTest::newRow("SystemExclamation") << "SystemExclamation" << "dialog-warning";
        QTest::newRow("SystemHand") << "SystemHand" << "dialog-error";
        QTest::newRow("MailBeep") << "MailBeep" << "message-new-email";
        QTest::newRow("a theme name stays") << "complete" << "complete";
        QTest::newRow("an unknown name stays") << "TESK-kallelse" << "TESK-kallelse";
    }

    void aliases()
    {
        QFETCH(QString, alias);
        QFETCH(QString, id);
        QCOMPARE(SoundEvents::eventId(alias), id);
    }

    void labelsOfTheInstalledTheme()
    {
        const QStringList labels = SoundEvents::labels();
        QVERIFY(!labels.isEmpty());
        QCOMPARE(labels.first(), QStringLiteral(".default"));
        QCOMPARE(labels.count(QStringLiteral(".default")), 1);
        if (!QDir(QStringLiteral("/usr/share/sounds/freedesktop/stereo")).exists())
            QSKIP("the freedesktop sound theme is not installed");
        QVERIFY(labels.contains(QStringLiteral("bell")));
        QVERIFY(labels.contains(QStringLiteral("complete")));
        QStringList rest = labels.mid(1);
        QStringList sorted = rest;
        sorted.sort();
        QCOMPARE(rest, sorted);
        QCOMPARE(rest.removeDuplicates(), 0);
    }

    // Playing never waits for the sound and survives a machine without an
    // audio device.
    void playingReturns()
    {
        SoundEvents sounds;
        for (const QString& alias : {QStringLiteral(".default"), QStringLiteral("complete"),
                                     QStringLiteral("no-such-sound"), QString()})
            sounds.play(alias);
    }
};

QTEST_GUILESS_MAIN(TestSoundEvents)
#include "test_soundevents.moc"
