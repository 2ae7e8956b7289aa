#pragma once

#include <QLoggingCategory>

namespace tesk {

// "tesk.speech": creation of the engine, the synthesiser chosen, failures.
Q_DECLARE_LOGGING_CATEGORY(lcSpeech)

} // namespace tesk
