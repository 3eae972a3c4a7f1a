#pragma once
// What LIRC sends for a key: the durations of its frames, as irsimsend
// writes them.

#include <cstdint>
#include <vector>

#include "codes/remote.h"

namespace orvalinder::codes {

struct Signal {
    uint32_t carrierHz = 38000;
    uint32_t dutyCycle = 50;
    // Marks and spaces in microseconds, mark first, ending with a mark.
    std::vector<uint32_t> press;
    uint32_t pressGap = 0;  // the silence after the press
    // The frame sent again and again while the key is held, and its silence;
    // empty when LIRC sends nothing while the key is held.
    std::vector<uint32_t> repeat;
    uint32_t repeatGap = 0;
    uint32_t minRepeat = 0;  // repeats LIRC adds to every press
};

// The first press of the key since LIRC started: LIRC flips the toggle bits
// before it sends a press, so they are the code's own bits inverted.
// A CodesError says why a key cannot be sent (a CONST_LENGTH frame longer
// than its gap, a frame of nothing).
Signal encode(const Remote& remote, const Key& key);

// Durations as LIRC hands them to the driver: a duration of 0 vanishes, a
// pulse after a pulse (a space after a space) lengthens it, a space before
// the first pulse or after the last one is not sent.
class FrameBuilder {
public:
    void pulse(uint32_t us) { add(us, true); }
    void space(uint32_t us) { add(us, false); }
    std::vector<uint32_t> finish();

private:
    void add(uint32_t us, bool pulse);
    std::vector<uint32_t> durations_;
};

}  // namespace orvalinder::codes
