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

// The scripting functions leave the DLL beside the entry points on Windows.
#if defined(_WIN32)
#ifdef V57API_double_EXPORTS
#define V57DOUBLE_API __declspec(dllexport)
#else
#define V57DOUBLE_API __declspec(dllimport)
#endif
#else
#define V57DOUBLE_API
#endif

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
V57DOUBLE_API void Reset();

// Answers of the next requests. Initialise: the code it returns (997 by
// default), the reference it writes (1 by default; 0 writes none).
V57DOUBLE_API void SetInitialiseResult(int32_t result);
V57DOUBLE_API void SetReference(int32_t reference);
// Update results, taken one per request; when the queue is empty, 997.
V57DOUBLE_API void QueueUpdateResults(std::vector<int32_t> results);

V57DOUBLE_API int InitialiseCalls();
V57DOUBLE_API std::vector<TUpdateCall> UpdateCalls();
V57DOUBLE_API int PendingUpdates();

// Completes the pending initialise with this result, on the double's thread.
V57DOUBLE_API void CompleteInitialise(int32_t result);
// Completes the oldest pending update with these bytes. CompleteRaw passes
// any pointer and size, for contract violations.
V57DOUBLE_API void CompleteUpdate(const std::vector<uint8_t> &currentState);
V57DOUBLE_API void CompleteRaw(const uint8_t *data, int32_t size);
// A completion nobody asked for: the callback and parameter of the last
// update are called again.
V57DOUBLE_API void CompleteSpurious(const std::vector<uint8_t> &currentState);
// Blocks until every completion handed to the double's thread has been made.
V57DOUBLE_API void Flush();

V57DOUBLE_API std::thread::id CallbackThread();

} // namespace V57Double
