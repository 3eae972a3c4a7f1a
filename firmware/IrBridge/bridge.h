// What the board does, apart from its hardware: key codes in from the
// program, IR frames out, received frames back to the program as monitor and
// value lines, and learning keys. Plain C++, so the host's tests run it.
//
// From the program come key codes: a letter A-D and three digits ("A101"),
// back to back with nothing between them. A byte that cannot continue or
// start a key code is dropped, so the bridge finds the next key code after
// garbage. Our own commands start with '!', which never starts a key code:
//   !LA101   learn: the next frame decoded within 10 s becomes key A101
//   !FA101   forget the learned frame of A101 (its default comes back)
//   !F*      forget every learned key
//
// To the program go only monitor lines (ended by 'x') and value lines
// (ended by 'Y'), whole or not at all: any other text would become the start
// of the program's next line. Messages are value lines without a colon,
// which the program shows and does not log.
#ifndef IRBRIDGE_BRIDGE_H
#define IRBRIDGE_BRIDGE_H

#include <stdint.h>

#include "ir_codec.h"
#include "learned_keys.h"

// Where the lines to the program go. It never blocks: a line that does not
// fit in freeSpace() is dropped whole by the bridge.
class LineOutput {
public:
    virtual uint16_t freeSpace() const = 0;
    virtual void write(const char* text, uint16_t length) = 0;
};

class Bridge {
public:
    Bridge(LineOutput& output, KeyStorage& storage);

    // Handles one byte from the program.
    void serialByte(uint8_t byte, uint32_t nowMs);

    // Reports a frame the receiver measured: the monitor line, then the
    // value line if it decodes. Completes a learn that is waiting.
    void frameReceived(const uint16_t* durations, uint8_t count);

    // Ends a learn that has waited too long.
    void tick(uint32_t nowMs);

    // Takes the next key code to transmit and gives its frame. Unknown key
    // codes are reported and skipped. False when no key code waits.
    bool nextFrame(IrCode& code);

    bool keysWaiting() const { return queueCount_ != 0; }

    // How long a learn waits for a frame.
    static const uint32_t kLearnMs = 10000;
    // Key codes that can wait while frames go out: a burst of a hundred
    // clicks fits.
    static const uint8_t kQueueSize = 112;

private:
    enum ParseState : uint8_t { Idle, KeyDigits, CommandLetter, CommandKeyLetter, CommandKeyDigits };
    enum Command : uint8_t { NoCommand, Learn, Forget };

    void keyCodeComplete(uint32_t nowMs);
    void queueKey(KeyName key);
    void startLearning(KeyName key, uint32_t nowMs);
    void forget(KeyName key);
    void forgetAll();
    // `text` is in flash (PSTR), `key` follows it if given.
    void sendMessage(const char* text, const KeyName* key);
    void sendLine(const char* text, uint16_t length, char end);
    void sendMonitorLine(const uint16_t* durations, uint8_t count);

    LineOutput& output_;
    LearnedKeys learned_;

    ParseState state_ = Idle;
    Command command_ = NoCommand;
    KeyName parsing_;
    uint8_t digits_ = 0;

    uint16_t queue_[kQueueSize];  // KeyName::packed() of waiting key codes
    uint8_t queueHead_ = 0;
    uint8_t queueCount_ = 0;

    bool learning_ = false;
    KeyName learningKey_;
    uint32_t learnSinceMs_ = 0;
};

#endif
