#include "protocol/Commands.h"
#include "protocol/Framing.h"

#include <QTest>

using namespace tesk;

class TestFraming : public QObject {
    Q_OBJECT
private slots:
    void compose_data();
    void compose();
    void findCutRemove_data();
    void findCutRemove();
    void passes_data();
    void passes();
};

void TestFraming::compose_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("frame");
    QTest::newRow("two fields") << cmd::GETSERVERVERSION << QStringList{"KLIENT1", "1"}
                                << QStringLiteral("¤GETSERVERVERSION:KLIENT1:1:GETSERVERVERSION¤");
    QTest::newRow("one field") << cmd::RETKLINIKNAMN << QStringList{"Vårdcentralen Åby"}
                               << QStringLiteral("¤RETKLINIKNAMN:Vårdcentralen Åby:RETKLINIKNAMN¤");
    QTest::newRow("empty fields kept") << cmd::REGISTERUPATEMACHINE << QStringList{"A", "1", "", "0", "", ""}
                                       << QStringLiteral("¤REGISTERUPATEMACHINE:A:1::0:::REGISTERUPATEMACHINE¤");
    QTest::newRow("no fields") << cmd::COMING << QStringList{} << QStringLiteral("¤COMING::COMING¤");
}

void TestFraming::compose()
{
    QFETCH(QString, command);
    QFETCH(QStringList, fields);
    QFETCH(QString, frame);
    QCOMPARE(ComposeFrame(command, fields), frame);
    QCOMPARE(OpeningTag(command), QStringLiteral("¤") + command + QStringLiteral(":"));
    QCOMPARE(ClosingTag(command), QStringLiteral(":") + command + QStringLiteral("¤"));
}

void TestFraming::findCutRemove_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("cut");
    QTest::addColumn<QStringList>("fields"); // fields 0.. of the cut
    QTest::addColumn<QString>("remaining");

    QTest::newRow("value with spaces is trimmed")
        << QStringLiteral("¤RETINITEXT: abc :RETINITEXT¤") << cmd::RETINITEXT << true
        << QStringLiteral("¤RETINITEXT: abc :") << QStringList{"¤RETINITEXT", "abc", "", ""} << QString();
    QTest::newRow("text around stays")
        << QStringLiteral("xx¤A:1:2:A¤yy") << QStringLiteral("A") << true << QStringLiteral("¤A:1:2:")
        << QStringList{"¤A", "1", "2", ""} << QStringLiteral("xxyy");
    QTest::newRow("two frames of one command: first cut")
        << QStringLiteral("¤A:first:A¤¤B:x:B¤¤A:second:A¤") << QStringLiteral("A") << true
        << QStringLiteral("¤A:first:") << QStringList{"¤A", "first", ""}
        << QStringLiteral("¤B:x:B¤¤A:second:A¤");
    QTest::newRow("absent") << QStringLiteral("¤B:x:B¤") << QStringLiteral("A") << false << QString()
                            << QStringList{} << QStringLiteral("¤B:x:B¤");
    QTest::newRow("no closing tag") << QStringLiteral("¤A:x:") << QStringLiteral("A") << false << QString()
                                    << QStringList{} << QStringLiteral("¤A:x:");
    QTest::newRow("case-sensitive") << QStringLiteral("¤a:x:a¤") << QStringLiteral("A") << false << QString()
                                    << QStringList{} << QStringLiteral("¤a:x:a¤");
    QTest::newRow("stray closing tag before the frame")
        << QStringLiteral(":A¤ ¤A:7:A¤") << QStringLiteral("A") << true << QStringLiteral("¤A:7:")
        << QStringList{"¤A", "7", ""} << QStringLiteral(":A¤ ");
    QTest::newRow("empty payload") << QStringLiteral("¤A::A¤rest") << QStringLiteral("A") << true
                                   << QStringLiteral("¤A::") << QStringList{"¤A", "", ""} << QStringLiteral("rest");
    QTest::newRow("closing tag sharing the opening colon")
        << QStringLiteral("¤A:A¤z") << QStringLiteral("A") << true << QStringLiteral("¤A:")
        << QStringList{"¤A", ""} << QStringLiteral("z");
    QTest::newRow("current list nested separators")
        << QStringLiteral("¤CURRENTLIST:Dr A:12:255:0:¤%Eva~3~2024-01-02 10:00:00~0~0~~~%¤:CURRENTLIST¤")
        << cmd::CURRENTLIST << true
        << QStringLiteral("¤CURRENTLIST:Dr A:12:255:0:¤%Eva~3~2024-01-02 10:00:00~0~0~~~%¤:")
        << QStringList{"¤CURRENTLIST", "Dr A", "12", "255", "0", "¤%Eva~3~2024-01-02 10", "00", "00~0~0~~~%¤", ""}
        << QString();
}

