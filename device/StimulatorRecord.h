// The stimulator's 52-byte device record and its control word.
#pragma once

#include "DeviceStateBlock.h"

#include <cstdint>

namespace StimulatorRecord {

constexpr int Size = 52;

// Word numbers within the record.
enum Word : int {
    DeviceID = 0,
    VersionID = 1,
    ControlWord = 3,
    Demand = 4,
    Limit = 5,
    Width = 6,
    Recovery = 7,
    Dwell = 8,
    CPulse = 9,
    COOC = 10,
    CTooFast = 11,
};

// A settings word holding this asks for no change (poll records).
constexpr int32_t NoChange = -1;

// Codes of the control word's fields.
enum ModeCode : int32_t { MonoPhasic = 1, BiPhasic = 2 };
enum PolarityCode : int32_t { Positive = 1, Negative = 2, Alternating = 3 };
enum SourceCode : int32_t { Internal = 1, External = 2 };

namespace Bits {
constexpr uint32_t OutputMask = 0x3;
constexpr int ModeShift = 2;
constexpr int PolarityShift = 5;
constexpr int SourceShift = 8;
constexpr uint32_t FieldMask = 0x7; // mode, polarity and source are 3 bits wide
constexpr uint32_t Zero = 0x800;
constexpr uint32_t Trigger = 0x2000;
constexpr int BeeperOffShift = 15;
constexpr uint32_t BeeperOffMask = 0x3;
} // namespace Bits

// The control word split into its fields, each shifted down to bit 0.
struct TControlFields {
    int32_t Output = 0;    // 0 disabled, 1..3 enabled
    int32_t Mode = 0;      // ModeCode; others name no mode
    int32_t Polarity = 0;  // PolarityCode; others name no polarity
    int32_t Source = 0;    // 1 internal, 2 or 3 external; others name no source
    int32_t BeeperOff = 0; // 0 beep on, 1..3 beep off
    bool Zero = false;
    bool Trigger = false;
};

TControlFields DecodeControlWord(uint32_t word);
// The inverse of DecodeControlWord: each field masked and put in its place.
uint32_t EncodeControlFields(const TControlFields &fields);

// What a panel puts into a settings record's control word.
struct TControlRequest {
    bool OutputEnabled = false;
    int32_t Mode = 0;
    int32_t Polarity = 0;
    bool SourceInternal = true;
    bool BeepOn = true;
    bool Zero = false;
    bool Trigger = false;
};

uint32_t EncodeControlWord(const TControlRequest &request);

// The settings a panel sends for its device.
struct TSettings {
    int32_t DeviceID = 0;
    uint32_t ControlWord = 0;
    int32_t Demand = 0;
    int32_t Limit = 0;
    int32_t Width = 0;
    int32_t Recovery = 0;
    int32_t Dwell = 0;
};

// Writes words 0 and 3 to 8; the other words are left as they are.
void WriteSettings(uint8_t *record, const TSettings &settings);
// Writes the device ID and NoChange in words 3 to 8; the others are left.
void WritePoll(uint8_t *record, int32_t deviceID);

// Adds the one-shot requests (Zero, Trigger) of a settings record that is
// replaced before it went out to the record that replaces it.
void CarryOneShotRequests(const uint8_t *replaced, uint8_t *record);

// A device's current-state record, as read.
struct TReport {
    int32_t DeviceID = 0;
    uint32_t VersionID = 0;
    TControlFields Control;
    int32_t Demand = 0;
    int32_t Limit = 0;
    int32_t Width = 0;
    int32_t Recovery = 0;
    int32_t Dwell = 0;
    uint32_t CPulse = 0;
    uint32_t COOC = 0;
    uint32_t CTooFast = 0;
};

TReport ReadReport(const uint8_t *record);
// Writes a current-state record, as a device library reports it: words 2 and
// 12 are 0.
void WriteReport(uint8_t *record, const TReport &report);

} // namespace StimulatorRecord
