#include "bridge.h"

#include <string.h>

#include "ir_text.h"
#include "progmem.h"

namespace {

bool isDigit(uint8_t byte) { return byte >= '0' && byte <= '9'; }
bool isKeyLetter(uint8_t byte) { return byte >= 'A' && byte <= 'D'; }
bool isLineEnd(uint8_t byte) { return byte == '\r' || byte == '\n'; }
bool isBlank(uint8_t byte) { return byte == ' ' || byte == ',' || byte == '\t'; }

// The first byte of a waiting message: its kind, whether it is held, and
// five bits more (a code's protocol, or the top of a key code).
const uint8_t kKindKey = 0x00;
const uint8_t kKindCode = 0x40;
const uint8_t kKindRaw = 0x80;
const uint8_t kKindMask = 0xC0;
const uint8_t kHeld = 0x20;
const uint8_t kLowBits = 0x1F;
// A raw message: kind, count, carrier (2), the silence after it in
// microseconds (3), then the durations (2 each).
const uint8_t kRawHeader = 7;

// The bytes a code's value takes in the queue, top byte first.
uint8_t valueBytes(uint8_t protocol) { return uint8_t((irCodeBits(protocol) + 7) / 8); }

const uint32_t kLowestCarrierHz = 30000;
const uint32_t kHighestCarrierHz = 60000;
// Larger raw numbers are not read on: no silence of ours lasts a second.
const uint32_t kLargestRawNumber = wire::kMaxSilenceUs;

}  // namespace

Bridge::Bridge(LineOutput& output, KeyStorage& storage) : output_(output), learned_(storage) {}

void Bridge::serialByte(uint8_t byte, uint32_t nowMs) {
    switch (state_) {
    case KeyDigits:
    case CommandKeyDigits:
        if (isDigit(byte)) {
            parsing_.number = uint16_t(parsing_.number * 10 + (byte - '0'));
            if (++digits_ == 3) keyCodeComplete(nowMs);
            return;
        }
        break;  // a broken key code: the byte may start the next one
    case CommandLetter:
        switch (byte) {
        case 'L':
            command_ = Learn;
            state_ = CommandKeyLetter;
            return;
        case 'F':
            command_ = Forget;
            state_ = CommandKeyLetter;
            return;
        case 'S':
            command_ = Send;
            state_ = MessageFirst;
            return;
        case 'H':
            command_ = Hold;
            state_ = MessageFirst;
            lastHeldMs_ = nowMs;
            released_ = false;
            return;
        case 'K':
            state_ = Idle;
            lastHeldMs_ = nowMs;
            held_ = true;
            return;
        case 'U':
            state_ = Idle;
            released_ = true;
            return;
        case 'V':
            state_ = Idle;
            sayVersion();
            return;
        }
        break;
    case CommandKeyLetter:
        if (byte == '*' && command_ == Forget) {
            state_ = Idle;
            forgetAll();
            return;
        }
        if (isKeyLetter(byte)) {
            startKey(byte, CommandKeyDigits);
            return;
        }
        break;
    case MessageFirst:
        if (isKeyLetter(byte)) {
            startKey(byte, CommandKeyDigits);
            return;
        }
        if (isLineEnd(byte) || byte == '!') {
            sendMessage(PSTR("Bad message, nothing sent"), nullptr);
            break;
        }
        textLength_ = 0;
        state_ = MessageText;
        messageByte(byte);
        return;
    case MessageText:
    case RawCarrier:
    case RawDurations:
    case SkipMessage:
        if (byte != '!') {
            messageByte(byte);
            return;
        }
        // A message cut short by the next one.
        if (state_ != SkipMessage) failMessage(PSTR("Bad message, nothing sent"));
        break;
    case Idle: break;
    }
    state_ = Idle;
    if (isKeyLetter(byte))
        startKey(byte, KeyDigits);
    else if (byte == '!')
        state_ = CommandLetter;
}

void Bridge::sayVersion() { sendMessage(PSTR(IRBRIDGE_NAME " " IRBRIDGE_VERSION), nullptr); }

void Bridge::startKey(uint8_t letter, ParseState next) {
    parsing_ = KeyName();
    parsing_.letter = char(letter);
    digits_ = 0;
    state_ = next;
}

