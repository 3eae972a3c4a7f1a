#include "view/learner.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numeric>

namespace orvalinder {

namespace {

constexpr size_t kFewestDurations = 3;
constexpr uint32_t kRawCarrierHz = 38000;
constexpr uint32_t kRawGapUs = 100000;
// Longer spaces are gaps between frames, no part of their timing.
constexpr uint32_t kGapUs = 10000;
// The excess a receiver module gives, a weak signal's included.
constexpr int32_t kMinExcessUs = -300;
constexpr int32_t kMaxExcessUs = 350;
// Fewer short marks or spaces than this tell nothing.
constexpr size_t kFewestUnits = 4;
// Two presses differ by their jitter, up to 60 µs each on a weak signal.
constexpr uint32_t kPressesApartUs = 150;

bool within(uint32_t measured, uint32_t nominal, uint32_t percent) {
    const uint64_t slack = uint64_t(nominal) * percent / 100;
    return measured + slack >= nominal && measured <= nominal + slack;
}

// NEC's repeat frame: a 9 ms mark, a 2.25 ms space and a bit's mark, the
// receiver having moved the leader's mark and space against each other.
bool necRepeat(const std::vector<uint32_t>& d) {
    return d.size() == 3 && within(d[0], 9000, 25) && within(d[1], 2250, 50) && within(d[0] + d[1], 11250, 25) &&
           d[2] >= 200 && d[2] <= 1000;
}

bool sameDurations(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (!within(b[i], a[i], 15) && (b[i] > a[i] ? b[i] - a[i] : a[i] - b[i]) > kPressesApartUs) return false;
    return true;
}

// The mean of the durations at most a little longer than the shortest.
std::optional<double> shortestMean(const std::vector<uint32_t>& durations) {
    if (durations.empty()) return std::nullopt;
    const uint32_t shortest = *std::min_element(durations.begin(), durations.end());
    const uint32_t longest = shortest + std::max<uint32_t>(150, shortest / 4);
    double sum = 0;
    size_t count = 0;
    for (uint32_t d : durations) {
        if (d > longest) continue;
        sum += d;
        ++count;
    }
    if (count < kFewestUnits) return std::nullopt;
    return sum / double(count);
}

bool togglesOnEachPress(const codes::Decoded& d) {
    return d.protocol == codes::Protocol::Rc5 || d.protocol == codes::Protocol::Rc6 ||
           d.protocol == codes::Protocol::Rc6Mode6;
}

std::vector<uint32_t> withoutExcess(std::vector<uint32_t> durations, int32_t excess) {
    for (size_t i = 0; i < durations.size(); ++i) {
        const int64_t d = int64_t(durations[i]) + (i % 2 == 0 ? -excess : excess);
        durations[i] = uint32_t(std::clamp<int64_t>(d, 1, UINT32_MAX));
    }
    return durations;
}

// Bits are a few units; leaders and gaps may be any length.
constexpr double kBitUnits = 4.5;

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

std::optional<FrameTiming> frameTiming(const std::vector<uint32_t>& durations) {
    std::vector<uint32_t> marks, spaces;
    for (size_t i = 0; i < durations.size(); ++i) {
        if (i % 2 == 0)
            marks.push_back(durations[i]);
        else if (durations[i] < kGapUs)
            spaces.push_back(durations[i]);
    }
    const std::optional<double> mark = shortestMean(marks), space = shortestMean(spaces);
    if (!mark || !space) return std::nullopt;
    const double unit = (*mark + *space) / 2;
    const int32_t excess = int32_t(std::lround((*mark - *space) / 2));
    if (excess < kMinExcessUs || excess > kMaxExcessUs) return std::nullopt;
    const double slack = unit / 4 + 40;
    for (uint32_t d : withoutExcess(durations, excess)) {
        const double units = std::round(d / unit);
        if (d < kBitUnits * unit && (units < 1 || std::abs(d - units * unit) > slack)) return std::nullopt;
    }
    return FrameTiming{excess, unit};
}

std::vector<uint32_t> asSent(std::vector<uint32_t> durations, const ReceiverExcess* seen) {
    const std::optional<FrameTiming> timing = frameTiming(durations);
    if (!timing) {
        const std::optional<int32_t> excess = seen ? seen->estimate() : std::nullopt;
        return withoutExcess(std::move(durations), excess.value_or(0));
    }
    durations = withoutExcess(std::move(durations), timing->excess);
    // Sums and counts by mark or space and whole units.
    constexpr size_t kClasses = 2 * 5;
    double sum[kClasses] = {};
    size_t count[kClasses] = {};
    auto classOf = [&](size_t i) -> std::optional<size_t> {
        if (durations[i] >= kBitUnits * timing->unit) return std::nullopt;
        return i % 2 * 5 + size_t(std::lround(durations[i] / timing->unit));
    };
    for (size_t i = 0; i < durations.size(); ++i) {
        if (const auto c = classOf(i)) {
            sum[*c] += durations[i];
            ++count[*c];
        }
    }
    for (size_t i = 0; i < durations.size(); ++i)
        if (const auto c = classOf(i)) durations[i] = uint32_t(std::lround(sum[*c] / double(count[*c])));
    return durations;
}

void ReceiverExcess::decoded(const std::vector<uint32_t>& durations) {
    const std::optional<FrameTiming> timing = frameTiming(durations);
    if (!timing) return;
    if (recent_.size() == kKept) recent_.erase(recent_.begin());
    recent_.push_back(timing->excess);
}

std::optional<int32_t> ReceiverExcess::estimate() const {
    if (recent_.empty()) return std::nullopt;
    return int32_t(std::lround(std::accumulate(recent_.begin(), recent_.end(), 0.0) / double(recent_.size())));
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
    if (frame.decoded && seen_) seen_->decoded(durations);
    frame.sent = asSent(durations, seen_);
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
        if (!frame.decoded && !was.decoded && sameDurations(was.sent, frame.sent)) {
            for (size_t i = 0; i < frame.sent.size(); ++i)
                learnedRaw_.push_back(uint32_t((uint64_t(was.sent[i]) + frame.sent[i] + 1) / 2));
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
        key.raw = learned_ ? learnedRaw_ : first_->sent;
        if (key.raw.size() % 2 == 0) key.raw.pop_back();  // a frame ends with a mark
    }
    return {raw, key};
}

}  // namespace orvalinder
