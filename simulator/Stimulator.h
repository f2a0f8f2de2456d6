// One simulated stimulator: the settings it holds, its analog demand input,
// its output stage (load and compliance), its external trigger train and the
// event counters it reports.
//
// The model never reads a clock. Every operation that depends on time is told
// the time, so tests can drive it with a virtual clock and get the same
// counters every run.
#pragma once

#include "StimulatorRecord.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace V57Sim {

// Time since the library was initialised.
using TSimTime = std::chrono::nanoseconds;

// The instrument's ranges. Values outside them are clamped, as the front
// panel of a real instrument would.
namespace Range {
constexpr int32_t DemandMax = 10000; // 1000.0 mA
constexpr int32_t NoLimit = 10000;   // a limit of this or more means none
constexpr int32_t WidthMin = 50;
constexpr int32_t WidthMax = 2000;
constexpr int32_t RecoveryMin = 10;
constexpr int32_t RecoveryMax = 100;
constexpr int32_t DwellMin = 1;
constexpr int32_t DwellMax = 990;
} // namespace Range

// After the last phase of a pulse the output stage needs this long before it
// accepts the next trigger.
constexpr std::chrono::microseconds MinimumRest{1000};

// The settings a device holds, in the codes of its record.
struct TDeviceSettings {
    bool OutputEnabled = false;
    int32_t Mode = StimulatorRecord::MonoPhasic;
    int32_t Polarity = StimulatorRecord::Positive;
    int32_t Source = StimulatorRecord::Internal;
    bool BeepOn = true;
    int32_t Demand = 100; // 10.0 mA
    int32_t Limit = Range::NoLimit;
    int32_t Width = 200;
    int32_t Recovery = 100;
    int32_t Dwell = 10;
};

// The electrical surroundings of a device, set only by scenarios.
struct TDeviceBench {
    double LoadOhms = 1000.0;
    double ComplianceVolts = 100.0;
    double InputVolts = 0.0;       // at the external demand input
    double InputOffsetVolts = 0.0; // nulled by a zero request
};

// What can be set "at the instrument" by name.
enum class TSetting { Demand, Limit, Width, Recovery, Dwell, Mode, Polarity, Source, Output, Beep };

class TStimulator {
public:
    TStimulator(int32_t deviceID, uint32_t versionID);

    int32_t DeviceID() const { return fDeviceID; }
    uint32_t VersionID() const { return fVersionID; }
    const TDeviceSettings &Settings() const { return fSettings; }

    // Fires the external trigger train up to and including `now`. Call it
    // before anything that changes the device at `now`.
    void RunUntil(TSimTime now);

    // Applies the settings words of a stimulator record (ControlWord to
    // Dwell; -1 leaves a word unchanged), then its zero and trigger requests.
    void ApplySettingsRecord(const uint8_t *record, TSimTime now);

    // Sets one setting, clamped to its range; unknown codes are ignored.
    void Set(TSetting setting, int32_t value);
    void Trigger(TSimTime now);
    // Nulls the present input voltage.
    void Zero();
    void SetLoad(double ohms) { fBench.LoadOhms = ohms; }
    void SetCompliance(double volts) { fBench.ComplianceVolts = volts; }
    void SetInput(double volts) { fBench.InputVolts = volts; }
    // Starts (or, with 0, stops) the external trigger train; its first
    // trigger comes at `now`.
    void SetTrainRate(double hertz, TSimTime now);

    // The demand the device reports: the set one with the internal source,
    // the scaled input with the external one.
    int32_t ReportedDemand() const;
    // The current of a pulse, in tenths of a mA: the demand capped by the limit.
    int32_t PulseCurrent() const;
    bool OutOfCompliance() const;
    // From a trigger until the device is ready for the next one.
    TSimTime PulseCycle() const;

    StimulatorRecord::TReport Report() const;
    // One line of "name=value" words, for the control socket.
    std::string StateText() const;

private:
    void DeliverPulses(uint64_t count);
    void ApplyControlWord(uint32_t word);

    int32_t fDeviceID;
    uint32_t fVersionID;
    TDeviceSettings fSettings;
    TDeviceBench fBench;

    uint32_t fCPulse = 0;
    uint32_t fCOOC = 0;
    uint32_t fCTooFast = 0;

    TSimTime fReadyAt{0};     // the earliest time a trigger is not too fast
    double fTrainRateHz = 0.0;
    TSimTime fTrainPeriod{0}; // 0: no train
    TSimTime fNextTrainTrigger{0};
};

} // namespace V57Sim