void TestFraming::findCutRemove()
{
    QFETCH(QString, text);
    QFETCH(QString, command);
    QFETCH(bool, found);
    QFETCH(QString, cut);
    QFETCH(QStringList, fields);
    QFETCH(QString, remaining);

    const auto frame = FindFrame(text, command);
    QCOMPARE(frame.has_value(), found);
    if (!frame)
        return;
    QCOMPARE(frame->cut, cut);
    for (int k = 0; k < fields.size(); ++k)
        QCOMPARE(frame->field(k), fields.at(k));
    QCOMPARE(frame->field(int(fields.size()) + 3), QString()); // past the last field
    RemoveFrame(text, *frame);
    QCOMPARE(text, remaining);
}

namespace {

// A handler that logs "<command>=<field 1>" for the first frame of its
// command, removes it, and stops the message when told to.
MessageHandler logging(const QString& command, QStringList& log, const QString& stopOn)
{
    return [command, &log, stopOn](QString& text) {
        const auto frame = FindFrame(text, command);
        if (!frame)
            return HandlerResult::Continue;
        log << command + QLatin1Char('=') + frame->field(1);
        RemoveFrame(text, *frame);
        return command == stopOn ? HandlerResult::Stop : HandlerResult::Continue;
    };
}

} // namespace

void TestFraming::passes_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("stopOn");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<int>("passes");

    // Handlers in their fixed order: RETKLINIKNAMN, CURRENTLIST, RETINITEXT.
    QTest::newRow("dispatcher order, not arrival order")
        << QStringLiteral("¤CURRENTLIST:c:CURRENTLIST¤¤RETKLINIKNAMN:k:RETKLINIKNAMN¤") << QString()
        << QStringList{"RETKLINIKNAMN=k", "CURRENTLIST=c"} << 1;
    QTest::newRow("same in the other order")
        << QStringLiteral("¤RETKLINIKNAMN:k:RETKLINIKNAMN¤¤CURRENTLIST:c:CURRENTLIST¤") << QString()
        << QStringList{"RETKLINIKNAMN=k", "CURRENTLIST=c"} << 1;
    QTest::newRow("two frames of one command, two passes in arrival order")
        << QStringLiteral("¤CURRENTLIST:one:CURRENTLIST¤¤CURRENTLIST:two:CURRENTLIST¤") << QString()
        << QStringList{"CURRENTLIST=one", "CURRENTLIST=two"} << 2;
    QTest::newRow("three of one, one of another")
        << QStringLiteral("¤RETINITEXT:1:RETINITEXT¤¤RETINITEXT:2:RETINITEXT¤¤RETKLINIKNAMN:k:RETKLINIKNAMN¤"
                          "¤RETINITEXT:3:RETINITEXT¤")
        << QString() << QStringList{"RETKLINIKNAMN=k", "RETINITEXT=1", "RETINITEXT=2", "RETINITEXT=3"} << 3;
    QTest::newRow("unknown command alone: nothing, one pass")
        << QStringLiteral("¤NOSUCHCOMMAND:x:NOSUCHCOMMAND¤") << QString() << QStringList{} << 1;
    QTest::newRow("unknown command left over is dropped")
        << QStringLiteral("¤NOSUCH:x:NOSUCH¤¤CURRENTLIST:c:CURRENTLIST¤ stray") << QString()
        << QStringList{"CURRENTLIST=c"} << 2;
    QTest::newRow("blank rest ends after the first pass")
        << QStringLiteral(" ¤CURRENTLIST:c:CURRENTLIST¤\r\n") << QString() << QStringList{"CURRENTLIST=c"} << 1;
    QTest::newRow("stop ends the message at once")
        << QStringLiteral("¤RETKLINIKNAMN:k:RETKLINIKNAMN¤¤CURRENTLIST:c:CURRENTLIST¤¤RETINITEXT:1:RETINITEXT¤")
        << QStringLiteral("CURRENTLIST") << QStringList{"RETKLINIKNAMN=k", "CURRENTLIST=c"} << 1;
    QTest::newRow("stop in the first handler")
        << QStringLiteral("¤RETKLINIKNAMN:k:RETKLINIKNAMN¤¤RETKLINIKNAMN:k2:RETKLINIKNAMN¤")
        << QStringLiteral("RETKLINIKNAMN") << QStringList{"RETKLINIKNAMN=k"} << 1;
    QTest::newRow("empty message") << QString() << QString() << QStringList{} << 1;
}

void TestFraming::passes()
{
    QFETCH(QString, message);
    QFETCH(QString, stopOn);
    QFETCH(QStringList, log);
    QFETCH(int, passes);

    QStringList seen;
    int passCount = 0;
    const std::vector<MessageHandler> handlers{
        [&passCount](QString&) {
            ++passCount;
            return HandlerResult::Continue;
        },
        logging(cmd::RETKLINIKNAMN, seen, stopOn),
        logging(cmd::CURRENTLIST, seen, stopOn),
        logging(cmd::RETINITEXT, seen, stopOn),
    };
    RunMessagePasses(message, handlers);
    QCOMPARE(seen, log);
    QCOMPARE(passCount, passes);
}

QTEST_GUILESS_MAIN(TestFraming)
#include "test_framing.moc"