void Bridge::keyCodeComplete(uint32_t nowMs) {
    Command command = state_ == CommandKeyDigits ? command_ : NoCommand;
    state_ = Idle;
    switch (command) {
    case NoCommand:
    case Send: queueKey(parsing_, false); break;
    case Hold: queueKey(parsing_, true); break;
    case Learn: startLearning(parsing_, nowMs); break;
    case Forget: forget(parsing_); break;
    }
}

// A byte of a code's text or a raw frame, up to the line's end.
void Bridge::messageByte(uint8_t byte) {
    if (isLineEnd(byte)) {
        messageEnd();
        return;
    }
    switch (state_) {
    case MessageText:
        if (textLength_ == sizeof text_ - 1) {
            failMessage(PSTR("Bad message, nothing sent"));
            return;
        }
        text_[textLength_++] = char(byte);
        if (textLength_ == 4 && memcmp_P(text_, PSTR("RAW "), 4) == 0) {
            state_ = RawCarrier;
            number_ = 0;
            numbers_ = 0;
            digits_ = 0;
        }
        return;
    case RawCarrier:
        if (isDigit(byte) && number_ <= kHighestCarrierHz) {
            number_ = number_ * 10 + (byte - '0');
            ++digits_;
        } else if (byte == ':' && digits_ > 0) {
            if (number_ < kLowestCarrierHz || number_ > kHighestCarrierHz) {
                failMessage(PSTR("Carrier out of range, nothing sent"));
                return;
            }
            queue_.begin();
            const uint8_t header[kRawHeader] = {uint8_t(kKindRaw | (command_ == Hold ? kHeld : 0)),
                                                0,
                                                uint8_t(number_ >> 8),
                                                uint8_t(number_),
                                                0,
                                                0,
                                                0};
            for (uint8_t b : header) {
                if (!queue_.put(b)) {
                    failMessage(PSTR("Too many messages at once, dropped"));
                    return;
                }
            }
            state_ = RawDurations;
            number_ = 0;
            digits_ = 0;
        } else if (isDigit(byte)) {
            failMessage(PSTR("Carrier out of range, nothing sent"));
        } else {
            failMessage(PSTR("Bad message, nothing sent"));
        }
        return;
    case RawDurations:
        if (isDigit(byte)) {
            if (number_ > kLargestRawNumber / 10) {
                failMessage(PSTR("Bad message, nothing sent"));
                return;
            }
            number_ = number_ * 10 + (byte - '0');
            ++digits_;
        } else if (isBlank(byte)) {
            rawNumberEnd();
        } else {
            failMessage(PSTR("Bad message, nothing sent"));
        }
        return;
    default: return;  // SkipMessage
    }
}

// The number just read waits until the next: the last may be the silence.
void Bridge::rawNumberEnd() {
    if (digits_ == 0) return;
    digits_ = 0;
    if (numbers_ == kRawDurations) {
        failMessage(PSTR("Too many durations, nothing sent"));
        return;
    }
    if (numbers_ > 0) {
        if (lastNumber_ == 0 || lastNumber_ > 0xFFFF) {
            failMessage(PSTR("Bad message, nothing sent"));
            return;
        }
        if (!queue_.put(uint8_t(lastNumber_ >> 8)) || !queue_.put(uint8_t(lastNumber_))) {
            failMessage(PSTR("Too many messages at once, dropped"));
            return;
        }
    }
    lastNumber_ = number_;
    number_ = 0;
    ++numbers_;
}

