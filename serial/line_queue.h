#pragma once
// Hands received lines from the receiver thread to the window's thread.
// Every line is kept, in order, however slowly the window takes them.

#include <deque>
#include <mutex>
#include <vector>

#include "serial/line_assembler.h"

namespace orvalinder {

class LineQueue {
public:
    // Returns true when the queue was empty, so the window needs telling;
    // otherwise a notice is already on its way.
    bool push(std::vector<ReceivedLine> lines) {
        if (lines.empty()) return false;
        std::lock_guard lock(mutex_);
        const bool wasEmpty = lines_.empty();
        for (ReceivedLine& line : lines) lines_.push_back(std::move(line));
        return wasEmpty;
    }

    std::vector<ReceivedLine> takeAll() {
        std::lock_guard lock(mutex_);
        std::vector<ReceivedLine> taken(std::make_move_iterator(lines_.begin()), std::make_move_iterator(lines_.end()));
        lines_.clear();
        return taken;
    }

private:
    std::mutex mutex_;
    std::deque<ReceivedLine> lines_;
};

}  // namespace orvalinder
