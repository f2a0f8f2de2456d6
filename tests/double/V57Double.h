// A scripted stand-in for the device library, for tests of the session and
// the panels. It keeps the library's contract (997 followed by one callback on
// a thread of its own), but completes a request only when the test says so,
// with whatever bytes the test hands it.
#pragma once

#include "V57API.h"

#include <cstdint>
#include <optional>
#include <thread>
#include <vector>

namespace V57Double {

struct TUpdateCall {
    int32_t Reference = 0;
    bool NewStateNull = true;
    int32_t NewStateSize = 0;
    std::vector<uint8_t> NewState; // copied during the call
    int32_t CurrentStateSizeIn = -1;
    bool CurrentStateNull = true;
    std::thread::id Caller;
};

// Back to the start: no calls recorded, nothing pending, default answers.
void Reset();

// Answers of the next requests. Initialise: the code it returns (997 by
// default), the reference it writes (1 by default; 0 writes none).
void SetInitialiseResult(int32_t result);
void SetReference(int32_t reference);
// Update results, taken one per request; when the queue is empty, 997.
void QueueUpdateResults(std::vector<int32_t> results);

int InitialiseCalls();
std::vector<TUpdateCall> UpdateCalls();
int PendingUpdates();

// Completes the pending initialise with this result, on the double's thread.
void CompleteInitialise(int32_t result);
// Completes the oldest pending update with these bytes. CompleteRaw passes
// any pointer and size, for contract violations.
void CompleteUpdate(const std::vector<uint8_t> &currentState);
void CompleteRaw(const uint8_t *data, int32_t size);
// A completion nobody asked for: the callback and parameter of the last
// update are called again.
void CompleteSpurious(const std::vector<uint8_t> &currentState);
// Blocks until every completion handed to the double's thread has been made.
void Flush();

std::thread::id CallbackThread();

} // namespace V57Double
