// irbridge-avr: runs the board's firmware in a simulated ATmega328P, paced
// to real time, with its serial port on a pseudo-terminal: the board on a
// desk, without the board.
//
// The first line on standard output is the device path to open (e.g.
// /dev/pts/7). After it, one line for each frame the board's IR LED sends:
//
//   sent NEC:20DF10EF 37915 Hz: 9000 4500 560 ...
//
// with the code decoded from the frame ("?" when it is none), the carrier
// measured on the LED pin (0 for an LED held on) and the marks and spaces
// in microseconds. A held key gives a line for each frame it repeats.
//
// Standard input takes commands, one a line, for the board's IR receiver:
//   play NEC:20DF10EF      a code, as the board writes codes
//   play RAW 38000:9000 4500 560 ...
//                          a frame as the board is given one
//   play 9000 4500 560 ... a frame's durations, starting with a mark
//   play-file PATH         frames from a file: durations separated by blanks
//                          or line ends, frames by a blank line
//   quit
// Frames are played one after another. The end of standard input ends
// nothing; SIGINT and SIGTERM stop the board.
//
// The chip resets whenever a program opens the device, as an Uno's or a
// Nano's DTR line resets it, so the firmware starts afresh at every connect;
// --no-reset-on-open keeps it running, as boards without that line do.
// --boot-loader HEX puts Arduino's boot loader in front of the firmware, so
// that avrdude can upload another one through the device.
//
// Frames reach the firmware as a receiver module delivers them: --receiver
// tsop (the default) lengthens each mark by 80 µs, shortens the space after
// it by as much and adds up to ±30 µs to each duration; weak is 180 ± 60,
// ideal leaves frames as played; --mark-excess, --jitter and --seed set them.

#include <fcntl.h>
#include <getopt.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "avrsim/simulated_board.h"
#include "firmware/IrBridge/ir_codec.h"
#include "firmware/IrBridge/ir_text.h"
#include "sim/board_terminal.h"
#include "sim/receiver_model.h"

