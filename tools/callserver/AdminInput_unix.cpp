#include "AdminInput.h"

#include <QSocketNotifier>

#include <unistd.h>

namespace tesk::sim {

AdminInput::AdminInput(QObject* parent)
    : QObject(parent)
    , m_notifier(new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this))
{
    connect(m_notifier, &QSocketNotifier::activated, this, &AdminInput::onReadable);
}

void AdminInput::onReadable()
{
    char buffer[4096];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) {
        m_notifier->setEnabled(false);
        m_notifier->deleteLater();
        m_notifier = nullptr;
        if (!m_pending.isEmpty())
            emit lineReceived(QString::fromUtf8(m_pending));
        m_pending.clear();
        emit finished();
        return;
    }
    m_pending.append(buffer, n);
    for (qsizetype nl = m_pending.indexOf('\n'); nl >= 0; nl = m_pending.indexOf('\n')) {
        const QByteArray line = m_pending.left(nl);
        m_pending.remove(0, nl + 1);
        emit lineReceived(QString::fromUtf8(line).trimmed());
    }
    if (m_pending.size() > MaxLineBytes)
        m_pending.clear(); // nobody types a line that long
}

} // namespace tesk::sim
