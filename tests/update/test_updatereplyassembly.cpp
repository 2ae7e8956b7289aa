#include "common/UpdateReplyAssembly.h"

#include <QTest>

using namespace tesk;

namespace {

const QByteArray Head = "#DATASTART#\xA4RETNEWCLIENT:";
const QByteArray Tail = ":RETNEWCLIENT\xA4#DATAEND#";

// Program-like bytes with a run of zero padding in the middle.
QByteArray Build()
{
    return QByteArray("\x7F" "ELF code") + QByteArray(512, '\0') + QByteArray("more code \xA4\xFF");
}

} // namespace

class TestUpdateReplyAssembly : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void reads_data();
    void reads();
};

void TestUpdateReplyAssembly::reads_data()
{
    QTest::addColumn<QByteArrayList>("reads");
    QTest::addColumn<qsizetype>("bound");
    QTest::addColumn<QByteArrayList>("files"); // every build handed on, in order
    QTest::addColumn<int>("drops");
    QTest::addColumn<QString>("serverVersion"); // the last one read; empty: none
    QTest::addColumn<bool>("pendingAfter");

    const QByteArray build = Build();
    const qsizetype noBound = UpdateReplyAssembler::MaxReplyBytes;
    const QByteArray version = "\xA4RETSERVERVERSION:1.10.4:RETSERVERVERSION\xA4";

    QTest::newRow("build in pieces")
        << QByteArrayList{Head + build.left(9), build.mid(9), Tail} << noBound << QByteArrayList{build} << 0
        << QString() << false;
    // A program's zero padding may arrive as a read of its own; it is as much
    // part of the build as any other byte.
    QTest::newRow("a read of zero bytes inside a build stays in it")
        << QByteArrayList{Head + build.left(9), build.mid(9, 512), build.mid(521), Tail} << noBound
        << QByteArrayList{build} << 0 << QString() << false;
    QTest::newRow("a read of blanks inside a build stays in it")
        << QByteArrayList{Head + "ab", " \r\n", "cd" + Tail} << noBound << QByteArrayList{"ab \r\ncd"} << 0
        << QString() << false;
    QTest::newRow("blank reads between replies change nothing")
        << QByteArrayList{" \r\n", version, QByteArray(3, '\0')} << noBound << QByteArrayList{} << 0
        << QStringLiteral("1.10.4") << false;
    QTest::newRow("a blank read inside a bracketed answer keeps its place")
        << QByteArrayList{"#DATASTART#\xA4RETSERVERVERSION:1.10", " ", ".4:RETSERVERVERSION\xA4#DATAEND#"} << noBound
        << QByteArrayList{} << 0 << QStringLiteral("1.10 .4") << false;
    QTest::newRow("a build past the bound is dropped, and the next one arrives whole")
        << QByteArrayList{Head + build.left(9), build.mid(9), Tail, Head + "abc", "def" + Tail} << qsizetype(100)
        << QByteArrayList{"abcdef"} << 1 << QString() << false;
    QTest::newRow("a build cut short is still pending")
        << QByteArrayList{Head + "abc", "def"} << noBound << QByteArrayList{} << 0 << QString() << true;
}

void TestUpdateReplyAssembly::reads()
{
    QFETCH(QByteArrayList, reads);
    QFETCH(qsizetype, bound);
    QFETCH(QByteArrayList, files);
    QFETCH(int, drops);
    QFETCH(QString, serverVersion);
    QFETCH(bool, pendingAfter);

    UpdateReplyAssembler assembler(bound);
    QByteArrayList gotFiles;
    int gotDrops = 0;
    QString gotVersion;
    for (const QByteArray& read : reads) {
        const UpdateReplyAssembler::Step step = assembler.feed(read);
        if (step.file)
            gotFiles << *step.file;
        if (step.dropped)
            ++gotDrops;
        if (step.serverVersion)
            gotVersion = *step.serverVersion;
        QVERIFY(assembler.pendingBytes() <= bound);
    }
    QCOMPARE(gotFiles.size(), files.size());
    for (qsizetype i = 0; i < files.size(); ++i)
        QVERIFY2(gotFiles.at(i) == files.at(i), qPrintable(QString::number(gotFiles.at(i).size())));
    QCOMPARE(gotDrops, drops);
    QCOMPARE(gotVersion, serverVersion);
    QCOMPARE(assembler.dataNotReady() && assembler.dataIsNewFile(), pendingAfter);
}

QTEST_GUILESS_MAIN(TestUpdateReplyAssembly)
#include "test_updatereplyassembly.moc"
