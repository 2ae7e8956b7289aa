#include "FakeServer.h"

#include "protocol/Framing.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using tesk::ComposeFrame;
using tesk::test::FakeServer;
using tesk::test::waitUntil;

// The program itself, started as a user would, on temporary settings and
// lock folders; the call server is a fake on 127.0.0.1.
class TestProgram : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;
    FakeServer m_server;

    std::unique_ptr<QProcess> start(const QStringList& args, const QString& configHome)
    {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("qt.qpa.*=false"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
        env.insert(QStringLiteral("XDG_CONFIG_DIRS"), m_home.filePath(QStringLiteral("xdg")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_home.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_STATE_HOME"), m_home.filePath(QStringLiteral("state")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_home.path());
        env.insert(QStringLiteral("TMPDIR"), m_home.path());
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(m_home.path());
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QStringList all = args;
        all << QStringLiteral("SERVERNAME=127.0.0.1") << QStringLiteral("SERVERPORT=%1").arg(m_server.port());
        p->start(QStringLiteral(TESK_PROGRAM_PATH), all);
        return p;
    }

    static bool ended(QProcess& p, int timeoutMs = 10000)
    {
        return waitUntil([&] { return p.state() == QProcess::NotRunning; }, timeoutMs);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        QVERIFY(m_server.listen());
        // Knows no settings, answers nothing else: the client waits for the
        // version answer without any box on screen.
        m_server.setResponder([](const QString& frame) {
            return frame.startsWith(QStringLiteral("\u00A4GETINITEXT:"))
                ? ComposeFrame(QStringLiteral("RETINITEXT"), {QString()})
                : QString();
        });
    }

    // An update carries the program file between the data markers, and the
    // client cuts the file at the first marker it finds: the program's own
    // bytes must hold neither.
    void programFileCanTravelBetweenDataMarkers()
    {
        QFile program(QStringLiteral(TESK_PROGRAM_PATH));
        QVERIFY(program.open(QIODevice::ReadOnly));
        const QByteArray bytes = program.readAll();
        QVERIFY(!bytes.isEmpty());
        QVERIFY(!bytes.contains(QByteArray("#DATA") + "START#"));
        QVERIFY(!bytes.contains(QByteArray("#DATA") + "END#"));
    }

    void informationWithoutADisplay_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("expected"); // lines the output holds
        const QString version = QStringLiteral("TESK Windows Visningsklient 1.11.0.0");
        QTest::newRow("--version") << QStringList{"--version"} << QStringList{version};
        QTest::newRow("--help") << QStringList{"--help"}
                                << QStringList{version, "SERVERNAME=host", "AUTOREGISTER=1", "Exit codes:"};
        QTest::newRow("-h among start parameters") << QStringList{"NAME=x", "-h"} << QStringList{"RESTARTING=1"};
    }

    // Over ssh there is no display: these must not need one.
    void informationWithoutADisplay()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, expected);
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral("info")));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(TESK_PROGRAM_PATH), args);
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        for (const QString& line : expected)
            QVERIFY2(out.contains(line), qPrintable(out));
        // Nothing was started: no settings were written.
        QVERIFY(!QFile::exists(m_home.filePath(QStringLiteral("info/Norvalis/Registry.ini"))));
    }

    void secondStartHandsOverAndRestartRunsAnyway()
    {
        const QString config = m_home.filePath(QStringLiteral("config"));
        auto first = start({}, config);
        QVERIFY(first->waitForStarted());
        // Connecting means it is up: shown and activated. The update check
        // of the first connection opens its own connection beside it (the
        // update server is the call server unless the server names another).
        QVERIFY(waitUntil([&] { return m_server.connectionCount() == 2; }, 10000));

        auto second = start({}, config);
        QVERIFY(ended(*second));
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 0);
        QCOMPARE(m_server.connectionCount(), 2);
        QCOMPARE(first->state(), QProcess::Running);

        // A restart after an update starts beside it.
        auto restarted = start({QStringLiteral("restarting=1")}, m_home.filePath(QStringLiteral("config2")));
        QVERIFY(waitUntil([&] { return m_server.connectionCount() == 4; }, 10000));
        QCOMPARE(restarted->state(), QProcess::Running);

        // The end of the session ends both normally; each stores its place.
        restarted->terminate();
        first->terminate();
        QVERIFY(ended(*restarted));
        QVERIFY(ended(*first));
        QCOMPARE(first->exitStatus(), QProcess::NormalExit);
        QCOMPARE(first->exitCode(), 1);
        QCOMPARE(restarted->exitCode(), 1);
        for (const QString& folder : {config, m_home.filePath(QStringLiteral("config2"))}) {
            QFile ini(folder + QStringLiteral("/Norvalis/Registry.ini"));
            QVERIFY(ini.open(QIODevice::ReadOnly));
            const QByteArray text = ini.readAll();
            QVERIFY2(text.contains("TESK_WShowWindowsPos\\POSLEFT="), text.constData());
            QVERIFY(text.contains("ServerSettings\\ServerName=127.0.0.1"));
        }
    }
};

QTEST_GUILESS_MAIN(TestProgram)
#include "test_program.moc"
