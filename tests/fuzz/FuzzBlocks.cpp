// libFuzzer entry: every input is one returned block (BlockPath.h), handed to
// one main window that lives across inputs. No event loop runs, so an input
// costs what its block costs: a block of the devices the window shows costs
// what a poll costs, one that plugs a device costs a new panel, a hundred
// times more. So the mutator mostly keeps the window's devices (see below);
// any bytes are still an input, and a saved input replays on its own.
#include "BlockPath.h"

#include "app/MainWindowFixture.h"

#include <QApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>

extern "C" size_t LLVMFuzzerMutate(uint8_t *data, size_t size, size_t maxSize);

namespace {

// Never destroyed, as in fuzz_completions: at exit Qt's statics may be gone first.
TForm1 *Form = nullptr;

// A window with more panels than this starts again empty, so that an input
// costs about the same late in a run as early on.
constexpr std::size_t MostPanels = 64;
// One mutated block in this many keeps the device IDs it came with.
constexpr unsigned KeepIDsOneIn = 128;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    (void)argc;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int qtArgc = 1;
    static char *qtArgv[] = {(*argv)[0], nullptr};
    new QApplication(qtArgc, qtArgv);
    Form = Fixture::StartedForm().release();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (Form->DeviceFrames().size() > MostPanels)
        BlockPath::Apply(*Form, nullptr, 0);
    const std::string failure = BlockPath::Apply(*Form, data, size);
    if (!failure.empty()) {
        std::fprintf(stderr, "fuzz_blocks: %s\n", failure.c_str());
        std::abort();
    }
    // What the window posts to itself (layout, polish) is handed out now:
    // left queued, it makes deleting a panel slower with every input.
    QCoreApplication::sendPostedEvents();
    return 0;
}

// libFuzzer's mutation, after which the records name the devices the window
// shows, in turn (record k the device of panel k modulo their number): the
// block reports on them, and may repeat or leave out some, rather than
// plugging new ones.
extern "C" size_t LLVMFuzzerCustomMutator(uint8_t *data, size_t size, size_t maxSize, unsigned seed)
{
    size = LLVMFuzzerMutate(data, size, maxSize);
    if (std::minstd_rand(seed)() % KeepIDsOneIn == 0)
        return size;
    const auto &panels = Form->DeviceFrames();
    if (panels.empty())
        return size;
    const int records = DeviceBlock::TBlockView(data, size, StimulatorRecord::Size).RecordCount();
    for (int k = 0; k < records; ++k)
        DeviceBlock::SetWord(data + DeviceBlock::RecordOffset(k, StimulatorRecord::Size),
                             DeviceBlock::DeviceIDWord, panels[std::size_t(k) % panels.size()]->DeviceID());
    return size;
}
