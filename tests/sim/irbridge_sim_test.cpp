// Runs the board simulator named by IRBRIDGE_SIM and talks to it through its
// pseudo-terminal the way the program does.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using Done = std::function<bool(const std::string&)>;

// Reads what arrives on fd until done() holds or the time is up.
std::string readUntil(int fd, const Done& done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::string text;
    while (!done(text)) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd pfd{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&pfd, 1, static_cast<int>(left.count())) <= 0) break;
        char bytes[4096];
        const ssize_t n = read(fd, bytes, sizeof bytes);
        if (n <= 0) break;
        text.append(bytes, static_cast<size_t>(n));
    }
    return text;
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::stringstream stream(text);
    for (std::string part; std::getline(stream, part, separator);) parts.push_back(part);
    return parts;
}

// Reads the code back out of a monitor line's timings.
uint32_t decodeTimings(const std::vector<std::string>& numbers) {
    uint32_t value = 0;
    for (size_t i = 3; i < 66; i += 2) value = value << 1 | (numbers[i] == "1690" ? 1 : 0);
    return value;
}

class IrBridgeSim : public testing::Test {
protected:
    void SetUp() override {
        sim_ = std::getenv("IRBRIDGE_SIM");
        if (sim_ == nullptr) GTEST_SKIP() << "IRBRIDGE_SIM is not set";
    }

