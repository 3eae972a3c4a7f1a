// The board's lines to the program, and codes written as text.
//
// A monitor line is the measured durations as decimal numbers separated by
// tabs, ended by 'x'. A value line is "PROTOCOL:HEX" ended by 'Y': upper-case
// hexadecimal without 0x, one digit for every four bits of the code; the
// program logs the number after the colon. No line holds a lower-case x or
// an upper-case Y before its end.
#ifndef IRBRIDGE_IR_TEXT_H
#define IRBRIDGE_IR_TEXT_H

#include <stdint.h>

#include "wire.h"

#include "ir_codec.h"

// At most this many numbers go into one monitor line; a longer frame is cut.
const uint8_t kMonitorLineNumbers = 100;

// Writes the decimal digits of `value` without a terminating zero and
// returns their count, which is decimalLength(value).
uint8_t formatDecimal(uint16_t value, char out[5]);
uint8_t decimalLength(uint16_t value);

// How many of `count` numbers go into a monitor line.
inline uint8_t monitorLineNumbers(uint8_t count) { return count > kMonitorLineNumbers ? kMonitorLineNumbers : count; }

// The length of the monitor line for `durations`, 'x' included.
uint16_t monitorLineLength(const uint16_t* durations, uint8_t count);

// Hands the monitor line to `put(text, length)` piece by piece, so that the
// board writes it straight into its serial queue.
template <class Put>
void writeMonitorLine(const uint16_t* durations, uint8_t count, Put put) {
    count = monitorLineNumbers(count);
    char digits[5];
    for (uint8_t i = 0; i < count; ++i) {
        if (i != 0) put("\t", 1);
        put(digits, formatDecimal(durations[i], digits));
    }
    put(&wire::kMonitorLineEnd, 1);
}

// Writes the monitor line for `durations`, 'x' included, and a terminating
// zero. Returns its length, or 0 if `capacity` is too small for the line.
uint16_t formatMonitorLine(const uint16_t* durations, uint8_t count, char* out, uint16_t capacity);

// Writes the text of a code without the ending 'Y' and a terminating zero:
//   NEC:20DF10EF   PANASONIC 4004:0100BCBD   RC5:02C   RC6:000C   RC6-6-20:C005C
//   SIRC12:A90   SIRC15:1234   SIRC20:12345   SAMSUNG:E0E040BF
// An NEC repeat frame is "NEC repeat" (no colon: shown, not logged).
// Returns the length, or 0 if it does not fit or the protocol is unknown.
uint8_t formatCode(const IrCode& code, char* out, uint8_t capacity);

// Reads a code written as formatCode writes it (the toggle is false), and
// says what is wrong with anything else.
enum CodeText : uint8_t { CODE_OK, CODE_UNKNOWN_PROTOCOL, CODE_TOO_WIDE, CODE_BAD_TEXT };
CodeText readCode(const char* text, IrCode& code);

// The same, true for CODE_OK.
bool parseCode(const char* text, IrCode& code);

#endif
