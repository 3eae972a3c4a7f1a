// Bytes from the program, as the board's serial input takes them, with the
// board's loop running between them: whatever comes, the board answers only
// in whole value lines without a colon, and every frame it sends fits its
// buffer, has a carrier it can make, and is followed by a silence.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "bridge.h"

namespace {

class Lines : public LineOutput {
public:
    uint16_t freeSpace() const override { return static_cast<uint16_t>(600 - text.size()); }
    void write(const char* bytes, uint16_t length) override {
        if (text.size() + length > 600) std::abort();
        text.append(bytes, length);
    }
    std::string text;
};

class Eeprom : public KeyStorage {
public:
    uint8_t read(uint16_t address) const override { return bytes.at(address); }
    void write(uint16_t address, uint8_t value) override { bytes.at(address) = value; }
    uint16_t size() const override { return static_cast<uint16_t>(bytes.size()); }
    std::vector<uint8_t> bytes = std::vector<uint8_t>(1024, 0xFF);
};

// Answers are messages: value lines with no colon, nothing else.
void checkAnswers(std::string& text) {
    for (size_t end; (end = text.find('Y')) != std::string::npos; text.erase(0, end + 1))
        if (text.substr(0, end).find_first_of(":x") != std::string::npos) std::abort();
    if (!text.empty()) std::abort();  // half a line
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    Lines lines;
    Eeprom eeprom;
    Bridge bridge(lines, eeprom);
    uint32_t nowMs = 1000;
    while (input.remaining_bytes() > 0) {
        // A few bytes, then some milliseconds of the board's loop.
        for (std::string bytes = input.ConsumeRandomLengthString(64); char byte : bytes)
            bridge.serialByte(static_cast<uint8_t>(byte), nowMs);
        for (int steps = input.ConsumeIntegralInRange(0, 300); steps-- > 0; nowMs += 5) {
            if (!bridge.frameDue(nowMs)) continue;
            uint16_t durations[kIrMaxDurations + 1];
            durations[kIrMaxDurations] = 0xBEEF;
            const Transmission frame = bridge.nextFrame(durations, kIrMaxDurations);
            if (durations[kIrMaxDurations] != 0xBEEF || frame.count > kIrMaxDurations) std::abort();
            if (frame.count > 0 && (frame.carrierHz < 30000 || frame.carrierHz > 60000 || frame.gapUs == 0))
                std::abort();
            for (uint8_t i = 0; i < frame.count; ++i)
                if (durations[i] == 0) std::abort();
        }
        checkAnswers(lines.text);
    }
    return 0;
}