    void start(std::vector<std::string> extra = {}) {
        int out[2];
        ASSERT_EQ(pipe(out), 0);
        pid_ = fork();
        ASSERT_GE(pid_, 0);
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            std::vector<char*> argv{const_cast<char*>(sim_), const_cast<char*>("--quiet")};
            for (auto& arg : extra) argv.push_back(arg.data());
            argv.push_back(nullptr);
            execv(sim_, argv.data());
            _exit(127);
        }
        close(out[1]);
        const std::string first = readUntil(out[0], [](auto& t) { return t.find('\n') != t.npos; }, 5s);
        close(out[0]);
        ASSERT_NE(first.find('\n'), std::string::npos) << "no device path from the simulator";
        path_ = first.substr(0, first.find('\n'));
        openPort();
    }

    void openPort() {
        fd_ = open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(fd_, 0) << path_;
        termios tio{};
        ASSERT_EQ(tcgetattr(fd_, &tio), 0);
        cfmakeraw(&tio);
        ASSERT_EQ(tcsetattr(fd_, TCSANOW, &tio), 0);
    }

    void send(const std::string& text) {
        ASSERT_EQ(write(fd_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }

    void TearDown() override {
        if (fd_ >= 0) close(fd_);
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        int status = 0;
        ASSERT_EQ(waitpid(pid_, &status, 0), pid_);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    }

    const char* sim_ = nullptr;
    pid_t pid_ = -1;
    int fd_ = -1;
    std::string path_;
};

struct Reply {
    std::string monitorStart;  // the timings of the first byte of the code
    std::string valueLine;
};

const std::string k0 = "\t560\t560", k1 = "\t560\t1690";

struct Exchange {
    const char* name;
    std::vector<std::string> writes;  // only the last one completes key codes
    std::vector<Reply> replies;
};

TEST_F(IrBridgeSim, AnswersKeyCodesWithMonitorAndValueLines) {
    const Exchange exchanges[] = {
        {"code split across writes", {"A1", "01"}, {{"9000\t4500" + k1 + k1 + k1 + k1 + k1 + k1 + k1 + k0, "CODE:FE01FB04"}}},
        {"back to back", {"A101B140"},
         {{"9000\t4500" + k1 + k1 + k1 + k1 + k1 + k1 + k1 + k0, "CODE:FE01FB04"},
          {"9000\t4500" + k1 + k1 + k0 + k1 + k0 + k1 + k1 + k1, "CODE:D728DF20"}}},
        {"no leading zeros", {"D355"}, {{"9000\t4500" + k0 + k0 + k0 + k0 + k0 + k0 + k0 + k0, "CODE:FF7F80"}}},
        {"junk and broken codes", {"zA1x01", "B1C1", "00"},
         {{"9000\t4500" + k1 + k1 + k1 + k1 + k1 + k1 + k1 + k1, "CODE:FF00BF40"}}},
    };
    start();
    for (const Exchange& exchange : exchanges) {
        SCOPED_TRACE(exchange.name);
        for (size_t i = 0; i < exchange.writes.size(); ++i) {
            send(exchange.writes[i]);
            if (i + 1 < exchange.writes.size()) {
                // An unfinished code gets no answer; the pause also makes the
                // simulator read the halves separately.
                EXPECT_EQ(readUntil(fd_, [](auto&) { return false; }, 100ms), "");
            }
        }
        const size_t ends = exchange.replies.size();
        const std::string text = readUntil(
            fd_, [&](auto& t) { return size_t(std::count(t.begin(), t.end(), 'Y')) == ends; }, 5s);
        ASSERT_FALSE(text.empty());
        ASSERT_EQ(text.back(), 'Y') << text;

        std::vector<std::string> lines;
        for (const std::string& part : split(text, 'Y')) {
            const size_t x = part.find('x');
            ASSERT_EQ(x, part.rfind('x')) << part;
            lines.push_back(part.substr(0, x + 1));
            lines.push_back(part.substr(x + 1));
        }
        ASSERT_EQ(lines.size(), 2 * ends) << text;
        for (size_t r = 0; r < ends; ++r) {
            const std::string& monitor = lines[2 * r];
            const Reply& want = exchange.replies[r];
            EXPECT_EQ(monitor.rfind(want.monitorStart, 0), 0u) << monitor;
            ASSERT_EQ(monitor.back(), 'x');
            const auto numbers = split(monitor.substr(0, monitor.size() - 1), '\t');
            ASSERT_EQ(numbers.size(), 66u) << monitor;
            for (size_t i = 2; i < 66; ++i)
                EXPECT_TRUE(i % 2 == 0 ? numbers[i] == "560" : numbers[i] == "560" || numbers[i] == "1690");
            EXPECT_EQ(lines[2 * r + 1], want.valueLine);
            EXPECT_EQ(std::stoul(want.valueLine.substr(5), nullptr, 16), decodeTimings(numbers));
        }
    }
}

TEST_F(IrBridgeSim, AnswersAClientThatReopensThePort) {
    start();
    close(fd_);
    fd_ = -1;
    // The simulator must neither stop nor lose the pty while no client has it open.
    EXPECT_EQ(waitpid(pid_, nullptr, WNOHANG), 0);
    openPort();
    send("B100");
    const std::string text = readUntil(fd_, [](auto& t) { return t.find('Y') != t.npos; }, 5s);
    EXPECT_NE(text.find("xCODE:FF00DF20Y"), std::string::npos) << text;
}

TEST_F(IrBridgeSim, FloodLinesArriveInOrderWithoutLoss) {
    // Faster than any reader, so the pty keeps filling up and the simulator
    // meets partial writes.
    start({"--flood", "100000000", "--count", "20000"});
    size_t scanned = 0, ends = 0;
    const std::string text = readUntil(
        fd_,
        [&](const std::string& t) {
            for (; scanned < t.size(); ++scanned) ends += t[scanned] == 'x';
            return ends == 20000;
        },
        10s);
    const auto lines = split(text, 'x');
    ASSERT_EQ(lines.size(), 20000u);
    for (size_t seq = 0; seq < lines.size(); ++seq) {
        const auto numbers = split(lines[seq], '\t');
        ASSERT_EQ(numbers.size(), 67u) << lines[seq];
        ASSERT_EQ(numbers.front(), "9000");
        ASSERT_EQ(numbers.back(), std::to_string(seq));
    }
}

TEST_F(IrBridgeSim, StopsWhileFloodingAFastReader) {
    // Faster than it can go, so the simulator hardly ever waits.
    start({"--flood", "100000000"});
    readUntil(fd_, [](auto& t) { return t.size() > 100000; }, 5s);
    ASSERT_EQ(kill(pid_, SIGTERM), 0);
    readUntil(fd_, [](auto&) { return false; }, 5s);  // drains until the pty hangs up
    pollfd pfd{fd_, POLLIN, 0};
    if (poll(&pfd, 1, 0) != 1 || !(pfd.revents & POLLHUP)) {
        kill(pid_, SIGKILL);
        ADD_FAILURE() << "still sending 5 s after SIGTERM";
    }  // TearDown reaps it and checks the exit status
}

}  // namespace
