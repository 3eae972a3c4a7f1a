// irbridge-sim: plays the IR bridge board on a pseudo-terminal, for tests and
// for trying Orvalinder without a board.
//
// The first line on standard output is the device path to open (e.g.
// /dev/pts/7). Key codes written to it ("A101": a letter A-D and three
// digits, back to back, no terminator) are answered the way the board
// answers them:
//
//   monitor line  "9000\t4500" then, for each of the 32 bits of the code,
//                 most significant first, "\t560\t560" (0) or "\t560\t1690"
//                 (1), and an 'x' ending the line
//   value line    "CODE:" and the code in upper-case hexadecimal without
//                 leading zeros, ended by 'Y'
//
// The code of a key is NEC style:
//   address = A 0x04, B 0x20, C 0x40, D 0x80
//   command = (number - 100) modulo 256, so A100 is 0 and A355 is 255
//   code    = address | ~address << 8 | command << 16 | ~command << 24
// e.g. A101 gives FE01FB04 and D355 gives FF7F80.
//
// Whenever a program opens the device the board says which firmware it is,
// "IrBridge 1.1Y", as the firmware does when opening the port resets the
// board; "!V", the question for it, is answered the same way.
//
// The answers' monitor lines are what a receiver module makes of the frame:
// --receiver tsop (the default) lengthens each mark by 80 µs, shortens the
// space after it by as much and adds up to ±30 µs to each duration; weak is
// 180 ± 60, ideal gives the durations above; --mark-excess and --jitter set them.
//
// Flood lines (--flood) are monitor lines with one more number before the
// 'x': a sequence number counting from 0, so a reader can tell lost lines.
// Line s carries the code of key "ABCD"[s / 256 % 4] with number 100 + s % 256.

#include <fcntl.h>
#include <getopt.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "firmware/IrBridge/wire.h"
#include "sim/board_terminal.h"
#include "sim/receiver_model.h"

