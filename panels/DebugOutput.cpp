#include "DebugOutput.h"

// Debug messages are below the default threshold, so the channel is silent
// until a rule asks for it.
Q_LOGGING_CATEGORY(lcDebugOutput, "pellix.debugoutput", QtInfoMsg)
