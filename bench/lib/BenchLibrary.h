// A device library for the benchmarks, named libV57API.so like the real one
// and keeping its contract: 997, then one callback on a thread of its own,
// after a chosen latency (none by default). The current state comes from the
// simulator's device model. It records when each request arrives, so a
// benchmark can time the way from a click or a completion to the library.
//
// Environment, for whole programs run on it:
//   PXV57_BENCH_DEVICES   devices connected at the first initialise (0)
//   PXV57_BENCH_LATENCY_MS  completion latency (0)
//   PXV57_BENCH_EVENTS    a file that gets one line "EVENT NANOSECONDS" (steady
//                         clock) for "initialise", each "update" and the first
//                         exposure of a window, "shown".
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

namespace BenchLibrary {

using TClock = std::chrono::steady_clock;

// Connects `count` devices with default settings in place of the present ones.
void SetDevices(int count);
// Every device reports this demand (tenths of a mA) from now on.
void SetDemand(int32_t demand);
void SetLatency(std::chrono::microseconds latency);

// Blocks until every accepted request has been completed and its callback
// has returned.
void WaitIdle();

// When each PXV57_UpdateEx call arrived, and how many arrived while an
// earlier accepted update was still waiting for its completion.
std::vector<TClock::time_point> UpdateTimes();
int OverlappingUpdates();
void ClearRecords();

} // namespace BenchLibrary
