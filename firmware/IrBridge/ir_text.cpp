#include "ir_text.h"

#include <string.h>

#include "progmem.h"

// Numbers are written by hand: printf would not fit the board's flash.

namespace {

struct ProtocolName {
    uint8_t protocol;
    char name[10];
};

// No name has a lower-case x or an upper-case Y, which end the board's lines:
// Sony's protocol goes by its name SIRC.
const ProtocolName kProtocolNames[] PROGMEM = {
    {IR_NEC, "NEC"},       {IR_PANASONIC, "PANASONIC"}, {IR_RC5, "RC5"},
    {IR_RC6, "RC6"},       {IR_RC6_6_20, "RC6-6-20"},   {IR_SIRC12, "SIRC12"},
    {IR_SIRC15, "SIRC15"}, {IR_SIRC20, "SIRC20"},       {IR_SAMSUNG, "SAMSUNG"},
};
const uint8_t kProtocolCount = sizeof kProtocolNames / sizeof kProtocolNames[0];

// Entry i of the table, copied out of flash.
ProtocolName protocolName(uint8_t i) {
    ProtocolName entry;
    memcpy_P(&entry, &kProtocolNames[i], sizeof entry);
    return entry;
}

uint8_t nameLength(const ProtocolName& entry) { return static_cast<uint8_t>(strlen(entry.name)); }

const char kNecRepeatText[] PROGMEM = "NEC repeat";

// Writes characters while they fit with room for the terminating zero.
struct TextWriter {
    char* out;
    uint16_t capacity;
    uint16_t length;
    bool overflow;

    void put(char c) {
        if (length + 1 >= capacity) {
            overflow = true;
        } else {
            out[length++] = c;
        }
    }

    void putText(const char* text, uint8_t count) {
        for (uint8_t i = 0; i < count; ++i) put(text[i]);
    }

    void putHex(uint32_t value, uint8_t bits) {
        for (uint8_t shift = static_cast<uint8_t>((bits + 3) / 4 * 4); shift > 0;) {
            shift = static_cast<uint8_t>(shift - 4);
            uint8_t digit = (value >> shift) & 0xF;
            put(static_cast<char>(digit < 10 ? '0' + digit : 'A' + digit - 10));
        }
    }

    // The length, or 0 if anything was left out.
    uint16_t finish() {
        if (overflow) return 0;
        out[length] = '\0';
        return length;
    }
};

// Panasonic's 48 bits: 16 in `high`, 32 in `data`.
uint8_t dataBits(uint8_t protocol) {
    uint8_t bits = irCodeBits(protocol);
    return bits > 32 ? 32 : bits;
}

int8_t hexValue(char c) {
    if (c >= '0' && c <= '9') return static_cast<int8_t>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<int8_t>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f') return static_cast<int8_t>(c - 'a' + 10);
    return -1;
}

// Reads hexadecimal digits up to the first other character into a value of
// `bits` bits. Returns where it stopped, or null if there is no digit or the
// value needs more bits (then `tooWide` is set).
const char* readHex(const char* text, uint8_t bits, uint32_t& value, bool& tooWide) {
    value = 0;
    const char* start = text;
    for (int8_t digit; (digit = hexValue(*text)) >= 0; ++text) {
        if (value >> (bits - 4) != 0) {
            tooWide = true;
            return nullptr;
        }
        value = value << 4 | static_cast<uint8_t>(digit);
    }
    return text == start ? nullptr : text;
}

}  // namespace

// By subtraction: the board has no divider, and a monitor line of a hundred
// numbers must not keep it from its serial input for long.
uint8_t formatDecimal(uint16_t value, char out[5]) {
    static const uint16_t kPowers[] PROGMEM = {10000, 1000, 100, 10};
    uint8_t count = 0;
    for (const uint16_t& entry : kPowers) {
        const uint16_t power = pgm_read_word(&entry);
        char digit = '0';
        while (value >= power) {
            value = static_cast<uint16_t>(value - power);
            ++digit;
        }
        if (count != 0 || digit != '0') out[count++] = digit;
    }
    out[count++] = static_cast<char>('0' + value);
    return count;
}

