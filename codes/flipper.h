#pragma once
// Flipper's .ir files: a remote's keys one after the other, each either
// parsed (a protocol, an address and a command, as little-endian bytes) or
// raw (carrier, duty cycle, durations).

#include <string>
#include <string_view>
#include <vector>

#include "codes/remote.h"

namespace orvalinder::codes {

// Keys with the same protocol, or raw keys with the same carrier and duty
// cycle, share a remote named after the file (then _2, _3... for the others).
// A parsed key of a protocol the program does not know is named, with the
// file and its line, in `skipped` and left out; without `skipped` it
// refuses the file.
std::vector<Remote> readFlipper(std::string_view text, const std::string& fileName,
                                std::vector<std::string>* skipped = nullptr);

// Every key of the remotes in one file: parsed when its press is a frame of
// NEC, NECext, Samsung32, RC5, RC5X, RC6 or SIRC, else raw.
std::string writeFlipper(const std::vector<Remote>& remotes);

}  // namespace orvalinder::codes
