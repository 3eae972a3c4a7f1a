// Random monitor lines through the IR Monitor's reading and bars, checked
// against a scan of "%d" conversions separated by tabs built on strtoll (a
// sscanf that overflows is undefined), and bars of value/60 pixels laid
// end to end from x = 10.

#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

#include "fuzz/reference.h"
#include "view/monitor_bars.h"

namespace {

std::vector<int> scan(const std::string& line) {
    std::vector<int> values;
    const char* p = line.c_str();  // the scan stops at a zero byte
    int value = 0;
    // strtoll skips the white space that "%d" and the tab between two
    // conversions skip.
    while (values.size() < 100 && fuzzref::decimal(p, value, &p)) values.push_back(value);
    return values;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider provider(data, size);
    const int row = provider.ConsumeIntegralInRange(0, 3);
    const std::string line = provider.ConsumeRemainingBytesAsString();

    const std::vector<int> values = orvalinder::readMonitorValues(line);
    FUZZ_CHECK(values == scan(line));

    const std::vector<orvalinder::Bar> bars = orvalinder::monitorBars(row, line);
    FUZZ_CHECK(bars.size() == values.size());
    long long x = 10;
    for (size_t j = 0; j < bars.size(); ++j) {
        const orvalinder::Bar& bar = bars[j];
        const long long width = static_cast<long long>(values[j]) / 60;
        FUZZ_CHECK(bar.left == x && bar.right == x + width);
        FUZZ_CHECK(bar.top == 80 * row + 50 && bar.bottom == 80 * row + 100);
        FUZZ_CHECK(bar.orange == (j % 2 == 0));
        x += width;
    }
    return 0;
}
