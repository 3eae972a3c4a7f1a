#include "serial/hex_value.h"

#include <array>

namespace orvalinder {
namespace {

// Digit values, -1 for other characters; a table keeps the converter fast.
constexpr std::array<signed char, 256> kHexDigits = [] {
    std::array<signed char, 256> table{};
    table.fill(-1);
    for (int c = '0'; c <= '9'; ++c) table[static_cast<size_t>(c)] = static_cast<signed char>(c - '0');
    for (int c = 'a'; c <= 'f'; ++c) table[static_cast<size_t>(c)] = static_cast<signed char>(c - 'a' + 10);
    for (int c = 'A'; c <= 'F'; ++c) table[static_cast<size_t>(c)] = static_cast<signed char>(c - 'A' + 10);
    return table;
}();

int hexDigit(char c) { return kHexDigits[static_cast<unsigned char>(c)]; }

bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

uint32_t readHex32(std::string_view text) {
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p < end && isSpace(*p)) ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    // The prefix counts only when a digit follows it; "0x" alone reads as 0.
    if (end - p > 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && hexDigit(p[2]) >= 0) p += 2;
    uint64_t value = 0;
    for (; p < end; ++p) {
        const int digit = hexDigit(*p);
        if (digit < 0) break;
        value = (value << 4) | static_cast<uint64_t>(digit);
        if (value > 0xFFFFFFFFu) return 0xFFFFFFFFu;  // saturated, whatever the sign
    }
    const auto result = static_cast<uint32_t>(value);
    return negative ? static_cast<uint32_t>(0u - result) : result;
}

}  // namespace orvalinder
