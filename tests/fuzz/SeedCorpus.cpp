// Writes the seed corpora of fuzz_completions (a few scripts of valid blocks,
// polls, clicks and timer ticks) and of fuzz_blocks (returned blocks of
// every shape the window meets). Run as `fuzz_seed_corpus tests/fuzz`.
#include "CompletionScript.h"

#include "app/MainWindowFixture.h"

#include <climits>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

using TScript = std::vector<uint8_t>;

constexpr uint8_t Poll = 1;
constexpr uint8_t Timers = 3;

// A click on control `pick` of panel `panel`.
TScript Click(uint8_t panel, uint8_t pick) { return {uint8_t(2 | panel << 2), pick}; }

TScript Join(std::initializer_list<TScript> parts)
{
    TScript script;
    for (const TScript &part : parts)
        script.insert(script.end(), part.begin(), part.end());
    return script;
}

TScript Shows(const std::vector<Fixture::TDevice> &devices)
{
    return Join({{Poll}, CompletionScript::Completion(Fixture::Block(devices))});
}

// A block whose record `k` has every settings word negative.
TScript WithNoValues(TScript block, int k)
{
    uint8_t *record = block.data() + DeviceBlock::RecordOffset(k, StimulatorRecord::Size);
    for (int w = StimulatorRecord::Demand; w <= StimulatorRecord::Dwell; ++w)
        DeviceBlock::SetWord(record, w, -1);
    return block;
}

TScript Truncated(TScript block, std::size_t size)
{
    block.resize(size);
    return block;
}

using TSeeds = std::vector<std::pair<const char *, TScript>>;

bool Write(const std::string &folder, const TSeeds &seeds)
{
    for (const auto &[name, script] : seeds) {
        std::ofstream file(folder + "/" + name, std::ios::binary);
        file.write(reinterpret_cast<const char *>(script.data()), std::streamsize(script.size()));
        if (!file) {
            std::fprintf(stderr, "cannot write %s/%s\n", folder.c_str(), name);
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const TSeeds completions = {
        {"two-devices", Shows({{0x00A1B201, 100}, {0x00A1B214, 250}})},
        {"plug-and-pull", Join({Shows({{7}}), Shows({{7}, {3}, {9}}), Shows({{9}})})},
        {"clicks", Join({Shows({{5, 400}}), Click(0, 3), Click(0, 17), Click(0, 0x85), Shows({{5}})})},
        {"late-update",
         Join({Shows({{3}, {7}}), {Poll}, Click(1, 9), Click(0, 4),
               CompletionScript::Completion(Fixture::Block({{3}, {7}})), {Timers},
               CompletionScript::Completion(Fixture::Block({{3}, {7, 50}}))})},
        {"many-devices", Shows({{1}, {2}, {3}, {4}, {5}, {6}, {7}, {8}})},
    };
    using Fixture::Block;
    const TSeeds blocks = {
        {"empty", TScript(DeviceBlock::EmptyBlockSize)},
        {"two-devices", Block({{0x00A1B201, 100}, {0x00A1B214, 250}})},
        {"many-devices", Block({{8}, {-3}, {5}, {1}, {INT32_MIN}, {4}, {INT32_MAX}, {2}})},
        {"same-id-twice", Block({{7, 100}, {3}, {7, 250}})},
        {"no-values", WithNoValues(Block({{9, 100}, {11, 200}}), 1)},
        {"short-last-record",
         Truncated(Block({{1}, {2}, {3}}), DeviceBlock::BlockSize(3, StimulatorRecord::Size) - 1)},
    };
    const std::string root = argv[1];
    return Write(root + "/completions/corpus", completions) && Write(root + "/blocks/corpus", blocks)
               ? 0
               : 1;
}
