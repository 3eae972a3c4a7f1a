#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <streambuf>

#include "codes/mode2.h"
#include "codes/remote.h"

namespace orvalinder::codes {
namespace {

// The frames read, as "9000 4500 560 ~40000 | 560 ~0", and the fault's
// message, or "" when there was none.
std::pair<std::string, std::string> read(std::istream& in)
{
    std::string frames, fault;
    try {
        readMode2(in, "tv.txt", [&](HeardFrame&& frame) {
            frames += frames.empty() ? "" : " | ";
            for (uint32_t us : frame.durations)
                frames += std::to_string(us) + " ";
            frames += "~" + std::to_string(frame.silenceUs);
        });
    } catch (const CodesError& error) {
        fault = error.what();
    }
    return {frames, fault};
}

std::pair<std::string, std::string> read(const std::string& text)
{
    std::istringstream in(text);
    return read(in);
}

std::string repeated(const std::string& text, int times)
{
    std::string all;
    for (int i = 0; i < times; ++i)
        all += text;
    return all;
}

TEST(Mode2, TextReadAsFramesUpToItsFirstFault)
{
    struct Row {
        std::string text, frames, fault;
    };
    const Row rows[] = {
        // Frames end at silences longer than 10 ms, the last one's read too.
        {"pulse 9000\nspace 4500\npulse 560\nspace 40000\npulse 9000\nspace 2250\npulse 560\nspace 96000\n",
         "9000 4500 560 ~40000 | 9000 2250 560 ~96000", ""},
        {"pulse 500\nspace 10000\npulse 500\nspace 10001\npulse 500\n", "500 10000 500 ~10001 | 500 ~0", ""},
        // Marks and spaces in a row add up; a zero is nothing (irsimsend
        // ends a frame without a gap with "space 0").
        {"pulse 300\npulse 200\nspace 100\nspace 0\nspace 100\npulse 5\nspace 0\n", "500 200 5 ~0", ""},
        // A timeout ends the frame; the kernel's gap after it counts from
        // the last mark, so it is no longer silence.
        {"pulse 560\ntimeout 125000\nspace 2000000\npulse 560\ntimeout 30000\n", "560 ~2000000 | 560 ~30000", ""},
        // The silence before the first frame is none of its; a file cut
        // short keeps what it has.
        {"space 16777215\npulse 560\nspace 500", "560 ~500", ""},
        // mode2 -m, bare numbers taking turns; comments, blanks, CR LF.
        {"     9000-pulse     4500-space      560-pulse      560-space\n      560     1690      560    40020\n\n"
         "     9000     2250      560    96190\n",
         "9000 4500 560 560 560 1690 560 ~40020 | 9000 2250 560 ~96190", ""},
        {"# tv\r\n\r\n  pulse\t900 \r\nspace 450\r\n450 56\n", "900 450 450 ~56", ""},
        // Faults: what came before them is kept, the frame being read too.
        {"pulse 560\nspace 20000\npulse 9000\nspace 4500\npulse abc\n", "560 ~20000 | 9000 ~4500",
         "tv.txt:5: not a duration 'abc'"},
        {"pulse -5\n", "", "tv.txt:1: a negative duration '-5'"},
        {"pulse 1000001\n", "", "tv.txt:1: a mark longer than a second '1000001'"},
        {"pulse 600000\npulse 600000\n", "600000 ~0", "tv.txt:2: a mark longer than a second '600000'"},
        {"pulse 5\nspace 99999999999999999999999\n", "5 ~0",
         "tv.txt:2: a silence longer than LIRC's longest (16777215 us) '99999999999999999999999'"},
        {"pulse 5\nspace 16777216\n", "5 ~0",
         "tv.txt:2: a silence longer than LIRC's longest (16777215 us) '16777216'"},
        {"pulse\n", "", "tv.txt:1: no duration after 'pulse'"},
        {"space 5 6\n", "", "tv.txt:1: more than one duration after 'space'"},
        {"Using device: /dev/lirc0\n", "", "tv.txt:1: not a duration 'Using'"},
        {"9000-mark\n", "", "tv.txt:1: not a duration '9000-mark'"},
        {"pulse 9000\nspace 4500\npuls", "9000 ~4500", "tv.txt:3: not a duration 'puls'"},
        {repeated("pulse 500\nspace 500\n", 600), repeated("500 ", 1023) + "~500",
         "tv.txt:1025: a frame of more than 1024 durations '500'"},
        {std::string(20000, '7'), "", "tv.txt:1: a line longer than 16384 characters '77777777777777777777'"},
        {std::string(16384, ' ') + "\npulse 3\n", "3 ~0", ""},  // the longest line there may be
    };
    for (const Row& row : rows) {
        const auto [frames, fault] = read(row.text);
        EXPECT_EQ(frames, row.frames) << row.text.substr(0, 200);
        EXPECT_EQ(fault, row.fault) << row.text.substr(0, 200);
    }
}

TEST(Mode2, WrittenAndReadBackAsTheSameFrames)
{
    // The second frame has no silence and the third one too short to part
    // it from the next: each gets the least that does. The last keeps its own.
    const std::vector<HeardFrame> frames = {
        {{9000, 4500, 560}, 40000}, {{2400, 600, 1200}, 0}, {{889, 889, 1778}, 3000}, {{100}, 500}};
    const std::string text = writeMode2(frames);
    std::vector<HeardFrame> back;
    std::istringstream in(text);
    readMode2(in, "back.txt", [&](HeardFrame&& frame) { back.push_back(std::move(frame)); });
    std::vector<HeardFrame> expected = frames;
    expected[1].silenceUs = expected[2].silenceUs = 10001;
    EXPECT_EQ(back, expected) << text;
    EXPECT_EQ(writeMode2(back), text);
}

// Text served as it is read, never held whole.
class EndlessText : public std::streambuf {
public:
    EndlessText(std::string pattern, uint64_t bytes) : pattern_(std::move(pattern)), left_(bytes) {}

protected:
    int_type underflow() override
    {
        if (left_ == 0)
            return traits_type::eof();
        const size_t size = size_t(std::min<uint64_t>(pattern_.size(), left_));
        left_ -= size;
        setg(pattern_.data(), pattern_.data(), pattern_.data() + size);
        return traits_type::to_int_type(pattern_[0]);
    }

private:
    std::string pattern_;
    uint64_t left_;
};

TEST(Mode2, LargeCapturesReadAsTheyComeOrStoppedAtTheirFault)
{
    const std::string frame = repeated("pulse 560\nspace 560\n", 33) + "pulse 560\nspace 40000\n";
    const uint64_t frames = 10'000'000 / frame.size();
    EndlessText framesText(repeated(frame, 100), frames * frame.size());
    std::istream framesIn(&framesText);
    size_t count = 0;
    readMode2(framesIn, "big.txt", [&](HeardFrame&& heard) { count += heard.durations.size() == 67; });
    EXPECT_EQ(count, frames);

    // 100 MB of one line, or of one endless mark: the fault comes as soon as
    // it is sure.
    const uint64_t bytes = 100'000'000;
    const auto start = std::chrono::steady_clock::now();
    EndlessText line(std::string(65536, '5'), bytes);
    std::istream lineIn(&line);
    EXPECT_EQ(read(lineIn).second, "tv.txt:1: a line longer than 16384 characters '55555555555555555555'");
    EndlessText mark("pulse 5000\n", bytes);
    std::istream markIn(&mark);
    EXPECT_EQ(read(markIn).second, "tv.txt:201: a mark longer than a second '5000'");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

}  // namespace
}  // namespace orvalinder::codes
