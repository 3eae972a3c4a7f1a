#pragma once
// What an IR receiver module makes of a frame: it lengthens every mark by
// the same excess (a weak signal more, a strong one less), the space after
// the mark is shorter by as much, and each duration wanders a little on its
// own. The simulators, the decoding bench and the tests distort frames with it.

#include <algorithm>
#include <cstdint>
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
