#include "DebugOutput.h"

// Qt's own handler writes the channel's lines to standard error.
void InstallDebugOutputChannel() {}
