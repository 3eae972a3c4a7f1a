// What the board does, apart from its hardware: key codes in from the
// program, IR frames out, received frames back to the program as monitor and
// value lines, and learning keys. Plain C++, so the host's tests run it.
//
// From the program come key codes: a letter A-D and three digits ("A101"),
// back to back with nothing between them. A byte that cannot continue or
// start a key code is dropped, so the bridge finds the next key code after
// garbage. Messages start with '!', which never starts a key code:
//   !LA101   learn: the next frame decoded within 10 s becomes key A101
//   !FA101   forget the learned frame of A101 (its default comes back)
//   !F*      forget every learned key
//   !SA101   send a key code, like A101
//   !SNEC:20DF10EF                        send a code, written as the board
//                                         reports codes, ended by CR or LF
//   !SRAW 38000:9000 4500 560 560 560     send a frame: the carrier in Hz
//                                         (30000 to 60000), then up to 100
//                                         durations in microseconds, mark
//                                         first, between blanks or commas,
//                                         ended by CR or LF. An even count
//                                         ends with the silence after the
//                                         frame, else it is 40 ms.
//   !HA101, !HNEC:20DF10EF, !HRAW ...     hold: the same, repeated in the
//                                         protocol's way while held
//   !K       the key is still held: say it at least every 150 ms, or the
//            board lets go 200 ms after the last time. The first !K may
//            also come up to 400 ms after a key code or !S: the press is
//            then held from there on, as a button held down.
//   !U       let go of the held key at once
//   !V       which firmware this is: answered with the value line
//            "IrBridge 1.1", the name and IRBRIDGE_VERSION. The board also
//            says it unasked when it starts, and every port open resets an
//            Uno or a Nano, so the program hears it at every connect
//            without writing anything; it asks only when it searches the
//            serial ports for the board
// Key codes and sends and holds go out in the order they came. A held key
// repeats until it is let go or another message comes after it.
//
// To the program go only monitor lines (ended by 'x') and value lines
// (ended by 'Y'), whole or not at all: any other text would become the start
// of the program's next line. Only errors and !V are answered, with value
// lines without a colon, which the program shows and does not log.
#ifndef IRBRIDGE_BRIDGE_H
#define IRBRIDGE_BRIDGE_H

#include <stdint.h>

#include "ir_codec.h"
#include "learned_keys.h"
#include "message_queue.h"
#include "wire.h"

// Where the lines to the program go. It never blocks: a line that does not
// fit in freeSpace() is dropped whole by the bridge.
class LineOutput {
public:
    virtual uint16_t freeSpace() const = 0;
    virtual void write(const char* text, uint16_t length) = 0;
};

// A frame to send: its durations are where nextFrame was told to put them.
struct Transmission {
    uint8_t count = 0;  // of durations; 0 for none
    uint16_t carrierHz = 0;
    uint32_t gapUs = 0;  // the silence after it before the next frame
};

class Bridge {
public:
    Bridge(LineOutput& output, KeyStorage& storage);

    // Says which firmware this is, as !V answers; the board does so when it starts.
    void sayVersion();

    // Handles one byte from the program.
    void serialByte(uint8_t byte, uint32_t nowMs);

    // Reports a frame the receiver measured: the monitor line, then the
    // value line if it decodes. Completes a learn that is waiting.
    void frameReceived(const uint16_t* durations, uint8_t count);

    // Ends a learn that has waited too long.
    void tick(uint32_t nowMs);

    // Whether a frame should go out now: a message waits, or a held key's
    // next frame is due. Moves on past messages that are done, and past key
    // codes that have no frame (saying so).
    bool frameDue(uint32_t nowMs);

    // Writes the frame that is due into `durations`. Call after frameDue.
    Transmission nextFrame(uint16_t* durations, uint8_t capacity);

    // How long a learn waits for a frame.
    static const uint32_t kLearnMs = 10000;
    // A held key stops this long after the last word that it is still held.
    static const uint16_t kHoldMs = 200;
    // A press is held if the first word that it is still held comes this
    // soon after it started.
    static const uint16_t kHoldableMs = 400;
    // The silence after a raw frame given without one.
    static const uint32_t kRawGapUs = wire::kDefaultSilenceUs;
    // The most durations a raw message may have.
    static const uint8_t kRawDurations = wire::kMaxDurations;

private:
    enum ParseState : uint8_t {
        Idle,
        KeyDigits,
        CommandLetter,
        CommandKeyLetter,
        CommandKeyDigits,
        MessageFirst,  // after !S or !H: a key code or a code's text follows
        MessageText,
        RawCarrier,
        RawDurations,
        SkipMessage,  // a bad one, up to its end
    };
    enum Command : uint8_t { NoCommand, Learn, Forget, Send, Hold };

    void startKey(uint8_t letter, ParseState next);
    void keyCodeComplete(uint32_t nowMs);
    void messageByte(uint8_t byte);
    void messageEnd();
    void failMessage(const char* text);
    void rawNumberEnd();
    void queueKey(KeyName key, bool hold);
    void queueCode(const IrCode& code, bool hold);
    void startLearning(KeyName key, uint32_t nowMs);
    void forget(KeyName key);
    void forgetAll();
    bool startHeadMessage(uint32_t nowMs);
    void dropHeadMessage();
    // `text` is in flash (PSTR), `key` follows it if given.
    void sendMessage(const char* text, const KeyName* key);
    void sendLine(const char* text, uint16_t length, char end);
    void sendMonitorLine(const uint16_t* durations, uint8_t count);

    LineOutput& output_;
    LearnedKeys learned_;

    ParseState state_ = Idle;
    Command command_ = NoCommand;  // set by each command's letter, before anything reads it
    KeyName parsing_;
    uint8_t digits_ = 0;
    char text_[32];  // a code's text, or the start of a raw frame's
    uint8_t textLength_ = 0;
    uint32_t number_ = 0;      // the raw number being read
    uint32_t lastNumber_ = 0;  // the raw number before it, not yet written
    uint8_t numbers_ = 0;      // raw numbers read

    MessageQueue queue_;

    // The first message, once it has started to go out.
    bool headStarted_ = false;
    uint32_t headStartMs_ = 0;
    uint8_t headLength_ = 0;  // in the queue's bytes
    uint8_t headMinFrames_ = 1;
    uint8_t framesSent_ = 0;
    uint8_t lastFrameMs_ = 0;
    IrCode head_;

    bool held_ = false;        // the first message: by !H, or a !K since it started
    uint32_t lastHeldMs_ = 0;  // the last !H or !K
    bool released_ = false;    // !U since the last !H or the press
    bool rc5Toggle_ = false;   // for the next press
    bool rc6Toggle_ = false;

    bool learning_ = false;
    KeyName learningKey_;
    uint32_t learnSinceMs_ = 0;
};

#endif
