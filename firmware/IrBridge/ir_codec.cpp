#include "ir_codec.h"

#include "progmem.h"

// Three kinds of frame: pulse distance (NEC, Samsung, Panasonic), where
// every bit is a mark of fixed length and a space whose length tells the bit;
// pulse width (Sony), where the mark's length tells the bit; and Manchester
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
const PulseDistance kNec PROGMEM = {9000, 4500, 563, 563, 1688, 32};
const uint16_t kNecRepeatSpace = 2250;
const uint16_t kNecLeaderMark = 9000;
const uint16_t kNecBitMark = 563;
// Panasonic (Kaseikyo): T = 432 µs; leader 8T, 4T; a 1 is T, 3T.
const PulseDistance kPanasonic PROGMEM = {8 * 432, 4 * 432, 432, 432, 3 * 432, 48};
// Samsung: NEC's bits after a leader of 4.5 ms mark, 4.5 ms space.
const PulseDistance kSamsung PROGMEM = {4500, 4500, 560, 560, 1690, 32};

// Sony (SIRC): T = 600 µs; leader 4T mark, then each bit a mark of T (0) or
// 2T (1) after a space of T.
const uint16_t kSircUnit = 600;

const uint16_t kRc5Unit = 889;  // a half bit
const uint16_t kRc6Unit = 444;  // a half bit; the trailer bit's halves are two of these
const uint8_t kRc6Mode0 = 0;
const uint8_t kRc6Mode6 = 6;  // mode bits 110

// A receiver module lengthens every mark by about the same excess (a weak
// signal most) and shortens the space after it by as much. The decoders
// estimate it from the frame and take it out; an estimate outside this
// window means the frame is none of the protocol's.
const int16_t kMinExcessUs = -300;
const int16_t kMaxExcessUs = 350;

// Within ±25% of the nominal length.
int32_t min32(int32_t a, int32_t b) { return a < b ? a : b; }

bool near(uint16_t duration, uint16_t nominal) {
    uint16_t margin = nominal / 4;
    return duration >= nominal - margin && duration <= nominal + margin;
}

// Within `margin` of the nominal length, the measured one possibly corrected
// below zero.
bool within(int32_t duration, uint16_t nominal, uint16_t margin) {
    return duration + margin >= nominal && duration <= static_cast<int32_t>(nominal) + margin;
}

// A leader's mark and space, which the receiver moves against each other
// but whose sum it keeps. `scale` turns nominal lengths into the remote's
// own (its clock may be off by up to 25%); `excess` is the receiver's.
struct Leader {
    uint16_t sum;
    uint16_t nominalSum;
    int16_t excess;

    uint16_t scale(uint16_t nominal) const {
        return static_cast<uint16_t>(static_cast<uint32_t>(nominal) * sum / nominalSum);
    }
};

// Measures a leader of nominal `mark` and `space`; false when its sum is
// not within 25% or the excess it gives is out of the window. The excess is
// the mean of what the mark gained and the space lost, so each one's own
// jitter counts half.
bool readLeader(const uint16_t* durations, uint16_t mark, uint16_t space, Leader& leader) {
    leader.nominalSum = mark + space;
    uint32_t sum = static_cast<uint32_t>(durations[0]) + durations[1];
    if (sum > 0xFFFF || !near(static_cast<uint16_t>(sum), leader.nominalSum)) return false;
    leader.sum = static_cast<uint16_t>(sum);
    int32_t excess = (static_cast<int32_t>(durations[0]) - leader.scale(mark) + leader.scale(space) - durations[1]) / 2;
    leader.excess = static_cast<int16_t>(excess);
    return excess >= kMinExcessUs && excess <= kMaxExcessUs;
}

