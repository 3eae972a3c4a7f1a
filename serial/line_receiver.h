#pragma once
// What the receiver does with each chunk it reads: assemble lines, and log
// every value the chunk completes, as one group, before the next read.

#include <optional>
#include <string_view>
#include <vector>

#include "serial/keycode_logger.h"
#include "serial/line_assembler.h"

namespace orvalinder {

struct ChunkResult {
    std::vector<ReceivedLine> lines;       // for the window, in order
    std::optional<LogFailure> logFailure;  // for the window to show
};

class LineReceiver {
public:
    explicit LineReceiver(KeyCodeLogger logger = KeyCodeLogger()) : logger_(std::move(logger)) {}

    ChunkResult feed(std::string_view chunk);

    // While a key is learned its codes are not the user's log.
    void setLogging(bool logging) { logging_ = logging; }

private:
    LineAssembler assembler_;
    KeyCodeLogger logger_;
    std::vector<uint32_t> values_;
    bool logging_ = true;
};

}  // namespace orvalinder