namespace {

using avrsim::SimulatedBoard;
using Clock = std::chrono::steady_clock;
using Frames = std::vector<std::vector<uint32_t>>;

// The board runs in steps of this much simulated time, each once the wall
// clock has reached its end, so it is never more than one step ahead.
constexpr uint64_t kStepUs = 2000;
// A USB serial chip whose host does not read drops what overflows its
// buffer; so do we, past this much.
constexpr size_t kMaxUnread = 64 * 1024;
// The pty is read no further while this much waits for the board's UART,
// so a fast writer is held back as a real 115200 baud line holds it back.
constexpr size_t kMaxSerialWaiting = 4096;
// Between frames played from a file, and after a frame of unknown protocol.
constexpr uint64_t kFileFrameGapUs = 100'000;
constexpr uint32_t kMaxDurationUs = 1'000'000;

struct Options {
    std::string firmware;
    std::string eeprom;
    std::string bootLoader;
    bool loopback = false;
    bool quiet = false;
    bool resetOnOpen = true;
    orvalinder::sim::ReceiverModel receiver = *orvalinder::sim::receiverNamed("tsop");
    uint64_t seed = std::random_device{}();
};

void printUsage(FILE* to) {
    std::fputs(
        "Usage: irbridge-avr [options] [FIRMWARE.elf]\n"
        "Runs the IR bridge firmware in a simulated ATmega328P in real time. The\n"
        "first line printed is the serial device to open; then a line for each\n"
        "frame the IR LED sends. Standard input takes commands for the receiver:\n"
        "  play CODE            e.g. play NEC:20DF10EF or play RAW 38000:9000 4500 560\n"
        "  play D1 D2 ...       durations in microseconds, starting with a mark\n"
        "  play-file PATH       durations; a blank line between frames\n"
        "  quit\n"
        "Stop it with quit, SIGINT or SIGTERM. Without FIRMWARE.elf it runs the\n"
        "firmware installed with it (../lib/orvalinder/IrBridge.elf from the program).\n"
        "\n"
        "  --eeprom FILE  the chip's EEPROM: read at start if it exists, written at the end\n"
        "  --loopback     the receiver also sees the board's own LED\n"
        "  --quiet        print nothing after the device path\n"
        "  --no-reset-on-open  keep running when a program opens the device; by\n"
        "                 default the chip resets then, as an Uno's DTR line resets it\n"
        "  --boot-loader HEX  start from this Arduino boot loader (the old Nano's\n"
        "                 ATmegaBOOT_168_atmega328.hex), which takes uploads through\n"
        "                 the device; the chip then always resets on open\n"
        "  --receiver ideal|tsop|weak  what the receiver module makes of a frame:\n"
        "                 marks 0, 80 (the default) or 180 us longer, the spaces after\n"
        "                 them as much shorter, each duration off by up to 0, 30, 60 us\n"
        "  --mark-excess US, --jitter US  the same in microseconds\n"
        "  --seed N       seed for the jitter (default: random)\n"
        "  --help         show this text\n",
        to);
}

// The firmware the package installs beside the program, or "" if there is
// none (or the program cannot tell where it lies).
std::string installedFirmware() {
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return {};
    std::string path(self, static_cast<size_t>(length));
    path = path.substr(0, path.rfind('/')) + "/../lib/orvalinder/IrBridge.elf";
    return access(path.c_str(), R_OK) == 0 ? path : std::string();
}

// Returns 0 to go on, otherwise the exit status plus one.
int parseOptions(int argc, char** argv, Options& options) {
    static const option kLong[] = {
        {"eeprom", required_argument, nullptr, 'e'},   {"boot-loader", required_argument, nullptr, 'b'},
        {"reset-on-open", no_argument, nullptr, 'r'},  {"no-reset-on-open", no_argument, nullptr, 'n'},
        {"loopback", no_argument, nullptr, 'l'},       {"quiet", no_argument, nullptr, 'q'},
        {"receiver", required_argument, nullptr, 'R'}, {"mark-excess", required_argument, nullptr, 'M'},
        {"jitter", required_argument, nullptr, 'J'},   {"seed", required_argument, nullptr, 'S'},
        {"help", no_argument, nullptr, 'h'},           {nullptr, 0, nullptr, 0}};
    int c, index = 0;
    while ((c = getopt_long(argc, argv, "", kLong, &index)) != -1) {
        switch (c) {
        case 'R':
        case 'M':
        case 'J':
            if (!orvalinder::sim::setReceiverOption(kLong[index].name, optarg, options.receiver)) {
                std::fprintf(stderr, "irbridge-avr: --%s %s: not a receiver (ideal, tsop, weak) or -2000 to 2000 us\n",
                             kLong[index].name, optarg);
                return 3;
            }
            break;
        case 'S': {
            char* end = nullptr;
            errno = 0;
            options.seed = std::strtoull(optarg, &end, 10);
            if (optarg[0] < '0' || optarg[0] > '9' || *end != '\0' || errno != 0) {
                std::fprintf(stderr, "irbridge-avr: --seed %s: not a number\n", optarg);
                return 3;
            }
            break;
        }
        case 'e': options.eeprom = optarg; break;
        case 'b': options.bootLoader = optarg; break;
        case 'r': options.resetOnOpen = true; break;
        case 'n': options.resetOnOpen = false; break;
        case 'l': options.loopback = true; break;
        case 'q': options.quiet = true; break;
        case 'h': printUsage(stdout); return 1;
        default: printUsage(stderr); return 3;
        }
    }
    if (argc - optind > 1) {
        std::fputs("irbridge-avr: more than one firmware named\n", stderr);
        printUsage(stderr);
        return 3;
    }
    options.firmware = argc == optind ? installedFirmware() : argv[optind];
    if (options.firmware.empty()) {
        std::fputs("irbridge-avr: no firmware named, and none installed beside the program\n", stderr);
        printUsage(stderr);
        return 3;
    }
    return 0;
}

// Durations separated by blanks and line ends; a blank line ends a frame.
// Returns false, with `error` set, for anything but positive numbers.
bool parseDurations(const std::string& text, Frames& frames, std::string& error) {
    std::istringstream lines(text);
    std::vector<uint32_t> frame;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string word;
        bool blank = true;
        while (words >> word) {
            blank = false;
            char* end = nullptr;
            errno = 0;
            const unsigned long value = std::strtoul(word.c_str(), &end, 10);
            if (word[0] < '0' || word[0] > '9' || *end != '\0' || errno != 0 || value == 0 || value > kMaxDurationUs) {
                error = "not a duration in microseconds (1 to 1000000): " + word;
                return false;
            }
            frame.push_back(static_cast<uint32_t>(value));
        }
        if (blank && !frame.empty()) frames.push_back(std::exchange(frame, {}));
    }
    if (!frame.empty()) frames.push_back(std::move(frame));
    if (frames.empty()) error = "no durations";
    return !frames.empty();
}

