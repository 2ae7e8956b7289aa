#include "common/TextHelpers.h"
#include "protocol/Codepage.h"
#include "protocol/Framing.h"
#include "protocol/ReceiveAssembly.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>

using namespace tesk;

namespace {
// Marks a read after which no message is handed on.
const QString kNone = QStringLiteral("<none>");
} // namespace

class TestReceiveAssembly : public QObject {
    Q_OBJECT
private slots:
    void sequences_data();
    void sequences();
    void bound_data();
    void bound();
    void oversizedMessageInManyReads();
    void roundTripEveryCharacter_data();
    void roundTripEveryCharacter();
};

void TestReceiveAssembly::sequences_data()
{
    QTest::addColumn<QByteArrayList>("reads");
    QTest::addColumn<QStringList>("handedOn"); // per read: the message, or <none>
    QTest::addColumn<bool>("pendingAfter");    // datanotready after the last read
    QTest::addColumn<QByteArray>("partialAfter"); // completeincomestring

    QTest::newRow("plain frame in one read")
        << QByteArrayList{"\xA4RETKLINIKNAMN:\xC5sa v\xE5rdcentral:RETKLINIKNAMN\xA4"}
        << QStringList{QStringLiteral("¤RETKLINIKNAMN:Åsa vårdcentral:RETKLINIKNAMN¤")} << false << QByteArray();
    QTest::newRow("blank reads ignored")
        << QByteArrayList{"   ", "\r\n", "", "\t\x01"} << QStringList{kNone, kNone, kNone, kNone} << false
        << QByteArray();
    QTest::newRow("start and end in one read")
        << QByteArrayList{"#DATASTART#\xA4" "A:1:A\xA4#DATAEND#"} << QStringList{QStringLiteral("¤A:1:A¤")} << false
        << QByteArray();
    QTest::newRow("bracketed over three reads")
        << QByteArrayList{"#DATASTART#\xA4" "A:1", ":2:3", ":A\xA4#DATAEND#"}
        << QStringList{kNone, kNone, QStringLiteral("¤A:1:2:3:A¤")} << false << QByteArray();
    QTest::newRow("blank read does not end a pending message and keeps its bytes")
        << QByteArrayList{"#DATASTART#Anna", " ", "Berg#DATAEND#"} << QStringList{kNone, kNone, "Anna Berg"} << false << QByteArray();
    QTest::newRow("whole message while one is pending leaves it pending")
        << QByteArrayList{"#DATASTART#ab", "#DATASTART#x#DATAEND#", "cd#DATAEND#"}
        << QStringList{kNone, "x", "abcd"} << false << QByteArray();
    QTest::newRow("second start marker replaces the partial message")
        << QByteArrayList{"#DATASTART#old", "#DATASTART#new", "#DATAEND#"} << QStringList{kNone, kNone, "new"}
        << false << QByteArray();
    QTest::newRow("end marker split over two reads is not recognised")
        << QByteArrayList{"#DATASTART#ab", "cd#DATA", "END#ef", "gh"} << QStringList{kNone, kNone, kNone, kNone}
        << true << QByteArray("#DATASTART#abcd#DATAEND#efgh");
    QTest::newRow("split end marker: the next whole one ends it, the first one is removed")
        << QByteArrayList{"#DATASTART#ab", "cd#DATA", "END#ef", "#DATAEND#"}
        << QStringList{kNone, kNone, kNone, "abcdef#DATAEND#"} << false << QByteArray();
    QTest::newRow("only the first markers are removed")
        << QByteArrayList{"#DATASTART#a#DATASTART#b#DATAEND#c#DATAEND#"}
        << QStringList{"a#DATASTART#bc#DATAEND#"} << false << QByteArray();
    QTest::newRow("end marker without a pending message")
        << QByteArrayList{"abc#DATAEND#def"} << QStringList{"abcdef"} << false << QByteArray();
    QTest::newRow("frames after the end marker belong to the message")
        << QByteArrayList{"#DATASTART#a", "b#DATAEND#\xA4X:1:X\xA4"} << QStringList{kNone, "ab¤X:1:X¤"} << false << QByteArray();
    QTest::newRow("plain read after completion is its own message")
        << QByteArrayList{"#DATASTART#a", "b#DATAEND#", "c"} << QStringList{kNone, "ab", "c"} << false << QByteArray();
    QTest::newRow("line breaks and other text stay")
        << QByteArrayList{"\r\n#DATASTART#\r\nx\r\n", "y#DATAEND#\r\n"} << QStringList{kNone, "\r\n\r\nx\r\ny\r\n"}
        << false << QByteArray();
    QTest::newRow("empty bracketed message")
        << QByteArrayList{"#DATASTART##DATAEND#"} << QStringList{""} << false << QByteArray();
    QTest::newRow("start marker split over two reads is plain text")
        << QByteArrayList{"#DATA", "START#x"} << QStringList{"#DATA", "START#x"} << false << QByteArray();
    QTest::newRow("error report")
        << QByteArrayList{"ERROR: 001"} << QStringList{"ERROR: 001"} << false << QByteArray();
}

