#include "common/ServerAddress.h"
#include "common/TextHelpers.h"

#include <QTest>

using namespace tesk;

class TestTextHelpers : public QObject {
    Q_OBJECT
private slots:
    void getField_data();
    void getField();
    void ipv4_data();
    void ipv4();
    void serverAddress_data();
    void serverAddress();
    void trimBlank_data();
    void trimBlank();
    void readInt_data();
    void readInt();
    void readBool_data();
    void readBool();
    void screenText_data();
    void screenText();
};

void TestTextHelpers::getField_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("field");

    const QString cut = QStringLiteral("¤RETINITEXT: abc :");
    QTest::newRow("retinitext field 1 trimmed") << cut << 1 << ":" << "abc";
    QTest::newRow("retinitext field 2 empty") << cut << 2 << ":" << "";
    QTest::newRow("retinitext field 3 past the end") << cut << 3 << ":" << "";
    QTest::newRow("retinitext field 0 is the tag") << cut << 0 << ":" << QStringLiteral("¤RETINITEXT");
    QTest::newRow("a~b field 0") << "a~b" << 0 << "~" << "a";
    QTest::newRow("a~b field 1") << "a~b" << 1 << "~" << "b";
    QTest::newRow("a~b field 2") << "a~b" << 2 << "~" << "";
    QTest::newRow("a~b~ field 2") << "a~b~" << 2 << "~" << "";
    QTest::newRow("empty text field 0") << "" << 0 << "~" << "";
    QTest::newRow("no separator: whole text") << "  whole  " << 0 << "~" << "whole";
    QTest::newRow("no separator: field 1 empty") << "whole" << 1 << "~" << "";
    QTest::newRow("control characters trimmed") << "x:\t\r\n 12 \x01:y" << 1 << ":" << "12";
    QTest::newRow("inner spaces kept") << "a: Anna  Berg :b" << 1 << ":" << "Anna  Berg";
    QTest::newRow("empty between separators") << "a::b" << 1 << ":" << "";
    QTest::newRow("last field after last separator") << "a:b:c" << 2 << ":" << "c";
    QTest::newRow("negative index") << "a:b" << -1 << ":" << "";
    QTest::newRow("huge index") << "a:b" << 1000000 << ":" << "";
    QTest::newRow("non-breaking space not trimmed") << QStringLiteral("\u00a0x\u00a0") << 0 << ":"
                                                    << QStringLiteral("\u00a0x\u00a0");
}

void TestTextHelpers::getField()
{
    QFETCH(QString, text);
    QFETCH(int, index);
    QFETCH(QString, separator);
    QFETCH(QString, field);
    QCOMPARE(GetField(text, index, separator.at(0)), field);
}

void TestTextHelpers::ipv4_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isAddress");
    QTest::newRow("192.168.1.10") << "192.168.1.10" << true;
    QTest::newRow("192.168.1.256") << "192.168.1.256" << false;
    QTest::newRow("10.0.0") << "10.0.0" << false;
    QTest::newRow("10..0.1") << "10..0.1" << false;
    QTest::newRow("10.0.0.1.5") << "10.0.0.1.5" << true;
    QTest::newRow("server01") << "server01" << false;
    QTest::newRow("10.0.0.1x") << "10.0.0.1x" << false;
    QTest::newRow("0.0.0.0") << "0.0.0.0" << true;
    QTest::newRow("255.255.255.255") << "255.255.255.255" << true;
    QTest::newRow("127.0.0.1") << "127.0.0.1" << true;
    QTest::newRow("trailing dot") << "10.0.0." << false;
    QTest::newRow("leading dot") << ".10.0.0.1" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("negative") << "10.-1.0.1" << false;
    QTest::newRow("very long number") << "10.0.0.99999999999999999999" << false;
    QTest::newRow("leading zeros") << "010.000.001.002" << true;
    QTest::newRow("space") << "10.0.0.1 " << false;
    QTest::newRow("host name with digits") << "10.0.0.1.example" << true;
    QTest::newRow("arabic-indic digits") << QStringLiteral("\u0661.0.0.1") << false;
}

void TestTextHelpers::ipv4()
{
    QFETCH(QString, text);
    QFETCH(bool, isAddress);
    QCOMPARE(IsIPv4Address(text), isAddress);
}

