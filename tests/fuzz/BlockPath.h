// One fuzz input of fuzz_blocks: any bytes, handed to a live main window as
// the block of one update completion, the way the library's thread hands it
// over, and then what the window made of it, checked.
//
// The window lives across inputs, so a block meets the panels the previous
// ones left. Whatever those were, after the block:
//  - the panels are the distinct device IDs of the block's whole records, in
//    ascending signed order, each at its index times the panel height;
//  - a settings record a panel writes carries its device ID, the five values
//    and the control word fields its device reported last (a negative value
//    leaves the one before), no trigger or zero nobody asked for, and leaves
//    the words it does not own as they were;
//  - a poll record carries its device ID and -1 in the six settings words,
//    and leaves the other words as they were.
#pragma once

#include "FMainU.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace BlockPath {

// Empty when every check holds, else what broke.
std::string Apply(TForm1 &form, const uint8_t *data, std::size_t size);

} // namespace BlockPath
