#include "serial/line_assembler.h"

#include "firmware/IrBridge/wire.h"

#include "serial/hex_value.h"

namespace orvalinder {

uint32_t valueOfLine(std::string_view line) {
    const size_t colon = line.find(':');
    return colon == std::string_view::npos ? 0 : readHex32(line.substr(colon + 1));
}

void LineAssembler::append(std::string_view run) {
    // Byte by byte the line would be emptied each time it reached 999
    // characters; what is left is the tail of the run.
    const size_t total = buffer_.size() + run.size();
    if (total <= kMaxLineLength) {
        buffer_.append(run);
        return;
    }
    const size_t keep = total % (kMaxLineLength + 1);
    buffer_.assign(run.substr(run.size() - keep));
}

void LineAssembler::feed(std::string_view chunk, std::vector<ReceivedLine>& lines) {
    size_t start = 0;
    for (size_t i = 0; i < chunk.size(); ++i) {
        const char c = chunk[i];
        if (c != wire::kMonitorLineEnd && c != wire::kValueLineEnd && c != '\0') continue;
        if (c == wire::kMonitorLineEnd) {
            append(chunk.substr(start, i - start));
            buffer_.push_back(wire::kMonitorLineEnd);
            lines.push_back({ReceivedLine::Monitor, std::move(buffer_), 0});
            buffer_.clear();
        } else if (c == wire::kValueLineEnd) {
            append(chunk.substr(start, i - start));
            const uint32_t value = valueOfLine(buffer_);
            lines.push_back({ReceivedLine::Value, std::move(buffer_), value});
            buffer_.clear();
        } else {
            append(chunk.substr(start, i - start));
        }
        start = i + 1;
    }
    append(chunk.substr(start));
}

}  // namespace orvalinder
