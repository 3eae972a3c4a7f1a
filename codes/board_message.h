#pragma once
// What the board is told to send a key (see firmware/IrBridge/bridge.h): its
// code when the key's press is a frame of one of the board's protocols
// ("!SNEC:20DF10EF"), else the frame itself ("!SRAW 38000:9000 4500 ...")
// with the silence after it as the last, even-numbered duration.

#include <cstdint>
#include <string>
#include <vector>

#include "codes/remote.h"

namespace orvalinder::codes {

struct BoardMessages {
    // One press: its lines, each ended by '\n' (a remote that repeats every
    // press min_repeat times gets its repeats too).
    std::string press;
    // The key held down: repeated by the board until it is let go. A key
    // whose repeats differ from its press is sent once and then its repeat
    // frame is held.
    std::string hold;
    // Said once a pressed key turns out to be held: "!K" holds what the
    // press sent last; a raw key whose repeats differ from its press and
    // that has not sent them yet holds its repeat frame instead; a key whose
    // repeat frame is empty holds nothing.
    std::string held = "!K";
};

// A CodesError when the board cannot send the key: a frame of more than 100
// durations, a carrier outside 30 to 60 kHz, a mark past 65535 us. A silence
// past 65535 us within a frame splits it into frames sent one after another.
//
// Hold, when a press split so is that frame again and again (a capture of a
// press with its repeats): the board holds that frame.
BoardMessages boardMessages(const Remote& remote, const Key& key);

// A frame given as its durations in microseconds, mark first (an even count
// ends with the silence after it), as the board's message
// "!SRAW 38000:9000 4500 ...\n". A CodesError when the board cannot send it,
// for the same reasons as a key's.
std::string rawFrameMessage(uint32_t carrierHz, const std::vector<uint32_t>& durations);

// How long the board takes to send such a frame, the silence after it
// included (its own 40 ms when the frame gives none, at most its longest):
// the period at which it sends the frame again and again.
uint32_t rawFramePeriodUs(const std::vector<uint32_t>& durations);

}  // namespace orvalinder::codes
