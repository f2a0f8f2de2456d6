// What the library may still do while the process exits.
//
// On Linux the library's statics are destroyed among the exit handlers,
// while its threads still run: it stops them there. On Windows a DLL's
// statics are destroyed only after the process has stopped its other threads,
// wherever they were: a thread cannot be joined any more, and a lock it held
// stays taken. One file per platform (ProcessExitPosix.cpp, ProcessExitWindows.cpp).
#pragma once

namespace V57Sim {

// True once the process's other threads have been stopped for its exit.
bool OtherThreadsAreGone();

} // namespace V57Sim
