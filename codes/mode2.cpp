#include "codes/mode2.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string_view>

#include "codes/remote.h"

namespace orvalinder::codes {

namespace {

constexpr uint64_t kLongestMarkUs = 1000000;
constexpr uint64_t kLongestSilenceUs = 0xFFFFFF;  // LIRC keeps a duration in 24 bits
constexpr size_t kMaxFrameDurations = 1024;
constexpr size_t kMaxLineBytes = 16384;

// Frames from durations as they come: marks and spaces in a row add up, and
// a frame ends at a silence longer than kFrameEndSilenceUs. Each step returns
// what is wrong with the duration, or nothing; a wrong one changes nothing.
class FrameSplitter {
public:
    explicit FrameSplitter(const std::function<void(HeardFrame&&)>& frame) : frame_(frame) {}

    std::optional<std::string> mark(uint64_t us) {
        if (pendingSilence() > kFrameEndSilenceUs) finish();
        if (!inMark_ && current_.durations.size() + (current_.durations.empty() ? 1 : 2) > kMaxFrameDurations)
            return "a frame of more than " + std::to_string(kMaxFrameDurations) + " durations";
        const uint64_t last = inMark_ ? current_.durations.back() : 0;
        if (us > kLongestMarkUs - last) return std::string("a mark longer than a second");
        if (inMark_) {
            current_.durations.back() += uint32_t(us);
            return std::nullopt;
        }
        if (!current_.durations.empty()) current_.durations.push_back(uint32_t(pendingSilence()));
        current_.durations.push_back(uint32_t(us));
        spaces_ = timeout_ = 0;
        inMark_ = true;
        return std::nullopt;
    }

    std::optional<std::string> silence(uint64_t us, bool isTimeout) {
        if (us > kLongestSilenceUs)
            return "a silence longer than LIRC's longest (" + std::to_string(kLongestSilenceUs) + " us)";
        if (isTimeout)
            timeout_ = std::max(timeout_, us);
        else
            spaces_ = std::min(spaces_ + us, kLongestSilenceUs);
        inMark_ = false;
        return std::nullopt;
    }

    bool lastWasMark() const { return inMark_; }

    // The frame being read goes out, with the silence read after it.
    void finish() {
        if (!current_.durations.empty()) {
            current_.silenceUs = uint32_t(pendingSilence());
            frame_(std::move(current_));
        }
        current_ = {};
        spaces_ = timeout_ = 0;
        inMark_ = false;
    }

private:
    uint64_t pendingSilence() const { return std::max(spaces_, timeout_); }

    const std::function<void(HeardFrame&&)>& frame_;
    HeardFrame current_;
    bool inMark_ = false;
    uint64_t spaces_ = 0, timeout_ = 0;  // the silence since the last mark
};

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::vector<std::string_view> wordsOf(std::string_view line) {
    std::vector<std::string_view> words;
    size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && isBlank(line[at])) ++at;
        const size_t start = at;
        while (at < line.size() && !isBlank(line[at])) ++at;
        if (at > start) words.push_back(line.substr(start, at - start));
    }
    return words;
}

// A word as a fault names it: long ones cut.
std::string quoted(std::string_view word) {
    return word.size() <= 40 ? std::string(word) : std::string(word.substr(0, 40)) + "...";
}

enum class Kind { Mark, Space, Timeout };

struct Duration {
    uint64_t us = 0;
    std::optional<Kind> kind;  // "9000-pulse" says it; a bare number does not
};

// A duration word, or why it is none. Numbers past 64 bits count as absurd.
std::optional<Duration> readDuration(std::string_view word, bool allowKind, std::string& why) {
    Duration duration;
    std::string_view digits = word;
    if (const size_t dash = word.find('-'); allowKind && dash != std::string_view::npos && dash > 0) {
        const std::string_view suffix = word.substr(dash);
        if (suffix != "-pulse" && suffix != "-space") {
            why = "not a duration";
            return std::nullopt;
        }
        duration.kind = suffix == "-pulse" ? Kind::Mark : Kind::Space;
        digits = word.substr(0, dash);
    }
    if (digits.starts_with('-')) {
        why = "a negative duration";
        return std::nullopt;
    }
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), duration.us);
    if (error == std::errc::result_out_of_range) {
        duration.us = UINT64_MAX;
        return duration;
    }
    if (error != std::errc() || end != digits.data() + digits.size() || digits.empty()) {
        why = "not a duration";
        return std::nullopt;
    }
    return duration;
}

}  // namespace

void readMode2(std::istream& in, const std::string& fileName, const std::function<void(HeardFrame&&)>& frame) {
    FrameSplitter splitter(frame);
    std::string buffer(kMaxLineBytes + 1, '\0');
    int lineNumber = 0;
    auto fault = [&](const std::string& what, std::string_view word) {
        splitter.finish();
        fail(fileName, lineNumber, what, quoted(word));
    };
    while (in.getline(buffer.data(), std::streamsize(buffer.size())) || in.gcount() > 0) {
        ++lineNumber;
        const std::string_view line(buffer.data(), size_t(in.gcount()) - (in.eof() || in.fail() ? 0 : 1));
        if (in.fail() && !in.eof())
            fault("a line longer than " + std::to_string(kMaxLineBytes) + " characters", line.substr(0, 20));
        const std::vector<std::string_view> words = wordsOf(line);
        if (words.empty() || words[0].starts_with('#')) continue;
        std::optional<Kind> lineKind;
        if (words[0] == "pulse")
            lineKind = Kind::Mark;
        else if (words[0] == "space")
            lineKind = Kind::Space;
        else if (words[0] == "timeout")
            lineKind = Kind::Timeout;
        if (lineKind && words.size() != 2)
            fault(words.size() < 2 ? "no duration after" : "more than one duration after", words[0]);
        for (size_t i = lineKind ? 1 : 0; i < words.size(); ++i) {
            std::string why;
            const std::optional<Duration> duration = readDuration(words[i], !lineKind, why);
            if (!duration) fault(why, words[i]);
            if (duration->us == 0)
                continue;  // nothing, as LIRC has it: irsimsend ends a frame without a gap with "space 0"
            // Bare numbers take turns with what came before, a mark first.
            const Kind kind =
                lineKind ? *lineKind : duration->kind.value_or(splitter.lastWasMark() ? Kind::Space : Kind::Mark);
            const std::optional<std::string> wrong = kind == Kind::Mark
                                                         ? splitter.mark(duration->us)
                                                         : splitter.silence(duration->us, kind == Kind::Timeout);
            if (wrong) fault(*wrong, words[i]);
        }
    }
    if (in.bad()) fail(fileName, 0, "cannot be read", "");
    splitter.finish();
}

std::string writeMode2(const std::vector<HeardFrame>& frames) {
    std::string text;
    for (const HeardFrame& frame : frames) {
        for (size_t i = 0; i < frame.durations.size(); ++i)
            text += (i % 2 == 0 ? "pulse " : "space ") + std::to_string(frame.durations[i]) + "\n";
        if (frame.silenceUs != 0) text += "space " + std::to_string(frame.silenceUs) + "\n";
    }
    return text;
}

}  // namespace orvalinder::codes
