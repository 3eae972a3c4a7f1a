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
