// Whatever a server sends must not crash the display: random messages built
// from the protocol's own pieces go through the receive assembly, the
// dispatcher and the board. Seeds are fixed so a failure can be replayed.

#include "common/ClientIdentity.h"
#include "display/board/CallBoard.h"
#include "display/connection/AnnouncerPort.h"
#include "display/connection/CallListModel.h"
#include "display/connection/MessageDispatcher.h"
#include "display/connection/ServerConnection.h"
#include "display/connection/SystemRegisterPort.h"
#include "protocol/Codepage.h"
#include "protocol/ReceiveAssembly.h"

#include "RecordingMessages.h"
#include "TempSettings.h"

#include <QRandomGenerator>
#include <QTest>

#include <exception>

using namespace tesk;
using namespace tesk::test;

namespace {

const QStringList kPieces = {
    QStringLiteral("\u00A4"), QStringLiteral(":"), QStringLiteral("%\u00A4:"), QStringLiteral("\u00A4%"),
    QStringLiteral("%\u00A4"), QStringLiteral("~"), QStringLiteral("#DATASTART#"), QStringLiteral("#DATAEND#"),
    QStringLiteral("ERROR: "), QStringLiteral("CURRENTLIST"), QStringLiteral("\u00A4CURRENTLIST:"),
    QStringLiteral(":CURRENTLIST\u00A4"), QStringLiteral("\u00A4RETKLINIKNAMN:"), QStringLiteral(":RETKLINIKNAMN\u00A4"),
    QStringLiteral("\u00A4TESKCLIENTDATA:"), QStringLiteral(":TESKCLIENTDATA\u00A4"), QStringLiteral("\u00A4RETINITEXT:"),
    QStringLiteral(":RETINITEXT\u00A4"), QStringLiteral("\u00A4RETALLCALLABLES:"), QStringLiteral(":RETALLCALLABLES\u00A4"),
    QStringLiteral("\u00A4RETSERVERVERSION:1.10.4:RETSERVERVERSION\u00A4"), QStringLiteral("Dr. \u00C5sa"),
    QStringLiteral("Rum 3"), QStringLiteral(" "), QStringLiteral("\r"), QStringLiteral("0"), QStringLiteral("-1"),
    QStringLiteral("2147483647"), QStringLiteral("99999999999999"), QStringLiteral("16711680"),
    QStringLiteral("2024-03-05 07:05:59"), QStringLiteral("1899-12-30"), QStringLiteral("9999-99-99 99:99:99"),
    QStringLiteral("&"), QStringLiteral("\u00A4\u00A4ADMIN\u00A4\u00A4"), QString(),
};

// A well-formed call list now and then, so the board has boxes to draw.
QString WellFormedList(QRandomGenerator& rng)
{
    QString payload;
    const int calls = rng.bounded(0, 30);
    for (int c = 0; c < calls; ++c) {
        payload += QStringLiteral("R%1:%2:%3:%4:\u00A4%").arg(c).arg(c).arg(rng.bounded(0, 0x1000000)).arg(rng.bounded(-5, 5));
        QStringList fields;
        const int callers = rng.bounded(0, 12);
        for (int k = 0; k < callers; ++k)
            fields << QStringLiteral("C%1").arg(k) << QString::number(k) << QStringLiteral("2024-03-05 07:05:59")
                   << QString::number(rng.bounded(0, 0x1000000)) << QString::number(rng.bounded(-1, 3))
                   << QStringLiteral("2024-03-05 07:06:00") << QStringLiteral("Anna");
        payload += fields.join(QLatin1Char('~')) + QStringLiteral("%\u00A4:");
    }
    // Bracketed, as a server sends long messages: it also ends whatever
    // bracketed garbage was left pending before it.
    return QStringLiteral("#DATASTART#\u00A4CURRENTLIST:") + payload + QStringLiteral("CURRENTLIST\u00A4#DATAEND#");
}

QString RandomMessage(QRandomGenerator& rng)
{
    if (rng.bounded(4) == 0)
        return WellFormedList(rng);
    QString text;
    const int pieces = rng.bounded(1, 60);
    for (int i = 0; i < pieces; ++i) {
        if (rng.bounded(8) == 0)
            text += QChar(char16_t(rng.bounded(1, 0xD7FF))); // any character, also outside the code page
        else
            text += kPieces.at(rng.bounded(kPieces.size()));
    }
    return text;
}

} // namespace

class TestHostileInput : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void randomMessagesNeverCrash_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed : {1u, 2u, 3u, 42u, 4711u, 20261210u})
            QTest::newRow(qPrintable(QStringLiteral("seed %1").arg(seed))) << seed;
    }

    void randomMessagesNeverCrash()
    {
        QFETCH(quint32, seed);
        QRandomGenerator rng(seed);

        TempSettings temp;
        ClientIdentity identity(temp.settings(), {});
        identity.ClientType = TTESKClientType::ctShow;
        CallListModel model;
        RecordingMessages messages;
        NoSystemRegister systemRegister;
        NoAnnouncer announcer;
        MessageDispatcher dispatcher(model, temp.settings(), identity, messages, systemRegister, announcer);
        dispatcher.setVersionCheck([](const QString& v) { return ServerConnection::IsServerVersionAccepted(v); });
        ReceiveAssembler assembler([&messages](const QString& reason) { messages.ShowInfoMessage(reason); }, 64 * 1024);

        CallBoard board;
        board.resize(QSize(320, 200));
        BoardSettings settings;

        int roundsWithCalls = 0;
        for (int round = 0; round < 150; ++round) {
            const QByteArray bytes = ToAnsi(RandomMessage(rng));
            // Random reads, as a network would cut them.
            for (qsizetype pos = 0; pos < bytes.size();) {
                const qsizetype n = std::min<qsizetype>(bytes.size() - pos, rng.bounded(1, 200));
                if (const std::optional<QString> message = assembler.feed(bytes.mid(pos, n)))
                    dispatcher.HandleServerMessage(*message);
                pos += n;
            }

            int callers = 0;
            for (const auto& call : model.CallList) {
                QVERIFY(call);
                for (const auto& caller : call->CurrentCallList) {
                    QVERIFY(caller);
                    QVERIFY(!caller->CallerName.isEmpty());
                    ++callers;
                }
            }
            QCOMPARE(model.callerCount(), callers);
            roundsWithCalls += callers > 0;

            settings.TESKShowMode = rng.bounded(0, 3);
            settings.FPaintEffect = rng.bounded(2) == 1;
            settings.ShowingAlwaysShowAll = rng.bounded(4) != 0;
            board.setSettings(settings);
            board.setKliniknamn(model.kliniknamn);
            try {
                board.PaintBox1Paint(model.CallList, round % 5 == 0 ? CallBoard::Path::Reference : CallBoard::Path::Cached);
            } catch (const std::exception&) {
                // A paint may refuse (names without width); the widget reports it.
            }
        }
        // The run is worth something only if boards with calls were drawn.
        QVERIFY2(roundsWithCalls > 20, qPrintable(QString::number(roundsWithCalls)));
    }
};

QTEST_MAIN(TestHostileInput)
#include "test_hostile_input.moc"
