// The simulated instruments and link behind the library's entry points: the
// connected devices, the scenario's timeline and the link faults. It owns no
// thread and reads no clock: the caller tells it the time (since initialise),
// so tests drive it with a virtual clock.
#pragma once

#include "LinkFaults.h"
#include "Scenario.h"
#include "Stimulator.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace V57Sim {

// The stimulators connected when no scenario says otherwise.
struct TDefaultDevice {
    int32_t DeviceID;
    uint32_t VersionID;
};
inline constexpr TDefaultDevice DefaultDevices[] = {
    {0x00A1B201, 0x0104000C}, // version 1.4.0.12
    {0x00A1B214, 0x01030207}, // version 1.3.2.7
};

class TSimEngine {
public:
    explicit TSimEngine(TScenario scenario = {}, TMessageSink sink = PrintToStderr);

    // Plays the scenario lines due by `now` and runs the devices up to it.
    // Time never runs back: an earlier `now` counts as the latest one seen.
    void AdvanceTo(TSimTime now);
    // Carries out a live command at `now`. The answer is "ok", a state query's
    // text, or "error: " and what is wrong.
    std::string Execute(const TCommand &command, TSimTime now);

    // An update at `now`: applies the settings records of `newState` to the
    // connected devices they name and answers the current state block.
    std::vector<uint8_t> Update(std::span<const uint8_t> newState, TSimTime now);
    // DeviceCount, then each connected device's record, in the order they
    // were plugged in.
    std::vector<uint8_t> CurrentStateBlock() const;

    TLinkFaults &Faults() { return fFaults; }
    const std::vector<TStimulator> &Devices() const { return fDevices; }
    const TStimulator *Device(int32_t deviceID) const;

private:
    TStimulator *FindDevice(int32_t deviceID);
    // Carries out a command; the answer for the queries, or an error that
    // begins with "error: ".
    std::string Apply(const TCommand &command, TSimTime now);

    TScenario fScenario;
    std::size_t fNextLine = 0;
    TMessageSink fSink;
    TSimTime fNow{0};
    std::vector<TStimulator> fDevices;
    TLinkFaults fFaults;
};

} // namespace V57Sim
