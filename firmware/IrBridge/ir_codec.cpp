#include "ir_codec.h"

// Two kinds of frame: pulse distance (NEC, Panasonic), where every bit is a
// mark of fixed length and a space whose length tells the bit, and Manchester
// (RC5, RC6), where every bit is two halves of opposite levels.
//
// The code runs on an ATmega328P: no standard library, no 64-bit numbers,
// and int is 16 bits there, so sums stay well below 32768.

namespace {

struct PulseDistance {
    uint16_t leaderMark;
    uint16_t leaderSpace;
    uint16_t bitMark;
    uint16_t zeroSpace;
    uint16_t oneSpace;
    uint8_t bits;
};

// NEC's unit is 562.5 µs; its odd halves are rounded up (563, 1688).
const PulseDistance kNec = {9000, 4500, 563, 563, 1688, 32};
const uint16_t kNecRepeatSpace = 2250;
// Panasonic (Kaseikyo): T = 432 µs; leader 8T, 4T; a 1 is T, 3T.
const PulseDistance kPanasonic = {8 * 432, 4 * 432, 432, 432, 3 * 432, 48};

const uint16_t kRc5Unit = 889;  // a half bit
const uint16_t kRc6Unit = 444;  // a half bit; the trailer bit's halves are two of these
const uint8_t kRc6Mode0 = 0;
const uint8_t kRc6Mode6 = 6;  // mode bits 110

// Within ±25% of the nominal length.
bool near(uint16_t duration, uint16_t nominal) {
    uint16_t margin = nominal / 4;
    return duration >= nominal - margin && duration <= nominal + margin;
}

// --- Encoding ---

// Writes a frame level by level. Marks and spaces alternate, so a level that
// continues the last one lengthens it; the frame starts with its first mark
// and ends with its last, the silence on either side being no part of it.
struct FrameWriter {
    uint16_t* durations;
    uint8_t capacity;
    uint8_t count;
    bool overflow;

    void add(bool mark, uint16_t us) {
        if (overflow || (count == 0 && !mark)) return;
        bool lastIsMark = count % 2 == 1;
        if (count > 0 && lastIsMark == mark) {
            durations[count - 1] += us;
        } else if (count == capacity) {
            overflow = true;
        } else {
            durations[count++] = us;
        }
    }

    uint8_t finish() {
        if (overflow) return 0;
        if (count % 2 == 0 && count > 0) --count;  // a closing space
        return count;
    }
};

void writePulseDistance(const PulseDistance& p, const IrCode& code, FrameWriter& out) {
    out.add(true, p.leaderMark);
    out.add(false, p.leaderSpace);
    for (uint8_t i = p.bits; i-- > 0;) {
        bool one = i >= 32 ? (code.high >> (i - 32)) & 1 : (code.data >> i) & 1;
        out.add(true, p.bitMark);
        out.add(false, one ? p.oneSpace : p.zeroSpace);
    }
    out.add(true, p.bitMark);
}

void writeManchesterBit(FrameWriter& out, bool markFirst, uint16_t half) {
    out.add(markFirst, half);
    out.add(!markFirst, half);
}

// RC5: a 1 is space then mark. The field bit S2 is the inverted bit 6 of the
// 7-bit command.
void writeRc5(const IrCode& code, FrameWriter& out) {
    bool field = !((code.data >> 6) & 1);
    uint16_t address = (code.data >> 7) & 0x1F;
    uint16_t command = code.data & 0x3F;
    uint16_t bits = static_cast<uint16_t>(1u << 13 | field << 12 | code.toggle << 11 | address << 6 | command);
    for (uint8_t i = 14; i-- > 0;) writeManchesterBit(out, !((bits >> i) & 1), kRc5Unit);
}

// RC6: a 1 is mark then space. Leader, start bit 1, three mode bits, the
// double-width trailer bit carrying the toggle, then the data.
void writeRc6(const IrCode& code, FrameWriter& out) {
    uint8_t mode = code.protocol == IR_RC6_6_20 ? kRc6Mode6 : kRc6Mode0;
    out.add(true, 6 * kRc6Unit);
    out.add(false, 2 * kRc6Unit);
    writeManchesterBit(out, true, kRc6Unit);
    for (uint8_t i = 3; i-- > 0;) writeManchesterBit(out, (mode >> i) & 1, kRc6Unit);
    writeManchesterBit(out, code.toggle, 2 * kRc6Unit);
    for (uint8_t i = irCodeBits(code.protocol); i-- > 0;) writeManchesterBit(out, (code.data >> i) & 1, kRc6Unit);
}

// --- Decoding ---

bool decodePulseDistance(const PulseDistance& p, const uint16_t* durations, uint8_t count, IrCode& code) {
    if (count != 2 * p.bits + 3 || !near(durations[0], p.leaderMark) || !near(durations[1], p.leaderSpace)) {
        return false;
    }
    uint16_t high = 0;
    uint32_t data = 0;
    for (uint8_t i = 0; i < p.bits; ++i) {
        uint16_t space = durations[3 + 2 * i];
        bool one = near(space, p.oneSpace);
        if (!near(durations[2 + 2 * i], p.bitMark) || (!one && !near(space, p.zeroSpace))) return false;
        high = static_cast<uint16_t>(high << 1 | data >> 31);
        data = data << 1 | one;
    }
    if (!near(durations[count - 1], p.bitMark)) return false;
    code.bits = p.bits;
    code.high = high;
    code.data = data;
    return true;
}

bool decodeNecRepeat(const uint16_t* durations, uint8_t count) {
    return count == 3 && near(durations[0], kNec.leaderMark) && near(durations[1], kNecRepeatSpace) &&
           near(durations[2], kNec.bitMark);
}

// A Manchester frame as one level per unit of time (a half bit; RC6's
// trailer bit has halves of two units), so bits read the same whether or not
// a half merged with its neighbour into one longer duration.
struct UnitLevels {
    uint8_t marks[8];  // bit i % 8 of byte i / 8: unit i is a mark
    uint8_t size;

