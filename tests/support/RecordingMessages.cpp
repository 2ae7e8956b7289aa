#include "RecordingMessages.h"