namespace {

using Clock = std::chrono::steady_clock;

// Flood and garbage wait while this much output is still unwritten, so a
// client that stops reading holds them back instead of filling memory.
constexpr size_t kMaxPending = 64 * 1024;

// What the firmware says when it starts and when it is asked.
const std::string kVersionLine = std::string(wire::kVersionText) + wire::kValueLineEnd;

struct Options {
    uint64_t flood = 0;           // monitor lines per second, 0 for none
    uint64_t count = UINT64_MAX;  // flood lines in all
    uint64_t garbage = 0;         // random bytes per second, 0 for none
    uint64_t seed = 0;
    bool seedGiven = false;
    bool quiet = false;
    orvalinder::sim::ReceiverModel receiver = *orvalinder::sim::receiverNamed("tsop");
};

void printUsage(FILE* to) {
    std::fputs(
        "Usage: irbridge-sim [options]\n"
        "Plays the IR bridge board on a pseudo-terminal. The first line printed\n"
        "is the device to open; each time a program opens it the board says\n"
        "its firmware (IrBridge 1.1), and key codes written to it are answered\n"
        "with a monitor line and a value line. Stop it with SIGINT or SIGTERM.\n"
        "\n"
        "  --flood N    also send N monitor lines per second; the last number\n"
        "               of each is a sequence number counting from 0\n"
        "  --count M    stop flooding after M lines\n"
        "  --garbage N  also send N random bytes per second\n"
        "  --seed S     seed for the random bytes and the jitter (default: random)\n"
        "  --receiver ideal|tsop|weak  what the receiver module makes of the\n"
        "               answers' frames: marks 0, 80 (the default) or 180 us longer,\n"
        "               the spaces after them as much shorter, each duration off\n"
        "               by up to 0, 30, 60 us\n"
        "  --mark-excess US, --jitter US  the same in microseconds\n"
        "  --quiet      print nothing after the device path\n"
        "  --help       show this text\n",
        to);
}

bool parseNumber(const char* text, uint64_t max, uint64_t& out) {
    if (*text < '0' || *text > '9') return false;  // strtoull would accept "-1"
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (errno != 0 || *end != '\0' || value > max) return false;
    out = value;
    return true;
}

// Returns 0 to go on, otherwise the exit status plus one.
int parseOptions(int argc, char** argv, Options& options) {
    static const option kLong[] = {
        {"flood", required_argument, nullptr, 'f'},    {"count", required_argument, nullptr, 'c'},
        {"garbage", required_argument, nullptr, 'g'},  {"seed", required_argument, nullptr, 's'},
        {"quiet", no_argument, nullptr, 'q'},          {"help", no_argument, nullptr, 'h'},
        {"receiver", required_argument, nullptr, 'R'}, {"mark-excess", required_argument, nullptr, 'M'},
        {"jitter", required_argument, nullptr, 'J'},   {nullptr, 0, nullptr, 0}};
    // The rates are kept below 10^9 so the schedule arithmetic cannot overflow.
    constexpr uint64_t kMaxRate = 1'000'000'000;
    int c, index = 0;
    while ((c = getopt_long(argc, argv, "", kLong, &index)) != -1) {
        bool ok = true;
        switch (c) {
        case 'R':
        case 'M':
        case 'J': ok = orvalinder::sim::setReceiverOption(kLong[index].name, optarg, options.receiver); break;
        case 'f': ok = parseNumber(optarg, kMaxRate, options.flood); break;
        case 'c': ok = parseNumber(optarg, UINT64_MAX, options.count); break;
        case 'g': ok = parseNumber(optarg, kMaxRate, options.garbage); break;
        case 's': ok = options.seedGiven = parseNumber(optarg, UINT64_MAX, options.seed); break;
        case 'q': options.quiet = true; break;
        case 'h': printUsage(stdout); return 1;
        default: printUsage(stderr); return 3;
        }
        if (!ok) {
            std::fprintf(stderr, "irbridge-sim: not a usable number: %s\n", optarg);
            return 3;
        }
    }
    if (optind < argc) {
        printUsage(stderr);
        return 3;
    }
    return 0;
}

uint32_t keyValue(char letter, int number) {
    static constexpr uint32_t kAddress[] = {0x04, 0x20, 0x40, 0x80};
    const uint32_t address = kAddress[letter - 'A'];
    const uint32_t command = static_cast<uint32_t>(number - 100) & 0xFF;
    return address | (~address & 0xFF) << 8 | command << 16 | (~command & 0xFF) << 24;
}

// The monitor line without its closing 'x', so flood lines can add a number.
void appendTimings(std::string& out, uint32_t value) {
    out += "9000\t4500";
    for (int bit = 31; bit >= 0; --bit) out += (value >> bit & 1) ? "\t560\t1690" : "\t560\t560";
}

// The answer's monitor line as the receiver delivers it, and its value line.
void appendReply(std::string& out, uint32_t value, orvalinder::sim::Receiver& receiver) {
    std::vector<uint32_t> frame = {9000, 4500};
    for (int bit = 31; bit >= 0; --bit) frame.insert(frame.end(), {560, (value >> bit & 1) ? 1690u : 560u});
    frame = receiver.receive(frame);
    for (size_t i = 0; i < frame.size(); ++i) out += (i ? "\t" : "") + std::to_string(frame[i]);
    char line[16];
    std::snprintf(line, sizeof line, "xCODE:%" PRIX32 "Y", value);
    out += line;
}

// Splits the byte stream into key codes; a letter always starts afresh, and
// anything that does not fit a code is dropped.
class KeyParser {
public:
    bool feed(char c, char& letter, int& number) {
        if (c >= 'A' && c <= 'D') {
            letter_ = c;
            number_ = digits_ = 0;
        } else if (letter_ != 0 && c >= '0' && c <= '9') {
            number_ = number_ * 10 + (c - '0');
            if (++digits_ == 3) {
                letter = letter_;
                number = number_;
                letter_ = 0;
                return true;
            }
        } else {
            letter_ = 0;
        }
        return false;
    }

private:
    char letter_ = 0;
    int number_ = 0;
    int digits_ = 0;
};

// Events at a fixed rate, each timed from the start so rounding never adds up.
class Schedule {
public:
    Schedule(uint64_t rate, Clock::time_point start) : rate_(rate), start_(start) {}

    Clock::time_point next() const {
        return start_ + std::chrono::seconds(done_ / rate_) +
               std::chrono::nanoseconds((done_ % rate_) * 1'000'000'000 / rate_);
    }
    bool active() const { return rate_ != 0; }
    bool due(Clock::time_point now) const { return active() && next() <= now; }
    void advance() { ++done_; }

    // A client that has not read for a long time gets the backlog of at most
    // one second in a burst; after that the rate starts again from now.
    void limitLag(Clock::time_point now) {
        if (rate_ != 0 && now - next() > std::chrono::seconds(1)) {
            start_ = now;
            done_ = 0;
        }
    }

private:
    uint64_t rate_;
    Clock::time_point start_;
    uint64_t done_ = 0;
};

// Output that the pty has not taken yet; nothing is ever dropped.
class Outbox {
public:
    std::string& buffer() { return data_; }
    size_t pending() const { return data_.size() - sent_; }

