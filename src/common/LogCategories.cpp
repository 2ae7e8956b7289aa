#include "common/LogCategories.h"

Q_LOGGING_CATEGORY(lcConnection, "tesk.connection", QtInfoMsg)
Q_LOGGING_CATEGORY(lcUpdate, "tesk.update", QtInfoMsg)
Q_LOGGING_CATEGORY(lcSettings, "tesk.settings", QtInfoMsg)
Q_LOGGING_CATEGORY(lcBoard, "tesk.board", QtInfoMsg)
Q_LOGGING_CATEGORY(lcSpeech, "tesk.speech", QtInfoMsg)
Q_LOGGING_CATEGORY(lcMessages, "tesk.messages", QtInfoMsg)
Q_LOGGING_CATEGORY(lcSound, "tesk.sound", QtInfoMsg)
