#include <gtest/gtest.h>

#include <sstream>

#include "codes/mode2.h"
#include "codes/remote.h"

namespace orvalinder::codes {
namespace {

// The frames read, as "9000 4500 560 ~40000 | 560 ~0", then the fault.
std::string read(std::istream& in) {
    std::string frames;
    try {
        readMode2(in, "tv.txt", [&](HeardFrame&& frame) {
            frames += frames.empty() ? "" : " | ";
            for (uint32_t us : frame.durations) frames += std::to_string(us) + " ";
            frames += "~" + std::to_string(frame.silenceUs);
        });
    } catch (const CodesError& error) {
        return frames + " ! " + error.what();
    }
    return frames;
}

std::string repeated(const std::string& text, int times) {
    std::string all;
    while (times-- > 0) all += text;
    return all;
}

TEST(Mode2, TextReadAsFramesUpToItsFirstFault) {
    const std::pair<std::string, std::string> rows[] = {
        // Frames end at silences longer than 10 ms; marks and spaces in a row
        // add up; a zero is nothing (irsimsend's "space 0" for no gap).
        {"pulse 500\nspace 4000\nspace 6000\npulse 300\npulse 200\nspace 10001\npulse 5\nspace 0\npulse 2\n",
         "500 10000 500 ~10001 | 7 ~0"},
        // A timeout ends a frame; the kernel's gap after it counts from the
        // last mark. The silence before the first frame is nobody's; a file
        // cut short keeps what it has.
        {"space 16777215\npulse 560\ntimeout 125000\nspace 2000000\npulse 560\nspace 500", "560 ~2000000 | 560 ~500"},
        // mode2 -m: bare numbers taking turns; comments, blanks, CR LF.
        {"     9000-pulse     4500-space      560-pulse      560-space\n      560    40020\n\n"
         "# tv\r\n  9000\t2250 \r\n",
         "9000 4500 560 560 560 ~40020 | 9000 ~2250"},
        // Faults: what came before them is kept, the frame being read too.
        {"pulse 560\nspace 20000\npulse 9000\nspace 4500\npulse abc\n",
         "560 ~20000 | 9000 ~4500 ! tv.txt:5: not a duration 'abc'"},
        {"pulse -5\n", " ! tv.txt:1: a negative duration '-5'"},
        {"-5\n", " ! tv.txt:1: a negative duration '-5'"},
        {"5-pulse 7-space 3\n", "5 7 3 ~0"},
        {"pulse 600000\npulse 400000\n", "1000000 ~0"},
        {"pulse 600000\npulse 400001\n", "600000 ~0 ! tv.txt:2: a mark longer than a second '400001'"},
        {"pulse 5\nspace 16777216\n", "5 ~0 ! tv.txt:2: a silence longer than LIRC's longest (16777215 us) '16777216'"},
        {"pulse 99999999999999999999999\n", " ! tv.txt:1: a mark longer than a second '99999999999999999999999'"},
        {"pulse " + std::string(40, '9'), " ! tv.txt:1: a mark longer than a second '" + std::string(40, '9') + "'"},
        {"pulse " + std::string(41, '9'), " ! tv.txt:1: a mark longer than a second '" + std::string(40, '9') + "...'"},
        {"pulse\n", " ! tv.txt:1: no duration after 'pulse'"},
        {"Using device: /dev/lirc0\n", " ! tv.txt:1: not a duration 'Using'"},
        {"9000-mark\n", " ! tv.txt:1: not a duration '9000-mark'"},
        {repeated("pulse 500\nspace 500\n", 600),
         repeated("500 ", 1023) + "~500 ! tv.txt:1025: a frame of more than 1024 durations '500'"},
        {std::string(16384, ' ') + "\npulse 3\n" + std::string(16385, '7'),
         "3 ~0 ! tv.txt:3: a line longer than 16384 characters '77777777777777777777'"},
    };
    for (const auto& [text, frames] : rows) {
        std::istringstream in(text);
        EXPECT_EQ(read(in), frames) << text.substr(0, 200);
    }
}

}  // namespace
}  // namespace orvalinder::codes
