#pragma once
// Frames as remotes send them.

#include <cstdint>
#include <vector>

#include "codes/encoder.h"
#include "codes/protocols.h"

namespace orvalinder::testing {

// A protocol's frame of `code`, its toggle bit as written, or flipped as a
// remote flips it for the next press.
inline std::vector<uint32_t> sentFrame(codes::Protocol protocol, uint64_t code, bool flipToggle = false) {
    codes::Remote remote = codes::protocolRemote(protocol);
    const uint64_t toggle = remote.toggleBitMask;
    remote.toggleBitMask = 0;  // sent as written
    return codes::encode(remote, codes::Key{"K", {flipToggle ? code ^ toggle : code}, {}}).press;
}

// A remote of no protocol the program knows: a leader, then 16 bits of a
// 526 µs mark and a space of one unit (0) or three (1).
inline std::vector<uint32_t> pulseDistanceFrame(uint32_t bits) {
    std::vector<uint32_t> frame = {8400, 4200};
    for (int bit = 15; bit >= 0; --bit) frame.insert(frame.end(), {526, (bits >> bit & 1) ? 1578u : 526u});
    frame.push_back(526);
    return frame;
}

}  // namespace orvalinder::testing
