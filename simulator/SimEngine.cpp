#include "SimEngine.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace V57Sim {

namespace {

constexpr std::string_view ErrorPrefix = "error: ";

std::string HexID(int32_t deviceID)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", uint32_t(deviceID));
    return text;
}

std::string NoDevice(int32_t deviceID) { return std::string(ErrorPrefix) + "no device " + HexID(deviceID); }

} // namespace

TSimEngine::TSimEngine(TScenario scenario, TMessageSink sink)
    : fScenario(std::move(scenario)), fSink(std::move(sink))
{
    if (!fScenario.NoDefaultDevices)
        for (const TDefaultDevice &d : DefaultDevices)
            fDevices.emplace_back(d.DeviceID, d.VersionID);
}

void TSimEngine::AdvanceTo(TSimTime now)
{
    now = std::max(now, fNow);
    const auto &lines = fScenario.Lines;
    for (; fNextLine < lines.size() && lines[fNextLine].At <= now; ++fNextLine) {
        const TScenarioLine &line = lines[fNextLine];
        for (TStimulator &device : fDevices)
            device.RunUntil(line.At);
        const std::string answer = Apply(line.Command, line.At);
        if (answer.starts_with(ErrorPrefix))
            fSink(line.Where + ": " + answer.substr(ErrorPrefix.size()));
    }
    for (TStimulator &device : fDevices)
        device.RunUntil(now);
    fNow = now;
}

std::string TSimEngine::Execute(const TCommand &command, TSimTime now)
{
    AdvanceTo(now);
    return Apply(command, fNow);
}

std::string TSimEngine::Apply(const TCommand &c, TSimTime now)
{
    switch (c.Verb) {
    case TVerb::Plug:
        if (FindDevice(c.DeviceID))
            return std::string(ErrorPrefix) + HexID(c.DeviceID) + " is already connected";
        fDevices.emplace_back(c.DeviceID, c.VersionID);
        return "ok";
    case TVerb::Devices: {
        std::string answer = "devices";
        for (const TStimulator &device : fDevices)
            answer += " " + HexID(device.DeviceID());
        return answer;
    }
    case TVerb::RefuseInit:
    case TVerb::InitError:
    case TVerb::NullReference:
    case TVerb::RefuseUpdates:
    case TVerb::Delay:
    case TVerb::DropCompletion:
    case TVerb::EmptyBlock:
    case TVerb::TruncatedBlock: fFaults.Apply(c); return "ok";
    case TVerb::NoDefaultDevices:
        return std::string(ErrorPrefix) + "no-default-devices belongs at the start";
    default: break;
    }

    // The rest name a connected device.
    TStimulator *device = FindDevice(c.DeviceID);
    if (!device)
        return NoDevice(c.DeviceID);
    switch (c.Verb) {
    case TVerb::Unplug:
        fDevices.erase(fDevices.begin() + (device - fDevices.data()));
        break;
    case TVerb::Set: device->Set(c.Setting, c.Value); break;
    case TVerb::Trigger: device->Trigger(now); break;
    case TVerb::Zero: device->Zero(); break;
    case TVerb::Load: device->SetLoad(c.Amount); break;
    case TVerb::Compliance: device->SetCompliance(c.Amount); break;
    case TVerb::Input: device->SetInput(c.Amount); break;
    case TVerb::Train: device->SetTrainRate(c.Amount, now); break;
    case TVerb::State: return device->StateText();
    default: break;
    }
    return "ok";
}

std::vector<uint8_t> TSimEngine::Update(std::span<const uint8_t> newState, TSimTime now)
{
    AdvanceTo(now);
    const DeviceBlock::TBlockView block(newState.data(), newState.size(), StimulatorRecord::Size);
    for (int k = 0; k < block.RecordCount(); ++k)
        if (TStimulator *device = FindDevice(block.DeviceID(k)))
            device->ApplySettingsRecord(block.Record(k), fNow);
    return CurrentStateBlock();
}

std::vector<uint8_t> TSimEngine::CurrentStateBlock() const
{
    const int count = int(fDevices.size());
    std::vector<uint8_t> block(DeviceBlock::BlockSize(count, StimulatorRecord::Size));
    DeviceBlock::WriteInt32(block.data(), count);
    for (int k = 0; k < count; ++k)
        StimulatorRecord::WriteReport(block.data() + DeviceBlock::RecordOffset(k, StimulatorRecord::Size),
                                      fDevices[std::size_t(k)].Report());
    return block;
}

const TStimulator *TSimEngine::Device(int32_t deviceID) const
{
    const auto it = std::find_if(fDevices.begin(), fDevices.end(),
                                 [&](const TStimulator &d) { return d.DeviceID() == deviceID; });
    return it == fDevices.end() ? nullptr : &*it;
}

TStimulator *TSimEngine::FindDevice(int32_t deviceID)
{
    return const_cast<TStimulator *>(std::as_const(*this).Device(deviceID));
}

} // namespace V57Sim
