// Random input in random chunks through the bit-reversal converter, checked
// against the stdio way: pieces as fgets reads them into 300 bytes, each
// read by strtoul with base 16 in 32 bits, "0x%X\n" of the reversed bits
// for every piece that is not 0.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <string>

#include "fuzz/reference.h"
#include "tools/bit_reversal.h"

namespace {

uint32_t reversed(uint32_t value) {
    uint32_t result = 0;
    for (int bit = 0; bit < 32; ++bit)
        if (value & (1u << bit)) result |= 1u << (31 - bit);
    return result;
}

std::string expectedOutput(const std::string& input) {
    std::string output;
    size_t at = 0;
    while (at < input.size()) {
        // fgets: up to and including a line feed, at most 299 characters.
        size_t length = 0;
        while (at + length < input.size() && length < 299) {
            ++length;
            if (input[at + length - 1] == '\n') break;
        }
        const uint32_t value = fuzzref::hex32(input.substr(at, length));
        at += length;
        if (value == 0) continue;
        char line[16];
        std::snprintf(line, sizeof line, "0x%X\n", reversed(value));
        output += line;
    }
    return output;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider provider(data, size);
    orvalinder::BitReversalConverter converter;
    std::string input, output;
    while (provider.remaining_bytes() > 0) {
        const std::string chunk = provider.ConsumeBytesAsString(provider.ConsumeIntegralInRange<size_t>(0, 700));
        input += chunk;
        converter.feed(chunk, output);
        // Nothing is written ahead of the input, and nothing goes back.
        FUZZ_CHECK(expectedOutput(input).compare(0, output.size(), output) == 0);
    }
    converter.finish(output);
    FUZZ_CHECK(output == expectedOutput(input));
    return 0;
}
