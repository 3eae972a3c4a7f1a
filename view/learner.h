#pragma once
// Learning a key from its remote: the frames the board's receiver measured
// (its monitor lines), until two presses agree. A held key's repeats, NEC's
// repeat frame and fragments of noise are no press; two presses agree when
// they decode to the same code (the toggle aside) or, undecoded, when each
// duration is within 15% and 150 µs of the other's once the receiver's
// excess is out of both.
//
// The receiver module lengthens every mark by about the same excess and
// shortens the space after it by as much. An undecoded key is kept as the
// remote sent it: its durations without the excess, averaged over the two
// presses.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "codes/protocols.h"
#include "codes/remote.h"

namespace orvalinder {

// The durations of a monitor line ("9000\t4500\t560x"); empty for
// anything else.
std::vector<uint32_t> monitorDurations(std::string_view line);

// The receiver's excess read from the frame itself: its shortest marks and
// its shortest spaces are one unit each as sent (pulse-distance bits' marks
// and zero spaces, Sony's spaces and short marks, bi-phase half bits), and
// once the excess is out its shorter durations are whole numbers of units.
// Nothing for a frame that does not fit that.
struct FrameTiming {
    int32_t excess;
    double unit;
};
std::optional<FrameTiming> frameTiming(const std::vector<uint32_t>& durations);

class ReceiverExcess;

// The durations as the remote sent them: marks less the receiver's excess,
// spaces plus it (the frame's own, else `seen`'s, else none). In a frame
// that tells its own, each bit's marks of one length are alike as sent, and
// so are its spaces: each gets their mean, which the jitter hardly moves.
std::vector<uint32_t> asSent(std::vector<uint32_t> durations, const ReceiverExcess* seen);

// The excess measured on the frames that decoded since the program started
// (the last few, as the signal's strength changes), for frames that cannot
// tell it themselves.
class ReceiverExcess {
public:
    // A frame that decoded as one of the protocols.
    void decoded(const std::vector<uint32_t>& durations);
    std::optional<int32_t> estimate() const;

private:
    static constexpr size_t kKept = 16;
    std::vector<int32_t> recent_;  // at most kKept, the oldest first
};

struct HeardFrame {
    std::vector<uint32_t> durations;
    std::vector<uint32_t> sent;  // the durations without the receiver's excess
    std::optional<codes::Decoded> decoded;
    bool toggle = false;  // RC5's and RC6's

    // "NEC:20DF10EF", or "raw, 67 durations".
    std::string text() const;
};

class Learner {
public:
    enum class Heard {
        Ignored,     // no press: a fragment, a repeat
        FirstPress,  // the first press, or a press unlike the first: press again
        Learned,     // two presses agree
    };

    // `seen`, when given, is told the frames that decode and asked for the
    // excess of those that cannot tell it themselves.
    explicit Learner(ReceiverExcess* seen = nullptr) : seen_(seen) {}

    Heard hear(std::vector<uint32_t> durations);

    // The last press taken (the first, until the key is learned).
    const std::optional<HeardFrame>& press() const { return first_; }
    bool learned() const { return learned_; }
    // The press differs from the one before: the user is asked again.
    bool differed() const { return differed_; }

    // The learned key, named `name`, and the remote whose timings it needs:
    // a protocol's remote for a frame that decodes, else a raw one at 38 kHz.
    std::pair<codes::Remote, codes::Key> key(const std::string& name) const;

private:
    ReceiverExcess* seen_;
    std::optional<HeardFrame> first_;
    std::vector<uint32_t> learnedRaw_;  // the two raw presses as sent, averaged
    bool learned_ = false;
    bool differed_ = false;
};

}  // namespace orvalinder
