// The board's bytes, cut into chunks of sizes taken from the input, go
// through the line assembler and the receiver; a byte-at-a-time model of
// the line rules must give the same lines, kinds, values and order, and the
// same unfinished line, however the bytes were cut.

#include <fuzzer/FuzzedDataProvider.h>

#include <optional>
#include <string>
#include <vector>

#include "fuzz/reference.h"
#include "serial/line_assembler.h"
#include "serial/line_receiver.h"

namespace {

using orvalinder::ReceivedLine;

// One byte at a time, as the rules say it.
struct Model {
    std::string buffer;
    std::vector<ReceivedLine> lines;

    void byte(char c) {
        if (c == 'x') {
            lines.push_back({ReceivedLine::Monitor, buffer + 'x', 0});
            buffer.clear();
        } else if (c == 'Y') {
            const size_t colon = buffer.find(':');
            const uint32_t value = colon == std::string::npos ? 0 : fuzzref::hex32(buffer.substr(colon + 1));
            lines.push_back({ReceivedLine::Value, buffer, value});
            buffer.clear();
        } else if (c != '\0') {
            buffer.push_back(c);
            if (buffer.size() > 998) buffer.clear();  // the board never sends such lines
        }
    }
};

bool same(const std::vector<ReceivedLine>& a, const std::vector<ReceivedLine>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].kind != b[i].kind || a[i].text != b[i].text || a[i].value != b[i].value) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    orvalinder::LineAssembler assembler;
    // A directory that cannot be had: a chunk with values to log reports a
    // failure, so the values' selection shows without touching the disk.
    orvalinder::LineReceiver receiver(orvalinder::KeyCodeLogger([] { return std::optional<std::string>(); }));
    Model model;
    while (input.remaining_bytes() > 0) {
        const size_t length = input.ConsumeIntegralInRange<size_t>(0, 1500);
        const std::string chunk = input.ConsumeBytesAsString(length);

        model.lines.clear();
        for (char c : chunk) model.byte(c);
        bool logs = false;
        for (const ReceivedLine& line : model.lines)
            logs = logs || (line.kind == ReceivedLine::Value && line.text.find(':') != std::string::npos);

        std::vector<ReceivedLine> assembled;
        assembler.feed(chunk, assembled);
        FUZZ_CHECK(same(assembled, model.lines));
        FUZZ_CHECK(assembler.partialLine() == model.buffer);

        const orvalinder::ChunkResult result = receiver.feed(chunk);
        FUZZ_CHECK(same(result.lines, model.lines));
        FUZZ_CHECK(result.logFailure.has_value() == logs);
    }
    return 0;
}
