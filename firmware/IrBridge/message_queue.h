// The messages from the program that wait for the LED, in the order they
// came, packed into one ring of bytes: a key code takes 2 bytes, a decoded
// code 1 more than its value, a raw frame 7 and 2 a duration. So a hundred
// key codes and decoded codes fit, or two raw frames of a hundred durations.
//
// A message is written byte by byte, then committed, or abandoned when it
// turns out bad or too big; only committed messages can be read.
#ifndef IRBRIDGE_MESSAGE_QUEUE_H
#define IRBRIDGE_MESSAGE_QUEUE_H

#include <stdint.h>

class MessageQueue {
public:
    static const uint16_t kBytes = 500;

    // Starts a message; the bytes of one left unfinished are dropped.
    void begin() { writing_ = 0; }
    // False, and nothing written, when the ring is full.
    bool put(uint8_t byte) {
        if (committed_ + writing_ == kBytes) return false;
        bytes_[at(committed_ + writing_)] = byte;
        ++writing_;
        return true;
    }
    // Rewrites byte `offset` of the message being written.
    void patch(uint16_t offset, uint8_t byte) { bytes_[at(uint16_t(committed_ + offset))] = byte; }
    uint16_t writing() const { return writing_; }
    void commit() {
        committed_ = uint16_t(committed_ + writing_);
        writing_ = 0;
        ++messages_;
    }
    void abandon() { writing_ = 0; }

    uint8_t messages() const { return messages_; }
    // Byte `offset` of the first message.
    uint8_t peek(uint16_t offset) const { return bytes_[at(offset)]; }
    // Drops the first message, `length` bytes long.
    void pop(uint16_t length) {
        head_ = at(length);
        committed_ = uint16_t(committed_ - length);
        --messages_;
    }

private:
    uint16_t at(uint16_t offset) const {
        uint16_t i = uint16_t(head_ + offset);
        return i >= kBytes ? uint16_t(i - kBytes) : i;
    }

    uint8_t bytes_[kBytes];
    uint16_t head_ = 0;
    uint16_t committed_ = 0;  // bytes of whole messages from the head on
    uint16_t writing_ = 0;    // bytes of the message being written
    uint8_t messages_ = 0;
};

#endif
