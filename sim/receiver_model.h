#pragma once
// What an IR receiver module makes of a frame: it lengthens every mark by
// the same excess (a weak signal more, a strong one less), the space after
// the mark is shorter by as much, and each duration wanders a little on its
// own. The simulators, the decoding bench and the tests distort frames with it.

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <random>
#include <string_view>
#include <vector>

namespace orvalinder::sim {

struct ReceiverModel {
    int32_t markExcessUs = 0;  // added to each mark, taken from the space after it
    uint32_t jitterUs = 0;     // each duration is off by up to this much either way
};

// "ideal" (none), "tsop" (a typical module), "weak" (a weak signal).
inline std::optional<ReceiverModel> receiverNamed(std::string_view name) {
    if (name == "ideal") return ReceiverModel{0, 0};
    if (name == "tsop") return ReceiverModel{80, 30};
    if (name == "weak") return ReceiverModel{180, 60};
    return std::nullopt;
}

// The simulators' options --receiver NAME, --mark-excess US and --jitter US
// (`option` without its dashes); false for a value out of range.
inline bool setReceiverOption(std::string_view option, const char* value, ReceiverModel& model) {
    if (option == "receiver") {
        const std::optional<ReceiverModel> named = receiverNamed(value);
        if (named) model = *named;
        return named.has_value();
    }
    char* end = nullptr;
    errno = 0;
    const long us = std::strtol(value, &end, 10);
    if (end == value || *end != '\0' || errno != 0 || us < -2000 || us > 2000) return false;
    if (option == "mark-excess") model.markExcessUs = int32_t(us);
    if (option == "jitter" && us < 0) return false;
    if (option == "jitter") model.jitterUs = uint32_t(us);
    return option == "mark-excess" || option == "jitter";
}

class Receiver {
public:
    Receiver(ReceiverModel model, uint64_t seed) : model_(model), random_(seed) {}

    // `frame` starts with a mark; no duration comes out shorter than 1 µs.
    std::vector<uint32_t> receive(const std::vector<uint32_t>& frame) {
        std::vector<uint32_t> out(frame.size());
        std::uniform_int_distribution<int32_t> jitter(-int32_t(model_.jitterUs), int32_t(model_.jitterUs));
        for (size_t i = 0; i < frame.size(); ++i) {
            const int64_t excess = i % 2 == 0 ? model_.markExcessUs : -model_.markExcessUs;
            const int64_t d = int64_t(frame[i]) + excess + (model_.jitterUs ? jitter(random_) : 0);
            out[i] = uint32_t(std::clamp<int64_t>(d, 1, UINT32_MAX));
        }
        return out;
    }

private:
    ReceiverModel model_;
    std::mt19937_64 random_;
};

}  // namespace orvalinder::sim
