#include "ProcessExit.h"

namespace V57Sim {

// Exit handlers run while every thread still runs.
bool OtherThreadsAreGone() { return false; }

} // namespace V57Sim
