// The simulated board against the probe firmware (probe_firmware.cpp), all
// in simulated time.

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>

#include "avrsim/simulated_board.h"

namespace avrsim {
namespace {

namespace fs = std::filesystem;

// Runs the board a millisecond at a time, collecting its serial output,
// until `done` holds for it or `limitUs` of simulated time have passed.
std::string runUntil(SimulatedBoard& board, const std::function<bool(const std::string&)>& done,
                     uint64_t limitUs = 1'000'000) {
    std::string out;
    const uint64_t end = board.nowUs() + limitUs;
    while (!done(out) && board.nowUs() < end && board.run(1000)) out += board.takeSerial();
    return out;
}

bool hasLine(const std::string& out) { return out.find('\n') != std::string::npos; }

// A board past its greeting.
struct Probe {
    SimulatedBoard board{AVRSIM_PROBE_ELF};
    Probe() { EXPECT_EQ(runUntil(board, hasLine), "probe 1\n"); }

    // Sends `bytes` and returns what comes back once `done` holds.
    std::string ask(const std::string& bytes, const std::function<bool(const std::string&)>& done) {
        board.sendSerial(bytes);
        return runUntil(board, done);
    }
};

std::vector<uint32_t> numbersAfter(const std::string& line, char tag) {
    std::istringstream in(line.substr(line.find(tag) + 1));
    std::vector<uint32_t> numbers;
    for (uint32_t n; in >> n;) numbers.push_back(n);
    return numbers;
}

void expectNear(const std::vector<uint32_t>& actual, const std::vector<uint32_t>& expected, double fraction,
                double plus = 0) {
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(actual[i], expected[i], expected[i] * fraction + plus) << "duration " << i;
}

// The LED -------------------------------------------------------------------

struct Burst {
    char command;
    uint32_t carrierHz;  // 16 MHz / (2 * (OCR2A + 1)), or none for the LED held on
    std::vector<uint32_t> durations;
};

// Carrier bursts, and the LED held on as a steady light without carrier,
// each a frame once the silence after it is long enough; the built-in LED on
// its own pin.
TEST(SimulatedBoard, LedBurstsAreDemodulatedAndTheBuiltinLedFollowsItsPin) {
    const Burst bursts[] = {
        {'N', 37915, {9000, 4500, 560, 560, 560, 1690, 560}},
        {'P', 37037, {3456, 1728, 432, 1296, 432}},
        {'R', 36036, {889, 889, 1778, 1778, 889}},
        {'D', 0, {1000}},
    };
    Probe probe;
    for (const Burst& burst : bursts) {
        SCOPED_TRACE(burst.command);
        const uint64_t sentAt = probe.board.nowUs();
        probe.board.sendSerial(std::string(1, burst.command));
        ASSERT_TRUE(probe.board.run(60'000));
        const std::vector<SentFrame> frames = probe.board.takeSentFrames();
        ASSERT_EQ(frames.size(), 1u);
        EXPECT_NEAR(frames[0].carrierHz, burst.carrierHz, burst.carrierHz * 0.01);
        EXPECT_EQ(frames[0].steadyLight, burst.carrierHz == 0);
        expectNear(frames[0].durations, burst.durations, 0.02);
        // The byte takes about 0.2 ms to arrive.
        EXPECT_GT(frames[0].startUs, sentAt);
        EXPECT_LT(frames[0].startUs, sentAt + 1000);
    }
    // The built-in LED follows port B5.
    EXPECT_FALSE(probe.board.builtinLedOn());
    probe.ask("L", [](auto& out) { return !out.empty(); });
    EXPECT_TRUE(probe.board.builtinLedOn());
    probe.ask("L", [](auto& out) { return !out.empty(); });
    EXPECT_FALSE(probe.board.builtinLedOn());
    // A frame ends only after the silence.
    probe.board.sendSerial("R");
    ASSERT_TRUE(probe.board.run(2000 + kFrameSilenceUs - 1000));
    EXPECT_TRUE(probe.board.takeSentFrames().empty());
    // Two bursts 5 ms apart are one frame.
    probe.board.sendSerial("R");
    ASSERT_TRUE(probe.board.run(kFrameSilenceUs + 10'000));
    const std::vector<SentFrame> frames = probe.board.takeSentFrames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].durations.size(), 11u);
}

struct Edges {
    const char* name;
    std::vector<PinEdge> edges;
    uint64_t endCycle;
    SentFrame expected;
};

TEST(Demodulate, MarksSpacesAndCarrierFromEdges) {
    // A 40 kHz carrier: 200 cycles high, 200 low.
    auto carrier = [](uint64_t from, int periods, uint64_t lastHigh = 200) {
        std::vector<PinEdge> edges;
        for (int i = 0; i < periods; ++i) {
            edges.push_back({from + i * 400u, true});
            edges.push_back({from + i * 400u + (i + 1 == periods ? lastHigh : 200), false});
        }
        return edges;
    };
    auto join = [](std::vector<PinEdge> a, const std::vector<PinEdge>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const Edges rows[] = {
        // 10 periods stopped in the last low half: 9.5 periods of light and
        // half a low half more, 9.75 periods.
        {"whole periods", carrier(1600, 10), 0, {100, 40000, false, {244}}},
        {"last high half cut short", carrier(1600, 10, 50), 0, {100, 40000, false, {228}}},
        {"two marks", join(carrier(0, 10), carrier(16000, 5)), 0, {0, 40000, false, {244, 756, 119}}},
        {"steady light", {{1600, true}, {17600, false}}, 0, {100, 0, true, {1000}}},
        {"still on at the end", {{1600, true}}, 1600 + 8000, {100, 0, true, {500}}},
        {"steady light then carrier",
         join({{0, true}, {8000, false}}, carrier(16000, 5)),
         0,
         {0, 40000, true, {500, 500, 119}}},
    };
    for (const Edges& row : rows) {
        SCOPED_TRACE(row.name);
        const SentFrame frame = demodulate(row.edges, row.endCycle);
        EXPECT_EQ(frame.startUs, row.expected.startUs);
        EXPECT_EQ(frame.carrierHz, row.expected.carrierHz);
        EXPECT_EQ(frame.steadyLight, row.expected.steadyLight);
        EXPECT_EQ(frame.durations, row.expected.durations);
    }
}

// The receiver --------------------------------------------------------------

TEST(SimulatedBoard, PlayedFramesAndTheLedInLoopbackReachInputCapture) {
    const std::vector<uint32_t> frames[] = {
        {9000, 4500, 560, 560, 560, 1690, 560},
        {3456, 1728, 432, 1296, 432, 432, 432},
        {889, 889, 1778, 1778, 889},
        {2666, 889, 444, 444, 444, 888, 444},
        {30000},
    };
    Probe probe;
    for (const std::vector<uint32_t>& frame : frames) {
        SCOPED_TRACE(frame.front());
        probe.board.playIr(frame, probe.board.nowUs() + 500);
        const std::string report = runUntil(probe.board, hasLine);
        ASSERT_EQ(report.substr(0, 1), "C") << report;
        expectNear(numbersAfter(report, 'C'), frame, 0, 2);
        ASSERT_TRUE(probe.board.run(100'000));
        EXPECT_EQ(probe.board.takeSerial(), "");
    }
    // Loopback lets the receiver see the LED, which falls a carrier period
    // late and rises 50 us late; without it the LED is not heard.
    probe.board.setLoopback(false);
    EXPECT_EQ(probe.ask("N", hasLine), "");
    probe.board.setLoopback(true);
    expectNear(numbersAfter(probe.ask("N", hasLine), 'C'), {9000, 4500, 560, 560, 560, 1690, 560}, 0.0, 40);
}

// The serial line -----------------------------------------------------------

std::string printableBytes(size_t count) {
    const std::string alphabet = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string bytes;
    for (size_t i = 0; i < count; ++i) bytes += alphabet[(i * 7) % alphabet.size()];
    return bytes;
}

TEST(SimulatedBoard, SerialBytesArriveAtTheLinePaceWithoutLoss) {
    Probe probe;
    const std::string bytes = printableBytes(400);
    probe.board.sendSerial(bytes);
    // 115200 8N1 carries 11.52 bytes a millisecond.
    ASSERT_TRUE(probe.board.run(10'000));
    const size_t sent = bytes.size() - probe.board.serialBytesWaiting();
    EXPECT_GE(sent, 115u);
    EXPECT_LE(sent, 116u);
    const std::string echo = probe.board.takeSerial();
    EXPECT_EQ(echo + runUntil(probe.board, [&](auto& out) { return echo.size() + out.size() >= bytes.size(); }), bytes);
    EXPECT_EQ(probe.board.serialBytesWaiting(), 0u);
}

TEST(SimulatedBoard, SerialBytesWaitWhileTheFirmwareCannotTakeThem) {
    // 20 ms with interrupts off: 230 bytes' time, and the UART holds 63.
    Probe probe;
    const std::string bytes = printableBytes(300);
    const std::string echo = probe.ask("S" + bytes, [&](auto& out) { return out.size() >= bytes.size(); });
    EXPECT_EQ(echo, bytes);
}

// The chip ------------------------------------------------------------------

TEST(SimulatedBoard, EepromSurvivesInItsFileOfTheRightSize) {
    const fs::path file = fs::temp_directory_path() / ("avrsim_eeprom_" + std::to_string(getpid()));
    {
        Probe first;
        EXPECT_EQ(first.ask("E", hasLine), "EFFFF\n");  // erased
        EXPECT_EQ(first.ask("W\x5A", [](auto& out) { return !out.empty(); }), "w");
        first.board.saveEeprom(file);
    }
    EXPECT_EQ(fs::file_size(file), 1024u);
    SimulatedBoard second(AVRSIM_PROBE_ELF);
    second.loadEeprom(file);
    second.sendSerial("early");  // bytes wait for the firmware to listen
    EXPECT_EQ(runUntil(second, [](auto& out) { return out.size() >= 13; }), "probe 1\nearly");
    second.sendSerial("E");
    EXPECT_EQ(runUntil(second, hasLine), "E5A5A\n");
    // Files of the wrong size, or none, are refused.
    for (size_t size : {0, 1023, 1025}) {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << std::string(size, '\0');
        EXPECT_THROW(second.loadEeprom(file), std::runtime_error) << size;
    }
    fs::remove(file);
    EXPECT_THROW(second.loadEeprom(file), std::runtime_error) << "missing";
}

TEST(SimulatedBoard, AStoppedCoreEndsTheRunAndSaysHow) {
    const std::pair<const char*, SimulatedBoard::CoreState> cases[] = {
        {"H", SimulatedBoard::CoreState::Halted},
        {"X", SimulatedBoard::CoreState::Crashed},
    };
    for (const auto& [command, state] : cases) {
        Probe probe;
        probe.board.sendSerial(command);
        const uint64_t start = probe.board.nowUs();
        EXPECT_FALSE(probe.board.run(10'000)) << command;
        EXPECT_EQ(probe.board.coreState(), state) << command;
        EXPECT_LT(probe.board.nowUs(), start + 1000) << command;
        EXPECT_FALSE(probe.board.run(10'000)) << command;
    }
}

TEST(SimulatedBoard, AWatchdogResetRestartsTheFirmwareWithItsLinesWorking) {
    Probe probe;
    // The frame is due after the reset, which takes 16 ms.
    probe.board.playIr({560, 560, 560}, probe.board.nowUs() + 40'000);
    EXPECT_EQ(probe.ask("T", hasLine), "probe 1\n");
    EXPECT_EQ(probe.ask("ok", [](auto& out) { return out.size() >= 2; }), "ok");
    const std::string report = runUntil(probe.board, hasLine);
    expectNear(numbersAfter(report, 'C'), {560, 560, 560}, 0, 2);
}

TEST(SimulatedBoard, AnIdleBoardRunsFarFasterThanRealTime) {
    // The probe sleeps between Timer1's overflows, as the real firmware
    // sleeps between lines; irbridge-avr needs at least real time.
    Probe probe;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(probe.board.run(10'000'000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST(SimulatedBoard, FilesThatAreNotAvrFirmwareAreRefused) {
    const std::string cases[] = {
        "/nonexistent/probe.elf",
        __FILE__,          // not ELF
        "/proc/self/exe",  // ELF for the host
    };
    for (const std::string& path : cases) {
        try {
            SimulatedBoard board(path);
            ADD_FAILURE() << path << " was loaded";
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
        }
    }
}

}  // namespace
}  // namespace avrsim
