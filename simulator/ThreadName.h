// Names the calling thread, as debuggers and the tests see it (at most 15
// characters, the Linux limit). One file per platform.
#pragma once

namespace V57Sim {

void NameThisThread(const char *name);

} // namespace V57Sim
