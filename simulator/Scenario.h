// The scenario language: timed lines that plug and unplug devices, turn their
// knobs "at the instrument", set their surroundings and make the link
// misbehave. The same lines, without a time, are accepted live on the control
// socket. The syntax is described in this folder's README.
#pragma once

#include "Stimulator.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace V57Sim {

// Where messages about bad lines go; by default standard error.
using TMessageSink = std::function<void(const std::string &)>;
void PrintToStderr(const std::string &message);

enum class TVerb {
    // devices
    Plug,
    Unplug,
    Set,
    Trigger,
    Zero,
    Load,
    Compliance,
    Input,
    Train,
    // link faults
    RefuseInit,
    InitError,
    NullReference,
    RefuseUpdates,
    Delay,
    DropCompletion,
    EmptyBlock,
    TruncatedBlock,
    // only at the start of a scenario file
    NoDefaultDevices,
    // only on the control socket
    State,
    Devices,
};

struct TCommand {
    TVerb Verb = TVerb::Devices;
    int32_t DeviceID = 0;
    uint32_t VersionID = 0;               // Plug
    TSetting Setting = TSetting::Demand;  // Set
    int32_t Value = 0;                    // Set value, result code, delay in ms, byte count
    int32_t Count = 1;                    // how many requests a fault affects
    double Amount = 0.0;                  // ohms, volts or hertz
};

struct TScenarioLine {
    TSimTime At{0};
    TCommand Command;
    std::string Where; // "file:line", for messages about the line
};

struct TScenario {
    bool NoDefaultDevices = false;
    std::vector<TScenarioLine> Lines; // in order of time, then of the file
};

// Parses a scenario file's text. Bad lines are reported to `sink` as
// "fileName:line: what is wrong" and left out.
TScenario ParseScenario(std::string_view text, const std::string &fileName,
                        const TMessageSink &sink);
// Reads and parses a scenario file; an unreadable file is reported and gives
// an empty scenario.
TScenario LoadScenarioFile(const std::string &path, const TMessageSink &sink);

// One live line from the control socket: a command, nothing (blank or
// comment), or the text of what is wrong.
struct TNoCommand {};
using TLiveLine = std::variant<TCommand, TNoCommand, std::string>;
TLiveLine ParseLiveLine(std::string_view line);

} // namespace V57Sim
