#include "ProcessExit.h"

#include <windows.h>

#include <atomic>

namespace {

std::atomic<bool> gProcessExiting{false};

} // namespace

// Called before the DLL's statics are destroyed. At process exit (a non-null
// `reserved`) the other threads have been stopped already.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_DETACH && reserved != nullptr)
        gProcessExiting = true;
    return TRUE;
}

namespace V57Sim {

bool OtherThreadsAreGone() { return gProcessExiting; }

} // namespace V57Sim
