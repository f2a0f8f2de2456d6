// libFuzzer entry for the simulator's typed inputs (SimulatorInputs.h). The
// build makes it twice: fuzz_scenarios with FUZZ_CHECK=CheckScenario and
// fuzz_commands with FUZZ_CHECK=CheckCommand.
#include "SimulatorInputs.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string failure =
        SimulatorInputs::FUZZ_CHECK(std::string_view(reinterpret_cast<const char *>(data), size));
    if (!failure.empty()) {
        std::fprintf(stderr, "%s: %s\n", FUZZ_NAME, failure.c_str());
        std::abort();
    }
    return 0;
}
