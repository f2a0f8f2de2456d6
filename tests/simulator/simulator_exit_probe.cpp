// Returns from main() with many requests of libV57API.so in flight. The
// library must drop them at exit and make no callback once the exit handlers
// that were registered before its first initialise run.
//
// On Windows a DLL cannot keep that promise: the program's exit handlers run
// first, with the library's threads still running, and the DLL's own only
// after the process has stopped those threads. There the exit must still be
// clean (no hang, no crash, status 0), and a late callback is no failure.
#include "V57API.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <unistd.h>

namespace {

std::atomic<bool> gInitialised{false};
std::atomic<bool> gLibraryMustBeQuiet{false};
std::atomic<int> gCompletions{0};

void PXV57_CALL OnInitialise(int32_t, void *) { gInitialised = true; }
#ifdef _WIN32
constexpr bool LateCallbackFails = false;
#else
constexpr bool LateCallbackFails = true;
#endif

void PXV57_CALL OnUpdate(int32_t, const uint8_t *, int32_t, void *)
{
    if (LateCallbackFails && gLibraryMustBeQuiet) {
        constexpr char message[] = "late callback\n";
        (void)!::write(2, message, sizeof message - 1);
        ::_exit(3);
    }
    ++gCompletions;
}

} // namespace

int main()
{
    // Runs after the library's exit handler, which is registered later, and
    // gives a worker that outlived it time to call back.
    std::atexit([] {
        gLibraryMustBeQuiet = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    });

    int32_t reference = 0;
    if (PXV57_Initialise(&reference, nullptr, OnInitialise, nullptr) != PXV57_PENDING)
        return 1;
    for (int k = 0; k < 2000 && !gInitialised; ++k)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (!gInitialised)
        return 2;
    for (int k = 0; k < 500; ++k)
        if (PXV57_UpdateEx(reference, nullptr, nullptr, 0, nullptr, nullptr, OnUpdate, nullptr)
            != PXV57_PENDING)
            return 4;
    return 0;
}
