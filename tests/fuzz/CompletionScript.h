// One fuzz input, played against a live main window as a script of what the
// device library and the operator may do between two looks at the screen.
//
// A script is a sequence of steps, each beginning with an opcode byte `op`:
//
//   op % 4 == 0  a completion: a 16-bit little-endian length L, then L bytes
//                (fewer when the input ends first), copied into a buffer of
//                exactly that size and handed to UpdateCallback. Bit 2 of op
//                hands over a null pointer instead, bit 3 the size negated.
//   op % 4 == 1  a poll tick, when the poll timer runs.
//   op % 4 == 2  an operator input on panel op >> 2 (modulo the number of
//                panels): the next byte picks one of its buttons, lists or
//                digits, which is clicked (a list steps up or down).
//   op % 4 == 3  a tick of the watchdog, when it runs, and of every panel's
//                warning timer.
//
// Whatever the script leaves behind, Play ends with two empty completions and
// so with no panel and no request awaited: every input starts alike.
#pragma once

#include "FMainU.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace CompletionScript {

void Play(TForm1 &form, const uint8_t *data, std::size_t size);

// The step that delivers `block` as one completion.
std::vector<uint8_t> Completion(const std::vector<uint8_t> &block);

} // namespace CompletionScript