    bool push(bool mark) {
        if (size == 64) return false;
        uint8_t bit = static_cast<uint8_t>(1u << (size % 8));
        if (mark) {
            marks[size / 8] |= bit;
        } else {
            marks[size / 8] &= static_cast<uint8_t>(~bit);
        }
        ++size;
        return true;
    }

    bool at(uint8_t i) const { return (marks[i / 8] >> (i % 8)) & 1; }
};

// Appends durations that alternate from a mark, each a whole number of
// units from 1 to maxUnits. The count is taken from the unit the frame
// measures (RC6's 2 and 3 unit runs overlap within ±25% of the nominal unit,
// but not once a frame's own stretch is known); each duration must still be
// within ±25% of its nominal length.
bool appendUnits(const uint16_t* durations, uint8_t count, uint16_t nominalUnit, uint16_t measuredUnit,
                 uint8_t maxUnits, UnitLevels& levels) {
    for (uint8_t i = 0; i < count; ++i) {
        uint16_t d = durations[i];
        // Near 65535 the sum wraps on the board; near() rejects what that gives.
        uint8_t units = static_cast<uint8_t>((d + measuredUnit / 2) / measuredUnit);
        if (units == 0 || units > maxUnits || !near(d, units * nominalUnit)) return false;
        for (uint8_t u = 0; u < units; ++u) {
            if (!levels.push(i % 2 == 0)) return false;
        }
    }
    // The frame ends with a mark; a bit ending in a space has that space in
    // the silence after it.
    return levels.size % 2 == 0 || levels.push(false);
}

// Reads `count` bits of `width` units per half from `pos` on, top bit first.
// A bit must have two halves of opposite levels; oneIsMarkFirst says which
// order means 1.
bool readBits(const UnitLevels& levels, uint8_t& pos, uint8_t count, uint8_t width, bool oneIsMarkFirst,
              uint32_t& value) {
    value = 0;
    for (uint8_t n = 0; n < count; ++n) {
        if (pos + 2 * width > levels.size) return false;
        bool first = levels.at(pos);
        for (uint8_t i = 0; i < 2 * width; ++i) {
            if (levels.at(pos + i) != (i < width ? first : !first)) return false;
        }
        pos = static_cast<uint8_t>(pos + 2 * width);
        value = value << 1 | (first == oneIsMarkFirst);
    }
    return true;
}

bool decodeRc5(const uint16_t* durations, uint8_t count, IrCode& code) {
    UnitLevels levels = {};
    levels.push(false);  // S1 starts with a space, lost in the silence before the frame
    uint8_t pos = 0;
    uint32_t bits = 0;
    if (!appendUnits(durations, count, kRc5Unit, kRc5Unit, 2, levels) || levels.size != 28 ||
        !readBits(levels, pos, 14, 1, false, bits)) {
        return false;
    }
    // bits: S1, S2 (field), toggle, 5 address bits, 6 command bits
    bool field = (bits >> 12) & 1;
    code.bits = 12;
    code.toggle = (bits >> 11) & 1;
    code.data = ((bits >> 6) & 0x1F) << 7 | static_cast<uint32_t>(!field) << 6 | (bits & 0x3F);
    return true;
}

bool decodeRc6(const uint16_t* durations, uint8_t count, IrCode& code) {
    if (count < 3 || !near(durations[0], 6 * kRc6Unit) || !near(durations[1], 2 * kRc6Unit)) return false;
    uint16_t measuredUnit = (durations[0] + durations[1]) / 8;
    UnitLevels levels = {};
    uint8_t pos = 0;
    uint32_t start = 0;  // always 1: a 0 would have run into the leader's space
    uint32_t mode = 0;
    uint32_t toggle = 0;
    uint32_t data = 0;
    if (!appendUnits(durations + 2, count - 2, kRc6Unit, measuredUnit, 3, levels) ||
        !readBits(levels, pos, 1, 1, true, start) || !readBits(levels, pos, 3, 1, true, mode)) {
        return false;
    }
    uint8_t protocol = mode == kRc6Mode0 ? IR_RC6 : mode == kRc6Mode6 ? IR_RC6_6_20 : IR_NONE;
    uint8_t bits = irCodeBits(protocol);
    if (bits == 0 || !readBits(levels, pos, 1, 2, true, toggle) || !readBits(levels, pos, bits, 1, true, data) ||
        pos != levels.size) {
        return false;
    }
    code.protocol = protocol;
    code.bits = bits;
    code.toggle = toggle;
    code.data = data;
    return true;
}

}  // namespace

