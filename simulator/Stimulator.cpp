#include "Stimulator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

namespace V57Sim {

using namespace StimulatorRecord;
using std::chrono::microseconds;

namespace {

int64_t CeilDiv(int64_t a, int64_t b) { return (a + b - 1) / b; }
int64_t CeilDiv(TSimTime a, TSimTime b) { return CeilDiv(a.count(), b.count()); }

// The value words of a settings record and the settings they carry.
constexpr std::pair<Word, TSetting> ValueWords[] = {
    {Demand, TSetting::Demand}, {Limit, TSetting::Limit},       {Width, TSetting::Width},
    {Recovery, TSetting::Recovery}, {Dwell, TSetting::Dwell},
};

} // namespace

TStimulator::TStimulator(int32_t deviceID, uint32_t versionID)
    : fDeviceID(deviceID), fVersionID(versionID)
{
}

void TStimulator::Set(TSetting setting, int32_t value)
{
    TDeviceSettings &s = fSettings;
    switch (setting) {
    case TSetting::Demand: s.Demand = std::clamp(value, 0, Range::DemandMax); break;
    case TSetting::Limit: s.Limit = std::clamp(value, 0, Range::NoLimit); break;
    case TSetting::Width: s.Width = std::clamp(value, Range::WidthMin, Range::WidthMax); break;
    case TSetting::Recovery:
        s.Recovery = std::clamp(value, Range::RecoveryMin, Range::RecoveryMax);
        break;
    case TSetting::Dwell: s.Dwell = std::clamp(value, Range::DwellMin, Range::DwellMax); break;
    case TSetting::Mode:
        if (value == MonoPhasic || value == BiPhasic)
            s.Mode = value;
        break;
    case TSetting::Polarity:
        if (value >= Positive && value <= Alternating)
            s.Polarity = value;
        break;
    case TSetting::Source:
        // Code 3 is read as external too; the device reports it as 2.
        if (value == Internal)
            s.Source = Internal;
        else if (value == External || value == 3)
            s.Source = External;
        break;
    case TSetting::Output: s.OutputEnabled = value != 0; break;
    case TSetting::Beep: s.BeepOn = value != 0; break;
    }
}

void TStimulator::ApplyControlWord(uint32_t word)
{
    const TControlFields f = DecodeControlWord(word);
    Set(TSetting::Output, f.Output);
    Set(TSetting::Mode, f.Mode);
    Set(TSetting::Polarity, f.Polarity);
    Set(TSetting::Source, f.Source);
    Set(TSetting::Beep, f.BeeperOff == 0);
}

void TStimulator::ApplySettingsRecord(const uint8_t *record, TSimTime now)
{
    RunUntil(now);
    const int32_t control = DeviceBlock::Word(record, ControlWord);
    if (control != NoChange)
        ApplyControlWord(uint32_t(control));
    for (const auto &[word, setting] : ValueWords) {
        const int32_t value = DeviceBlock::Word(record, word);
        if (value != NoChange)
            Set(setting, value);
    }
    // The one-shot requests act on the settings that came with them.
    if (control == NoChange)
        return;
    const TControlFields f = DecodeControlWord(uint32_t(control));
    if (f.Zero)
        Zero();
    if (f.Trigger)
        Trigger(now);
}

void TStimulator::Zero() { fBench.InputOffsetVolts = fBench.InputVolts; }

void TStimulator::Trigger(TSimTime now)
{
    RunUntil(now);
    if (!fSettings.OutputEnabled)
        return;
    if (now < fReadyAt) {
        ++fCTooFast;
        return;
    }
    DeliverPulses(1);
    fReadyAt = now + PulseCycle();
}

void TStimulator::SetTrainRate(double hertz, TSimTime now)
{
    RunUntil(now);
    fTrainRateHz = hertz > 0 ? hertz : 0.0;
    fTrainPeriod = TSimTime(hertz > 0 ? std::max<int64_t>(1, std::llround(1e9 / hertz)) : 0);
    fNextTrainTrigger = now;
}

void TStimulator::RunUntil(TSimTime now)
{
    const TSimTime period = fTrainPeriod;
    if (period <= TSimTime::zero() || fNextTrainTrigger > now)
        return;
    if (!fSettings.OutputEnabled) {
        fNextTrainTrigger += ((now - fNextTrainTrigger) / period + 1) * period;
        return;
    }
    // Counted in closed form rather than trigger by trigger, so a long gap
    // between two requests costs no more than a short one.
    while (fNextTrainTrigger <= now) {
        if (fNextTrainTrigger < fReadyAt) {
            const int64_t whileBusy = CeilDiv(fReadyAt - fNextTrainTrigger, period);
            const int64_t untilNow = (now - fNextTrainTrigger) / period + 1;
            const int64_t tooFast = std::min(whileBusy, untilNow);
            fCTooFast += uint32_t(tooFast);
            fNextTrainTrigger += tooFast * period;
            continue;
        }
        // Ready: from here the train repeats one pulse followed by k - 1
        // triggers that come too fast, k being the cycle in whole periods.
        const TSimTime cycle = PulseCycle();
        const int64_t k = std::max<int64_t>(1, CeilDiv(cycle, period));
        const int64_t pulses = (now - fNextTrainTrigger) / (k * period) + 1;
        const TSimTime lastPulse = fNextTrainTrigger + (pulses - 1) * k * period;
        DeliverPulses(uint64_t(pulses));
        fCTooFast += uint32_t((pulses - 1) * (k - 1));
        fReadyAt = lastPulse + cycle;
        fNextTrainTrigger = lastPulse + period;
    }
}

void TStimulator::DeliverPulses(uint64_t count)
{
    // The counters are 32-bit on the device and wrap.
    fCPulse += uint32_t(count);
    if (OutOfCompliance())
        fCOOC += uint32_t(count);
}

TSimTime TStimulator::PulseCycle() const
{
    const TDeviceSettings &s = fSettings;
    TSimTime cycle = microseconds(s.Width);
    if (s.Mode == BiPhasic) {
        // The recovery phase carries the same charge at Recovery % of the
        // demand, so it lasts 100 / Recovery times as long.
        cycle += microseconds(s.Dwell) + microseconds(CeilDiv(int64_t(s.Width) * 100, s.Recovery));
    }
    return cycle + MinimumRest;
}

int32_t TStimulator::ReportedDemand() const
{
    if (fSettings.Source != External)
        return fSettings.Demand;
    // 10 V at the input is the limit, or full scale without one.
    const int32_t scale = std::min(fSettings.Limit, Range::DemandMax);
    const double volts = fBench.InputVolts - fBench.InputOffsetVolts;
    const long demand = std::lround(volts / 10.0 * scale);
    return int32_t(std::clamp<long>(demand, 0, scale));
}

int32_t TStimulator::PulseCurrent() const
{
    return std::min({ReportedDemand(), fSettings.Limit, Range::DemandMax});
}

bool TStimulator::OutOfCompliance() const
{
    // Tenths of a milliampere times ohms against volts times 10^4: exact for
    // whole values on every FPU. (Through amperes, 0.1 A into 1 kOhm came out
    // above 100 V under x87's extended precision.)
    return double(PulseCurrent()) * fBench.LoadOhms > fBench.ComplianceVolts * 1e4;
}

TReport TStimulator::Report() const
{
    TReport r;
    r.DeviceID = fDeviceID;
    r.VersionID = fVersionID;
    r.Control.Output = fSettings.OutputEnabled ? 1 : 0;
    r.Control.Mode = fSettings.Mode;
    r.Control.Polarity = fSettings.Polarity;
    r.Control.Source = fSettings.Source;
    r.Control.BeeperOff = fSettings.BeepOn ? 0 : 1;
    r.Demand = ReportedDemand();
    r.Limit = fSettings.Limit;
    r.Width = fSettings.Width;
    r.Recovery = fSettings.Recovery;
    r.Dwell = fSettings.Dwell;
    r.CPulse = fCPulse;
    r.COOC = fCOOC;
    r.CTooFast = fCTooFast;
    return r;
}

std::string TStimulator::StateText() const
{
    const TReport r = Report();
    char text[512];
    std::snprintf(text, sizeof text,
                  "id=0x%08X version=%s output=%d mode=%d polarity=%d source=%d beepoff=%d "
                  "demand=%d limit=%d width=%d recovery=%d dwell=%d CPulse=%u COOC=%u "
                  "CTooFast=%u load=%g compliance=%g input=%g offset=%g train=%g",
                  uint32_t(r.DeviceID), DeviceBlock::VersionText(r.VersionID).c_str(),
                  r.Control.Output, r.Control.Mode, r.Control.Polarity, r.Control.Source,
                  r.Control.BeeperOff, r.Demand, r.Limit, r.Width, r.Recovery, r.Dwell, r.CPulse,
                  r.COOC, r.CTooFast, fBench.LoadOhms, fBench.ComplianceVolts, fBench.InputVolts,
                  fBench.InputOffsetVolts, fTrainRateHz);
    return text;
}

} // namespace V57Sim
