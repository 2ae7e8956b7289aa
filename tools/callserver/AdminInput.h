#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

namespace tesk::sim {

// Lines typed on standard input, delivered from the event loop. Only for
// the optional admin console: a background server must not read the
// terminal, so nothing is read unless this is created.
class AdminInput : public QObject {
    Q_OBJECT
public:
    static constexpr qsizetype MaxLineBytes = 64 * 1024;

    explicit AdminInput(QObject* parent = nullptr);
    bool isOpen() const { return m_notifier != nullptr; }

Q_SIGNALS:
    void lineReceived(const QString& line);
    void finished();

private:
    void onReadable();

    QSocketNotifier* m_notifier = nullptr;
    QByteArray m_pending;
};

} // namespace tesk::sim
