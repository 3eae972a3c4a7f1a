// The hand-over of received lines from the port thread to the window's.
// These run under ThreadSanitizer too (the tsan preset).

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

#include "serial/line_queue.h"
#include "view/ir_monitor_lines.h"

namespace orvalinder {
namespace {

TEST(LineQueue, HandsOverEveryLineInOrderAcrossThreads) {
    constexpr int kLines = 20000;
    LineQueue queue(kLines);  // never compacted: every line must come through
    std::atomic<int> notices{0};
    std::thread producer([&] {
        for (int i = 0; i < kLines; i += 4) {
            std::vector<ReceivedLine> batch;
            for (int j = i; j < i + 4; ++j) batch.push_back({ReceivedLine::Monitor, std::to_string(j) + "x", 0});
            if (queue.push(std::move(batch))) ++notices;
        }
    });
    std::vector<std::string> taken;
    while (taken.size() < kLines) {
        for (ReceivedLine& line : queue.takeAll()) taken.push_back(std::move(line.text));
        std::this_thread::yield();
    }
    producer.join();
    for (int i = 0; i < kLines; ++i) ASSERT_EQ(taken[static_cast<size_t>(i)], std::to_string(i) + "x");
    EXPECT_GE(notices.load(), 1);
    EXPECT_LE(notices.load(), kLines / 4);
}

// What the window shows: the four monitor lines and the four status lines.
struct Window {
    IrMonitorLines monitor;
    StatusLines status;

    void apply(const std::vector<ReceivedLine>& lines) {
        for (const ReceivedLine& line : lines) {
            if (line.kind == ReceivedLine::Monitor)
                monitor.store(line.text, status);
            else
                monitor.showValueLine(line.text, status);
        }
    }
    bool operator==(const Window& other) const {
        for (int n = 1; n <= 4; ++n)
            if (monitor.line(n) != other.monitor.line(n) || status.line(n) != other.status.line(n)) return false;
        return true;
    }
};

// A window with `filled` monitor lines stored and every status line changed.
Window windowWith(int filled) {
    Window window;
    for (int n = 1; n <= filled; ++n) window.monitor.store("old " + std::to_string(n) + "x", window.status);
    for (int n = 1; n <= 4; ++n)
        window.status.sayUnnumbered(static_cast<StatusLine>(n), L"earlier " + std::to_wstring(n));
    return window;
}

TEST(LineQueue, DroppedLinesLeaveTheWindowAsEveryLineWould) {
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        const size_t compactAt = random() % 24;
        const size_t count = random() % 80;
        std::vector<ReceivedLine> lines;
        for (size_t i = 0; i < count; ++i) {
            const std::string text = std::to_string(i);
            // Runs of value lines and of monitor lines both matter.
            if (random() % 3 == 0)
                lines.push_back({ReceivedLine::Monitor, text + "x", 0});
            else
                lines.push_back({ReceivedLine::Value, "CODE:" + text, 0});
        }
        for (int filled = 0; filled <= 4; ++filled) {
            LineQueue queue(compactAt);
            for (size_t at = 0; at < lines.size();) {
                const size_t n = std::min(lines.size() - at, size_t{1} + random() % 6);
                queue.push(std::vector<ReceivedLine>(lines.begin() + static_cast<long>(at),
                                                     lines.begin() + static_cast<long>(at + n)));
                at += n;
            }
            Window compacted = windowWith(filled);
            compacted.apply(queue.takeAll());
            Window everyLine = windowWith(filled);
            everyLine.apply(lines);
            ASSERT_TRUE(compacted == everyLine) << "round " << round << ", " << filled << " lines shown at first";
        }
    }
}

TEST(LineQueue, StaysSmallWhenTheWindowFallsBehind) {
    LineQueue queue;
    constexpr size_t kBatch = 100;
    for (int batch = 0; batch < 1000; ++batch) {
        std::vector<ReceivedLine> lines;
        for (size_t i = 0; i < kBatch; ++i) {
            if (i % 10 == 9)
                lines.push_back({ReceivedLine::Value, "CODE:A25D", 0xA25D});
            else
                lines.push_back({ReceivedLine::Monitor, "120\t250x", 0});
        }
        queue.push(std::move(lines));
    }
    EXPECT_LE(queue.takeAll().size(), LineQueue::kCompactAt + kBatch);
}

}  // namespace
}  // namespace orvalinder
