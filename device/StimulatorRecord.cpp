#include "StimulatorRecord.h"

namespace StimulatorRecord {

using DeviceBlock::SetWord;

TControlFields DecodeControlWord(uint32_t w)
{
    TControlFields f;
    f.Output = int32_t(w & Bits::OutputMask);
    f.Mode = int32_t((w >> Bits::ModeShift) & Bits::FieldMask);
    f.Polarity = int32_t((w >> Bits::PolarityShift) & Bits::FieldMask);
    f.Source = int32_t((w >> Bits::SourceShift) & Bits::FieldMask);
    f.BeeperOff = int32_t((w >> Bits::BeeperOffShift) & Bits::BeeperOffMask);
    f.Zero = (w & Bits::Zero) != 0;
    f.Trigger = (w & Bits::Trigger) != 0;
    return f;
}

uint32_t EncodeControlFields(const TControlFields &f)
{
    uint32_t w = uint32_t(f.Output) & Bits::OutputMask;
    w |= (uint32_t(f.Mode) & Bits::FieldMask) << Bits::ModeShift;
    w |= (uint32_t(f.Polarity) & Bits::FieldMask) << Bits::PolarityShift;
    w |= (uint32_t(f.Source) & Bits::FieldMask) << Bits::SourceShift;
    w |= (uint32_t(f.BeeperOff) & Bits::BeeperOffMask) << Bits::BeeperOffShift;
    if (f.Zero)
        w |= Bits::Zero;
    if (f.Trigger)
        w |= Bits::Trigger;
    return w;
}

uint32_t EncodeControlWord(const TControlRequest &r)
{
    uint32_t w = 0;
    w |= (uint32_t(r.Mode) & Bits::FieldMask) << Bits::ModeShift;
    w |= (uint32_t(r.Polarity) & Bits::FieldMask) << Bits::PolarityShift;
    w |= uint32_t(r.SourceInternal ? Internal : External) << Bits::SourceShift;
    if (r.OutputEnabled)
        w |= 1;
    if (r.Trigger)
        w |= Bits::Trigger;
    if (!r.BeepOn)
        w |= 1u << Bits::BeeperOffShift;
    if (r.Zero)
        w |= Bits::Zero;
    return w;
}

void WriteSettings(uint8_t *record, const TSettings &s)
{
    SetWord(record, DeviceID, s.DeviceID);
    SetWord(record, ControlWord, int32_t(s.ControlWord));
    SetWord(record, Demand, s.Demand);
    SetWord(record, Limit, s.Limit);
    SetWord(record, Width, s.Width);
    SetWord(record, Recovery, s.Recovery);
    SetWord(record, Dwell, s.Dwell);
}

void WritePoll(uint8_t *record, int32_t deviceID)
{
    SetWord(record, DeviceID, deviceID);
    for (int w = ControlWord; w <= Dwell; ++w)
        SetWord(record, w, NoChange);
}

TReport ReadReport(const uint8_t *record)
{
    using DeviceBlock::Word;
    TReport r;
    r.DeviceID = Word(record, DeviceID);
    r.VersionID = uint32_t(Word(record, VersionID));
    r.Control = DecodeControlWord(uint32_t(Word(record, ControlWord)));
    r.Demand = Word(record, Demand);
    r.Limit = Word(record, Limit);
    r.Width = Word(record, Width);
    r.Recovery = Word(record, Recovery);
    r.Dwell = Word(record, Dwell);
    r.CPulse = uint32_t(Word(record, CPulse));
    r.COOC = uint32_t(Word(record, COOC));
    r.CTooFast = uint32_t(Word(record, CTooFast));
    return r;
}

void WriteReport(uint8_t *record, const TReport &r)
{
    SetWord(record, DeviceID, r.DeviceID);
    SetWord(record, VersionID, int32_t(r.VersionID));
    SetWord(record, 2, 0); // unused word
    SetWord(record, ControlWord, int32_t(EncodeControlFields(r.Control)));
    SetWord(record, Demand, r.Demand);
    SetWord(record, Limit, r.Limit);
    SetWord(record, Width, r.Width);
    SetWord(record, Recovery, r.Recovery);
    SetWord(record, Dwell, r.Dwell);
    SetWord(record, CPulse, int32_t(r.CPulse));
    SetWord(record, COOC, int32_t(r.COOC));
    SetWord(record, CTooFast, int32_t(r.CTooFast));
    SetWord(record, 12, 0); // unused word
}

void CarryOneShotRequests(const uint8_t *replaced, uint8_t *record)
{
    const uint32_t oneShots = uint32_t(DeviceBlock::Word(replaced, ControlWord)) & (Bits::Zero | Bits::Trigger);
    DeviceBlock::SetWord(record, ControlWord, int32_t(uint32_t(DeviceBlock::Word(record, ControlWord)) | oneShots));
}

} // namespace StimulatorRecord
