#pragma once

#include <QString>
#include <QStringList>

namespace tesk {

// The key under HKEY_CURRENT_USER whose sub-keys name the sound events a
// user may pick ("\AppEvents\EventLabels", as the program's texts write it).
QString EventLabelsKey();

// The sound list of the settings dialog from the sub-key names as the
// registry enumerated them: in that order, without blank names, and each
// name once (key names compare without regard to case, as in the registry).
QStringList EventLabelList(const QStringList& enumerated);

} // namespace tesk
