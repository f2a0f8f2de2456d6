// Click to library: from a real mouse click on a digit's arrow button to the
// device library receiving the settings block, with 8 panels. Floor: a click
// on a bare tool button whose handler sends a one-record block straight to
// the same library.
#include "BenchForm.h"
#include "StimulatorRecord.h"

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QToolButton>

namespace {

using namespace Bench;

void PXV57_CALL Ignore(int32_t, const uint8_t *, int32_t, void *) {}
void PXV57_CALL IgnoreInit(int32_t, void *) {}

// From the click to the library's record of the request it caused.
double ClickToLibrary(QWidget *button)
{
    BenchLibrary::ClearRecords();
    const auto start = TClock::now();
    QTest::mouseClick(button, Qt::LeftButton);
    const auto updates = BenchLibrary::UpdateTimes();
    return updates.empty() ? -1.0 : Ms(updates.front() - start);
}

} // namespace

int main(int argc, char *argv[])
{
    PrepareApplication();
    QApplication app(argc, argv);
    ApplyProgramLook();
    BenchLibrary::SetDevices(8);
    const auto form = StartedForm();
    PollRound(*form);
    TFGenericDeviceIntf *panel = form->DeviceFrames().front().get();
    QTest::mouseClick(panel->findChild<QLabel *>(QStringLiteral("pnlDEMAND1")), Qt::LeftButton);
    QToolButton *const buttons[] = {panel->findChild<QToolButton *>(QStringLiteral("btnDemandInc1")),
                                    panel->findChild<QToolButton *>(QStringLiteral("btnDemandDec1"))};
    Settle();

    QWidget floorWindow;
    QToolButton floorButton(&floorWindow);
    int32_t reference = 0;
    PXV57_Initialise(&reference, nullptr, &IgnoreInit, nullptr);
    QObject::connect(&floorButton, &QToolButton::clicked, [&reference] {
        std::vector<uint8_t> block(DeviceBlock::BlockSize(1, StimulatorRecord::Size));
        DeviceBlock::WriteInt32(block.data(), 1);
        StimulatorRecord::WriteSettings(block.data() + DeviceBlock::HeaderSize, {0x00B00001, 0, 100, 10000, 200, 100, 10});
        PXV57_UpdateEx(reference, nullptr, block.data(), int32_t(block.size()), nullptr, nullptr, &Ignore, nullptr);
    });
    ShowExposed(floorWindow);
    Settle();

    std::vector<double> samples, floorSamples;
    for (int i = -20; i < 1000; ++i) {
        // Up and down in turn, so that the demand stays in range.
        const double ms = ClickToLibrary(buttons[i & 1]);
        DeliverCompletions(*form);
        Settle();
        // Polls are not part of this: the timer the completion restarted is stopped.
        form->tmrPoll->stop();
        const double floorMs = ClickToLibrary(&floorButton);
        BenchLibrary::WaitIdle();
        Settle();
        if (i < 0)
            continue;
        if (ms < 0 || floorMs < 0) {
            std::fprintf(stderr, "bench_click: a click sent nothing to the library\n");
            return 1;
        }
        samples.push_back(ms);
        floorSamples.push_back(floorMs);
    }
    const TStats stats = Summarise(samples);
    Row("2. Click on btnDemandInc1/Dec1 to library, 8 panels", "ms", stats, Summarise(floorSamples),
        "median < 1", Verdict(stats.Median < 1.0));
    return 0;
}
