#pragma once
// The IR Monitor's bar charts: each stored monitor line becomes one row of
// bars, one bar per number, 60 microseconds to the pixel.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace orvalinder {

// Up to 100 integers, read as a scan of "%d" conversions separated by tabs:
// white space before a number is skipped, any run of white space stands for
// a tab, and reading stops at the first text that is not a number.
std::vector<int> readMonitorValues(std::string_view line);

// A bar as the corners of its rectangle: it covers x from left up to but not
// including right, and y from top up to but not including bottom. A negative
// value gives right < left. The board may send any number, so x runs far
// beyond an int; the painter clips it to the view.
struct Bar {
    long long left;
    int top;
    long long right;
    int bottom;
    bool orange;  // even positions are orange, odd ones dark blue
};

constexpr int kMaxMonitorValues = 100;
constexpr int kMicrosecondsPerPixel = 60;
constexpr int kFirstBarX = 10;

// The bars of row 0 to 3 drawn from one monitor line.
std::vector<Bar> monitorBars(int row, std::string_view line);
// The same bars for a frame's durations, however many (a capture's frame
// may hold 1024).
std::vector<Bar> monitorBars(int row, std::span<const uint32_t> durations);

}  // namespace orvalinder