// A command line's frames, and the silence the protocol wants after each.
bool parseCommand(const std::string& line, Frames& frames, uint64_t& gapUs, bool& quit, std::string& error) {
    std::istringstream words(line);
    std::string command;
    words >> command;
    std::string rest;
    std::getline(words >> std::ws, rest);
    gapUs = kFileFrameGapUs;
    if (command == "quit" && rest.empty()) {
        quit = true;
        return true;
    }
    if (command == "play" && !rest.empty() && rest[0] >= '0' && rest[0] <= '9')
        return parseDurations(rest, frames, error);
    // A raw frame as the board takes it: the carrier does not reach the
    // receiver's output, so only the durations count.
    if (command == "play" && rest.starts_with("RAW ") && rest.find(':') != std::string::npos) {
        std::string durations = rest.substr(rest.find(':') + 1);
        std::replace(durations.begin(), durations.end(), ',', ' ');
        return parseDurations(durations, frames, error);
    }
    if (command == "play" && !rest.empty()) {
        IrCode code;
        uint16_t durations[kIrMaxDurations];
        const uint8_t count = parseCode(rest.c_str(), code) ? irEncode(code, durations, kIrMaxDurations) : 0;
        if (count == 0) {
            error = "not a code: " + rest;
            return false;
        }
        frames.push_back({durations, durations + count});
        gapUs = irGapAfterUs(code.protocol, irFrameUs(durations, count));
        return true;
    }
    if (command == "play-file" && !rest.empty()) {
        std::ifstream file(rest);
        std::stringstream text;
        text << file.rdbuf();
        if (!file) {
            error = "cannot read " + rest + ": " + std::strerror(errno);
            return false;
        }
        if (!parseDurations(text.str(), frames, error)) {
            error = rest + ": " + error;
            return false;
        }
        return true;
    }
    error = "not a command: " + line + " (play CODE, play DURATIONS..., play-file PATH, quit)";
    return false;
}

std::string decodedText(const avrsim::SentFrame& frame) {
    if (frame.durations.size() > 255) return "?";
    std::vector<uint16_t> durations;
    for (uint32_t d : frame.durations) durations.push_back(static_cast<uint16_t>(std::min<uint32_t>(d, 0xFFFF)));
    IrCode code;
    char text[40];
    if (!irDecode(durations.data(), static_cast<uint8_t>(durations.size()), code)) return "?";
    const uint8_t length = formatCode(code, text, sizeof text);
    return length == 0 ? "?" : std::string(text, length);
}

