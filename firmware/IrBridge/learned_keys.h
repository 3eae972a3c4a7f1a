// The key table: learned keys kept in the board's EEPROM, which survive a
// reset and take precedence over the defaults compiled in from key_table.h.
#ifndef IRBRIDGE_LEARNED_KEYS_H
#define IRBRIDGE_LEARNED_KEYS_H

#include <stdint.h>

#include "ir_codec.h"

// A key code as the program sends it: the remote's letter and a number.
struct KeyName {
    char letter = 0;      // 'A' to 'D'
    uint16_t number = 0;  // 0 to 999

    uint16_t packed() const { return uint16_t((letter - 'A') << 10 | number); }
    static KeyName unpack(uint16_t packed);
    bool operator==(const KeyName& other) const { return letter == other.letter && number == other.number; }
    // "A101" and a terminating zero.
    void text(char out[5]) const;
};

// Bytes that keep their value without power: the board's EEPROM.
class KeyStorage {
public:
    virtual uint8_t read(uint16_t address) const = 0;
    virtual void write(uint16_t address, uint8_t value) = 0;
    virtual uint16_t size() const = 0;
};

class LearnedKeys {
public:
    explicit LearnedKeys(KeyStorage& storage);

    // The key's frame: the learned one, else the default, else false.
    bool find(const KeyName& key, IrCode& code) const;

    // Stores or replaces the key's learned frame. False when no room is left.
    bool learn(const KeyName& key, const IrCode& code);

    // Forgets one learned key; false if it had none.
    bool forget(const KeyName& key);
    void forgetAll();

    // How many learned keys the storage holds at most.
    uint8_t capacity() const { return capacity_; }

private:
    // Storage that does not start with the mark holds another program's
    // bytes (or none): it is cleared before the first use.
    void format();
    int16_t slotOf(const KeyName& key) const;  // -1 if not learned
    uint16_t slotAddress(uint8_t slot) const;

    KeyStorage& storage_;
    uint8_t capacity_;
};

// The defaults of key_table.h.
bool findDefaultKey(const KeyName& key, IrCode& code);

#endif
