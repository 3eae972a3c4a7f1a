// Infrared frames as durations: encoders and decoders for the protocols the
// board speaks. Plain C++ with no AVR registers, so the same code runs on
// the board and in the host's unit tests.
//
// A frame is a list of durations in microseconds, alternating mark (carrier
// on) and space (carrier off), starting with the first mark and ending with
// the last mark: the silence after a frame is not part of it.
//
// Codes are written most significant bit first in the order the bits are
// sent, so the first bit on the air is the top bit of the number. (Sony
// sends each field least significant bit first; its numbers are still in
// the order of the air, as remote collections write them: SIRC12:A90.)
#ifndef IRBRIDGE_IR_CODEC_H
#define IRBRIDGE_IR_CODEC_H

#include <stdint.h>

#include "wire.h"

enum IrProtocol : uint8_t {
    IR_NONE = 0,
    IR_NEC = 1,        // 32 bits; a repeat frame carries no data
    IR_PANASONIC = 2,  // Kaseikyo, 48 bits: 16 in `high`, 32 in `data`
    IR_RC5 = 3,        // 12 bits: address (5) << 7 | command (7, the inverted field bit on top)
    IR_RC6 = 4,        // mode 0, 16 bits: address << 8 | command
    IR_RC6_6_20 = 5,   // mode 6A with 20 bits, as satellite boxes use
    IR_SIRC12 = 6,     // Sony: 7 command bits, then 5 address bits
    IR_SIRC15 = 7,     // Sony: 7 command bits, then 8 address bits
    IR_SIRC20 = 8,     // Sony: 7 command bits, 5 address bits, 8 extended bits
    IR_SAMSUNG = 9,    // 32 bits like NEC's, after a 4.5 ms leader mark
};

struct IrCode {
    uint8_t protocol = IR_NONE;  // an IrProtocol
    uint8_t bits = 0;            // 12 to 48, as the protocol says
    uint16_t high = 0;           // the first 16 of Panasonic's 48 bits, else 0
    uint32_t data = 0;           // the code (Panasonic: its last 32 bits)
    bool toggle = false;         // RC5 and RC6: flips on each new key press
    bool repeat = false;         // NEC: the repeat frame sent while a key is held
};

// How many bits a code of the protocol has (0 for IR_NONE).
uint8_t irCodeBits(uint8_t protocol);

// Whether the code's protocol is known and its value has no bit set above
// the protocol's width (`high` is used by Panasonic alone).
bool irValueFits(const IrCode& code);

// The longest frame any encoder writes (Panasonic: 2 + 96 + 1 durations).
const uint8_t kIrMaxDurations = wire::kMaxDurations;

// Writes the frame of `code` into `durations` and returns how many it wrote,
// or 0 when the code is not one of the protocols above, its value is too
// wide for the protocol, or the frame does not fit.
uint8_t irEncode(const IrCode& code, uint16_t* durations, uint8_t capacity);

// The carrier frequency of the protocol in hertz (0 for IR_NONE).
uint16_t irCarrierHz(uint8_t protocol);

// The fewest frames one press sends: Sony's receivers want three.
uint8_t irMinFrames(uint8_t protocol);

// How long to stay silent after a frame of `frameUs` microseconds before the
// next one, so that frames start no faster than the protocol's period.
uint32_t irGapAfterUs(uint8_t protocol, uint32_t frameUs);

// The length of a frame from its first mark's start to its last mark's end.
uint32_t irFrameUs(const uint16_t* durations, uint8_t count);

// Decodes a received frame as a receiver module delivers it: every mark
// longer or shorter by up to about 300 µs, the space after it changed the
// other way, each duration jittering on its own. Frames with a leader may come
// from a remote whose clock is off by up to 25%, RC5 and RC6 by 8%. Returns
// false, leaving `code` as IR_NONE, for anything that is not a whole frame
// of one of the protocols.
bool irDecode(const uint16_t* durations, uint8_t count, IrCode& code);

#endif
