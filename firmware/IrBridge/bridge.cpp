#include "bridge.h"

#include <string.h>

#include "ir_text.h"
#include "progmem.h"

namespace {

bool isDigit(uint8_t byte) { return byte >= '0' && byte <= '9'; }
bool isKeyLetter(uint8_t byte) { return byte >= 'A' && byte <= 'D'; }

}  // namespace

Bridge::Bridge(LineOutput& output, KeyStorage& storage) : output_(output), learned_(storage) {}

void Bridge::serialByte(uint8_t byte, uint32_t nowMs)
{
    switch (state_) {
    case KeyDigits:
    case CommandKeyDigits:
        if (isDigit(byte)) {
            parsing_.number = uint16_t(parsing_.number * 10 + (byte - '0'));
            if (++digits_ == 3)
                keyCodeComplete(nowMs);
            return;
        }
        break;  // a broken key code: the byte may start the next one
    case CommandLetter:
        if (byte == 'L' || byte == 'F') {
            command_ = byte == 'L' ? Learn : Forget;
            state_ = CommandKeyLetter;
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
            parsing_ = KeyName();
            parsing_.letter = char(byte);
            digits_ = 0;
            state_ = CommandKeyDigits;
            return;
        }
        break;
    case Idle:
        break;
    }
    state_ = Idle;
    command_ = NoCommand;
    if (isKeyLetter(byte)) {
        parsing_ = KeyName();
        parsing_.letter = char(byte);
        digits_ = 0;
        state_ = KeyDigits;
    } else if (byte == '!') {
        state_ = CommandLetter;
    }
}

void Bridge::keyCodeComplete(uint32_t nowMs)
{
    Command command = state_ == CommandKeyDigits ? command_ : NoCommand;
    state_ = Idle;
    command_ = NoCommand;
    switch (command) {
    case NoCommand: queueKey(parsing_); break;
    case Learn: startLearning(parsing_, nowMs); break;
    case Forget: forget(parsing_); break;
    }
}

void Bridge::queueKey(KeyName key)
{
    if (queueCount_ == kQueueSize) {
        sendMessage(PSTR("Too many key codes at once, dropped "), &key);
        return;
    }
    queue_[(queueHead_ + queueCount_) % kQueueSize] = key.packed();
    ++queueCount_;
}

bool Bridge::nextFrame(IrCode& code)
{
    while (queueCount_ != 0) {
        KeyName key = KeyName::unpack(queue_[queueHead_]);
        queueHead_ = uint8_t((queueHead_ + 1) % kQueueSize);
        --queueCount_;
        if (learned_.find(key, code))
            return true;
        sendMessage(PSTR("No key "), &key);
    }
    return false;
}

void Bridge::startLearning(KeyName key, uint32_t nowMs)
{
    learning_ = true;
    learningKey_ = key;
    learnSinceMs_ = nowMs;
    sendMessage(PSTR("Learning "), &key);
}

void Bridge::tick(uint32_t nowMs)
{
    if (learning_ && nowMs - learnSinceMs_ >= kLearnMs) {
        learning_ = false;
        sendMessage(PSTR("Nothing learned for "), &learningKey_);
    }
}

void Bridge::forget(KeyName key)
{
    sendMessage(learned_.forget(key) ? PSTR("Forgot ") : PSTR("Nothing to forget for "), &key);
}

void Bridge::forgetAll()
{
    learned_.forgetAll();
    sendMessage(PSTR("Forgot every learned key"), nullptr);
}

void Bridge::frameReceived(const uint16_t* durations, uint8_t count)
{
    if (count == 0)
        return;
    sendMonitorLine(durations, count);
    IrCode code;
    if (!irDecode(durations, count, code))
        return;
    char text[32];
    uint8_t length = formatCode(code, text, sizeof text);
    if (length != 0)
        sendLine(text, length, 'Y');
    if (learning_ && !code.repeat) {
        learning_ = false;
        code.toggle = false;
        sendMessage(learned_.learn(learningKey_, code) ? PSTR("Learned ") : PSTR("No room left to learn "), &learningKey_);
    }
}

void Bridge::sendMessage(const char* text, const KeyName* key)
{
    char line[48];
    uint16_t length = uint16_t(strlen_P(text));
    memcpy_P(line, text, length);
    if (key) {
        key->text(line + length);
        length = uint16_t(length + 4);
    }
    sendLine(line, length, 'Y');
}

void Bridge::sendLine(const char* text, uint16_t length, char end)
{
    if (output_.freeSpace() < length + 1)
        return;
    output_.write(text, length);
    output_.write(&end, 1);
}

void Bridge::sendMonitorLine(const uint16_t* durations, uint8_t count)
{
    // Measured first, so that a line that does not fit is not started.
    if (output_.freeSpace() < monitorLineLength(durations, count))
        return;
    writeMonitorLine(durations, count, [this](const char* text, uint8_t length) { output_.write(text, length); });
}
