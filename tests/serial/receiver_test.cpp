// The receiver thread and its hand-over, with a scripted device standing in
// for the port. These run under ThreadSanitizer too (the tsan preset).

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>

#include "serial/line_queue.h"
#include "serial/receiver.h"
#include "view/ir_monitor_lines.h"
#include "tests/support/scripted_device.h"

namespace orvalinder {
namespace {

using namespace std::chrono_literals;
using testing::ScriptedDevice;

// Collects what the receiver hands over; the test waits on it with a deadline.
class Collected : public ReceiverSink {
public:
    void received(ChunkResult result) override {
        std::lock_guard lock(mutex_);
        for (ReceivedLine& line : result.lines) lines_.push_back(std::move(line));
        changed_.notify_all();
    }
    void lost() override {
        std::lock_guard lock(mutex_);
        lost_ = true;
        changed_.notify_all();
    }
    bool waitForLines(size_t count, std::chrono::milliseconds deadline = 5000ms) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, deadline, [&] { return lines_.size() >= count; });
    }
    bool waitForLost(std::chrono::milliseconds deadline) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, deadline, [&] { return lost_; });
    }
    std::vector<std::string> texts() {
        std::lock_guard lock(mutex_);
        std::vector<std::string> texts;
        for (const ReceivedLine& line : lines_) texts.push_back(line.text);
        return texts;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<ReceivedLine> lines_;
    bool lost_ = false;
};

KeyCodeLogger noDirectory() {
    return KeyCodeLogger([] { return std::optional<std::string>(); });
}

TEST(Receiver, ReadsOnlyWhileTheMonitorIsShown) {
    auto device = std::make_shared<ScriptedDevice>();
    Collected sink;
    Receiver receiver(device, sink, noDirectory(), false);
    device->push("120\t250x");
    EXPECT_FALSE(sink.waitForLines(1, 200ms));
    EXPECT_EQ(device->unread(), 1u);  // waiting in the device

    receiver.setMonitorActive(true);
    ASSERT_TRUE(sink.waitForLines(1));
    EXPECT_EQ(sink.texts(), std::vector<std::string>{"120\t250x"});
    device->close();
}

TEST(Receiver, NoLineDroppedOrMergedWhateverTheChunks) {
    auto device = std::make_shared<ScriptedDevice>();
    Collected sink;
    Receiver receiver(device, sink, noDirectory(), true);
    std::string stream;
    std::vector<std::string> expected;
    for (int i = 0; i < 5000; ++i) {
        expected.push_back(std::to_string(i) + "\t560x");
        stream += expected.back();
    }
    std::mt19937 random(3);
    for (size_t at = 0; at < stream.size();) {
        const size_t n = 1 + random() % 300;
        device->push(stream.substr(at, n));
        at += n;
    }
    ASSERT_TRUE(sink.waitForLines(expected.size()));
    EXPECT_EQ(sink.texts(), expected);
    device->close();
}

TEST(Receiver, StopEndsAReadInProgressAtOnce) {
    auto device = std::make_shared<ScriptedDevice>(60s);  // a read would otherwise wait a minute
    Collected sink;
    auto receiver = std::make_unique<Receiver>(device, sink, noDirectory(), true);
    const auto start = std::chrono::steady_clock::now();
    device->close();
    receiver->stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2000ms);
}

TEST(Receiver, StopWhileWaitingForTheMonitor) {
    auto device = std::make_shared<ScriptedDevice>();
    Collected sink;
    Receiver receiver(device, sink, noDirectory(), false);
    // Once it has looked for a lost device, it is waiting for the next look,
    // a second away: stop must not wait for it.
    ASSERT_TRUE(device->waitForLostChecks(1, 5000ms));
    const auto start = std::chrono::steady_clock::now();
    receiver.stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
}

TEST(Receiver, NoticesALostDevice) {
    for (bool monitorShown : {true, false}) {
        auto device = std::make_shared<ScriptedDevice>();
        Collected sink;
        Receiver receiver(device, sink, noDirectory(), monitorShown);
        device->loseDevice();
        EXPECT_TRUE(sink.waitForLost(2000ms)) << (monitorShown ? "reading" : "waiting");
    }
}

TEST(Receiver, ValuesReachTheLogOnceEach) {
    const auto dir = std::filesystem::temp_directory_path() / "orvalinder-receiver-log";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    auto device = std::make_shared<ScriptedDevice>();
    Collected sink;
    Receiver receiver(device, sink, KeyCodeLogger([d = dir.string()] { return std::optional(d); }), true);
    device->push("CODE:1YCODE:");
    device->push("2YCODE:3Y");
    ASSERT_TRUE(sink.waitForLines(3));
    device->close();
    receiver.stop();
    std::string text;
    {
        std::ifstream in(dir / "keycodes.txt");  // closed before the folder goes
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    EXPECT_EQ(text, "0x1\n0x2\n0x3\n");
    std::filesystem::remove_all(dir);
}

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
    for (int n = 1; n <= 4; ++n) window.status.line(n) = L"earlier " + std::to_wstring(n);
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
