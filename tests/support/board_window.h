#pragma once
// The program's window connected to the board's firmware, run by the
// simulated microcontroller behind a receiver module: what the LED sends
// is read from the simulator ("sent NEC:20DF10EF 37915 Hz: 8999 4499 ..."),
// and frames are played into its receiver ("play NEC:20DF10EF").

#include <gtest/gtest.h>

#include <QTest>
#include <optional>

#include "tests/support/child_process.h"
#include "tests/support/window_fixture.h"

namespace orvalinder::testing {

class BoardWindow : public Scripted<ProgramWindow> {
protected:
    void SetUp() override {
        board.emplace(IRBRIDGE_AVR, std::vector<std::string>{IRBRIDGE_ELF},
                      ChildOptions{.readError = true, .writeInput = true});
        ASSERT_TRUE(board->ok()) << board->device;
        usePort(board->device);
        build(waits);
        ASSERT_TRUE(connectByClick());
    }

    // Frames played into the board's receiver, one after another.
    void play(const std::string& frames) { ASSERT_TRUE(board->write(frames)); }

    // The next frame the LED sends, the window running meanwhile: its
    // durations, and its code in `code` ("NEC:20DF10EF", "PANASONIC
    // 4004:0100BCBD", or the carrier for a raw frame).
    std::vector<uint32_t> nextFrameSent(std::string* code = nullptr, int waitMs = 5000) {
        using namespace std::chrono_literals;
        const bool whole = QTest::qWaitFor(
            [&] {
                printed_ += readFor(board->output(), 0ms);
                return printed_.find('\n', printed_.find(" Hz:")) != std::string::npos;
            },
            waitMs);
        if (!whole) return {};
        const size_t hz = printed_.find(" Hz:"), end = printed_.find('\n', hz);
        const size_t sent = printed_.rfind("sent ", hz) + 5;
        if (code) {
            *code = printed_.substr(sent, hz - sent);  // the code, then the carrier
            if (const size_t carrier = code->rfind(' '); carrier != std::string::npos) code->erase(carrier);
        }
        const std::vector<uint32_t> durations = durationsAt(printed_, hz);
        printed_.erase(0, end + 1);
        return durations;
    }

    std::optional<Simulator> board;
    BoardWaits waits;

private:
    std::string printed_;  // what the simulator printed and no test has read
};

}  // namespace orvalinder::testing
