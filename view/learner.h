#pragma once
// Learning a key from its remote: the frames the board's receiver measured
// (its monitor lines), until two presses agree. A held key's repeats, NEC's
// repeat frame and fragments of noise are no press; two presses agree when
// they decode to the same code (the toggle aside) or, undecoded, when each
// duration is within 15% of the other's.

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

struct HeardFrame {
    std::vector<uint32_t> durations;
    std::optional<codes::Decoded> decoded;
    bool toggle = false;  // RC5's and RC6's

    // "NEC:20DF10EF", or "raw, 67 durations".
    std::string text() const;
};

class Learner {
public:
    enum class Heard {
        Ignored,      // no press: a fragment, a repeat
        FirstPress,   // the first press, or a press unlike the first: press again
        Learned,      // two presses agree
    };

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
    std::optional<HeardFrame> first_;
    bool learned_ = false;
    bool differed_ = false;
};

}  // namespace orvalinder
