// irbridge-avr (IRBRIDGE_AVR) running the probe firmware, driven through its
// pseudo-terminal and its standard input as a person or a test would.

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/child_process.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using orvalinder::testing::contains;
using orvalinder::testing::readUntil;

// irbridge-avr with its standard input, output and error; killed at the
// end, so that it writes no EEPROM file then.
struct Process : orvalinder::testing::ChildProcess {
    std::string outText, errText;

    explicit Process(const std::vector<std::string>& args)
        : ChildProcess(args, {.readError = true, .writeInput = true, .endSignal = SIGKILL}) {}

    void command(const std::string& line) { ASSERT_TRUE(write(line)); }

    // The exit status, or -1 if it did not end within the time; what it
    // wrote on its standard error is in errText.
    int wait() {
        const int status = ChildProcess::wait(10s);
        errText += orvalinder::testing::readAll(error(), 1s);  // to its end
        return status;
    }
};

// The board running the probe, with its pty open.
struct Board : Process {
    int pty = -1;
    std::string ptyText;

    explicit Board(std::vector<std::string> options = {}) : Process(arguments(options)) {
        const std::string path = readLine(10s);
        if (path.empty()) return;
        pty = orvalinder::testing::openRaw(path);
        EXPECT_GE(pty, 0) << path;
    }
    ~Board() {
        if (pty >= 0) close(pty);
    }

    static std::vector<std::string> arguments(std::vector<std::string> options) {
        options.insert(options.begin(), std::getenv("IRBRIDGE_AVR"));
        options.push_back(AVRSIM_PROBE_ELF);
        return options;
    }

    void send(const std::string& bytes) {
        ASSERT_EQ(::write(pty, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    bool ptyShows(const std::string& part) { return readUntil(pty, ptyText, contains(part)); }
};

class IrBridgeAvr : public testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("IRBRIDGE_AVR") == nullptr) GTEST_SKIP() << "IRBRIDGE_AVR is not set";
    }
};

TEST_F(IrBridgeAvr, ItsPtyIsTheBoardsSerialPortAndStdinItsReceiver) {
    Board board({"--receiver", "ideal"});  // the probe's durations compared to the microsecond
    ASSERT_GE(board.pty, 0) << board.outText;
    EXPECT_TRUE(board.ptyShows("probe 1\n")) << board.ptyText;
    board.send("hello");
    EXPECT_TRUE(board.ptyShows("hello")) << board.ptyText;

    board.command("play 560 560 560\n");
    EXPECT_TRUE(board.ptyShows("C 56")) << board.ptyText;
    // A raw frame as the board is given one plays the same.
    board.command("play RAW 38000:2000,3000,4000\n");
    EXPECT_TRUE(board.ptyShows("C 2000 3000 4000")) << board.ptyText;

    // The probe's burst is no protocol's frame.
    board.send("N");
    EXPECT_TRUE(readUntil(board.output(), board.outText, contains("\n"))) << board.outText;
    unsigned hertz = 0, durations[8] = {};
    const int fields = std::sscanf(board.outText.c_str(), "sent ? %u Hz: %u %u %u %u %u %u %u %u", &hertz,
                                   &durations[0], &durations[1], &durations[2], &durations[3], &durations[4],
                                   &durations[5], &durations[6], &durations[7]);
    EXPECT_EQ(fields, 8) << board.outText;
    EXPECT_NEAR(hertz, 37915, 379);
    EXPECT_NEAR(durations[0], 9000, 180);
    EXPECT_NEAR(durations[6], 560, 11);

    board.command("play-file /nonexistent\n");
    board.command("quit\n");
    EXPECT_EQ(board.wait(), 0);
    EXPECT_NE(board.errText.find("cannot read /nonexistent"), std::string::npos) << board.errText;
}

// The serial line runs at its real speed. Frames reach the firmware as the
// receiver module delivers them: marks longer by the excess, the spaces after
// them shorter by as much.
TEST_F(IrBridgeAvr, TheSerialLineRunsAtItsRealSpeedAndTheReceiverStretchesMarks) {
    Board board({"--mark-excess", "150", "--jitter", "0"});
    ASSERT_TRUE(board.ptyShows("probe 1\n")) << board.ptyText;
    const std::string bytes(300, 'e');
    const auto start = Clock::now();
    board.send(bytes);
    EXPECT_TRUE(board.ptyShows(bytes));
    // 300 bytes at 115200 8N1 take 26 ms; the board runs no faster than
    // the wall clock, give or take a step of 2 ms.
    EXPECT_GE(Clock::now() - start, 24ms);

    board.command("play 2000 3000 4000\n");
    EXPECT_TRUE(board.ptyShows("C 2150 2850 4150")) << board.ptyText;
}

TEST_F(IrBridgeAvr, TheEepromFileKeepsWhatTheFirmwareWrote) {
    const std::string file =
        (std::filesystem::temp_directory_path() / ("irbridge_avr_eeprom_" + std::to_string(getpid()))).string();
    {
        Board board({"--eeprom", file});
        ASSERT_TRUE(board.ptyShows("probe 1\n"));
        board.send("W\x5A");
        EXPECT_TRUE(board.ptyShows("w"));
        EXPECT_EQ(board.stop(SIGTERM), 0);
    }
    EXPECT_EQ(std::filesystem::file_size(file), 1024u);
    Board again({"--eeprom", file, "--quiet"});
    again.send("E");
    EXPECT_TRUE(again.ptyShows("E5A5A\n")) << again.ptyText;
    std::filesystem::remove(file);
}

TEST_F(IrBridgeAvr, BadArgumentsAndFirmwareAreRefusedWithAReason) {
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message;
    };
    const std::string avr = std::getenv("IRBRIDGE_AVR");
    const std::string pastTheFlash = ::testing::TempDir() + "past-the-flash.hex";
    std::ofstream(pastTheFlash) << ":027FFE00040479\n:0280000080837B\n:00000001FF\n";
    const Case cases[] = {
        {{avr}, 2, "no firmware named"},
        {{avr, "--speed", AVRSIM_PROBE_ELF}, 2, "Usage"},
        {{avr, AVRSIM_PROBE_ELF, AVRSIM_PROBE_ELF}, 2, "more than one firmware"},
        {{avr, "/nonexistent.elf"}, 1, "cannot open /nonexistent.elf"},
        {{avr, avr}, 1, "is not firmware for an AVR chip"},
        {{avr, "--help"}, 0, ""},
        {{avr, "--receiver", "strong", AVRSIM_PROBE_ELF}, 2, "--receiver strong: not a receiver"},
        {{avr, "--jitter", "-5", AVRSIM_PROBE_ELF}, 2, "--jitter -5: not"},
        {{avr, "--mark-excess", "90x", AVRSIM_PROBE_ELF}, 2, "--mark-excess 90x: not"},
        {{avr, "--seed", "-1", AVRSIM_PROBE_ELF}, 2, "--seed -1: not a number"},
        {{avr, "--boot-loader", AVRSIM_PROBE_ELF, AVRSIM_PROBE_ELF}, 1, "not an Intel HEX record"},
        // As Debian 12's optiboot does, running past the 32 KB flash.
        {{avr, "--boot-loader", pastTheFlash, AVRSIM_PROBE_ELF}, 1, "does not fit the atmega328p's flash"},
    };
    for (const Case& c : cases) {
        Process run(c.args);
        EXPECT_EQ(run.wait(), c.status) << c.args.back();
        EXPECT_NE(run.errText.find(c.message), std::string::npos) << run.errText;
    }
}

}  // namespace