void Bridge::messageEnd() {
    ParseState state = state_;
    bool hold = command_ == Hold;
    state_ = Idle;
    if (state == MessageText) {
        text_[textLength_] = '\0';
        IrCode code;
        switch (readCode(text_, code)) {
        case CODE_OK:
            if (code.repeat)
                sendMessage(PSTR("Bad message, nothing sent"), nullptr);
            else
                queueCode(code, hold);
            return;
        case CODE_UNKNOWN_PROTOCOL: sendMessage(PSTR("Unknown protocol, nothing sent"), nullptr); return;
        case CODE_TOO_WIDE: sendMessage(PSTR("Value too wide for its protocol, nothing sent"), nullptr); return;
        case CODE_BAD_TEXT: sendMessage(PSTR("Bad message, nothing sent"), nullptr); return;
        }
        return;
    }
    if (state == RawCarrier) {
        sendMessage(PSTR("Bad message, nothing sent"), nullptr);
        return;
    }
    if (state != RawDurations) return;  // SkipMessage: answered already
    state_ = RawDurations;
    rawNumberEnd();
    bool failed = state_ != RawDurations;
    state_ = Idle;
    if (failed) return;
    if (numbers_ == 0) {
        queue_.abandon();
        sendMessage(PSTR("Bad message, nothing sent"), nullptr);
        return;
    }
    // An even count ends with the silence after the frame.
    const bool endsWithSilence = numbers_ % 2 == 0;
    if (lastNumber_ == 0 || (!endsWithSilence && lastNumber_ > 0xFFFF)) {
        queue_.abandon();
        sendMessage(PSTR("Bad message, nothing sent"), nullptr);
        return;
    }
    if (!endsWithSilence && (!queue_.put(uint8_t(lastNumber_ >> 8)) || !queue_.put(uint8_t(lastNumber_)))) {
        queue_.abandon();
        sendMessage(PSTR("Too many messages at once, dropped"), nullptr);
        return;
    }
    const uint32_t gapUs = endsWithSilence ? lastNumber_ : kRawGapUs;
    queue_.patch(1, uint8_t((queue_.writing() - kRawHeader) / 2));
    queue_.patch(4, uint8_t(gapUs >> 16));
    queue_.patch(5, uint8_t(gapUs >> 8));
    queue_.patch(6, uint8_t(gapUs));
    queue_.commit();
}

// Answers once, drops what the message wrote so far, and skips to its end.
void Bridge::failMessage(const char* text) {
    queue_.abandon();
    sendMessage(text, nullptr);
    state_ = SkipMessage;
}

void Bridge::queueKey(KeyName key, bool hold) {
    uint16_t packed = key.packed();
    queue_.begin();
    if (!queue_.put(uint8_t(kKindKey | (hold ? kHeld : 0) | packed >> 8)) || !queue_.put(uint8_t(packed))) {
        queue_.abandon();
        sendMessage(PSTR("Too many key codes at once, dropped "), &key);
        return;
    }
    queue_.commit();
}

void Bridge::queueCode(const IrCode& code, bool hold) {
    queue_.begin();
    bool room = queue_.put(uint8_t(kKindCode | (hold ? kHeld : 0) | code.protocol));
    for (uint8_t i = valueBytes(code.protocol); room && i-- > 0;) {
        uint8_t byte = i >= 4 ? uint8_t(code.high >> (8 * (i - 4))) : uint8_t(code.data >> (8 * i));
        room = queue_.put(byte);
    }
    if (!room) {
        queue_.abandon();
        sendMessage(PSTR("Too many messages at once, dropped"), nullptr);
        return;
    }
    queue_.commit();
}

// Reads the first message for its first frame. A new press flips the toggle
// of RC5 and RC6, so that the TV tells it from a held key.
bool Bridge::startHeadMessage(uint32_t nowMs) {
    uint8_t first = queue_.peek(0);
    held_ = first & kHeld;
    if (!held_) released_ = false;  // a !U before it was for an earlier hold
    headStartMs_ = nowMs;
    head_ = IrCode();
    switch (first & kKindMask) {
    case kKindKey: {
        headLength_ = 2;
        KeyName key = KeyName::unpack(uint16_t((first & 0x0F) << 8 | queue_.peek(1)));
        if (!learned_.find(key, head_)) {
            sendMessage(PSTR("No key "), &key);
            return false;
        }
        break;
    }
    case kKindCode:
        head_.protocol = first & kLowBits;
        head_.bits = irCodeBits(head_.protocol);
        headLength_ = uint8_t(1 + valueBytes(head_.protocol));
        for (uint8_t i = 1; i < headLength_; ++i) {
            head_.high = uint16_t(head_.high << 8 | head_.data >> 24);
            head_.data = head_.data << 8 | queue_.peek(i);
        }
        break;
    default: headLength_ = uint8_t(kRawHeader + 2 * queue_.peek(1)); break;
    }
    if (head_.protocol == IR_RC5) {
        head_.toggle = rc5Toggle_;
        rc5Toggle_ = !rc5Toggle_;
    } else if (head_.protocol == IR_RC6 || head_.protocol == IR_RC6_6_20) {
        head_.toggle = rc6Toggle_;
        rc6Toggle_ = !rc6Toggle_;
    }
    headMinFrames_ = irMinFrames(head_.protocol);
    framesSent_ = 0;
    headStarted_ = true;
    return true;
}

void Bridge::dropHeadMessage() {
    queue_.pop(headLength_);
    headStarted_ = false;
}