void TestReceiveAssembly::sequences()
{
    QFETCH(QByteArrayList, reads);
    QFETCH(QStringList, handedOn);
    QFETCH(bool, pendingAfter);
    QFETCH(QByteArray, partialAfter);
    QCOMPARE(reads.size(), handedOn.size());

    int drops = 0;
    ReceiveAssembler assembler([&drops](const QString&) { ++drops; });
    for (qsizetype i = 0; i < reads.size(); ++i) {
        const std::optional<QString> message = assembler.feed(reads.at(i));
        const QString got = message ? *message : kNone;
        QVERIFY(!message || !message->isNull());
        QCOMPARE(got, handedOn.at(i));
    }
    QCOMPARE(assembler.datanotready(), pendingAfter);
    QCOMPARE(assembler.completeincomestring(), partialAfter);
    QCOMPARE(drops, 0);
}

void TestReceiveAssembly::bound_data()
{
    // Limit 32 bytes; "#DATASTART#" is 11 of them.
    QTest::addColumn<QByteArrayList>("reads");
    QTest::addColumn<QStringList>("handedOn");
    QTest::addColumn<int>("drops");

    const QByteArray ten(10, 'x');
    QTest::newRow("exactly at the limit is kept")
        << QByteArrayList{"#DATASTART#" + ten, "y#DATAEND#z"} << QStringList{kNone, ten + "yz"} << 0;
    QTest::newRow("one byte over the limit is dropped")
        << QByteArrayList{"#DATASTART#" + ten, "yy#DATAEND#z"} << QStringList{kNone, kNone} << 1;
    QTest::newRow("growing past the limit: dropped once, the tail reads as plain text")
        << QByteArrayList{"#DATASTART#" + ten, ten, ten, ten, "z"} << QStringList{kNone, kNone, kNone, ten, "z"}
        << 1;
    QTest::newRow("a start read alone over the limit")
        << QByteArrayList{"#DATASTART#" + QByteArray(22, 'x'), "#DATASTART#a", "b#DATAEND#"}
        << QStringList{kNone, kNone, "ab"} << 1;
    QTest::newRow("blank bytes count too")
        << QByteArrayList{"#DATASTART#" + ten + ten, QByteArray(2, ' ')} << QStringList{kNone, kNone} << 1;
    QTest::newRow("clean restart after a drop")
        << QByteArrayList{"#DATASTART#" + ten, ten + ten, "#DATASTART#a", "b#DATAEND#"}
        << QStringList{kNone, kNone, kNone, "ab"} << 1;
    QTest::newRow("two oversized messages: two reports")
        << QByteArrayList{"#DATASTART#" + ten, ten + ten, "#DATASTART#" + ten, ten + ten}
        << QStringList{kNone, kNone, kNone, kNone} << 2;
    QTest::newRow("a whole message in one read is the connection's to bound")
        << QByteArrayList{"#DATASTART#" + ten + ten + ten + "#DATAEND#"} << QStringList{ten + ten + ten} << 0;
}

void TestReceiveAssembly::bound()
{
    QFETCH(QByteArrayList, reads);
    QFETCH(QStringList, handedOn);
    QFETCH(int, drops);

    QStringList reports;
    ReceiveAssembler assembler([&reports](const QString& reason) { reports << reason; }, 32);
    for (qsizetype i = 0; i < reads.size(); ++i) {
        const std::optional<QString> message = assembler.feed(reads.at(i));
        QCOMPARE(message ? *message : kNone, handedOn.at(i));
        QVERIFY(assembler.completeincomestring().size() <= 32);
    }
    QCOMPARE(reports.size(), drops);
    for (const QString& reason : reports)
        QVERIFY(!reason.isEmpty());
}

