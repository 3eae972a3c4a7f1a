// Runs the board simulator named by IRBRIDGE_SIM and talks to it through its
// pseudo-terminal the way the program does.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/child_process.h"

namespace {

using namespace std::chrono_literals;
using orvalinder::testing::ChildProcess;
using orvalinder::testing::Done;
using orvalinder::testing::Simulator;

// Reads what arrives on fd until done() holds or the time is up.
std::string readUntil(int fd, const Done& done, std::chrono::milliseconds limit) {
    std::string text;
    orvalinder::testing::readUntil(fd, text, done, limit);
    return text;
}

const std::string kVersionLine = "IrBridge 1.1Y";

// The answer the board gives to a key whose code is `hex`, built from the
// documented line formats, as a receiver delivers the frame: each mark
// longer by `excess`, the space after it shorter by as much.
std::string answer(const std::string& hex, int excess = 0) {
    const unsigned long value = std::stoul(hex, nullptr, 16);
    std::string line = std::to_string(9000 + excess) + "\t" + std::to_string(4500 - excess);
    for (int bit = 31; bit >= 0; --bit)
        line += "\t" + std::to_string(560 + excess) + "\t" + std::to_string((value >> bit & 1 ? 1690 : 560) - excess);
    return line + "xCODE:" + hex + "Y";
}

class IrBridgeSim : public testing::Test {
protected:
    void SetUp() override {
        sim_ = std::getenv("IRBRIDGE_SIM");
        if (sim_ == nullptr) GTEST_SKIP() << "IRBRIDGE_SIM is not set";
    }

    void start(std::vector<std::string> extra = {}) {
        // Answers are compared to the byte: the receiver adds nothing
        // unless a test asks for it.
        std::vector<std::string> arguments{"--quiet", "--receiver", "ideal"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        process_ = std::make_unique<Simulator>(sim_, arguments, ChildProcess::Options{});
        ASSERT_TRUE(process_->ok()) << "no device path from the simulator";
        openPort();
    }

    void openPort() {
        fd_ = orvalinder::testing::openRaw(process_->device, O_NONBLOCK);
        ASSERT_GE(fd_, 0) << process_->device;
    }

    // What the board sends until `bytes` have come, or 5 s have passed.
    std::string receive(size_t bytes) {
        return readUntil(
            fd_, [&](auto& t) { return t.size() >= bytes; }, 5s);
    }
    // What it sends within 100 ms, where it should send nothing.
    std::string quiet() { return orvalinder::testing::readAll(fd_, 100ms); }

    void send(const std::string& text) {
        ASSERT_EQ(write(fd_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }

    void TearDown() override {
        if (fd_ >= 0) close(fd_);
        if (process_) {
            EXPECT_EQ(process_->stop(), 0);
        }
    }

    const char* sim_ = nullptr;
    std::unique_ptr<Simulator> process_;
    int fd_ = -1;
};

struct Exchange {
    const char* name;
    std::vector<std::string> writes;  // only the last one completes key codes
    std::vector<std::string> codes;   // worked out by hand from the key table
};

TEST_F(IrBridgeSim, AnswersKeyCodesWithMonitorAndValueLines) {
    const Exchange exchanges[] = {
        {"code split across writes", {"A1", "01"}, {"FE01FB04"}},
        {"back to back", {"A101B140"}, {"FE01FB04", "D728DF20"}},
        {"no leading zeros", {"D355"}, {"FF7F80"}},
        {"junk and broken codes", {"zA1x01", "B1C1", "00"}, {"FF00BF40"}},
    };
    start();
    // Opened, the board says its firmware, as a board reset by the open does.
    EXPECT_EQ(receive(kVersionLine.size()), kVersionLine);
    for (const Exchange& exchange : exchanges) {
        SCOPED_TRACE(exchange.name);
        for (size_t i = 0; i < exchange.writes.size(); ++i) {
            send(exchange.writes[i]);
            if (i + 1 < exchange.writes.size()) {
                // An unfinished code gets no answer; the pause also makes the
                // simulator read the parts separately.
                EXPECT_EQ(quiet(), "");
            }
        }
        std::string expected;
        for (const std::string& code : exchange.codes) expected += answer(code);
        EXPECT_EQ(receive(expected.size()), expected);
    }
    EXPECT_EQ(quiet(), "");
}

TEST_F(IrBridgeSim, MonitorLinesAreWhatTheReceiverMakesOfTheFrame) {
    start({"--mark-excess", "-120", "--jitter", "0"});
    send("A101");
    const std::string expected = kVersionLine + answer("FE01FB04", -120);
    EXPECT_EQ(receive(expected.size()), expected);
}

TEST_F(IrBridgeSim, AnswersAClientThatReopensThePort) {
    start();
    close(fd_);
    openPort();
    send("B100");
    // The board said its firmware at each open; both opens may have come
    // before it looked.
    const std::string expected = kVersionLine + answer("FF00DF20");
    const std::string text = readUntil(
        fd_, [&](auto& t) { return t.ends_with(expected); }, 5s);
    EXPECT_TRUE(text == expected || text == kVersionLine + expected) << text;
}

TEST_F(IrBridgeSim, FloodLinesArriveInOrderWithoutLoss) {
    // Faster than any reader, so the pty keeps filling up and the simulator
    // meets partial writes.
    start({"--flood", "100000000", "--count", "20000"});
    size_t scanned = 0, ends = 0;
    const std::string flooded = readUntil(
        fd_,
        [&](const std::string& t) {
            for (; scanned < t.size(); ++scanned) ends += t[scanned] == 'x';
            return ends == 20000 && t.find('Y') != std::string::npos;
        },
        10s);
    ASSERT_EQ(ends, 20000u);
    std::string text = flooded;
    const size_t version = text.find(kVersionLine);
    ASSERT_NE(version, std::string::npos);  // once, wherever the open came
    text.erase(version, kVersionLine.size());
    EXPECT_EQ(text.find("Y"), std::string::npos);
    size_t begin = 0;
    for (size_t seq = 0; seq < 20000; ++seq) {
        const size_t end = text.find('x', begin);
        const std::string line = text.substr(begin, end - begin);
        begin = end + 1;
        ASSERT_EQ(line.rfind("9000\t", 0), 0u) << line;
        ASSERT_EQ(std::count(line.begin(), line.end(), '\t'), 66) << line;  // 67 numbers
        ASSERT_EQ(line.substr(line.rfind('\t') + 1), std::to_string(seq));
    }
    EXPECT_EQ(begin, text.size());
}

}  // namespace
