// Writes the seed corpus of fuzz_completions: a few scripts of valid blocks,
// polls, clicks and timer ticks. Run as `fuzz_seed_corpus tests/fuzz/corpus`.
#include "CompletionScript.h"

#include "app/MainWindowFixture.h"

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

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIRECTORY\n", argv[0]);
        return 2;
    }
    const std::vector<std::pair<const char *, TScript>> seeds = {
        {"two-devices", Shows({{0x00A1B201, 100}, {0x00A1B214, 250}})},
        {"plug-and-pull", Join({Shows({{7}}), Shows({{7}, {3}, {9}}), Shows({{9}})})},
        {"clicks", Join({Shows({{5, 400}}), Click(0, 3), Click(0, 17), Click(0, 0x85), Shows({{5}})})},
        {"late-update",
         Join({Shows({{3}, {7}}), {Poll}, Click(1, 9), Click(0, 4),
               CompletionScript::Completion(Fixture::Block({{3}, {7}})), {Timers},
               CompletionScript::Completion(Fixture::Block({{3}, {7, 50}}))})},
        {"many-devices", Shows({{1}, {2}, {3}, {4}, {5}, {6}, {7}, {8}})},
    };
    for (const auto &[name, script] : seeds) {
        std::ofstream file(std::string(argv[1]) + "/" + name, std::ios::binary);
        file.write(reinterpret_cast<const char *>(script.data()), std::streamsize(script.size()));
        if (!file) {
            std::fprintf(stderr, "cannot write %s\n", name);
            return 1;
        }
    }
    return 0;
}