uint8_t decimalLength(uint16_t value) {
    return value >= 10000 ? 5 : value >= 1000 ? 4 : value >= 100 ? 3 : value >= 10 ? 2 : 1;
}

uint16_t monitorLineLength(const uint16_t* durations, uint8_t count) {
    count = monitorLineNumbers(count);
    uint16_t length = 1;
    for (uint8_t i = 0; i < count; ++i) length = static_cast<uint16_t>(length + decimalLength(durations[i]) + (i != 0));
    return length;
}

uint16_t formatMonitorLine(const uint16_t* durations, uint8_t count, char* out, uint16_t capacity) {
    const uint16_t length = monitorLineLength(durations, count);
    if (length >= capacity) return 0;
    uint16_t written = 0;
    writeMonitorLine(durations, count, [&](const char* text, uint8_t n) {
        memcpy(out + written, text, n);
        written = static_cast<uint16_t>(written + n);
    });
    out[written] = '\0';
    return written;
}

uint8_t formatCode(const IrCode& code, char* out, uint8_t capacity) {
    TextWriter text = {out, capacity, 0, false};
    if (code.protocol == IR_NEC && code.repeat) {
        char repeat[sizeof kNecRepeatText];
        memcpy_P(repeat, kNecRepeatText, sizeof repeat);
        text.putText(repeat, sizeof repeat - 1);
        return static_cast<uint8_t>(text.finish());
    }
    if (!irValueFits(code)) return 0;
    for (uint8_t i = 0; i < kProtocolCount; ++i) {
        const ProtocolName entry = protocolName(i);
        if (entry.protocol != code.protocol) continue;
        text.putText(entry.name, nameLength(entry));
        uint8_t highBits = static_cast<uint8_t>(irCodeBits(code.protocol) - dataBits(code.protocol));
        if (highBits > 0) {
            text.put(' ');
            text.putHex(code.high, highBits);
        }
        text.put(':');
        text.putHex(code.data, dataBits(code.protocol));
        return static_cast<uint8_t>(text.finish());
    }
    return 0;
}

CodeText readCode(const char* text, IrCode& code) {
    code = IrCode();
    if (!text) return CODE_BAD_TEXT;
    if (strcmp_P(text, kNecRepeatText) == 0) {
        code.protocol = IR_NEC;
        code.bits = irCodeBits(IR_NEC);
        code.repeat = true;
        return CODE_OK;
    }
    for (uint8_t i = 0; i < kProtocolCount; ++i) {
        const ProtocolName entry = protocolName(i);
        const uint8_t length = nameLength(entry);
        if (strncmp(text, entry.name, length) != 0) continue;
        const char* rest = text + length;
        uint8_t bits = irCodeBits(entry.protocol);
        uint32_t high = 0;
        uint32_t data = 0;
        bool tooWide = false;
        if (bits > 32) {
            if (*rest != ' ') return CODE_BAD_TEXT;
            rest = readHex(rest + 1, static_cast<uint8_t>(bits - 32), high, tooWide);
            if (!rest) return tooWide ? CODE_TOO_WIDE : CODE_BAD_TEXT;
        }
        if (*rest != ':') continue;  // "RC6" also begins "RC6-6-20", "SIRC1" all three
        rest = readHex(rest + 1, dataBits(entry.protocol), data, tooWide);
        if (!rest) return tooWide ? CODE_TOO_WIDE : CODE_BAD_TEXT;
        if (*rest != '\0') return CODE_BAD_TEXT;
        code.protocol = entry.protocol;
        code.bits = bits;
        code.high = static_cast<uint16_t>(high);
        code.data = data;
        return CODE_OK;
    }
    // A name followed by a colon or a blank that is none of ours.
    for (; *text; ++text)
        if (*text == ':' || *text == ' ') return CODE_UNKNOWN_PROTOCOL;
    return CODE_BAD_TEXT;
}

bool parseCode(const char* text, IrCode& code) { return readCode(text, code) == CODE_OK; }