bool Bridge::frameDue(uint32_t nowMs) {
    while (queue_.messages() != 0) {
        if (!headStarted_) {
            if (!startHeadMessage(nowMs)) {
                queue_.pop(headLength_);
                continue;
            }
            return true;
        }
        if (framesSent_ < headMinFrames_) return true;
        if (released_ || queue_.messages() != 1) {
            dropHeadMessage();
            continue;
        }
        if (held_) {
            // The next frame must end within kHoldMs of the last word; until
            // then the next word may come.
            uint32_t sinceHeld = nowMs - lastHeldMs_;
            if (sinceHeld < kHoldMs) return sinceHeld + lastFrameMs_ <= kHoldMs;
        } else if (nowMs - headStartMs_ < kHoldableMs) {
            return false;  // a press may still turn out to be held
        }
        dropHeadMessage();
    }
    return false;
}

Transmission Bridge::nextFrame(uint16_t* durations, uint8_t capacity) {
    Transmission out;
    if (!headStarted_) return out;
    if ((queue_.peek(0) & kKindMask) == kKindRaw) {
        uint8_t count = queue_.peek(1);
        if (count <= capacity) {
            for (uint8_t i = 0; i < count; ++i)
                durations[i] = uint16_t(queue_.peek(uint16_t(kRawHeader + 2 * i)) << 8 |
                                        queue_.peek(uint16_t(kRawHeader + 2 * i + 1)));
            out.count = count;
        }
        out.carrierHz = uint16_t(queue_.peek(2) << 8 | queue_.peek(3));
        out.gapUs = uint32_t(queue_.peek(4)) << 16 | uint16_t(queue_.peek(5) << 8 | queue_.peek(6));
    } else {
        IrCode code = head_;
        code.repeat = code.protocol == IR_NEC && framesSent_ > 0;  // NEC's held key
        out.count = irEncode(code, durations, capacity);
        out.carrierHz = irCarrierHz(code.protocol);
        out.gapUs = irGapAfterUs(code.protocol, irFrameUs(durations, out.count));
    }
    uint32_t frameMs = (irFrameUs(durations, out.count) + 999) / 1000;
    lastFrameMs_ = uint8_t(frameMs > 255 ? 255 : frameMs);
    if (framesSent_ < 255) ++framesSent_;
    return out;
}

void Bridge::startLearning(KeyName key, uint32_t nowMs) {
    learning_ = true;
    learningKey_ = key;
    learnSinceMs_ = nowMs;
    sendMessage(PSTR("Learning "), &key);
}

void Bridge::tick(uint32_t nowMs) {
    if (learning_ && nowMs - learnSinceMs_ >= kLearnMs) {
        learning_ = false;
        sendMessage(PSTR("Nothing learned for "), &learningKey_);
    }
}

void Bridge::forget(KeyName key) {
    sendMessage(learned_.forget(key) ? PSTR("Forgot ") : PSTR("Nothing to forget for "), &key);
}

void Bridge::forgetAll() {
    learned_.forgetAll();
    sendMessage(PSTR("Forgot every learned key"), nullptr);
}

void Bridge::frameReceived(const uint16_t* durations, uint8_t count) {
    if (count == 0) return;
    sendMonitorLine(durations, count);
    IrCode code;
    if (!irDecode(durations, count, code)) return;
    char text[32];
    uint8_t length = formatCode(code, text, sizeof text);
    if (length != 0) sendLine(text, length, wire::kValueLineEnd);
    if (learning_ && !code.repeat) {
        learning_ = false;
        sendMessage(learned_.learn(learningKey_, code) ? PSTR("Learned ") : PSTR("No room left to learn "),
                    &learningKey_);
    }
}

void Bridge::sendMessage(const char* text, const KeyName* key) {
    char line[48];
    uint16_t length = uint16_t(strlen_P(text));
    memcpy_P(line, text, length);
    if (key) {
        key->text(line + length);
        length = uint16_t(length + 4);
    }
    sendLine(line, length, wire::kValueLineEnd);
}

void Bridge::sendLine(const char* text, uint16_t length, char end) {
    if (output_.freeSpace() < length + 1) return;
    output_.write(text, length);
    output_.write(&end, 1);
}

void Bridge::sendMonitorLine(const uint16_t* durations, uint8_t count) {
    // Measured first, so that a line that does not fit is not started.
    if (output_.freeSpace() < monitorLineLength(durations, count)) return;
    writeMonitorLine(durations, count, [this](const char* text, uint8_t length) { output_.write(text, length); });
}
