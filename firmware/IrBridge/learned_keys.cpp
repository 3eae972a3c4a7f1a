#include "learned_keys.h"

#include <string.h>

#include "key_table.h"

namespace {

// The storage starts with this mark; then come slots of kSlotSize bytes:
// letter, number (2), protocol, bits, high (2), data (4), and a check byte
// that makes a slot half written when the power went invalid.
const uint8_t kMark[] = {'I', 'R', 'K', 1};
const uint16_t kFirstSlot = sizeof kMark;
const uint8_t kSlotSize = 12;
const uint8_t kEmpty = 0xFF;

bool isKeyLetter(uint8_t letter) { return letter >= 'A' && letter <= 'D'; }

}  // namespace

KeyName KeyName::unpack(uint16_t packed) {
    KeyName key;
    key.letter = char('A' + (packed >> 10));
    key.number = packed & 0x3FF;
    return key;
}

void KeyName::text(char out[5]) const {
    out[0] = letter;
    out[1] = char('0' + number / 100 % 10);
    out[2] = char('0' + number / 10 % 10);
    out[3] = char('0' + number % 10);
    out[4] = 0;
}

bool findDefaultKey(const KeyName& key, IrCode& code) {
    for (uint16_t i = 0; i < sizeof kDefaultKeys / sizeof kDefaultKeys[0]; ++i) {
        // Compared where they lie, since a key code's lookup holds up the
        // board's serial input.
        if (char(pgm_read_byte(&kDefaultKeys[i].letter)) != key.letter ||
            pgm_read_word(&kDefaultKeys[i].number) != key.number)
            continue;
        DefaultKey entry;
        memcpy_P(&entry, &kDefaultKeys[i], sizeof entry);
        code = IrCode();
        code.protocol = entry.protocol;
        code.bits = irCodeBits(entry.protocol);
        code.high = entry.high;
        code.data = entry.data;
        return code.bits != 0;
    }
    return false;
}

LearnedKeys::LearnedKeys(KeyStorage& storage)
    : storage_(storage), capacity_(uint8_t((storage.size() - kFirstSlot) / kSlotSize)) {
    for (uint8_t i = 0; i < sizeof kMark; ++i) {
        if (storage_.read(i) != kMark[i]) {
            format();
            return;
        }
    }
}

void LearnedKeys::format() {
    forgetAll();
    for (uint8_t i = 0; i < sizeof kMark; ++i) storage_.write(i, kMark[i]);
}

uint16_t LearnedKeys::slotAddress(uint8_t slot) const { return uint16_t(kFirstSlot + slot * kSlotSize); }

namespace {

void readSlot(const KeyStorage& storage, uint16_t address, uint8_t bytes[12]) {
    for (uint8_t i = 0; i < 12; ++i) bytes[i] = storage.read(uint16_t(address + i));
}

uint8_t check(const uint8_t bytes[12]) {
    uint8_t sum = 0x5A;
    for (uint8_t i = 0; i < 11; ++i) sum = uint8_t(sum ^ bytes[i]);
    return sum;
}

bool slotInUse(const uint8_t bytes[12]) { return isKeyLetter(bytes[0]) && check(bytes) == bytes[11]; }

bool slotHolds(const uint8_t bytes[12], const KeyName& key) {
    return slotInUse(bytes) && bytes[0] == uint8_t(key.letter) && uint16_t(bytes[1] << 8 | bytes[2]) == key.number;
}

}  // namespace

int16_t LearnedKeys::slotOf(const KeyName& key) const {
    uint8_t bytes[kSlotSize];
    for (uint8_t slot = 0; slot < capacity(); ++slot) {
        if (storage_.read(slotAddress(slot)) != uint8_t(key.letter))
            continue;  // a whole slot is read only when its letter matches
        readSlot(storage_, slotAddress(slot), bytes);
        if (slotHolds(bytes, key)) return slot;
    }
    return -1;
}

bool LearnedKeys::find(const KeyName& key, IrCode& code) const {
    int16_t slot = slotOf(key);
    if (slot < 0) return findDefaultKey(key, code);
    uint8_t b[kSlotSize];
    readSlot(storage_, slotAddress(uint8_t(slot)), b);
    code = IrCode();
    code.protocol = b[3];
    code.bits = b[4];
    code.high = uint16_t(b[5] << 8 | b[6]);
    code.data = uint32_t(b[7]) << 24 | uint32_t(b[8]) << 16 | uint32_t(b[9]) << 8 | b[10];
    return true;
}

bool LearnedKeys::learn(const KeyName& key, const IrCode& code) {
    int16_t slot = slotOf(key);
    uint8_t b[kSlotSize];
    // A slot that a power cut left half written counts as free.
    for (uint8_t free = 0; slot < 0 && free < capacity(); ++free) {
        readSlot(storage_, slotAddress(free), b);
        if (!slotInUse(b)) slot = free;
    }
    if (slot < 0) return false;
    const uint8_t fresh[kSlotSize] = {uint8_t(key.letter),
                                      uint8_t(key.number >> 8),
                                      uint8_t(key.number),
                                      code.protocol,
                                      code.bits,
                                      uint8_t(code.high >> 8),
                                      uint8_t(code.high),
                                      uint8_t(code.data >> 24),
                                      uint8_t(code.data >> 16),
                                      uint8_t(code.data >> 8),
                                      uint8_t(code.data),
                                      0};
    memcpy(b, fresh, kSlotSize);
    b[11] = check(b);
    uint16_t address = slotAddress(uint8_t(slot));
    // The letter goes last: until then the slot reads as empty or as its old
    // key with a wrong check, never as a half-written new key.
    storage_.write(address, kEmpty);
    for (uint8_t i = 1; i < kSlotSize; ++i) storage_.write(uint16_t(address + i), b[i]);
    storage_.write(address, b[0]);
    return true;
}

bool LearnedKeys::forget(const KeyName& key) {
    int16_t slot = slotOf(key);
    if (slot < 0) return false;
    storage_.write(slotAddress(uint8_t(slot)), kEmpty);
    return true;
}

void LearnedKeys::forgetAll() {
    for (uint8_t slot = 0; slot < capacity(); ++slot) {
        if (storage_.read(slotAddress(slot)) != kEmpty) storage_.write(slotAddress(slot), kEmpty);
    }
}