void TestTextHelpers::serverAddress_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("hostName");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("ipv4"); // empty: none
    QTest::newRow("address") << "10.1.2.3" << "" << "10.1.2.3" << "10.1.2.3";
    QTest::newRow("address with a fifth part: whole, no address")
        << "10.1.2.3.4" << "" << "10.1.2.3.4" << "";
    QTest::newRow("address with a named tail: whole, no address")
        << "10.1.2.3.example" << "" << "10.1.2.3.example" << "";
    QTest::newRow("address with a port: a host name") << "10.1.2.3:80" << "10.1.2.3:80" << "" << "";
    QTest::newRow("host name") << "server01" << "server01" << "" << "";
    QTest::newRow("three parts: a host name") << "10.0.0" << "10.0.0" << "" << "";
    QTest::newRow("empty") << "" << "" << "" << "";
}

void TestTextHelpers::serverAddress()
{
    QFETCH(QString, name);
    QFETCH(QString, hostName);
    QFETCH(QString, address);
    QFETCH(QString, ipv4);
    const ServerAddress target = ServerAddress::FromName(name);
    QCOMPARE(target.hostName, hostName);
    QCOMPARE(target.address, address);
    QCOMPARE(target.ipv4.isNull() ? QString() : target.ipv4.toString(), ipv4);
    QCOMPARE(target.isInvalidAddress(), !address.isEmpty() && ipv4.isEmpty());
    QCOMPARE(target.text(), name);
}

void TestTextHelpers::trimBlank_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("trimmed");
    QTest::newRow("empty") << "" << "";
    QTest::newRow("blank only") << " \r\n\t\x01 " << "";
    QTest::newRow("both ends") << "\r\n x y \x1f" << "x y";
    QTest::newRow("nothing to trim") << "abc" << "abc";
}

void TestTextHelpers::trimBlank()
{
    QFETCH(QString, text);
    QFETCH(QString, trimmed);
    QCOMPARE(TrimBlank(text), trimmed);
    QCOMPARE(IsBlank(text), trimmed.isEmpty());
}

void TestTextHelpers::readInt_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("plain") << "12" << 12;
    QTest::newRow("spaces") << " 12 " << 12;
    QTest::newRow("trailing letter") << "12a" << -7;
    QTest::newRow("negative") << "-3" << -3;
    QTest::newRow("empty") << "" << -7;
    QTest::newRow("ERROR") << "ERROR" << -7;
    QTest::newRow("overflow") << "99999999999" << -7;
    QTest::newRow("decimal") << "1.5" << -7;
    QTest::newRow("colour blue") << "16711680" << 16711680;
}

void TestTextHelpers::readInt()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(ReadInt(text, -7), value);
}

void TestTextHelpers::readBool_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("defaultValue");
    QTest::addColumn<bool>("value");
    QTest::newRow("-1") << "-1" << false << true;
    QTest::newRow("0") << "0" << true << false;
    QTest::newRow("1") << "1" << false << true;
    QTest::newRow("True") << "True" << false << true;
    QTest::newRow("false") << "false" << true << false;
    QTest::newRow("ERROR keeps default true") << "ERROR" << true << true;
    QTest::newRow("ERROR keeps default false") << "ERROR" << false << false;
    QTest::newRow("empty keeps default") << "" << true << true;
    QTest::newRow("garbage keeps default") << "ja" << false << false;
    QTest::newRow("decimal number") << "0.5" << false << true;
    QTest::newRow("exponent zero") << "0e3" << true << false;
    QTest::newRow("nan keeps default false") << "nan" << false << false;
    QTest::newRow("nan keeps default true") << "NaN" << true << true;
    QTest::newRow("inf keeps default") << "inf" << false << false;
}

void TestTextHelpers::readBool()
{
    QFETCH(QString, text);
    QFETCH(bool, defaultValue);
    QFETCH(bool, value);
    QCOMPARE(ReadBool(text, defaultValue), value);
}

void TestTextHelpers::screenText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("error report") << "Error in ClientSocket1Read!\r\rboom" << "Error in ClientSocket1Read!\n\nboom";
    QTest::newRow("crlf is one break") << "a\r\nb" << "a\nb";
    QTest::newRow("newline stays") << "a\nb" << "a\nb";
    QTest::newRow("trailing cr") << "text\r" << "text\n";
}

void TestTextHelpers::screenText()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(ScreenText(text), shown);
}

QTEST_GUILESS_MAIN(TestTextHelpers)
#include "test_texthelpers.moc"