    // Writes what the pty takes without blocking; false on a real error.
    bool flush(int fd) {
        while (pending() > 0) {
            const ssize_t n = ::write(fd, data_.data() + sent_, pending());
            if (n > 0) {
                sent_ += static_cast<size_t>(n);
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else if (n < 0 && errno == EAGAIN) {
                break;
            } else {
                return false;
            }
        }
        if (sent_ == data_.size() || sent_ >= kMaxPending) {
            data_.erase(0, sent_);
            sent_ = 0;
        }
        return true;
    }

private:
    std::string data_;
    size_t sent_ = 0;
};

timespec timeUntil(Clock::time_point when, Clock::time_point now) {
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(when - now).count();
    if (ns <= 0) return {0, 0};
    return {static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (const int exit = parseOptions(argc, argv, options)) return exit - 1;

    const sigset_t waitMask = boardterminal::catchStopSignals();

    int slave = -1;
    int opens = -1;
    const int master = boardterminal::openAndAnnounce("irbridge-sim", slave, &opens);
    if (master < 0) return 1;

    if (!options.seedGiven) options.seed = std::random_device{}();
    if (!options.quiet && options.garbage != 0)
        std::fprintf(stderr, "irbridge-sim: garbage seed %" PRIu64 "\n", options.seed);
    std::mt19937_64 random(options.seed);
    orvalinder::sim::Receiver receiver(options.receiver, options.seed);

    const Clock::time_point start = Clock::now();
    Schedule flood(options.count == 0 ? 0 : options.flood, start);
    Schedule garbage(options.garbage, start);
    uint64_t floodSent = 0;
    KeyParser parser;
    bool afterBang = false;  // the last byte was a '!'
    Outbox out;
    int status = 0;

    while (!boardterminal::stopRequested()) {
        const Clock::time_point now = Clock::now();
        flood.limitLag(now);
        garbage.limitLag(now);
        while (flood.due(now) && out.pending() < kMaxPending) {
            const uint64_t s = floodSent;
            appendTimings(out.buffer(), keyValue("ABCD"[s / 256 % 4], static_cast<int>(100 + s % 256)));
            out.buffer() += "\t" + std::to_string(s) + "x";
            flood.advance();
            if (++floodSent == options.count) flood = Schedule(0, now);
        }
        while (garbage.due(now) && out.pending() < kMaxPending) {
            out.buffer() += static_cast<char>(random() & 0xFF);
            garbage.advance();
        }
        if (!out.flush(master)) {
            std::fprintf(stderr, "irbridge-sim: write: %s\n", std::strerror(errno));
            status = 1;
            break;
        }

        // Wake for input, for room in the pty when output waits, and for the
        // next flood line or garbage byte when there is room for it.
        pollfd fds[2] = {{master, POLLIN, 0}, {opens, POLLIN, 0}};
        pollfd& pfd = fds[0];
        if (out.pending() > 0) pfd.events |= POLLOUT;
        timespec timeout{};
        const timespec* wait = nullptr;
        if (out.pending() < kMaxPending) {
            Clock::time_point wake = Clock::time_point::max();
            if (flood.active()) wake = flood.next();
            if (garbage.active() && garbage.next() < wake) wake = garbage.next();
            if (wake != Clock::time_point::max()) {
                timeout = timeUntil(wake, Clock::now());
                wait = &timeout;
            }
        }
        if (ppoll(fds, 2, wait, &waitMask) < 0) {
            if (errno == EINTR) continue;
            std::fprintf(stderr, "irbridge-sim: poll: %s\n", std::strerror(errno));
            status = 1;
            break;
        }

        // Our own slave descriptor rules out a hang-up, so any is a failure.
        if (pfd.revents & (POLLERR | POLLHUP | POLLNVAL)) {
            std::fprintf(stderr, "irbridge-sim: the pseudo-terminal failed\n");
            status = 1;
            break;
        }
        if ((fds[1].revents & POLLIN) && boardterminal::takeOpens(opens)) out.buffer() += kVersionLine;
        if (pfd.revents & POLLIN) {
            char bytes[4096];
            const ssize_t n = ::read(master, bytes, sizeof bytes);
            if (n < 0 && errno != EAGAIN && errno != EINTR) {
                std::fprintf(stderr, "irbridge-sim: read: %s\n", std::strerror(errno));
                status = 1;
                break;
            }
            for (ssize_t i = 0; i < n; ++i) {
                if (bytes[i] == 'V' && afterBang) out.buffer() += kVersionLine;
                afterBang = bytes[i] == '!';
                char letter;
                int number;
                if (!parser.feed(bytes[i], letter, number)) continue;
                const uint32_t value = keyValue(letter, number);
                appendReply(out.buffer(), value, receiver);
                if (!options.quiet)
                    std::fprintf(stderr, "irbridge-sim: %c%03d -> CODE:%" PRIX32 "\n", letter, number, value);
            }
        }
    }

    close(opens);
    close(slave);
    close(master);
    return status;
}
