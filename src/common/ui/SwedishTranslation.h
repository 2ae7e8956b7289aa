#pragma once

class QCoreApplication;

namespace tesk {

// Makes Qt's own dialogs Swedish for the whole run: installs Qt's Swedish
// catalogue (qt_sv.qm from Qt's translations folder) and, above it, the
// program's captions for the standard buttons (Ja, Nej, OK, Avbryt; no
// accelerators on Ja and Nej). Call once, right after the application object
// is created. Returns false when qt_sv.qm is missing; the button captions
// are installed either way.
bool InstallSwedishTranslation(QCoreApplication& app);

} // namespace tesk
