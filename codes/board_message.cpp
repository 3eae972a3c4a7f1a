#include "codes/board_message.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "codes/encoder.h"
#include "firmware/IrBridge/wire.h"
#include "codes/protocols.h"

namespace orvalinder::codes {

namespace {

// The board's limits for a raw frame.
constexpr size_t kMaxDurations = wire::kMaxDurations;
constexpr uint32_t kMinCarrierHz = 30000, kMaxCarrierHz = 60000;
constexpr uint32_t kMaxDurationUs = wire::kMaxDurationUs;  // the silence at the end may be longer

void checkCarrier(uint32_t carrierHz) {
    if (carrierHz < kMinCarrierHz || carrierHz > kMaxCarrierHz)
        throw CodesError("a carrier of " + std::to_string(carrierHz) + " Hz, the board sends 30000 to 60000");
}

// "RAW 38000:9000 4500 ...": the frame and the silence after it (0: the
// board's own).
std::string rawText(uint32_t carrierHz, const uint32_t* durations, size_t count, uint32_t gap) {
    const size_t all = count + (gap != 0 ? 1 : 0);
    if (all > kMaxDurations)
        throw CodesError("its frame has " + std::to_string(all) +
                         " durations with its silence, the board takes at most 100");
    std::string text = "RAW " + std::to_string(carrierHz) + ":";
    for (size_t i = 0; i < count; ++i) {
        if (durations[i] > kMaxDurationUs)
            throw CodesError("a duration of " + std::to_string(durations[i]) + " us, the board's longest is 65535");
        text += (i == 0 ? "" : " ") + std::to_string(durations[i]);
    }
    // Without a gap the board leaves its own silence after the frame. One
    // longer than the board takes is silence all the same: the frame's
    // repeats come sooner, nothing else changes.
    if (gap != 0) text += " " + std::to_string(std::min(gap, wire::kMaxSilenceUs));
    return text;
}

// A frame as the board's raw messages. A silence within it longer than the
// board's longest duration is where one frame ends and the next begins (a
// capture of a press and its repeats, say): each goes as a frame of its
// own, with that silence after it.
std::vector<std::string> rawFrames(uint32_t carrierHz, const std::vector<uint32_t>& frame, uint32_t gap) {
    std::vector<std::string> frames;
    size_t start = 0;
    for (size_t i = 1; i + 1 < frame.size(); i += 2) {
        if (frame[i] <= kMaxDurationUs)
            continue;
        frames.push_back(rawText(carrierHz, frame.data() + start, i - start, frame[i]));
        start = i + 1;
    }
    frames.push_back(rawText(carrierHz, frame.data() + start, frame.size() - start, gap));
    return frames;
}

BoardMessages keyMessages(const Remote& remote, const Key& key);

}  // namespace

BoardMessages boardMessages(const Remote& remote, const Key& key) {
    try {
        return keyMessages(remote, key);
    } catch (const CodesError& e) {
        throw CodesError("key '" + key.name + "': " + e.what());
    }
}

std::string rawFrameMessage(uint32_t carrierHz, const std::vector<uint32_t>& durations) {
    checkCarrier(carrierHz);
    if (durations.empty()) throw CodesError("a frame without durations");
    const bool endsWithSilence = durations.size() % 2 == 0;
    const size_t count = durations.size() - (endsWithSilence ? 1 : 0);
    return "!S" + rawText(carrierHz, durations.data(), count, endsWithSilence ? durations.back() : 0) + "\n";
}

uint32_t rawFramePeriodUs(const std::vector<uint32_t>& durations) {
    if (durations.empty()) return 0;
    const bool endsWithSilence = durations.size() % 2 == 0;
    uint32_t period = endsWithSilence ? std::min(durations.back(), wire::kMaxSilenceUs) : wire::kDefaultSilenceUs;
    for (size_t i = 0; i + (endsWithSilence ? 1 : 0) < durations.size(); ++i) period += durations[i];
    return period;
}

namespace {

BoardMessages keyMessages(const Remote& remote, const Key& key) {
    const Signal signal = encode(remote, key);
    BoardMessages messages;
    const std::optional<Decoded> decoded = decode(signal.press);
    // The board repeats its protocols as their remotes do.
    if (decoded) {
        const std::string code = boardCode(*decoded);
        messages.press = "!S" + code + "\n";
        messages.hold = "!H" + code + "\n";
        return messages;
    }
    checkCarrier(signal.carrierHz);
    const std::vector<std::string> press = rawFrames(signal.carrierHz, signal.press, signal.pressGap);
    for (const std::string& frame : press)
        messages.press += "!S" + frame + "\n";
    if (signal.repeat.empty()) {
        // LIRC sends nothing while such a key is held: the press goes once.
        messages.hold = messages.press;
        messages.held.clear();
        return messages;
    }
    const std::vector<std::string> repeat = rawFrames(signal.carrierHz, signal.repeat, signal.repeatGap);
    for (uint32_t i = 0; i < signal.minRepeat; ++i)
        for (const std::string& frame : repeat) messages.press += "!S" + frame + "\n";
    // The board holds one frame: the repeat's last, after what comes once.
    const std::string& held = repeat.back();
    const auto isHeld = [&](const std::string& frame) { return frame == held; };
    if (std::all_of(press.begin(), press.end(), isHeld) && std::all_of(repeat.begin(), repeat.end(), isHeld)) {
        messages.hold = "!H" + held + "\n";  // one frame again and again
        return messages;
    }
    if (press == repeat) {
        // Repeated whole: the press's frames once, then its last held, as a
        // capture of a press and its repeat frame.
        for (size_t i = 0; i + 1 < press.size(); ++i) messages.hold += "!S" + press[i] + "\n";
        messages.hold += "!H" + held + "\n";
        return messages;
    }
    for (const std::string& frame : press) messages.hold += "!S" + frame + "\n";
    for (size_t i = 0; i + 1 < repeat.size(); ++i) messages.hold += "!S" + repeat[i] + "\n";
    messages.hold += "!H" + held + "\n";
    if (signal.minRepeat == 0) messages.held = "!H" + held + "\n";
    return messages;
}

}  // namespace

}  // namespace orvalinder::codes
