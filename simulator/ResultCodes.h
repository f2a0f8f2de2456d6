// The result codes our device library returns besides 997 (accepted). They
// follow the numbering of the platform's system error codes, as 997 does.
#pragma once

#include "V57API.h"

#include <cstdint>

namespace V57Sim::ResultCode {
constexpr int32_t Ready = 0;                  // initialise completion: ready
constexpr int32_t Pending = PXV57_PENDING;    // accepted, one callback follows
constexpr int32_t InvalidHandle = 6;          // a reference the library did not hand out
constexpr int32_t NotEnoughMemory = 8;        // a request could not be stored
constexpr int32_t NotReady = 21;              // the library has shut down (process exit)
constexpr int32_t InvalidParameter = 87;      // null handle address or callback, bad length
constexpr int32_t Busy = 170;                 // initialise while a close is completing
constexpr int32_t AlreadyInitialised = 1247;  // initialise while a reference is out
constexpr int32_t InternalError = 1359;       // the library could not start its threads
} // namespace V57Sim::ResultCode
