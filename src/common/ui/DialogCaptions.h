#pragma once

#include <QString>

namespace tesk::captions {

// The Swedish captions every message box carries. Ja and Nej have no
// keyboard accelerator on purpose.
inline const QString Warning = QStringLiteral("Varning");
inline const QString Error = QStringLiteral("Fel");
inline const QString Information = QStringLiteral("Information");
inline const QString Confirmation = QStringLiteral("Fråga");
inline const QString Yes = QStringLiteral("Ja");
inline const QString No = QStringLiteral("Nej");
inline const QString Ok = QStringLiteral("OK");
inline const QString Cancel = QStringLiteral("Avbryt");

} // namespace tesk::captions
