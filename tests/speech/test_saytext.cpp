#include "speech/SpeechEngine.h"

#include <QTest>

using namespace tesk;

namespace {
const QString Open = QStringLiteral("!\"#\u00A4%&");
const QString Close = QStringLiteral("&%\u00A4#\"!");
}

class TestSayText : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rewriting_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("spoken");

        // No hyphen: only the markers go.
        QTest::newRow("plain call text") << "Rum 3 kallar på Läkare Ström, \r" << "Rum 3 kallar på Läkare Ström, \r";
        QTest::newRow("empty") << "" << "";

        // The date-like groups.
        QTest::newRow("ccyymmdd-nnnn") << "19461231-1234" << "1900 46 12 31, 12 34";
        QTest::newRow("yymmdd-nnnn") << "461231-1234" << "46 12 31, 12 34";
        QTest::newRow("three after the hyphen") << "123456-789" << "12 34 56, 78 9";
        QTest::newRow("two after the hyphen") << "123456-78" << "12 34 56, 78 ";
        QTest::newRow("words around") << "Patient 461231-1234 kallar" << "Patient 46 12 31, 12 34 kallar";
        QTest::newRow("letters before six digits") << "AB123456-1234" << "AB12 34 56, 12 34";
        QTest::newRow("seven digits: the last six") << "1234567-1234" << "123 45 67, 12 34";
        QTest::newRow("eight digits inside text") << "Pnr 19461231-1234." << "Pnr 1900 46 12 31, 12 34.";

        // Hyphens that are not a number group only become spaces.
        QTest::newRow("A-B") << "A-B" << "A B";
        QTest::newRow("short number before") << "Rum 12-3456" << "Rum 12 3456";
        QTest::newRow("zeros before") << "000000-1234" << "000000 1234";
        QTest::newRow("zeros after") << "19461231-0000" << "19461231 0000";
        QTest::newRow("all zeros") << "000000-0000" << "000000 0000";
        QTest::newRow("two hyphens: only the first group")
            << "461231-1234 och 470101-5678" << "46 12 31, 12 34 och 470101 5678";
        QTest::newRow("hyphen first, group after")
            << "A-B 461231-1234" << "A B 461231 1234";

        // What counts as a whole number.
        QTest::newRow("hexadecimal with 0x") << "0x1A2B-0x1F" << "0x 1A 2B, 0x 1F";
        QTest::newRow("hexadecimal with $") << "$ABCDE-$1F2" << "$A BC DE, $1 F2";
        QTest::newRow("hexadecimal digits need a prefix") << "ABCDEF-1234" << "ABCDEF 1234";
        QTest::newRow("signed head") << "+12345-6789" << "+1 23 45, 67 89";
        QTest::newRow("signed tail") << "123456--123" << "12 34 56,  1 23";
        QTest::newRow("zero tail in hex") << "123456-0x00" << "123456 0x00";

        // A hyphen at either end of the text.
        QTest::newRow("hyphen at the start") << "-A" << " A";
        QTest::newRow("hyphen at the start of digits") << "-123456" << " 123456";
        QTest::newRow("leading sign before a group") << "-1234567890" << " 1234567890";
        QTest::newRow("hyphen at the end") << "Rum 461231-" << "Rum 461231 ";
        QTest::newRow("only a hyphen") << "-" << " ";

        // Markers.
        QTest::newRow("markers around a name")
            << Open + "Dr. Ström" + Close + " kallar" << "Dr. Ström kallar";
        QTest::newRow("markers only") << Open + Close << "";
        QTest::newRow("markers only, several") << Open + Open + Close + Close << "";
        QTest::newRow("marker pair inside") << "Rum" + Open + Close + " 3" << "Rum 3";
        QTest::newRow("markers around a number group")
            << Open + "461231-1234" + Close << "46 12 31, 12 34";
        QTest::newRow("half a marker stays") << "Rum !\"# 3" << "Rum !\"# 3";
    }

    void rewriting()
    {
        QFETCH(QString, given);
        QFETCH(QString, spoken);
        QCOMPARE(SayText(given), spoken);
    }

    // Whatever comes in, the rewriting neither crashes nor invents hyphens.
    void anyTextIsSafe()
    {
        const QString pieces[] = {QStringLiteral("-"), QStringLiteral("1"), QStringLiteral("0"), QStringLiteral(" "),
                                  QStringLiteral("$"), QStringLiteral("0x"), QStringLiteral("+"), Open, Close,
                                  QStringLiteral("A"), QStringLiteral("9")};
        quint32 seed = 12345;
        for (int round = 0; round < 5000; ++round) {
            QString text;
            const int n = int(seed % 14);
            for (int i = 0; i < n; ++i) {
                seed = seed * 1103515245u + 12345u;
                text += pieces[(seed >> 16) % std::size(pieces)];
            }
            seed = seed * 1103515245u + 12345u;
            const QString out = SayText(text);
            QVERIFY2(!out.contains(QLatin1Char('-')), qPrintable(text));
        }
    }
};

QTEST_GUILESS_MAIN(TestSayText)
#include "test_saytext.moc"
