// The simulator's two inputs that people type, as fuzz inputs with their
// checks. Each check is empty when it holds, else says what broke.
#pragma once

#include <string>
#include <string_view>

namespace SimulatorInputs {

// Any text as a scenario file: every line is taken or refused with
// "FILE:LINE: reason; line ignored", one line of printable text naming one of
// the file's lines. The taken lines then play out to the last one's time,
// any refusal they meet named by its line too, and every device ends within
// its ranges.
std::string CheckScenario(std::string_view text);

// Any text up to its first newline as one control-socket command, on the
// default devices: refused with a one-line reason, or carried out with "ok"
// or a query's answer. A command refused by the engine changes nothing; every
// device ends within its ranges.
std::string CheckCommand(std::string_view line);

} // namespace SimulatorInputs
