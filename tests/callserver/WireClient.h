#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTcpSocket>

#include <functional>

namespace tesk::test {

// A display's side of the wire for the server tests: sends frames, keeps
// every byte and every read it receives, and reads the frames back out.
class WireClient : public QObject {
    Q_OBJECT
public:
    explicit WireClient(QObject* parent = nullptr);

    bool connectTo(quint16 port);
    void send(const QString& command, const QStringList& fields);
    void sendRaw(const QByteArray& bytes);

    QByteArray bytes() const { return m_bytes; }
    QList<QByteArray> reads() const { return m_reads; }
    // The received text with the data markers taken out.
    QString text() const;
    // Every whole frame received of this command, in order, as the display
    // cuts it: from the opening tag through the ":" of the closing tag.
    QStringList frames(const QString& command) const;
    int count(const QString& command) const { return int(frames(command).size()); }
    bool disconnected() const { return m_socket.state() == QAbstractSocket::UnconnectedState; }
    void clear();

    bool waitFor(const std::function<bool()>& pred, int timeoutMs = 5000);
    bool waitForFrames(const QString& command, int count, int timeoutMs = 5000);

    QTcpSocket& socket() { return m_socket; }

private:
    QTcpSocket m_socket;
    QByteArray m_bytes;
    QList<QByteArray> m_reads;
};

// Field k (from 1) of a cut frame, as the client reads it.
QString FieldOf(const QString& frame, int k);

// One record of a CURRENTLIST, read the way the display reads it.
struct ListedCall {
    QString name;
    int number = 0;
    qint64 colour = 0;
    int ix = 0;
    QList<QStringList> callers; // seven fields each
};
QList<ListedCall> ParseCurrentList(const QString& cut);

} // namespace tesk::test
