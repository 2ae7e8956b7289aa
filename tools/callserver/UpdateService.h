#pragma once

#include <QByteArray>
#include <QString>

namespace tesk::sim {

class ClientSession;

// The update server's side: hands out program builds from a folder. A build
// travels as "#DATASTART#¤RETNEWCLIENT:" + bytes + ":RETNEWCLIENT¤#DATAEND#"
// in three writes, each after a pause: the client recognises the transfer
// only when its first read holds the start but not the end, and it finds the
// end only when the marker arrives whole in one read.
class UpdateService {
public:
    struct Options {
        QString buildsDir;
        int pieceGapMs = 250;
        qint64 maxFileBytes = qint64(512) * 1024 * 1024;
        qsizetype firstPieceBytes = 512;
        // For the clients' tests: send only the first half of a build and
        // then close the connection, as a server that goes away would.
        bool truncate = false;
        // For the clients' tests: a build carries a version record of this
        // version in front of its own, so that it reads as another build.
        QString servedVersion;
    };

    explicit UpdateService(const Options& options) : m_options(options) {}

    // A file name as the client sends it must name a file directly inside
    // the builds folder: no directories, no way out of it.
    static bool IsPlainFileName(const QString& name);

    // Queues the build named `fileName` on the session, or an error report
    // when there is none to give. Returns a line for the log.
    QString answer(ClientSession& session, const QString& fileName) const;

    // The three writes of a transfer (exposed for tests).
    static QList<QByteArray> TransferPieces(const QByteArray& file, qsizetype firstPieceBytes);
    // A transfer cut short: the opening and the first half of the file.
    static QList<QByteArray> TruncatedPieces(const QByteArray& file, qsizetype firstPieceBytes);

private:
    Options m_options;
};

} // namespace tesk::sim
