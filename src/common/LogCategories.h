#pragma once

#include <QLoggingCategory>

// The program's logging categories. Debug messages are off unless
// QT_LOGGING_RULES turns them on (for example "tesk.board.debug=true"); call
// texts (names of staff and rooms) are logged at debug level only.
Q_DECLARE_LOGGING_CATEGORY(lcConnection) // tesk.connection
Q_DECLARE_LOGGING_CATEGORY(lcUpdate)     // tesk.update
Q_DECLARE_LOGGING_CATEGORY(lcSettings)   // tesk.settings
Q_DECLARE_LOGGING_CATEGORY(lcBoard)      // tesk.board
Q_DECLARE_LOGGING_CATEGORY(lcSpeech)     // tesk.speech
Q_DECLARE_LOGGING_CATEGORY(lcSound)      // tesk.sound
Q_DECLARE_LOGGING_CATEGORY(lcMessages)   // tesk.messages: boxes and balloons shown to the user
