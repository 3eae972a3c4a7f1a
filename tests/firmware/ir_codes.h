#pragma once
// Codes for the firmware's tests.

#include "ir_codec.h"

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
