#pragma once
// The protocols known by name: the board's, Flipper's and Pronto's short
// forms. Each is written as a LIRC remote, so the one encoder sends them all,
// and codes are numbers in the order of the air: the first bit sent is the
// top bit, as the board writes them (NEC:20DF10EF).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "codes/remote.h"

namespace orvalinder::codes {

enum class Protocol { Nec, Samsung32, Rc5, Rc6, Rc6Mode6, Sirc12, Sirc15, Sirc20, Panasonic };

// A remote with the protocol's timings, no name and no keys. Its keys' codes are the
// bits of a frame in the order of the air, with the toggle bit clear.
Remote protocolRemote(Protocol protocol);

// A whole frame of one of the protocols, read from its durations up to the
// first silence of 10 ms (what follows it is taken for repeat frames), as a
// receiver module delivers them: every pulse longer or shorter by up to about
// 300 µs, the space after it changed the other way, each duration jittering
// on its own. A remote's clock may be off by a quarter when its frames have a
// leader; RC5 and RC6 frames hold a third of a half bit. The value leaves out
// RC5's and RC6's toggle bit:
//   NEC, Samsung32   32 bits as sent
//   Rc5              address << 7 | command (its top bit the inverted field bit)
//   Rc6              address << 8 | command;  Rc6Mode6: 20 bits
//   Sirc12/15/20     12, 15, 20 bits as sent;  Panasonic: 48 bits as sent
struct Decoded {
    Protocol protocol;
    uint64_t value;
    bool operator==(const Decoded&) const = default;
};
// `toggle`, when given, gets RC5's and RC6's toggle bit (false for the rest).
std::optional<Decoded> decode(const std::vector<uint32_t>& durations, bool* toggle = nullptr);

// The decoded frame as a key's code for protocolRemote(decoded.protocol).
uint64_t remoteCode(const Decoded& decoded);

// The code as the board writes it: NEC:20DF10EF, PANASONIC 4004:0100BCBD.
std::string boardCode(const Decoded& decoded);

// A short name for the form of a remote's frames, for naming remotes of
// learned keys: the protocol it is ("nec", "rc6-6-20", "panasonic"), "raw"
// for raw codes, else "codes".
std::string formName(const Remote& remote);

uint64_t reverseBits(uint64_t value, int count);

}  // namespace orvalinder::codes