void printSent(const avrsim::SentFrame& frame) {
    std::string line = "sent " + decodedText(frame) + " " + std::to_string(frame.carrierHz) + " Hz:";
    for (uint32_t d : frame.durations) line += " " + std::to_string(d);
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// Writes what the pty takes without blocking; false on a real error.
bool flushTo(int fd, std::string& unread) {
    while (!unread.empty()) {
        const ssize_t n = ::write(fd, unread.data(), unread.size());
        if (n > 0) {
            unread.erase(0, static_cast<size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN) {
            break;
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (const int exit = parseOptions(argc, argv, options)) return exit - 1;

    std::unique_ptr<SimulatedBoard> board;
    try {
        board = std::make_unique<SimulatedBoard>(options.firmware);
        if (!options.eeprom.empty() && std::filesystem::exists(options.eeprom)) board->loadEeprom(options.eeprom);
        if (!options.bootLoader.empty()) board->loadBootLoader(options.bootLoader);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "irbridge-avr: %s\n", error.what());
        return 1;
    }
    board->setLoopback(options.loopback);

    const sigset_t waitMask = boardterminal::catchStopSignals();

    int slave = -1;
    // Every open of the device shows here, ours (made before) aside.
    int opens = -1;
    const bool resets = options.resetOnOpen || !options.bootLoader.empty();
    const int master = boardterminal::openAndAnnounce("irbridge-avr", slave, resets ? &opens : nullptr);
    if (master < 0) return 1;

    orvalinder::sim::Receiver receiver(options.receiver, options.seed);
    const Clock::time_point start = Clock::now();
    std::string unread;  // the board's bytes the pty has not taken
    std::string commands;
    bool stdinOpen = true;
    bool quit = false;
    int status = 0;

    while (!quit && !boardterminal::stopRequested()) {
        const uint64_t wallUs = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
        // A board slower than real time still gets to its I/O every 50 steps.
        for (int step = 0; step < 50 && board->nowUs() + kStepUs <= wallUs; ++step) {
            if (!board->run(kStepUs)) break;
            std::string out = board->takeSerial();
            out.resize(std::min(out.size(), kMaxUnread - std::min(kMaxUnread, unread.size())));
            unread += out;
            for (const avrsim::SentFrame& frame : board->takeSentFrames()) {
                if (frame.steadyLight) std::fputs("irbridge-avr: the IR LED was held on without a carrier\n", stderr);
                if (!options.quiet) printSent(frame);
            }
        }
        if (board->coreState() != SimulatedBoard::CoreState::Running) {
            std::fprintf(stderr, "irbridge-avr: the firmware %s after %.3f s\n",
                         board->coreState() == SimulatedBoard::CoreState::Halted ? "halted" : "crashed",
                         board->nowUs() / 1e6);
            status = 1;
            break;
        }
        if (!flushTo(master, unread)) {
            std::fprintf(stderr, "irbridge-avr: write: %s\n", std::strerror(errno));
            status = 1;
            break;
        }

        pollfd fds[3] = {{master, 0, 0}, {stdinOpen ? STDIN_FILENO : -1, POLLIN, 0}, {opens, POLLIN, 0}};
        if (board->serialBytesWaiting() < kMaxSerialWaiting) fds[0].events |= POLLIN;
        if (!unread.empty()) fds[0].events |= POLLOUT;
        const uint64_t nextStepUs = board->nowUs() + kStepUs;
        const uint64_t waitUs = nextStepUs > wallUs ? nextStepUs - wallUs : 0;
        const timespec timeout{static_cast<time_t>(waitUs / 1'000'000), static_cast<long>(waitUs % 1'000'000 * 1000)};
        if (ppoll(fds, 3, &timeout, &waitMask) < 0) {
            if (errno == EINTR) continue;
            std::fprintf(stderr, "irbridge-avr: poll: %s\n", std::strerror(errno));
            status = 1;
            break;
        }

        // Our own slave descriptor rules out a hang-up, so any is a failure.
        if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) {
            std::fprintf(stderr, "irbridge-avr: the pseudo-terminal failed\n");
            status = 1;
            break;
        }
        if ((fds[2].revents & POLLIN) && boardterminal::takeOpens(opens)) {
            // The new program hears nothing the board said before it came.
            unread.clear();
            tcflush(slave, TCIFLUSH);
            board->reset();
        }
        if (fds[0].revents & POLLIN) {
            char bytes[4096];
            const ssize_t n = ::read(master, bytes, sizeof bytes);
            if (n > 0) board->sendSerial(std::string_view(bytes, static_cast<size_t>(n)));
        }
        if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
            char bytes[4096];
            const ssize_t n = ::read(STDIN_FILENO, bytes, sizeof bytes);
            if (n <= 0 && !(n < 0 && (errno == EINTR || errno == EAGAIN))) stdinOpen = false;
            if (n > 0) commands.append(bytes, static_cast<size_t>(n));
            for (size_t end; !quit && (end = commands.find('\n')) != std::string::npos;) {
                std::string line = commands.substr(0, end);
                commands.erase(0, end + 1);
                if (!line.empty() && line.back() == '\r') line.pop_back();
                if (line.find_first_not_of(" \t") == std::string::npos) continue;
                Frames frames;
                uint64_t gapUs = 0;
                std::string error;
                if (!parseCommand(line, frames, gapUs, quit, error)) {
                    std::fprintf(stderr, "irbridge-avr: %s\n", error.c_str());
                    continue;
                }
                for (const std::vector<uint32_t>& frame : frames) {
                    const uint64_t free = board->playEndUs() > 0 ? board->playEndUs() + gapUs : 0;
                    board->playIr(receiver.receive(frame), std::max(board->nowUs(), free));
                }
            }
        }
    }

    if (!options.eeprom.empty()) {
        try {
            board->saveEeprom(options.eeprom);
        } catch (const std::exception& error) {
            std::fprintf(stderr, "irbridge-avr: %s\n", error.what());
            status = 1;
        }
    }
    if (opens >= 0) close(opens);
    close(slave);
    close(master);
    return status;
}
