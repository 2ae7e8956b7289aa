#include "protocol/DateTimeValue.h"

#include <QTest>

#include <limits>

using namespace tesk;

class TestDateTimeValue : public QObject {
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void toQDateTime_data();
    void toQDateTime();
};

void TestDateTimeValue::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("epoch day 1") << "1899-12-31 00:00:00" << 1.0;
    QTest::newRow("noon") << "1900-01-01 12:00:00" << 2.5;
    QTest::newRow("2024 morning") << "2024-03-05 06:00:00" << 45356.25;
    QTest::newRow("date alone") << "2024-03-05" << 45356.0;
    QTest::newRow("single digits") << "2024-3-5 6:0:0" << 45356.25;
    QTest::newRow("hours and minutes") << "2024-03-05 06:00" << 45356.25;
    QTest::newRow("two spaces") << "2024-03-05  06:00:00" << 45356.25;
    QTest::newRow("tab before the time") << "2024-03-05\t06:00:00" << 0.0;
    QTest::newRow("three-digit month") << "2024-003-05 06:00:00" << 0.0;
    QTest::newRow("short year") << "24-03-05 06:00:00" << 0.0;
    QTest::newRow("fraction of a second") << "2024-03-05 06:00:00.5" << 0.0;
    QTest::newRow("february 30") << "2024-02-30 06:00:00" << 0.0;
    QTest::newRow("second 60") << "2024-03-05 06:00:60" << 0.0;
    QTest::newRow("trimmed") << " 2024-03-05 06:00:00 " << 45356.25;
    QTest::newRow("garbage") << "igår" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("bad time") << "2024-03-05 25:00:00" << 0.0;
    QTest::newRow("bad date") << "2024-13-05 10:00:00" << 0.0;
    // The wall-clock time the server wrote, whatever the local zone skips.
    QTest::newRow("in a spring-forward gap") << "2024-03-31 02:30:00" << 45382.0 + 2.5 / 24.0;
}

void TestDateTimeValue::parse()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QVERIFY2(qAbs(ParseWireDateTime(text) - value) < 1e-9, qPrintable(QString::number(ParseWireDateTime(text), 'f', 10)));
}

void TestDateTimeValue::toQDateTime_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QDateTime>("dateTime");
    QTest::newRow("zero") << 0.0 << QDateTime(QDate(1899, 12, 30), QTime(0, 0));
    QTest::newRow("2024") << 45356.25 << QDateTime(QDate(2024, 3, 5), QTime(6, 0));
    QTest::newRow("before the epoch") << -1.25 << QDateTime(QDate(1899, 12, 29), QTime(6, 0));
    QTest::newRow("a hair below midnight") << 45356.0 - 1e-10 << QDateTime(QDate(2024, 3, 5), QTime(0, 0));
    QTest::newRow("not finite") << std::numeric_limits<double>::quiet_NaN() << QDateTime(QDate(1899, 12, 30), QTime(0, 0));
    QTest::newRow("absurdly large") << 1e300 << QDateTime(QDate(1899, 12, 30), QTime(0, 0));
}

void TestDateTimeValue::toQDateTime()
{
    QFETCH(double, value);
    QFETCH(QDateTime, dateTime);
    QCOMPARE(FromDateTimeValue(value), dateTime);
    if (std::isfinite(value) && qAbs(value) < 1e6 && value > 0)
        QVERIFY(qAbs(ToDateTimeValue(dateTime) - value) < 1e-6);
}

QTEST_GUILESS_MAIN(TestDateTimeValue)
#include "test_datetimevalue.moc"
