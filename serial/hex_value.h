#pragma once
// Reads hexadecimal numbers the way strtoul with base 16 does on a platform
// whose unsigned long has 32 bits: leading white space, an optional sign, an
// optional 0x or 0X, then hexadecimal digits of either case; anything after
// the digits is ignored. Above 0xFFFFFFFF it saturates; a minus sign negates
// modulo 2^32. No digits gives 0.

#include <cstdint>
#include <string_view>

namespace orvalinder {

uint32_t readHex32(std::string_view text);

}  // namespace orvalinder
