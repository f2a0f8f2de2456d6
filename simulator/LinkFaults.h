// The ways the simulated link misbehaves on request: refused and failed
// initialises, refused updates, slow, lost, empty and truncated completions.
// Each fault is set by a scenario line and consumed by the requests it hits.
#pragma once

#include "Scenario.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace V57Sim {

using namespace std::chrono_literals;

// What happens to the next initialise.
struct TInitialiseFault {
    std::optional<int32_t> RefuseCode; // returned instead of 997; no callback
    int32_t CompletionResult = 0;      // 0: ready
    bool NullReference = false;        // hand out 0 instead of a reference
};

// What happens to the completion of one accepted update.
struct TUpdateFault {
    bool Drop = false;  // no callback at all
    bool Empty = false; // a null block of size 0
    std::optional<std::size_t> TruncateTo;

    // The block as the callback delivers it.
    std::vector<uint8_t> Shape(std::vector<uint8_t> block) const;
};

class TLinkFaults {
public:
    static constexpr std::chrono::milliseconds DefaultLatency = 5ms;

    // Takes a fault command (RefuseInit to TruncatedBlock).
    void Apply(const TCommand &command);

    TInitialiseFault TakeInitialiseFault();
    // The code to refuse the next update with, if one is due.
    std::optional<int32_t> TakeUpdateRefusal();
    TUpdateFault TakeUpdateFault();
    std::chrono::milliseconds Latency() const { return fLatency; }

private:
    std::optional<int32_t> fRefuseInitCode;
    int32_t fInitError = 0;
    bool fNullReference = false;
    int32_t fRefuseUpdates = 0;
    int32_t fRefuseUpdateCode = 0;
    std::chrono::milliseconds fLatency = DefaultLatency;
    int32_t fDrops = 0;
    int32_t fEmpties = 0;
    int32_t fTruncations = 0;
    std::size_t fTruncateTo = 0;
};

} // namespace V57Sim
