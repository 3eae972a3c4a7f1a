#include "serial/line_receiver.h"

namespace orvalinder {

ChunkResult LineReceiver::feed(std::string_view chunk) {
    ChunkResult result;
    assembler_.feed(chunk, result.lines);
    values_.clear();
    if (!logging_) return result;
    for (const ReceivedLine& line : result.lines)
        // A value line without a colon (a board's note, a bare Y) carries no code.
        if (line.kind == ReceivedLine::Value && line.text.find(':') != std::string::npos) values_.push_back(line.value);
    result.logFailure = logger_.append(values_);
    return result;
}

}  // namespace orvalinder
