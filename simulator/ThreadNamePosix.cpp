#include "ThreadName.h"

#include <pthread.h>

namespace V57Sim {

void NameThisThread(const char *name) { ::pthread_setname_np(::pthread_self(), name); }

} // namespace V57Sim
