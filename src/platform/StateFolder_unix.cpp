#include "platform/StateFolder.h"

#include <QDir>

namespace tesk {

QString StateFolder()
{
    const QString state = qEnvironmentVariable("XDG_STATE_HOME");
    // Relative values are to be ignored, as for every XDG variable.
    if (!state.isEmpty() && QDir::isAbsolutePath(state))
        return QDir::cleanPath(state);
    return QDir::homePath() + QStringLiteral("/.local/state");
}

} // namespace tesk