// A mark measured with the receiver's excess, against its nominal length.
bool markNear(uint16_t mark, uint16_t nominal, int16_t excess, uint16_t margin) {
    return within(static_cast<int32_t>(mark) - excess, nominal, margin);
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

// `inFlash` is one of the tables above.
PulseDistance fromFlash(const PulseDistance& inFlash) {
    PulseDistance p;
    memcpy_P(&p, &inFlash, sizeof p);
    return p;
}

void writePulseDistance(const PulseDistance& inFlash, const IrCode& code, FrameWriter& out) {
    const PulseDistance p = fromFlash(inFlash);
    out.add(true, p.leaderMark);
    out.add(false, p.leaderSpace);
    for (uint8_t i = p.bits; i-- > 0;) {
        bool one = i >= 32 ? (code.high >> (i - 32)) & 1 : (code.data >> i) & 1;
        out.add(true, p.bitMark);
        out.add(false, one ? p.oneSpace : p.zeroSpace);
    }
    out.add(true, p.bitMark);
}

void writeSirc(const IrCode& code, FrameWriter& out) {
    out.add(true, 4 * kSircUnit);
    for (uint8_t i = irCodeBits(code.protocol); i-- > 0;) {
        out.add(false, kSircUnit);
        out.add(true, (code.data >> i) & 1 ? 2 * kSircUnit : kSircUnit);
    }
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

// Each bit is told by its mark + space, which the receiver keeps; its mark
// must still have the length the leader's excess says.
bool decodePulseDistance(const PulseDistance& inFlash, const uint16_t* durations, uint8_t count, IrCode& code) {
    const PulseDistance p = fromFlash(inFlash);
    Leader leader;
    if (count != 2 * p.bits + 3 || !readLeader(durations, p.leaderMark, p.leaderSpace, leader)) return false;
    const uint16_t mark = leader.scale(p.bitMark);
    const uint16_t zero = leader.scale(p.bitMark + p.zeroSpace);
    const uint16_t one = leader.scale(p.bitMark + p.oneSpace);
    uint16_t high = 0;
    uint32_t data = 0;
    for (uint8_t i = 0; i < p.bits; ++i) {
        uint32_t sum = static_cast<uint32_t>(durations[2 + 2 * i]) + durations[3 + 2 * i];
        bool isOne = sum > (zero + one) / 2;
        if (!markNear(durations[2 + 2 * i], mark, leader.excess, mark / 3) ||
            !within(static_cast<int32_t>(sum), isOne ? one : zero, mark / 2)) {
            return false;
        }
        high = static_cast<uint16_t>(high << 1 | data >> 31);
        data = data << 1 | isOne;
    }
    if (!markNear(durations[count - 1], mark, leader.excess, mark / 3)) return false;
    code.bits = p.bits;
    code.high = high;
    code.data = data;
    return true;
}

// Sony's bit is in its mark, so the pair read is the space before the mark
// and the mark: 2T for a 0, 3T for a 1, whatever the receiver does.
bool decodeSirc(const uint16_t* durations, uint8_t count, IrCode& code) {
    uint8_t bits = static_cast<uint8_t>(count / 2);
    uint8_t protocol = bits == 12 ? IR_SIRC12 : bits == 15 ? IR_SIRC15 : bits == 20 ? IR_SIRC20 : IR_NONE;
    Leader leader;
    if (protocol == IR_NONE || count % 2 == 0 || !readLeader(durations, 4 * kSircUnit, kSircUnit, leader)) {
        return false;
    }
    const uint16_t unit = leader.scale(kSircUnit);
    uint32_t data = 0;
    for (uint8_t i = 0; i < bits; ++i) {
        uint16_t mark = durations[2 + 2 * i];
        uint32_t sum = static_cast<uint32_t>(durations[1 + 2 * i]) + mark;
        bool one = sum > 5u * unit / 2;
        if (!within(static_cast<int32_t>(sum), (one ? 3 : 2) * unit, unit / 3) ||
            !markNear(mark, (one ? 2 : 1) * unit, leader.excess, unit / 3)) {
            return false;
        }
        data = data << 1 | one;
    }
    code.protocol = protocol;
    code.bits = bits;
    code.data = data;
    return true;
}

bool decodeNecRepeat(const uint16_t* durations, uint8_t count) {
    Leader leader;
    return count == 3 && readLeader(durations, kNecLeaderMark, kNecRepeatSpace, leader) &&
           markNear(durations[2], leader.scale(kNecBitMark), leader.excess, kNecBitMark / 3);
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

// Appends durations that alternate from a mark, each once the receiver's
// excess is taken out a whole number of units from 1 to maxUnits, within a
// third of a unit (so a run of two never passes for three).
bool appendUnits(const uint16_t* durations, uint8_t count, uint16_t unit, int16_t excess, uint8_t maxUnits,
                 UnitLevels& levels) {
    for (uint8_t i = 0; i < count; ++i) {
        int32_t d = static_cast<int32_t>(durations[i]) + (i % 2 == 0 ? -excess : excess);
        if (d <= 0) return false;
        uint8_t units = static_cast<uint8_t>(min32((d + unit / 2) / unit, 255));
        if (units == 0 || units > maxUnits || !within(d, units * unit, unit / 3)) return false;
        for (uint8_t u = 0; u < units; ++u) {
            if (!levels.push(i % 2 == 0)) return false;
        }
    }
    // The frame ends with a mark; a bit ending in a space has that space in
    // the silence after it.
    return levels.size % 2 == 0 || levels.push(false);
}

// RC5 has no leader to measure the excess on. A mark and the space after it
// span two to four half bits whatever the receiver does; when the two are
// equally long the mark's gain is half their difference, and when one is a
// half bit longer (the longer one tells which, within the excess window)
// that half bit is taken off first. The mean over the pairs is the excess.
bool rc5Excess(const uint16_t* durations, uint8_t count, int16_t& excess) {
    int32_t twice = 0;
    uint8_t pairs = 0;
    for (uint8_t i = 0; i + 1 < count; i += 2, ++pairs) {
        uint32_t sum = static_cast<uint32_t>(durations[i]) + durations[i + 1];
        uint32_t units = (sum + kRc5Unit / 2) / kRc5Unit;
        if (units < 2 || units > 4) return false;
        int32_t difference = static_cast<int32_t>(durations[i]) - durations[i + 1];
        if (units == 3) difference += difference > 0 ? -static_cast<int32_t>(kRc5Unit) : kRc5Unit;
        twice += difference;
    }
    if (pairs == 0) return false;
    excess = static_cast<int16_t>(twice / (2 * pairs));
    return excess >= kMinExcessUs && excess <= kMaxExcessUs;
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
    int16_t excess = 0;
    if (!rc5Excess(durations, count, excess) || !appendUnits(durations, count, kRc5Unit, excess, 2, levels) ||
        levels.size != 28 || !readBits(levels, pos, 14, 1, false, bits)) {
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
    // Its remotes keep time well: the leader gives the excess only.
    Leader leader;
    if (count < 3 || !readLeader(durations, 6 * kRc6Unit, 2 * kRc6Unit, leader)) return false;
    UnitLevels levels = {};
    uint8_t pos = 0;
    uint32_t start = 0;  // always 1: a 0 would have run into the leader's space
    uint32_t mode = 0;
    uint32_t toggle = 0;
    uint32_t data = 0;
    if (!appendUnits(durations + 2, count - 2, kRc6Unit, leader.excess, 3, levels) ||
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
    case IR_SIRC12: return 12;
    case IR_SIRC15: return 15;
    case IR_SIRC20: return 20;
    case IR_SAMSUNG: return 32;
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
            out.add(true, kNecLeaderMark);
            out.add(false, kNecRepeatSpace);
            out.add(true, kNecBitMark);
        } else {
            writePulseDistance(kNec, code, out);
        }
        break;
    case IR_PANASONIC: writePulseDistance(kPanasonic, code, out); break;
    case IR_SAMSUNG: writePulseDistance(kSamsung, code, out); break;
    case IR_RC5: writeRc5(code, out); break;
    case IR_RC6:
    case IR_RC6_6_20: writeRc6(code, out); break;
    default: writeSirc(code, out); break;  // irValueFits knows no others
    }
    return out.finish();
}

uint16_t irCarrierHz(uint8_t protocol) {
    switch (protocol) {
    case IR_NEC:
    case IR_SAMSUNG: return 38000;
    case IR_PANASONIC: return 37000;
    case IR_RC5:
    case IR_RC6:
    case IR_RC6_6_20: return 36000;
    case IR_SIRC12:
    case IR_SIRC15:
    case IR_SIRC20: return 40000;
    default: return 0;
    }
}

uint8_t irMinFrames(uint8_t protocol) {
    return protocol == IR_SIRC12 || protocol == IR_SIRC15 || protocol == IR_SIRC20 ? 3 : 1;
}

uint32_t irGapAfterUs(uint8_t protocol, uint32_t frameUs) {
    // Periods from frame start to frame start. Panasonic's remotes keep a
    // silence of 173T after each frame instead.
    uint32_t periodUs;
    switch (protocol) {
    case IR_NEC:
    case IR_SAMSUNG: periodUs = 108000; break;
    case IR_PANASONIC: return 173UL * 432;  // int has 16 bits on the board
    case IR_RC5: periodUs = 113778; break;  // 128 half bits of 32 carrier periods
    case IR_RC6:
    case IR_RC6_6_20: periodUs = 106667; break;  // 240T
    case IR_SIRC12:
    case IR_SIRC15:
    case IR_SIRC20: periodUs = 45000; break;
    default: return 0;
    }
    // Never less than a receiver needs to see a frame end.
    const uint32_t kShortestGapUs = 5000;
    return periodUs > frameUs + kShortestGapUs ? periodUs - frameUs : kShortestGapUs;
}

uint32_t irFrameUs(const uint16_t* durations, uint8_t count) {
    uint32_t us = 0;
    for (uint8_t i = 0; i < count; ++i) us += durations[i];
    return us;
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
    if (decodePulseDistance(kSamsung, durations, count, code)) {
        code.protocol = IR_SAMSUNG;
        return true;
    }
    if (decodeSirc(durations, count, code)) return true;
    if (decodeRc5(durations, count, code)) {
        code.protocol = IR_RC5;
        return true;
    }
    if (decodeRc6(durations, count, code)) return true;
    code = IrCode();
    return false;
}
