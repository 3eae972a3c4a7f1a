#pragma once
// Pronto hex: a code as 4-digit hexadecimal words. The learned form 0000
// holds the durations as counts of carrier periods (a period is the second
// word times 0.241246 us), first the pairs sent once, then those repeated
// while held. The short forms name a protocol and its fields: 5000 RC5
// (system, command), 5001 RC5x (system, command, data), 6000 RC6 mode 0
// (system, command), 900A NEC1 (device and subdevice, command and its second
// byte).

#include <string>
#include <string_view>
#include <vector>

#include "codes/encoder.h"
#include "codes/remote.h"

namespace orvalinder::codes {

// A file of Pronto codes, one a line: "Power: 0000 006D ...", or a code
// alone, which is named KEY_<line>. Keys with the same timings share a
// remote, named after the file. A learned code becomes a raw key of its once
// part and then its repeated part, as pronto2lirc reads it (a remote of LIRC
// repeats a raw key whole); its last silence is the remote's gap.
std::vector<Remote> readPronto(std::string_view text, const std::string& fileName);

// The key as Pronto 0000: the press and its gap sent once, then the repeat
// frame and its gap repeated (a key whose repeats are its press is all
// repeated part). A CodesError when it cannot be written (no carrier, a
// duration past 65535 periods).
std::string writePronto(const Signal& signal);

// Pronto lines "NAME: CODE" for every key of the remotes.
std::string writeProntoFile(const std::vector<Remote>& remotes);

}  // namespace orvalinder::codes
