#pragma once
// LIRC's mode2 text: what `mode2 -d /dev/lirc0` prints of a receiver, one
// duration in microseconds a line ("pulse 9000", "space 4500", and
// "timeout 125000" where the driver reports its receiver going idle), or
// the durations as bare numbers, several to a line, marks and spaces taking
// turns (`mode2 -m` prints them so, its first line's as "9000-pulse").
// irsimsend writes the same text. Blank lines and lines starting with '#'
// are passed over.

#include <cstdint>
#include <functional>
#include <istream>
#include <string>
#include <vector>

namespace orvalinder::codes {

// A frame ends at a silence longer than this: no protocol has one inside a
// frame, and remotes leave more between their frames.
constexpr uint32_t kFrameEndSilenceUs = 10000;

struct HeardFrame {
    // Marks and spaces in microseconds, mark first, ending with a mark.
    std::vector<uint32_t> durations;
    // The silence after it; 0 when not known. Only a capture's last frame
    // has one of kFrameEndSilenceUs or less.
    uint32_t silenceUs = 0;
    bool operator==(const HeardFrame&) const = default;
};

// Reads the text a line at a time, handing each frame to `frame` as soon as
// the silence after it (or the end of the text) is read, so a pipe from
// mode2 is decoded as it comes and memory stays bounded whatever the size.
// Marks (spaces) that follow each other add up, a duration of 0 is none,
// and a timeout is a silence at least that long. At the first fault the frame being read goes out as far
// as it got, and a CodesError names the file, the line and the word: a word
// that is no duration, a negative one, a mark longer than a second,
// a silence longer than LIRC's longest (16777215 us, what mode2 prints for
// "long ago"), a frame of more than 1024 durations, a line of more than
// 16384 characters.
void readMode2(std::istream& in, const std::string& fileName, const std::function<void(HeardFrame&&)>& frame);

// "pulse N" and "space N" lines, each frame followed by its silence:
// frames as readMode2 makes them are read back the same.
std::string writeMode2(const std::vector<HeardFrame>& frames);

}  // namespace orvalinder::codes