void TestReceiveAssembly::oversizedMessageInManyReads()
{
    QStringList reports;
    ReceiveAssembler assembler([&reports](const QString& reason) { reports << reason; });
    QCOMPARE(assembler.maxMessageBytes(), qsizetype(16 * 1024 * 1024));

    const QByteArray block(64 * 1024, 'x');
    QVERIFY(!assembler.feed("#DATASTART#" + block));
    qsizetype fed = 11 + block.size();
    int handedOn = 0;
    // 20 MiB of a message that never ends.
    while (fed < 20 * 1024 * 1024) {
        if (assembler.feed(block))
            ++handedOn;
        fed += block.size();
        QVERIFY(assembler.completeincomestring().size() <= ReceiveAssembler::MaxMessageBytes);
        QVERIFY(assembler.completeincomestring().capacity() <= ReceiveAssembler::MaxMessageBytes + block.size());
    }
    QCOMPARE(reports.size(), 1);
    QVERIFY(reports.first().contains(QLatin1String("16777216")));
    QVERIFY(!assembler.datanotready());
    QCOMPARE(assembler.completeincomestring().capacity(), qsizetype(0)); // the memory is given back
    QVERIFY(handedOn > 0); // the tail reads as plain text; the dispatcher drops it

    // Assembly starts clean.
    QVERIFY(!assembler.feed("#DATASTART#\xA4" "A:1"));
    const auto message = assembler.feed(":A\xA4#DATAEND#");
    QVERIFY(message);
    QCOMPARE(*message, QStringLiteral("¤A:1:A¤"));
    QCOMPARE(reports.size(), 1);
}

void TestReceiveAssembly::roundTripEveryCharacter_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("maxRead");
    QTest::newRow("tiny reads") << 1u << 3;
    QTest::newRow("small reads") << 2u << 17;
    QTest::newRow("medium reads") << 3u << 200;
    QTest::newRow("mixed 1") << 20240305u << 64;
    QTest::newRow("mixed 2") << 777u << 9;
}

void TestReceiveAssembly::roundTripEveryCharacter()
{
    QFETCH(quint32, seed);
    QFETCH(int, maxRead);
    QRandomGenerator random(seed);

    // Every character of the code page from 0x20 to 0xFF but the two that
    // the framing reserves, shuffled and dealt into fields of random length.
    QString characters;
    for (int b = 0x20; b <= 0xFF; ++b) {
        if (b == ':' || b == 0xA4)
            continue;
        characters += FromAnsi(QByteArray(1, char(b)));
    }
    for (qsizetype i = characters.size() - 1; i > 0; --i)
        std::swap(characters[i], characters[random.bounded(int(i + 1))]);
    // Fields are read trimmed, so a field must not begin or end with the
    // space; the one space goes to the middle of some field.
    const qsizetype space = characters.indexOf(QLatin1Char(' '));
    characters.remove(space, 1);
    QStringList fields;
    for (qsizetype pos = 0; pos < characters.size();) {
        const qsizetype length = std::min<qsizetype>(1 + random.bounded(12), characters.size() - pos);
        fields << characters.mid(pos, length);
        pos += length;
    }
    const int withSpace = random.bounded(int(fields.size()));
    fields[withSpace] = fields[withSpace].left(1) + QLatin1Char(' ') + fields[withSpace].mid(1);
    if (fields[withSpace].size() == 2)
        fields[withSpace] += QLatin1Char('x');

    const QString frame = ComposeFrame(QStringLiteral("CURRENTLIST"), fields);
    const QByteArray wire = "#DATASTART#" + ToAnsi(frame) + "#DATAEND#";
    QCOMPARE(wire.size(), 11 + frame.size() + 9);

    // Reads of random sizes; the start marker arrives whole in the first
    // read and the end marker whole in the last, as the servers send them.
    ReceiveAssembler assembler;
    std::optional<QString> message;
    int reads = 0;
    qsizetype pos = 0;
    while (pos < wire.size()) {
        qsizetype length = 1 + random.bounded(maxRead);
        if (pos == 0)
            length = std::max<qsizetype>(length, 11);
        if (pos + length > wire.size() - 9)
            length = wire.size() - pos;
        const auto got = assembler.feed(wire.mid(pos, length));
        ++reads;
        pos += length;
        QCOMPARE(got.has_value(), pos == wire.size());
        if (got)
            message = got;
    }
    QVERIFY(reads > 2);
    QVERIFY(message);
    QCOMPARE(*message, frame);

    const auto cut = FindFrame(*message, QStringLiteral("CURRENTLIST"));
    QVERIFY(cut);
    for (int k = 0; k < fields.size(); ++k)
        QCOMPARE(cut->field(k + 1), fields.at(k));
    QCOMPARE(cut->field(int(fields.size()) + 1), QString());
}

QTEST_GUILESS_MAIN(TestReceiveAssembly)
#include "test_receiveassembly.moc"
