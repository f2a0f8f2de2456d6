// Shared by the main window's tests: current-state blocks as a device library
// delivers them, and a main window driven through the scripted library
// without waiting for its timers.
#pragma once

#include "FMainU.h"
#include "StimulatorRecord.h"
#include "TimerTick.h"
#include "V57Double.h"

#include <QCoreApplication>
#include <QTimer>

#include <memory>
#include <vector>

namespace Fixture {

// One device in a current-state block; Demand and Word2 tell its records apart.
struct TDevice {
    int32_t ID = 0;
    int32_t Demand = 0;
    int32_t Word2 = 0; // unused by the program
};

// DeviceCount, then one stimulator record per device, as a library reports them.
inline std::vector<uint8_t> Block(const std::vector<TDevice> &devices)
{
    const int n = int(devices.size());
    std::vector<uint8_t> bytes(DeviceBlock::BlockSize(n, StimulatorRecord::Size));
    DeviceBlock::WriteInt32(bytes.data(), n);
    for (int k = 0; k < n; ++k) {
        uint8_t *record = bytes.data() + DeviceBlock::RecordOffset(k, StimulatorRecord::Size);
        StimulatorRecord::TReport report;
        report.DeviceID = devices[std::size_t(k)].ID;
        report.VersionID = 0x01020304;
        report.Control = {1, StimulatorRecord::MonoPhasic, StimulatorRecord::Positive,
                          StimulatorRecord::Internal};
        report.Demand = devices[std::size_t(k)].Demand;
        report.Limit = 10000;
        report.Width = 200;
        report.Recovery = 100;
        report.Dwell = 10;
        StimulatorRecord::WriteReport(record, report);
        DeviceBlock::SetWord(record, 2, devices[std::size_t(k)].Word2);
    }
    return bytes;
}

// Hands the completions the double has made so far to the window. Only the
// posted completions are dispatched: no timer of the window fires meanwhile.
inline void Deliver(TForm1 &form)
{
    V57Double::Flush();
    QCoreApplication::sendPostedEvents(&form, TPostedMessageEvent::EventType());
}

// A main window whose library has completed its initialise.
inline std::unique_ptr<TForm1> StartedForm()
{
    auto form = std::make_unique<TForm1>();
    V57Double::CompleteInitialise(0);
    Deliver(*form);
    return form;
}

// A poll answered with these devices: the window's panels follow them.
// False when no poll was due.
inline bool ShowDevices(TForm1 &form, const std::vector<TDevice> &devices)
{
    if (!Tick(form.tmrPoll))
        return false;
    V57Double::CompleteUpdate(Block(devices));
    Deliver(form);
    return true;
}

// The device IDs of the panels, in list order.
inline QList<int32_t> PanelIDs(const TForm1 &form)
{
    QList<int32_t> ids;
    for (const auto &panel : form.DeviceFrames())
        ids.append(panel->DeviceID());
    return ids;
}

inline TFGenericDeviceIntf *Panel(const TForm1 &form, int32_t id)
{
    for (const auto &panel : form.DeviceFrames())
        if (panel->DeviceID() == id)
            return panel.get();
    return nullptr;
}

// The device IDs in word 0 of each record of a block sent to the library.
inline QList<int32_t> RecordIDs(const std::vector<uint8_t> &block)
{
    QList<int32_t> ids;
    const DeviceBlock::TBlockView view(block.data(), block.size(), StimulatorRecord::Size);
    for (int k = 0; k < view.RecordCount(); ++k)
        ids.append(view.DeviceID(k));
    return ids;
}

} // namespace Fixture
