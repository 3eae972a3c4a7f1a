#pragma once
// Hands received lines from the port thread to the window's thread.
// Lines come out in order. When the window falls behind, the queue drops
// lines the window would overwrite anyway, so what it shows after taking
// them is exact and the queue stays small:
//   - of the value lines between two monitor lines only the last shows;
//   - a page of four monitor lines leaves no trace once five more follow:
//     the fifth empties the page for sure, and the page position is the
//     same modulo four.

#include <cstddef>
#include <deque>
#include <mutex>
#include <vector>

#include "serial/line_assembler.h"

namespace orvalinder {

class LineQueue {
public:
    static constexpr size_t kCompactAt = 4096;

    explicit LineQueue(size_t compactAt = kCompactAt) : compactAt_(compactAt) {}

    // Returns true when the queue was empty, so the window needs telling;
    // otherwise a notice is already on its way.
    bool push(std::vector<ReceivedLine> lines) {
        if (lines.empty()) return false;
        std::lock_guard lock(mutex_);
        pushed_ += static_cast<long>(lines.size());
        const bool wasEmpty = lines_.empty();
        for (ReceivedLine& line : lines) lines_.push_back(std::move(line));
        if (lines_.size() > compactAt_) compact();
        return wasEmpty;
    }

    std::vector<ReceivedLine> takeAll() {
        std::lock_guard lock(mutex_);
        std::vector<ReceivedLine> taken(std::make_move_iterator(lines_.begin()), std::make_move_iterator(lines_.end()));
        lines_.clear();
        return taken;
    }

    // Every line pushed so far, whether taken, waiting or dropped.
    long linesPushed() const {
        std::lock_guard lock(mutex_);
        return pushed_;
    }

private:
    // Leaves at most eight monitor lines, each with at most one value line
    // before it, and one value line at the end.
    void compact() {
        size_t monitorLines = 0;
        for (const ReceivedLine& line : lines_) monitorLines += line.kind == ReceivedLine::Monitor;
        size_t pagesToDrop = monitorLines >= 9 ? (monitorLines - 5) / 4 : 0;
        size_t skipMonitorLines = pagesToDrop * 4;

        std::deque<ReceivedLine> kept;
        for (size_t i = 0; i < lines_.size(); ++i) {
            ReceivedLine& line = lines_[i];
            if (skipMonitorLines > 0) {
                skipMonitorLines -= line.kind == ReceivedLine::Monitor;
                continue;
            }
            const bool overwritten =
                line.kind == ReceivedLine::Value && i + 1 < lines_.size() && lines_[i + 1].kind == ReceivedLine::Value;
            if (!overwritten) kept.push_back(std::move(line));
        }
        lines_.swap(kept);
    }

    const size_t compactAt_;
    mutable std::mutex mutex_;
    std::deque<ReceivedLine> lines_;
    long pushed_ = 0;
};

}  // namespace orvalinder
