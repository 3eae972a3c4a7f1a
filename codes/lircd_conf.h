#pragma once
// LIRC's lircd.conf: remotes as the public collection of remote codes writes
// them. What the reader does not understand it refuses, naming the file,
// the line and the word, rather than send something else.

#include <string>
#include <string_view>
#include <vector>

#include "codes/remote.h"

namespace orvalinder::codes {

std::vector<Remote> readLircdConf(std::string_view text, const std::string& fileName);

// LIRC reads it back as the same remotes. Key names are single words there:
// blanks in a name become '_'.
std::string writeLircdConf(const std::vector<Remote>& remotes);

// A name as one word of a lircd.conf: blanks become '_'.
std::string lircName(const std::string& name);

// Reads a number as LIRC does (C's rules: 0x hexadecimal, a leading 0 octal,
// else decimal), the whole word, up to `max`; false for anything else.
bool readNumber(std::string_view word, uint64_t max, uint64_t& value);

}  // namespace orvalinder::codes
