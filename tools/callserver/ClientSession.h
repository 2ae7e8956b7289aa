#pragma once

#include "FrameReader.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <deque>

class QTcpSocket;

namespace tesk::sim {

// One client connection: assembles the bytes it sends into frames and
// writes what the server answers. Output is queued and paced: each message
// is written only when the previous one has left the socket and, where a
// gap is asked for, after that much quiet, so the client tends to read one
// message per read. Messages longer than `markerThreshold` bytes go out
// between "#DATASTART#" and "#DATAEND#" because they may take several reads.
class ClientSession : public QObject {
    Q_OBJECT
public:
    struct Options {
        int messageGapMs = 20;
        qsizetype markerThreshold = 1000;
        qsizetype maxPendingBytes = 1024 * 1024;
        // A client that stops reading is let go rather than letting its
        // unsent call lists pile up.
        qsizetype maxQueuedMessages = 1000;
    };

    // Takes ownership of the connected socket.
    ClientSession(QTcpSocket* socket, const Options& options, QObject* parent = nullptr);
    ~ClientSession() override;

    QString peer() const { return m_peer; }
    bool isConnected() const;

    // The text converted to Windows-1252, bracketed by data markers when long.
    void sendMessage(const QString& text);
    // Bytes as they are, written after `gapMs` of quiet on the connection.
    void sendRaw(const QByteArray& bytes, int gapMs);
    qsizetype queuedMessages() const { return qsizetype(m_queue.size()); }
    void close();
    // Closes the connection once everything queued before has been written.
    void closeWhenSent();

    // What the server has learnt about this client on this connection.
    QString clientName;
    bool display = false;        // receives every new call list
    bool registeredHere = false; // registered itself on this connection
    bool awaitingRegistration = false; // was told "ERROR: 001"

Q_SIGNALS:
    void frameReceived(tesk::sim::ClientSession* session, const QString& frame);
    void textDropped(tesk::sim::ClientSession* session, const QString& text);
    void overflowed(tesk::sim::ClientSession* session);
    void stalled(tesk::sim::ClientSession* session);
    void closed(tesk::sim::ClientSession* session);

private:
    struct Pending {
        QByteArray bytes;
        int gapMs = 0;
        bool close = false;
    };

    void onReadyRead();
    void onBytesWritten();
    void enqueue(const QByteArray& bytes, int gapMs, bool close = false);
    void pump();

    QTcpSocket* m_socket;
    Options m_options;
    QString m_peer;
    FrameReader m_reader;
    std::deque<Pending> m_queue;
    QTimer m_gapTimer;
    bool m_wroteAny = false;
    bool m_gapElapsed = false;
    bool m_closedSignalled = false;
};

} // namespace tesk::sim
