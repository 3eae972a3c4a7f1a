#pragma once
// Small models the fuzzers check the program against, written from the
// rules and built on the C library rather than on the program's own code.

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzzref {

// strtoul with base 16 as on a platform with a 32-bit unsigned long: above
// 0xFFFFFFFF saturates whatever the sign; a minus sign negates modulo 2^32.
// Here unsigned long has 64 bits, so the 32-bit range is applied by hand.
inline uint32_t hex32(const std::string& text) {
    const char* start = text.c_str();
    char* end = nullptr;
    errno = 0;
    const unsigned long value = std::strtoul(start, &end, 16);
    if (end == start) return 0;
    if (errno == ERANGE) return 0xFFFFFFFFu;
    const char* p = start;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    const unsigned long magnitude = *p == '-' ? 0ul - value : value;
    if (magnitude > 0xFFFFFFFFul) return 0xFFFFFFFFu;
    return static_cast<uint32_t>(value);
}

// strtoll with base 10, saturated to the int range. Returns false when no
// number starts at `text`; `end` is where the number stops.
inline bool decimal(const char* text, int& value, const char** end) {
    char* stop = nullptr;
    errno = 0;
    const long long v = std::strtoll(text, &stop, 10);
    if (end) *end = stop;
    if (stop == text) {
        value = 0;
        return false;
    }
    value = v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : static_cast<int>(v);
    return true;
}

inline int leadingDecimal(const std::string& text) {
    int value = 0;
    decimal(text.c_str(), value, nullptr);
    return value;
}

// Names the broken rule, then traps so libFuzzer keeps the input.
[[noreturn]] inline void fail(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "MISMATCH %s:%d: %s\n", file, line, condition);
    __builtin_trap();
}

}  // namespace fuzzref

#define FUZZ_CHECK(condition) ((condition) ? (void)0 : fuzzref::fail(#condition, __FILE__, __LINE__))
