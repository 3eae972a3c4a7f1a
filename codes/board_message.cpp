#include "codes/board_message.h"

#include <optional>

#include "codes/encoder.h"
#include "codes/protocols.h"

namespace orvalinder::codes {

namespace {

// The board's limits for a raw frame.
constexpr size_t kMaxDurations = 100;
constexpr uint32_t kMinCarrierHz = 30000, kMaxCarrierHz = 60000;
constexpr uint32_t kMaxDurationUs = 0xFFFF;  // the silence at the end may be longer

std::string rawFrame(const Key& key, uint32_t carrierHz, const std::vector<uint32_t>& frame, uint32_t gap)
{
    const size_t count = frame.size() + (gap != 0 ? 1 : 0);
    if (count > kMaxDurations)
        throw CodesError("key '" + key.name + "': its frame has " + std::to_string(count) +
                         " durations with its silence, the board takes at most 100");
    std::string text = "RAW " + std::to_string(carrierHz) + ":";
    for (size_t i = 0; i < frame.size(); ++i) {
        if (frame[i] > kMaxDurationUs)
            throw CodesError("key '" + key.name + "': a duration of " + std::to_string(frame[i]) +
                             " us, the board's longest is 65535");
        text += (i == 0 ? "" : " ") + std::to_string(frame[i]);
    }
    // Without a gap the board leaves its own silence after the frame.
    if (gap != 0)
        text += " " + std::to_string(gap);
    return text;
}

}  // namespace

BoardMessages boardMessages(const Remote& remote, const Key& key)
{
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
    if (signal.carrierHz < kMinCarrierHz || signal.carrierHz > kMaxCarrierHz)
        throw CodesError("key '" + key.name + "': a carrier of " + std::to_string(signal.carrierHz) +
                         " Hz, the board sends 30000 to 60000");
    const std::string press = rawFrame(key, signal.carrierHz, signal.press, signal.pressGap);
    messages.press = "!S" + press + "\n";
    if (signal.repeat.empty()) {
        // LIRC sends nothing while such a key is held: the press goes once.
        messages.hold = messages.press;
        messages.held.clear();
        return messages;
    }
    const std::string repeat = rawFrame(key, signal.carrierHz, signal.repeat, signal.repeatGap);
    for (uint32_t i = 0; i < signal.minRepeat; ++i)
        messages.press += "!S" + repeat + "\n";
    messages.hold = press == repeat ? "!H" + press + "\n" : "!S" + press + "\n!H" + repeat + "\n";
    if (press != repeat && signal.minRepeat == 0) messages.held = "!H" + repeat + "\n";
    return messages;
}

}  // namespace orvalinder::codes
