#pragma once

#include <QString>

// The command catalogue of the call server and update server protocol.
namespace tesk::cmd {

inline const QString GETSERVERVERSION = QStringLiteral("GETSERVERVERSION");
inline const QString RETSERVERVERSION = QStringLiteral("RETSERVERVERSION");
inline const QString REGISTERUPATEMACHINE = QStringLiteral("REGISTERUPATEMACHINE");
inline const QString POSTCALLABLESLIST = QStringLiteral("POSTCALLABLESLIST");
inline const QString RECONNECT = QStringLiteral("RECONNECT");
inline const QString GETCALLLIST = QStringLiteral("GETCALLLIST");
inline const QString GETKLINIKNAMN = QStringLiteral("GETKLINIKNAMN");
inline const QString RETKLINIKNAMN = QStringLiteral("RETKLINIKNAMN");
inline const QString GETINITEXT = QStringLiteral("GETINITEXT");
inline const QString SETINITEXT = QStringLiteral("SETINITEXT");
inline const QString RETINITEXT = QStringLiteral("RETINITEXT");
inline const QString GETALLCALLABLES = QStringLiteral("GETALLCALLABLES");
inline const QString RETALLCALLABLES = QStringLiteral("RETALLCALLABLES");
inline const QString GETSTATIONCALLABLES = QStringLiteral("GETSTATIONCALLABLES");
inline const QString RETSTATIONCALLABLES = QStringLiteral("RETSTATIONCALLABLES");
inline const QString TESKCLIENTDATA = QStringLiteral("TESKCLIENTDATA");
inline const QString CURRENTLIST = QStringLiteral("CURRENTLIST");
inline const QString COMING = QStringLiteral("COMING");
inline const QString GETNEWCLIENT = QStringLiteral("GETNEWCLIENT");
inline const QString RETNEWCLIENT = QStringLiteral("RETNEWCLIENT");

inline const QString DataStart = QStringLiteral("#DATASTART#");
inline const QString DataEnd = QStringLiteral("#DATAEND#");
inline const QString ErrorMark = QStringLiteral("ERROR:");
inline const QString NotRegisteredError = QStringLiteral("ERROR: 001");

} // namespace tesk::cmd