uint8_t irCodeBits(uint8_t protocol) {
    switch (protocol) {
    case IR_NEC: return 32;
    case IR_PANASONIC: return 48;
    case IR_RC5: return 12;
    case IR_RC6: return 16;
    case IR_RC6_6_20: return 20;
    default: return 0;
    }
}

bool irValueFits(const IrCode& code) {
    uint8_t bits = irCodeBits(code.protocol);
    if (bits == 0) return false;
    if (bits > 32) return true;  // Panasonic uses all of `high` and `data`
    return code.high == 0 && (bits == 32 || code.data >> bits == 0);
}

uint8_t irEncode(const IrCode& code, uint16_t* durations, uint8_t capacity) {
    if (!irValueFits(code)) return 0;
    FrameWriter out = {durations, capacity, 0, false};
    switch (code.protocol) {
    case IR_NEC:
        if (code.repeat) {
            out.add(true, kNec.leaderMark);
            out.add(false, kNecRepeatSpace);
            out.add(true, kNec.bitMark);
        } else {
            writePulseDistance(kNec, code, out);
        }
        break;
    case IR_PANASONIC: writePulseDistance(kPanasonic, code, out); break;
    case IR_RC5: writeRc5(code, out); break;
    default: writeRc6(code, out); break;  // IR_RC6 and IR_RC6_6_20: irValueFits knows no others
    }
    return out.finish();
}

uint16_t irCarrierHz(uint8_t protocol) {
    switch (protocol) {
    case IR_NEC: return 38000;
    case IR_PANASONIC: return 37000;
    case IR_RC5:
    case IR_RC6:
    case IR_RC6_6_20: return 36000;
    default: return 0;
    }
}

uint16_t irFrameGapMs(uint8_t protocol) {
    // The frame period less the longest frame, rounded up so that frames
    // never come faster than the protocol's period.
    switch (protocol) {
    case IR_NEC: return 41;        // 108 ms period; 67.5 ms frame (each byte and its inverse)
    case IR_PANASONIC: return 75;  // 173T of silence
    case IR_RC5: return 90;        // 128T period (113.8 ms); 27T from first to last mark, S1 opening with a space
    case IR_RC6: return 84;        // 240T period (106.7 ms); 52T frame
    case IR_RC6_6_20: return 81;   // 240T period; 60T frame
    default: return 0;
    }
}

bool irDecode(const uint16_t* durations, uint8_t count, IrCode& code) {
    code = IrCode();
    if (!durations) return false;
    if (decodeNecRepeat(durations, count)) {
        code.protocol = IR_NEC;
        code.bits = 32;
        code.repeat = true;
        return true;
    }
    if (decodePulseDistance(kNec, durations, count, code)) {
        code.protocol = IR_NEC;
        return true;
    }
    if (decodePulseDistance(kPanasonic, durations, count, code)) {
        code.protocol = IR_PANASONIC;
        return true;
    }
    if (decodeRc5(durations, count, code)) {
        code.protocol = IR_RC5;
        return true;
    }
    if (decodeRc6(durations, count, code)) return true;
    code = IrCode();
    return false;
}
