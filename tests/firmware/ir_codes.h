#pragma once
// Codes for the firmware's tests.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ir_codec.h"
#include "ir_text.h"
#include "key_table.h"
#include "learned_keys.h"

inline IrCode makeCode(uint8_t protocol, uint32_t data, uint16_t high = 0) {
    IrCode code;
    code.protocol = protocol;
    code.bits = irCodeBits(protocol);
    code.data = data;
    code.high = high;
    return code;
}

inline IrCode withToggle(IrCode code, bool toggle) {
    code.toggle = toggle;
    return code;
}

inline IrCode necRepeat() {
    IrCode code = makeCode(IR_NEC, 0);
    code.repeat = true;
    return code;
}

inline IrCode nec(uint32_t data) { return makeCode(IR_NEC, data); }

inline void expectSameCode(const IrCode& actual, const IrCode& expected) {
    EXPECT_EQ(actual.protocol, expected.protocol);
    EXPECT_EQ(actual.bits, expected.bits);
    EXPECT_EQ(actual.high, expected.high);
    EXPECT_EQ(actual.data, expected.data);
    EXPECT_EQ(actual.toggle, expected.toggle);
    EXPECT_EQ(actual.repeat, expected.repeat);
}

// A key code such as "A101".
inline KeyName keyName(const char* name) {
    KeyName key;
    key.letter = name[0];
    key.number = uint16_t(std::stoi(name + 1));
    return key;
}

// The code a key code sends when nothing is learned for it.
inline IrCode keyCode(const char* name) {
    IrCode code;
    EXPECT_TRUE(findDefaultKey(keyName(name), code)) << name;
    return code;
}

inline IrCode parsed(const char* text) {
    IrCode code;
    EXPECT_TRUE(parseCode(text, code)) << text;
    return code;
}

// The durations of a code's frame, in microseconds.
template <class Duration = uint16_t>
std::vector<Duration> frameOf(const IrCode& code) {
    uint16_t durations[kIrMaxDurations];
    const uint8_t count = irEncode(code, durations, kIrMaxDurations);
    return {durations, durations + count};
}

inline std::string textOf(const IrCode& code) {
    char text[40];
    return std::string(text, formatCode(code, text, sizeof text));
}

// A key held, and how its protocol repeats it: the first frame, each
// repeat, and the time from one frame's start to the next.
struct HeldKey {
    const char* hold;
    const char* first;
    const char* repeat;
    double periodMs;
};
inline const std::vector<HeldKey> kHeldKeys = {
    {"!HNEC:20DF10EF\r", "NEC:20DF10EF", "NEC repeat", 108},
    {"!HSAMSUNG:E0E040BF\r", "SAMSUNG:E0E040BF", "SAMSUNG:E0E040BF", 108},
    {"!HSIRC12:A90\r", "SIRC12:A90", "SIRC12:A90", 45},
    {"!HSIRC20:12345\r", "SIRC20:12345", "SIRC20:12345", 45},
    {"!HRC5:02C\r", "RC5:02C", "RC5:02C", 113.8},
    {"!HRC6-6-20:0C05C\r", "RC6-6-20:0C05C", "RC6-6-20:0C05C", 106.7},
    {"!HRC6:000C\r", "RC6:000C", "RC6:000C", 106.7},
};
