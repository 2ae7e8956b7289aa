#include "protocol/Codepage.h"

#include <QTest>

using namespace tesk;

class TestCodepage : public QObject {
    Q_OBJECT
private slots:
    void decodesKnownBytes_data();
    void decodesKnownBytes();
    void everyByteRoundTrips();
    void encodes_data();
    void encodes();
};

void TestCodepage::decodesKnownBytes_data()
{
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("unicode");
    QTest::newRow("frame char") << 0xA4 << 0x00A4;
    QTest::newRow("a ring") << 0xE5 << 0x00E5;
    QTest::newRow("a umlaut") << 0xE4 << 0x00E4;
    QTest::newRow("o umlaut") << 0xF6 << 0x00F6;
    QTest::newRow("A ring") << 0xC5 << 0x00C5;
    QTest::newRow("A umlaut") << 0xC4 << 0x00C4;
    QTest::newRow("O umlaut") << 0xD6 << 0x00D6;
    QTest::newRow("euro") << 0x80 << 0x20AC;
    QTest::newRow("low quote") << 0x82 << 0x201A;
    QTest::newRow("en dash") << 0x96 << 0x2013;
    QTest::newRow("trade mark") << 0x99 << 0x2122;
    QTest::newRow("Y diaeresis") << 0x9F << 0x0178;
    QTest::newRow("unassigned 81") << 0x81 << 0x0081;
    QTest::newRow("unassigned 8D") << 0x8D << 0x008D;
    QTest::newRow("unassigned 8F") << 0x8F << 0x008F;
    QTest::newRow("unassigned 90") << 0x90 << 0x0090;
    QTest::newRow("unassigned 9D") << 0x9D << 0x009D;
    QTest::newRow("nul") << 0x00 << 0x0000;
    QTest::newRow("colon") << 0x3A << 0x003A;
    QTest::newRow("nbsp") << 0xA0 << 0x00A0;
    QTest::newRow("y diaeresis") << 0xFF << 0x00FF;
}

void TestCodepage::decodesKnownBytes()
{
    QFETCH(int, byte);
    QFETCH(int, unicode);
    const QString text = FromAnsi(QByteArray(1, char(byte)));
    QCOMPARE(text.size(), 1);
    QCOMPARE(int(text.at(0).unicode()), unicode);
    QCOMPARE(ToAnsi(text), QByteArray(1, char(byte)));
}

void TestCodepage::everyByteRoundTrips()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = FromAnsi(all);
    QCOMPARE(text.size(), 256); // one character per byte: positions agree
    QCOMPARE(ToAnsi(text), all);
}

void TestCodepage::encodes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QString() << QByteArray();
    QTest::newRow("swedish") << QStringLiteral("¤Åsa Ärlig:Östen¤") << QByteArray("\xA4\xC5sa \xC4rlig:\xD6sten\xA4");
    QTest::newRow("euro and dashes") << QStringLiteral("€–—") << QByteArray("\x80\x96\x97");
    QTest::newRow("greek") << QStringLiteral("αβ") << QByteArray("??");
    QTest::newRow("C1 control not in code page") << QString(QChar(0x0085)) << QByteArray("?");
    QTest::newRow("emoji is one character") << QStringLiteral("a\U0001F600b") << QByteArray("a?b");
    QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << QByteArray("?");
    QTest::newRow("cjk") << QStringLiteral("漢x") << QByteArray("?x");
}

void TestCodepage::encodes()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(ToAnsi(text), bytes);
}

QTEST_GUILESS_MAIN(TestCodepage)
#include "test_codepage.moc"
