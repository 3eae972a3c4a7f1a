#include "view/learner.h"

#include <charconv>

namespace orvalinder {

namespace {

constexpr size_t kFewestDurations = 3;
constexpr uint32_t kRawCarrierHz = 38000;
constexpr uint32_t kRawGapUs = 100000;

bool within(uint32_t measured, uint32_t nominal, uint32_t percent) {
    const uint64_t slack = uint64_t(nominal) * percent / 100;
    return measured + slack >= nominal && measured <= nominal + slack;
}

// NEC's repeat frame: a 9 ms mark, a 2.25 ms space and a bit's mark.
bool necRepeat(const std::vector<uint32_t>& d) {
    return d.size() == 3 && within(d[0], 9000, 25) && within(d[1], 2250, 25) && within(d[2], 560, 40);
}

bool sameDurations(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (!within(b[i], a[i], 15)) return false;
    return true;
}

bool togglesOnEachPress(const codes::Decoded& d) {
    return d.protocol == codes::Protocol::Rc5 || d.protocol == codes::Protocol::Rc6 ||
           d.protocol == codes::Protocol::Rc6Mode6;
}

}  // namespace

std::vector<uint32_t> monitorDurations(std::string_view line) {
    if (line.ends_with('x')) line.remove_suffix(1);
    std::vector<uint32_t> durations;
    for (size_t at = 0; at < line.size();) {
        const size_t end = std::min(line.find('\t', at), line.size());
        uint32_t value = 0;
        const auto [ptr, ec] = std::from_chars(line.data() + at, line.data() + end, value);
        if (ec != std::errc() || ptr != line.data() + end || value == 0) return {};
        durations.push_back(value);
        at = end + 1;
    }
    return durations;
}

std::string HeardFrame::text() const {
    return decoded ? codes::boardCode(*decoded) : "raw, " + std::to_string(durations.size()) + " durations";
}

Learner::Heard Learner::hear(std::vector<uint32_t> durations) {
    if (learned_ || durations.size() < kFewestDurations || necRepeat(durations)) return Heard::Ignored;
    HeardFrame frame;
    bool toggle = false;
    frame.decoded = codes::decode(durations, &toggle);
    frame.toggle = toggle;
    frame.durations = std::move(durations);

    differed_ = false;
    if (first_) {
        const HeardFrame& was = *first_;
        if (frame.decoded && was.decoded && *frame.decoded == *was.decoded) {
            // RC5 and RC6 say a new press by a new toggle; the same one is the key held.
            if (togglesOnEachPress(*frame.decoded) && frame.toggle == was.toggle) return Heard::Ignored;
            learned_ = true;
            return Heard::Learned;
        }
        if (!frame.decoded && !was.decoded && sameDurations(was.durations, frame.durations)) {
            learned_ = true;
            return Heard::Learned;
        }
        differed_ = true;
    }
    first_ = std::move(frame);
    return Heard::FirstPress;
}

std::pair<codes::Remote, codes::Key> Learner::key(const std::string& name) const {
    codes::Key key;
    key.name = name;
    if (first_ && first_->decoded) {
        key.codes = {codes::remoteCode(*first_->decoded)};
        return {codes::protocolRemote(first_->decoded->protocol), key};
    }
    codes::Remote raw;
    raw.encoding = codes::Encoding::Raw;
    raw.frequency = kRawCarrierHz;
    raw.gap = kRawGapUs;
    if (first_) {
        key.raw = first_->durations;
        if (key.raw.size() % 2 == 0) key.raw.pop_back();  // a frame ends with a mark
    }
    return {raw, key};
}

}  // namespace orvalinder
