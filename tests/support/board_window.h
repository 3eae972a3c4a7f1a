#pragma once
// The program's window connected to the board's firmware, run by the
// simulated microcontroller behind a receiver module: what the LED sends
// is read from the simulator ("sent NEC:20DF10EF 37915 Hz: 8999 4499 ..."),
// and frames are played into its receiver ("play NEC:20DF10EF").

#include <gtest/gtest.h>

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

#include "app/program_parts.h"
#include "core/view_layout.h"
#include "serial/qt_settings_store.h"
#include "tests/support/child_process.h"
#include "tests/support/program_seams.h"
#include "tests/support/scripted_platform.h"

namespace orvalinder::testing {

class BoardWindow : public ::testing::Test {
protected:
    void SetUp() override {
        board.emplace(IRBRIDGE_AVR, std::vector<std::string>{IRBRIDGE_ELF},
                      ChildOptions{.readError = true, .writeInput = true});
        ASSERT_TRUE(board->ok()) << board->device;
        writePortSettings(store, PortSettings{board->device});
        frame.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
        QSignalSpy finished(&parts.connection, &SerialConnection::connectFinished);
        QTest::mouseClick(frame.view(), Qt::LeftButton, {},
                          QPoint(layout::ConnectButtonTopLeft.x + 25, layout::ConnectButtonTopLeft.y + 25));
        ASSERT_TRUE(finished.wait(10000) && parts.connection.connected());
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

    // A click in the middle of a button of the picture shown.
    void clickButton(int index) {
        const RemoteKind kind = frame.view()->state().remoteKind;
        const AreaRect button = areaRect(clickAreas(kind)[size_t(index)], frame.view()->state().geometry);
        QTest::mouseClick(frame.view(), Qt::LeftButton, {},
                          QPoint((button.left + button.right) / 2, (button.top + button.bottom) / 2));
    }

    std::optional<Simulator> board;
    QTemporaryDir config;
    QtSettingsStore store;
    BoardWaits waits;
    ScriptedBoxes boxes;
    ScriptedPicker picker;
    ScriptedFolders folders;
    Platform platform{boxes, picker, folders};
    QSettings state{settingsIn(config), QSettings::IniFormat};
    ProgramParts parts{seamsIn(config, platform, store, waits, state)};
    CMainFrame& frame = parts.frame;

private:
    std::string printed_;  // what the simulator printed and no test has read
};

}  // namespace orvalinder::testing
