#include "view/monitor_bars.h"

#include <climits>

namespace orvalinder {
namespace {

bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::vector<int> readMonitorValues(std::string_view line) {
    std::vector<int> values;
    size_t pos = 0;
    while (values.size() < kMaxMonitorValues) {
        while (pos < line.size() && isSpace(line[pos])) ++pos;
        size_t p = pos;
        bool negative = false;
        if (p < line.size() && (line[p] == '+' || line[p] == '-')) negative = line[p++] == '-';
        if (p >= line.size() || !isDigit(line[p])) break;
        long long magnitude = 0;
        for (; p < line.size() && isDigit(line[p]); ++p) {
            if (magnitude <= INT_MAX) magnitude = magnitude * 10 + (line[p] - '0');
        }
        long long value = negative ? -magnitude : magnitude;
        if (value > INT_MAX) value = INT_MAX;
        if (value < INT_MIN) value = INT_MIN;
        values.push_back(static_cast<int>(value));
        pos = p;
    }
    return values;
}

namespace {

template <typename Values>
std::vector<Bar> barsOf(int row, const Values& values) {
    std::vector<Bar> bars;
    const int top = 80 * row + 50;
    const int bottom = 80 * row + 100;
    long long x = kFirstBarX;
    for (size_t j = 0; j < values.size(); ++j) {
        const long long width = values[j] / kMicrosecondsPerPixel;
        bars.push_back(Bar{x, top, x + width, bottom, j % 2 == 0});
        x += width;
    }
    return bars;
}

}  // namespace

std::vector<Bar> monitorBars(int row, std::string_view line) {
    if (line.empty()) return {};
    return barsOf(row, readMonitorValues(line));
}

std::vector<Bar> monitorBars(int row, std::span<const uint32_t> durations) { return barsOf(row, durations); }

}  // namespace orvalinder
