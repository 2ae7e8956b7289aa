// What IT reads when a screen "did something odd last night": the right
// lines in the right categories, a file that never grows past its size, and
// no names of staff or rooms unless debugging was asked for.

#include "ConnectionRig.h"

#include "common/LogFile.h"

#include <QDateTime>
#include <QDir>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTest>

using namespace tesk;
using namespace tesk::test;

namespace {

struct Captured {
    QString category;
    QtMsgType type;
    QString text;
};

QList<Captured> g_captured;

void Capture(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    g_captured.append({QString::fromLatin1(context.category ? context.category : ""), type, text});
}

// Records every log message for the life of the object.
struct LogCapture {
    LogCapture()
    {
        g_captured.clear();
        m_previous = qInstallMessageHandler(Capture);
    }
    ~LogCapture() { qInstallMessageHandler(m_previous); }
    QStringList texts(const QString& category) const
    {
        QStringList out;
        for (const Captured& c : std::as_const(g_captured))
            if (c.category == category)
                out << c.text;
        return out;
    }

private:
    QtMessageHandler m_previous = nullptr;
};

bool AnyContains(const QStringList& lines, const QString& part)
{
    return std::any_of(lines.begin(), lines.end(), [&](const QString& l) { return l.contains(part); });
}

} // namespace

class TestLogging : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void lossAndReconnectAreLogged();
    void noNamesAtTheDefaultLevel();
    void fileRotatesAtItsSize();
    void lineFormat();
};

void TestLogging::lossAndReconnectAreLogged()
{
    LogCapture log;
    Rig rig;
    rig.connection->Start();
    QVERIFY(rig.waitForStatus(QStringLiteral("Ansluten")));
    rig.randoms = {0, 0};
    rig.server.dropClient();
    QVERIFY(rig.server.waitForClient());
    QVERIFY(waitUntil([&] { return rig.statuses.count(QStringLiteral("Ansluten")) == 2; }));

    const QStringList lines = log.texts(QStringLiteral("tesk.connection"));
    const QString port = QString::number(rig.server.port());
    QVERIFY2(AnyContains(lines, QStringLiteral("connecting to 127.0.0.1 port ") + port), qPrintable(lines.join('\n')));
    QVERIFY(AnyContains(lines, QStringLiteral("connected to 127.0.0.1 port ") + port));
    QVERIFY(AnyContains(lines, QStringLiteral("server version 1.10.1 accepted")));
    QVERIFY(AnyContains(lines, QStringLiteral("connection lost:")));
    QVERIFY(AnyContains(lines, QStringLiteral("next attempt in 3 s")));
    QCOMPARE(lines.filter(QStringLiteral("connected to")).size(), 2);
}

void TestLogging::noNamesAtTheDefaultLevel()
{
    LogCapture log;
    Rig rig;
    rig.connection->Start();
    QVERIFY(rig.waitForStatus(QStringLiteral("Ansluten")));
    const QString resource = QStringLiteral("Doktor Zyxwvu");
    const QString caller = QStringLiteral("Rum Qwertyp");
    rig.server.send(kCur + QStringLiteral("CURRENTLIST:") + resource + QStringLiteral(":7:255:1:") + kCur + QLatin1Char('%')
                    + caller + QStringLiteral("~3~2024-01-02 08:00:00~0~0~~%") + kCur + QStringLiteral(":CURRENTLIST")
                    + kCur);
    QVERIFY(waitUntil([&] { return !rig.model.CallList.empty(); }));
    rig.server.dropClient();
    QVERIFY(waitUntil([&] { return rig.connection->timer3().isActive(); }));

    QVERIFY(!g_captured.isEmpty());
    for (const Captured& c : std::as_const(g_captured)) {
        QVERIFY2(!c.text.contains(QStringLiteral("Zyxwvu")) && !c.text.contains(QStringLiteral("Qwertyp")),
                 qPrintable(c.category + QStringLiteral(": ") + c.text));
        QVERIFY(c.type != QtDebugMsg || !c.category.startsWith(QStringLiteral("tesk.")));
    }
}

void TestLogging::fileRotatesAtItsSize()
{
    QTemporaryDir dir;
    LogFile::Options options;
    options.folder = dir.filePath(QStringLiteral("state/Norvalis/TESK")); // created when missing
    options.maxBytes = 2048;
    options.keep = 2;
    options.toStandardError = false;
    {
        LogFile file(options);
        const QString line(99, QLatin1Char('x')); // 100 bytes with its line end
        for (int i = 0; i < 100; ++i)
            file.write(line);
    }
    const QDir folder(options.folder);
    const QString name = options.fileName;
    QVERIFY(folder.exists(name));
    QVERIFY(folder.exists(name + QStringLiteral(".1")));
    QVERIFY(folder.exists(name + QStringLiteral(".2")));
    QVERIFY(!folder.exists(name + QStringLiteral(".3")));
    for (const QString& f : {name, name + QStringLiteral(".1"), name + QStringLiteral(".2")})
        QVERIFY2(QFileInfo(folder.filePath(f)).size() <= options.maxBytes, qPrintable(f));
    // The older files are full ones.
    QCOMPARE(QFileInfo(folder.filePath(name + QStringLiteral(".1"))).size(), 2000);

    // A new start appends to the current file.
    const qint64 before = QFileInfo(folder.filePath(name)).size();
    {
        LogFile again(options);
        again.write(QStringLiteral("restart"));
    }
    QCOMPARE(QFileInfo(folder.filePath(name)).size(), before + 8);
}

void TestLogging::lineFormat()
{
    const QDateTime t(QDate(2026, 3, 5), QTime(7, 5, 59, 120));
    QCOMPARE(FormatLogLine(t, QtWarningMsg, "tesk.connection", QStringLiteral("lost")),
             QStringLiteral("2026-03-05 07:05:59.120 warning tesk.connection: lost"));
    QCOMPARE(FormatLogLine(t, QtInfoMsg, nullptr, QStringLiteral("x")),
             QStringLiteral("2026-03-05 07:05:59.120 info default: x"));
}

QTEST_GUILESS_MAIN(TestLogging)
#include "test_logging.moc"
