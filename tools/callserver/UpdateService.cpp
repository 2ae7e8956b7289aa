#include "UpdateService.h"

#include "ClientSession.h"
#include "ServerMessages.h"

#include "common/VersionInfo.h"
#include "protocol/Codepage.h"
#include "protocol/Commands.h"
#include "protocol/Framing.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tesk::sim {

bool UpdateService::IsPlainFileName(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':') || c.unicode() < 0x20)
            return false;
    }
    return true;
}

QList<QByteArray> UpdateService::TransferPieces(const QByteArray& file, qsizetype firstPieceBytes)
{
    const QByteArray head = ToAnsi(cmd::DataStart + OpeningTag(cmd::RETNEWCLIENT));
    const QByteArray tail = ToAnsi(ClosingTag(cmd::RETNEWCLIENT) + cmd::DataEnd);
    QList<QByteArray> pieces;
    pieces << head + file.left(firstPieceBytes);
    if (file.size() > firstPieceBytes)
        pieces << file.mid(firstPieceBytes);
    pieces << tail;
    return pieces;
}

QList<QByteArray> UpdateService::TruncatedPieces(const QByteArray& file, qsizetype firstPieceBytes)
{
    QList<QByteArray> pieces = TransferPieces(file.left(file.size() / 2), firstPieceBytes);
    pieces.removeLast(); // no closing tag, no end marker
    return pieces;
}

QString UpdateService::answer(ClientSession& session, const QString& fileName) const
{
    const auto refuse = [&](const QString& text, const QString& why) {
        session.sendMessage(msg::ErrorReport(text));
        return QStringLiteral("GETNEWCLIENT \"%1\" nekad: %2").arg(fileName, why);
    };
    if (m_options.buildsDir.isEmpty())
        return refuse(QStringLiteral("Det finns ingen ny version av %1 på servern.").arg(fileName),
                      QStringLiteral("ingen --builds-katalog"));
    if (!IsPlainFileName(fileName))
        return refuse(QStringLiteral("Ogiltigt filnamn."), QStringLiteral("ogiltigt filnamn"));

    const QFileInfo info(QDir(m_options.buildsDir).filePath(fileName));
    if (!info.isFile())
        return refuse(QStringLiteral("Det finns ingen ny version av %1 på servern.").arg(fileName),
                      QStringLiteral("filen saknas: ") + info.filePath());
    if (info.size() == 0 || info.size() > m_options.maxFileBytes)
        return refuse(QStringLiteral("Filen %1 kan inte skickas.").arg(fileName), QStringLiteral("orimlig storlek"));

    QFile file(info.filePath());
    if (!file.open(QIODevice::ReadOnly))
        return refuse(QStringLiteral("Filen %1 kan inte läsas på servern.").arg(fileName), file.errorString());
    QByteArray bytes = file.readAll();
    if (bytes.size() != info.size())
        return refuse(QStringLiteral("Filen %1 kan inte läsas på servern.").arg(fileName),
                      QStringLiteral("ofullständig läsning"));
    // The client takes a data marker inside the file for the end of the
    // transfer (or a new one) and would start a truncated program.
    if (bytes.contains(ToAnsi(cmd::DataStart)) || bytes.contains(ToAnsi(cmd::DataEnd)))
        return refuse(QStringLiteral("Filen %1 kan inte skickas: den innehåller en datamarkör.").arg(fileName),
                      QStringLiteral("filen innehåller #DATASTART# eller #DATAEND#"));

    QString note;
    if (!m_options.servedVersion.isEmpty()) {
        // The version reader takes the first record in a file.
        bytes.prepend(ComposeVersionRecord(m_options.servedVersion, m_options.servedVersion));
        note += QStringLiteral(", som version ") + m_options.servedVersion;
    }
    if (m_options.truncate) {
        for (const QByteArray& piece : TruncatedPieces(bytes, m_options.firstPieceBytes))
            session.sendRaw(piece, m_options.pieceGapMs);
        session.closeWhenSent();
        return QStringLiteral("RETNEWCLIENT \"%1\": avbruten efter %2 av %3 byte%4")
            .arg(fileName)
            .arg(bytes.size() / 2)
            .arg(bytes.size())
            .arg(note);
    }
    for (const QByteArray& piece : TransferPieces(bytes, m_options.firstPieceBytes))
        session.sendRaw(piece, m_options.pieceGapMs);
    return QStringLiteral("RETNEWCLIENT \"%1\": %2 byte%3").arg(fileName).arg(bytes.size()).arg(note);
}

} // namespace tesk::sim
