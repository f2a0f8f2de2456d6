#include "BlockPath.h"

#include "app/MainWindowFixture.h"

#include <algorithm>
#include <array>
#include <map>
#include <optional>

namespace BlockPath {
namespace {

using namespace StimulatorRecord;

constexpr int Words = Size / 4;
constexpr int32_t Untouched = int32_t(0xA5A5A5A5);
constexpr std::array SettingWords{Demand, Limit, Width, Recovery, Dwell};

// What a panel's next settings record must carry, from the reports so far.
// Taken from a settings record instead, it is what the panel sends now: its
// values are never negative and its source code is 1 or 2.
struct TExpected {
    std::array<int32_t, SettingWords.size()> Values{};
    int32_t Mode = 0;
    int32_t Polarity = 0;
    bool OutputEnabled = false;
    bool BeepOff = false;
    std::optional<bool> SourceInternal; // unknown until a code names a source

    void Report(const uint8_t *record)
    {
        for (std::size_t i = 0; i < SettingWords.size(); ++i) {
            const int32_t v = DeviceBlock::Word(record, SettingWords[i]);
            if (v >= 0)
                Values[i] = v;
        }
        const TControlFields control = DecodeControlWord(uint32_t(DeviceBlock::Word(record, ControlWord)));
        Mode = control.Mode;
        Polarity = control.Polarity;
        OutputEnabled = control.Output != 0;
        BeepOff = control.BeeperOff != 0;
        if (control.Source == Internal)
            SourceInternal = true;
        else if (control.Source == External || control.Source == 3) // 3: External again
            SourceInternal = false;
    }
};

using TRecord = std::array<uint8_t, Size>;

TRecord Written(TFGenericDeviceIntf &panel, void (TFGenericDeviceIntf::*write)(uint8_t *))
{
    TRecord record;
    for (int w = 0; w < Words; ++w)
        DeviceBlock::SetWord(record.data(), w, Untouched);
    (panel.*write)(record.data());
    return record;
}

class TChecker {
public:
    const std::string &Failure() const { return fFailure; }

    // Only the first failure is told: what follows from it adds nothing.
    template <typename T>
    void Expect(bool holds, int32_t id, const char *what, T got, T wanted)
    {
        if (!holds && fFailure.empty())
            fFailure = "device " + std::to_string(id) + ": " + what + " is " + std::to_string(got)
                       + ", expected " + std::to_string(wanted);
    }

    void Settings(int32_t id, const TRecord &r, const TExpected &e)
    {
        const uint8_t *p = r.data();
        Expect(DeviceBlock::Word(p, DeviceID) == id, id, "settings ID", DeviceBlock::Word(p, DeviceID), id);
        for (std::size_t i = 0; i < SettingWords.size(); ++i) {
            const int32_t got = DeviceBlock::Word(p, SettingWords[i]);
            Expect(got == e.Values[i], id, "a settings value", got, e.Values[i]);
        }
        for (int w : {2, 9, 10, 11, 12})
            Expect(DeviceBlock::Word(p, w) == Untouched, id, "a word not its own", DeviceBlock::Word(p, w), Untouched);
        const TControlFields c = DecodeControlWord(uint32_t(DeviceBlock::Word(p, ControlWord)));
        Expect(c.Mode == e.Mode, id, "mode", c.Mode, e.Mode);
        Expect(c.Polarity == e.Polarity, id, "polarity", c.Polarity, e.Polarity);
        Expect((c.Output != 0) == e.OutputEnabled, id, "output", c.Output, int32_t(e.OutputEnabled));
        Expect((c.BeeperOff != 0) == e.BeepOff, id, "beeper off", c.BeeperOff, int32_t(e.BeepOff));
        if (e.SourceInternal)
            Expect(c.Source == (*e.SourceInternal ? Internal : External), id, "source", c.Source,
                   int32_t(*e.SourceInternal ? Internal : External));
        Expect(!c.Zero && !c.Trigger, id, "an unasked one-shot request", int32_t(c.Zero), int32_t(c.Trigger));
    }

    void Poll(int32_t id, const TRecord &r)
    {
        const uint8_t *p = r.data();
        for (int w = 0; w < Words; ++w) {
            const int32_t got = DeviceBlock::Word(p, w);
            const int32_t wanted = w == DeviceID                        ? id
                                   : w >= ControlWord && w <= Dwell ? NoChange
                                                                       : Untouched;
            Expect(got == wanted, id, "a poll record word", got, wanted);
        }
    }

    void Stack(const TForm1 &form, const std::map<int32_t, TExpected> &devices)
    {
        const auto &panels = form.DeviceFrames();
        Expect(panels.size() == devices.size(), 0, "the panel count", panels.size(), devices.size());
        auto device = devices.begin();
        for (std::size_t i = 0; i < panels.size() && device != devices.end(); ++i, ++device) {
            const TFGenericDeviceIntf &panel = *panels[i];
            Expect(panel.DeviceID() == device->first, device->first, "the panel's ID", panel.DeviceID(),
                   device->first);
            const int y = int(i) * panels.front()->height();
            Expect(panel.x() == 0 && panel.y() == y, panel.DeviceID(), "the panel's top", panel.y(), y);
        }
    }

private:
    std::string fFailure;
};

} // namespace

std::string Apply(TForm1 &form, const uint8_t *data, std::size_t size)
{
    std::map<int32_t, TExpected> before;
    for (const auto &panel : form.DeviceFrames())
        before[panel->DeviceID()].Report(Written(*panel, &TFGenericDeviceIntf::GetDeviceState).data());

    std::map<int32_t, TExpected> expected;
    const DeviceBlock::TBlockView block(data, size, Size);
    for (int k = 0; k < block.RecordCount(); ++k) {
        const int32_t id = block.DeviceID(k);
        if (!expected.count(id)) {
            const auto known = before.find(id);
            expected[id] = known != before.end() ? known->second : TExpected{};
        }
        expected[id].Report(block.Record(k));
    }

    // As the library's thread hands it over, then as the window's queue delivers it.
    TForm1::UpdateCallback(0, data, int32_t(std::min<std::size_t>(size, INT32_MAX)),
                           reinterpret_cast<void *>(form.Handle()));
    QCoreApplication::sendPostedEvents(&form, TPostedMessageEvent::EventType());

    TChecker check;
    check.Stack(form, expected);
    for (const auto &panel : form.DeviceFrames()) {
        const auto e = expected.find(panel->DeviceID());
        if (e == expected.end())
            continue;
        check.Settings(e->first, Written(*panel, &TFGenericDeviceIntf::GetDeviceState), e->second);
        check.Poll(e->first, Written(*panel, &TFGenericDeviceIntf::GetDevicePollState));
    }
    return check.Failure();
}

} // namespace BlockPath
