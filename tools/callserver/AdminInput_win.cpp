#include "AdminInput.h"

#include <QTimer>

namespace tesk::sim {

// Standard input cannot be watched by the event loop here; the console is
// reported closed at once and the server runs on without it.
AdminInput::AdminInput(QObject* parent)
    : QObject(parent)
{
    QTimer::singleShot(0, this, &AdminInput::finished);
}

void AdminInput::onReadable()
{
}

} // namespace tesk::sim
