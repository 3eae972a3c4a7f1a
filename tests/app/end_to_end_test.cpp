// The real program under Xvfb with the board simulator: connect with the
// connect button, click a button of the picture, and see the key code reach
// the board and the board's answer drawn on the IR Monitor. The clicks and
// keys go through the X server, as a user's would.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QSettings>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "codes/encoder.h"
#include "codes/protocols.h"
#include "core/remote_catalogue.h"
#include "core/view_layout.h"
#include "serial/qt_settings_store.h"
#include "tests/codes/sent_frames.h"
#include "tests/firmware/ir_codes.h"
#include "tests/support/child_process.h"

namespace orvalinder {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

using testing::ChildProcess;
using testing::readAll;
using testing::readFor;

// Output of a short command.
std::string run(const std::vector<std::string>& args, const std::vector<std::string>& env) {
    ChildProcess command(args, {.environment = env, .readError = true});
    const std::string text = readAll(command.output(), 60s);  // to its end
    command.wait(60s);
    return text;
}

// A window dump in the X server's own format, read into RGB pixels.
struct Screenshot {
    int width = 0, height = 0;
    std::vector<uint32_t> rgb;
    uint32_t at(int x, int y) const { return rgb[static_cast<size_t>(y * width + x)]; }
};

Screenshot dump(const std::string& window, const std::vector<std::string>& env) {
    const std::string xwd = run({"xwd", "-silent", "-id", window}, env);
    Screenshot shot;
    if (xwd.size() < 100) return shot;
    auto field = [&](int i) {
        const auto* b = reinterpret_cast<const unsigned char*>(xwd.data() + 4 * i);
        return static_cast<uint32_t>(b[0]) << 24 | b[1] << 16 | b[2] << 8 | b[3];
    };
    const uint32_t headerSize = field(0), width = field(4), height = field(5), byteOrder = field(7),
                   bitsPerPixel = field(11), bytesPerLine = field(12), colours = field(19);
    if (bitsPerPixel != 32) return shot;
    const size_t start = headerSize + colours * 12;
    if (xwd.size() < start + static_cast<size_t>(bytesPerLine) * height) return shot;
    shot.width = static_cast<int>(width);
    shot.height = static_cast<int>(height);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const auto* p = reinterpret_cast<const unsigned char*>(xwd.data() + start + y * bytesPerLine + 4 * x);
            const uint32_t v = byteOrder == 0 ? (p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24)
                                              : (static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]);
            shot.rgb.push_back(v & 0xFFFFFF);
        }
    }
    return shot;
}

constexpr uint32_t kStatusBackground = 0xBBF0EE;  // behind the status lines
constexpr uint32_t kOrange = 0xFA9546;            // first bar of a row

// The real program under an X server of its own, its Com settings set to
// `port`, its window found and the view inside it located.
class Desktop {
public:
    // `codes`: a file of codes the program imports as it starts.
    explicit Desktop(const std::string& port, const std::string& codes = {}) {
        program_ = std::getenv("ORVALINDER");
        if (!program_ || !home_.isValid()) return;
        const std::string home = home_.path().toStdString();
        // A runtime folder of its own: no other window takes its import.
        mkdir((home + "/runtime").c_str(), 0700);

        // The X server picks a free display and tells its number.
        xvfb_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{"Xvfb", "-displayfd", "1", "-screen", "0", "1200x1000x24", "-nolisten", "tcp"});
        const std::string display = ":" + xvfb_->readLine(10s);
        if (display == ":") return;

        // The user has chosen the board's port in the Com settings.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home_.path());
        QtSettingsStore store;
        writePortSettings(store, PortSettings{port, "NONE", "115200", "1", "8"});

        env_ = {"DISPLAY=" + display,    "XDG_CONFIG_HOME=" + home,
                "XDG_DATA_HOME=" + home, "XDG_RUNTIME_DIR=" + home + "/runtime",
                "HOME=" + home,          "QT_QPA_PLATFORM=xcb"};
        std::vector<std::string> command{program_};
        if (!codes.empty()) command.insert(command.end(), {"--import", codes});
        app_ = std::make_unique<ChildProcess>(
            command, ChildProcess::Options{.environment = env_, .directory = home, .readError = true});

        for (auto end = Clock::now() + 20s; window_.empty() && Clock::now() < end;) {
            window_ = run({"xdotool", "search", "--onlyvisible", "--name", "Orvalinder"}, env_);
            if (!window_.empty())
                window_ = window_.substr(0, window_.find('\n'));
            else
                readFor(app_->error(), 200ms);
        }
        if (window_.empty()) return;

        // Find the view inside the window by its first status line.
        const layout::Point line1 = layout::statusLineTopLeft(1);
        for (auto end = Clock::now() + 10s; viewY_ < 0 && Clock::now() < end;) {
            const Screenshot shot = screenshot();
            for (int y = 0; y < shot.height && viewY_ < 0; ++y)
                for (int x = 0; x < std::min(shot.width, 200) && viewY_ < 0; ++x)
                    if (shot.at(x, y) == kStatusBackground) {
                        viewX_ = x - line1.x;
                        viewY_ = y - line1.y;
                    }
            if (viewY_ < 0) readFor(app_->error(), 200ms);
        }
    }

    // Why the desktop is not ready, or empty.
    std::string problem() const {
        if (!program_) return "ORVALINDER names the program";
        if (!xvfb_) return "no X server";
        if (window_.empty()) return "the window did not appear";
        if (viewY_ < 0) return "the status lines were not drawn";
        return {};
    }

    Screenshot screenshot() const { return dump(window_, env_); }

    // Moves the mouse to a point of the view and does the xdotool actions there.
    void atView(int x, int y, std::vector<std::string> actions) const {
        std::vector<std::string> command{
            "xdotool", "mousemove", "--window", window_, std::to_string(viewX_ + x), std::to_string(viewY_ + y)};
        command.insert(command.end(), actions.begin(), actions.end());
        run(command, env_);
    }
    // The same at fractions of the Panasonic picture's width and height.
    void atPanasonic(float fx, float fy, std::vector<std::string> actions) const {
        const float scale = static_cast<float>(screenshot().height - viewY_) / 861.0f;
        atView(layout::PictureXOffset + static_cast<int>(fx * 250 * scale), static_cast<int>(fy * 861 * scale),
               std::move(actions));
    }
    void atPanasonicButton(int index, std::vector<std::string> actions) const {
        const ClickArea& area = clickAreas(Panasonic)[static_cast<size_t>(index)];
        atPanasonic((area.left + area.right) / 2, (area.top + area.bottom) / 2, std::move(actions));
    }
    static std::vector<std::string> held(double seconds) {
        return {"mousedown", "1", "sleep", std::to_string(seconds), "mouseup", "1"};
    }

    // The connect button; a board needs five seconds to start.
    void connect() const {
        const layout::ClickSquare& square = layout::ConnectSquare;
        atView((square.left + square.right) / 2, (square.top + square.bottom) / 2, {"click", "1"});
    }

    // The middle of a Panasonic button, held down for `seconds` (0: a click).
    void pressPanasonicButton(int index, double seconds = 0) const { atPanasonicButton(index, held(seconds)); }

    // Right-clicks a Panasonic button and chooses an item of its menu by
    // the item's underlined letter.
    void chooseFromPanasonicButtonMenu(int index, const std::string& letter) const {
        atPanasonicButton(index, {"click", "3", "sleep", "0.5", "key", letter});
    }

    // Whether the program shows a window of that title within `wait`, or
    // with `shown` false, whether it is gone: a click meant for the main
    // window while a dialog is open goes nowhere.
    bool shows(const std::string& title, std::chrono::seconds wait, bool shown = true) const {
        for (auto end = Clock::now() + wait; Clock::now() < end;) {
            if (run({"xdotool", "search", "--onlyvisible", "--name", title}, env_).empty() != shown) return true;
            readFor(app_->error(), 100ms);
        }
        return false;
    }
    bool closes(const std::string& title, std::chrono::seconds wait) const { return shows(title, wait, false); }

    // Presses Enter in the program's window of that title, as the user
    // accepts a dialog with its default button. (Without a window manager
    // the keyboard goes to the window under the pointer.)
    bool acceptDialog(const std::string& title) const {
        if (!shows(title, 10s)) return false;
        std::string dialog = run({"xdotool", "search", "--onlyvisible", "--name", title}, env_);
        dialog = dialog.substr(0, dialog.find('\n'));
        run({"xdotool", "mousemove", "--window", dialog, "20", "20", "key", "Return"}, env_);
        return true;
    }

    // Panasonic button 1, at 40% of the picture's width and 7% of its height,
    // clicked or held down for `seconds`.
    void clickPanasonicButton1() const { atPanasonic(0.40f, 0.07f, {"click", "1"}); }
    void holdPanasonicButton1(double seconds) const { atPanasonic(0.40f, 0.07f, held(seconds)); }

    // Remote, IR Monitor through the keyboard: Alt opens the menu bar.
    void showIrMonitor() const {
        run({"xdotool", "key", "--window", window_, "--delay", "100", "alt", "Right", "Right", "Down", "Up", "Return"},
            env_);
    }

    // Whether the IR Monitor has drawn the bars of a line, within `wait`.
    bool barsDrawn(std::chrono::seconds wait) const {
        for (auto end = Clock::now() + wait; Clock::now() < end;) {
            const Screenshot shot = screenshot();
            if (shot.width > viewX_ + 20 && shot.height > viewY_ + 80 && shot.at(viewX_ + 20, viewY_ + 75) == kOrange)
                return true;
            readFor(app_->error(), 200ms);
        }
        return false;
    }

    // LIRC's socket of this window.
    std::string lircdSocket() const { return home_.path().toStdString() + "/runtime/orvalinder/lircd"; }

    std::string keycodes() const {
        std::ifstream file(home_.path().toStdString() + "/keycodes.txt");
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }

private:
    const char* program_ = nullptr;
    QTemporaryDir home_;
    std::unique_ptr<ChildProcess> xvfb_, app_;
    std::vector<std::string> env_;
    std::string window_;
    int viewX_ = -1, viewY_ = -1;
};

// The board's firmware run by the simulated microcontroller on a
// pseudo-terminal (IRBRIDGE_AVR runs IRBRIDGE_ELF): its standard output says
// what its LED sends, its standard input plays frames into its receiver.
struct SimulatedBoard : testing::Simulator {
    explicit SimulatedBoard(std::vector<std::string> options = {})
        : Simulator(variable("IRBRIDGE_AVR"), withFirmware(std::move(options)),
                    {.readError = true, .writeInput = true}) {}

    std::string problem() const {
        if (!std::getenv("IRBRIDGE_AVR") || !std::getenv("IRBRIDGE_ELF"))
            return "IRBRIDGE_AVR and IRBRIDGE_ELF name the simulator and the firmware";
        if (!ok()) return "no device from the simulator: " + device + readFor(error(), 100ms);
        return {};
    }
    // Plays a frame, a code or "durations...", into the receiver.
    void play(const std::string& frame) const { ASSERT_TRUE(write("play " + frame + "\n")); }

private:
    static std::string variable(const char* name) { return std::getenv(name) ? std::getenv(name) : ""; }
    static std::vector<std::string> withFirmware(std::vector<std::string> options) {
        options.push_back(variable("IRBRIDGE_ELF"));
        return options;
    }
};

// Does `act` until `fd` has given `wanted` or `limit` has passed, reading
// for `each` after each time: all that `fd` gave.
std::string repeatUntilRead(const std::function<void()>& act, int fd, const std::string& wanted,
                            std::chrono::seconds limit, std::chrono::milliseconds each = 1000ms) {
    std::string text;
    for (auto end = Clock::now() + limit; text.find(wanted) == std::string::npos && Clock::now() < end;) {
        act();
        text += readFor(fd, each);
    }
    return text;
}

TEST(EndToEnd, ConnectClickAndSeeTheAnswer) {
    const char* simulator = std::getenv("IRBRIDGE_SIM");
    ASSERT_TRUE(simulator) << "IRBRIDGE_SIM names the simulator";
    testing::Simulator sim(simulator, {});
    ASSERT_TRUE(sim.ok());

    Desktop desktop(sim.device);
    ASSERT_EQ(desktop.problem(), "");
    desktop.connect();

    const std::string heard =
        repeatUntilRead([&] { desktop.clickPanasonicButton1(); }, sim.error(), "A101", 20s, 500ms);
    EXPECT_NE(heard.find("A101"), std::string::npos) << heard;

    desktop.showIrMonitor();
    EXPECT_TRUE(desktop.barsDrawn(10s)) << "no bars on the IR Monitor";
    EXPECT_EQ(desktop.keycodes().rfind("0x", 0), 0u) << "keycodes.txt: " << desktop.keycodes();
}

// The same with the board's own firmware in a simulated microcontroller: the
// click comes out of its IR LED as the key's frame, and a frame played into
// its receiver is drawn and logged.
TEST(EndToEnd, TheSimulatedBoardSendsAndHearsFrames) {
    SimulatedBoard board;
    ASSERT_EQ(board.problem(), "");
    Desktop desktop(board.device);
    ASSERT_EQ(desktop.problem(), "");
    desktop.connect();

    const std::string expected = "sent " + textOf(keyCode("A101")) + " ";
    const std::string sent = repeatUntilRead([&] { desktop.clickPanasonicButton1(); }, board.output(), expected, 30s);
    EXPECT_NE(sent.find(expected), std::string::npos) << sent;

    // Held for a second and a half, the button's key repeats as its remote
    // repeats it, from 300 ms on, and stops when the button comes up.
    readFor(board.output(), 500ms);
    desktop.holdPanasonicButton1(1.5);
    const std::string held = readAll(board.output(), 700ms);
    const size_t frames = testing::occurrences(held, expected);
    EXPECT_GE(frames, 6u) << held;
    EXPECT_LE(frames, 13u) << held;  // 1.7 s at most, a frame each 135 ms
    EXPECT_EQ(readFor(board.output(), 1000ms), "") << "frames after the button came up, " << frames << " before";

    desktop.showIrMonitor();
    // The program reads the port only while the IR Monitor is shown.
    std::string drawn;
    for (auto end = Clock::now() + 20s;
         desktop.keycodes().find("0x20DF10EF") == std::string::npos && Clock::now() < end;) {
        board.play("NEC:20DF10EF");
        readFor(board.output(), 2000ms);
    }
    EXPECT_TRUE(desktop.barsDrawn(10s)) << "no bars on the IR Monitor";
    EXPECT_NE(desktop.keycodes().find("0x20DF10EF"), std::string::npos) << "keycodes.txt: " << desktop.keycodes();
}

// Through a receiver module on a weak signal, frames of every protocol
// the board knows, with random codes, are decoded and logged, each the code
// played (FRAMES_PER_PROTOCOL of each, 3 unless told).
TEST(EndToEnd, TheIrMonitorLogsWhatAWeakReceiverHears) {
    SimulatedBoard board({"--receiver", "weak"});
    ASSERT_EQ(board.problem(), "");
    Desktop desktop(board.device);
    ASSERT_EQ(desktop.problem(), "");
    desktop.connect();
    desktop.showIrMonitor();
    for (auto end = Clock::now() + 20s; desktop.keycodes().empty() && Clock::now() < end;) {
        board.play("NEC:20DF10EF");
        readFor(board.output(), 2000ms);
    }
    ASSERT_FALSE(desktop.keycodes().empty()) << "nothing logged";
    const size_t before = desktop.keycodes().size();

    const char* told = std::getenv("FRAMES_PER_PROTOCOL");
    const int frames = told ? std::atoi(told) : 3;
    std::mt19937_64 random(28);
    std::string expected;
    for (int i = 0; i < frames; ++i) {
        for (uint8_t protocol :
             {IR_NEC, IR_PANASONIC, IR_RC5, IR_RC6, IR_RC6_6_20, IR_SIRC12, IR_SIRC15, IR_SIRC20, IR_SAMSUNG}) {
            const uint64_t value = random() | 1;  // logged as a number: never 0
            IrCode code{protocol, irCodeBits(protocol), uint16_t(value >> 32), uint32_t(value), false, false};
            if (code.bits < 32) code.data &= (1u << code.bits) - 1;
            if (code.bits < 48) code.high = 0;
            board.play(textOf(code));
            char logged[16];
            std::snprintf(logged, sizeof logged, "0x%X\n", unsigned(code.data));
            expected += logged;
        }
    }
    std::string log;
    for (auto end = Clock::now() + 30s + frames * 2s; log.size() < expected.size() && Clock::now() < end;) {
        readFor(board.output(), 500ms);
        log = desktop.keycodes().substr(before);
    }
    EXPECT_EQ(log, expected);
}

// A remote's codes imported as the program starts: its power key links to
// the red power button by its name, and the board sends that code, held as
// the remote holds it: the NEC frame once, then its repeat frame.
TEST(EndToEnd, ImportedCodesGoOutOfTheSimulatedBoard) {
    SimulatedBoard board;
    ASSERT_EQ(board.problem(), "");
    Desktop desktop(board.device, ORVALINDER_REMOTES_DIR "/nec.lircd.conf");
    ASSERT_EQ(desktop.problem(), "");
    ASSERT_TRUE(desktop.acceptDialog("Import codes")) << "no import dialog";
    desktop.connect();

    const std::string sent =
        repeatUntilRead([&] { desktop.pressPanasonicButton(0); }, board.output(), "sent NEC:20DF10EF ", 30s);
    ASSERT_NE(sent.find("sent NEC:20DF10EF "), std::string::npos) << sent;

    readFor(board.output(), 500ms);
    desktop.pressPanasonicButton(0, 1.2);
    const std::string held = readAll(board.output(), 700ms);
    const size_t frames = testing::occurrences(held, "sent "), repeats = testing::occurrences(held, "sent NEC repeat ");
    EXPECT_EQ(held.find("sent NEC:20DF10EF "), 0u) << held;  // the press once, first
    EXPECT_EQ(repeats, frames - 1) << held;
    EXPECT_GE(repeats, 5u) << held;  // from 300 ms on, every 108 ms
    EXPECT_EQ(readFor(board.output(), 1000ms), "") << "frames after the button came up";

    // LIRC's clients through the window's socket: irsend, and LIRC's own
    // Python module.
    const std::string socket = desktop.lircdSocket();
    const std::vector<std::string> env;
    EXPECT_EQ(run({"irsend", "-d", socket, "LIST", "", ""}, env), "panasonic\nsky\nsky-tv\ntechnika\nnec_tv\n\n");
    EXPECT_EQ(run({"irsend", "-d", socket, "VERSION", "", ""}, env), "0.10.1\n\n");
    EXPECT_EQ(run({"irsend", "-d", socket, "SEND_ONCE", "nec_tv", "KEY_MUTE"}, env),
              "unknown command: \"KEY_MUTE\"\n\n");
    run({"irsend", "-d", socket, "SEND_ONCE", "nec_tv", "KEY_1"}, env);
    EXPECT_NE(readAll(board.output(), 700ms).find("sent NEC:20DF8877 "), std::string::npos);
    run({"irsend", "-d", socket, "SEND_START", "panasonic", "KEY_POWER"}, env);
    const std::string started = readAll(board.output(), 800ms);
    run({"irsend", "-d", socket, "SEND_STOP", "panasonic", "KEY_POWER"}, env);
    EXPECT_EQ(started.find("sent NEC:20DF10EF "), 0u) << started;
    EXPECT_NE(started.find("sent NEC repeat "), std::string::npos) << started;
    readFor(board.output(), 500ms);
    EXPECT_EQ(readFor(board.output(), 500ms), "") << "frames after SEND_STOP";
    EXPECT_EQ(run({ORVALINDER_SYSTEM_PYTHON, ORVALINDER_LIRC_PYTHON_CLIENT, socket, "send panasonic A101"}, env),
              "ok\n");
    EXPECT_NE(readAll(board.output(), 700ms).find("sent PANASONIC "), std::string::npos);
}

// Learning through the real window, the board's receiver stretching marks
// as a typical module does: a button's menu, Learn, two presses played into
// the receiver with a repeat frame and a fragment between them; the button
// then sends what the remote sent, within 5% and 20 µs. A Sky key (RC6-6-20)
// learned so keeps its toggle: two clicks, two frames that differ only in
// it; a Panasonic key goes out as its code.
TEST(EndToEnd, KeysLearnedFromTheWindowGoOutAsHeard) {
    SimulatedBoard board;
    ASSERT_EQ(board.problem(), "");
    Desktop desktop(board.device);
    ASSERT_EQ(desktop.problem(), "");
    desktop.connect();
    auto play = [&board](const std::vector<uint32_t>& durations) {
        std::string line;
        for (uint32_t d : durations) line += " " + std::to_string(d);
        board.play(line.substr(1));
        std::this_thread::sleep_for(300ms);  // one press after the other, as a hand presses
    };
    // Learn from the menu of Panasonic button `index`, and the presses played.
    const auto learn = [&](int index, const std::vector<std::vector<uint32_t>>& presses) {
        readFor(board.output(), 500ms);
        desktop.chooseFromPanasonicButtonMenu(index, "l");
        ASSERT_TRUE(desktop.shows("Learn from a remote", 10s));
        for (const std::vector<uint32_t>& press : presses) play(press);
    };

    std::string sent;
    // A click the window missed while it was still starting is made again
    // once any board would have answered (a silent one within 5 s).
    for (auto end = Clock::now() + 30s, again = Clock::now() + 12s;
         sent.find("sent ") == std::string::npos && Clock::now() < end;) {
        if (Clock::now() > again) {
            desktop.connect();
            again = end;
        }
        desktop.clickPanasonicButton1();
        sent += readFor(board.output(), 1000ms);
    }
    ASSERT_NE(sent.find("sent "), std::string::npos) << "not connected";

    // A remote of no protocol the program knows.
    const std::vector<uint32_t> raw = testing::pulseDistanceFrame(0xA55A);
    learn(5, {raw, {9000, 2250, 560}, {400, 300}, raw});
    ASSERT_TRUE(desktop.acceptDialog("Learn from a remote"));
    ASSERT_TRUE(desktop.closes("Learn from a remote", 10s));

    const std::string heard = repeatUntilRead([&] { desktop.pressPanasonicButton(5); }, board.output(), "sent ", 10s);
    const size_t at = heard.find(" Hz:");
    ASSERT_NE(at, std::string::npos) << heard;
    const std::vector<uint32_t> back = testing::durationsAt(heard, at);
    ASSERT_EQ(back.size(), raw.size()) << heard;
    for (size_t i = 0; i < raw.size(); ++i) EXPECT_NEAR(back[i], raw[i], raw[i] * 0.05 + 20) << i << ": " << heard;

    // Sky's RC6-6-20, its toggle flipped between the presses as a remote flips it.
    const uint64_t sky = ~(uint64_t(1) << 24 | uint64_t(6) << 21 | 0x0C05C) & 0x1FFFFFF;
    learn(6, {testing::sentFrame(codes::Protocol::Rc6Mode6, sky),
              testing::sentFrame(codes::Protocol::Rc6Mode6, sky, true)});
    ASSERT_TRUE(desktop.acceptDialog("Learn from a remote"));
    ASSERT_TRUE(desktop.closes("Learn from a remote", 10s));
    readFor(board.output(), 500ms);
    desktop.pressPanasonicButton(6);
    std::this_thread::sleep_for(400ms);
    desktop.pressPanasonicButton(6);
    const std::string clicks = readAll(board.output(), 1500ms);
    std::vector<std::vector<uint32_t>> frames;
    for (size_t hz = clicks.find(" Hz:"); hz != std::string::npos; hz = clicks.find(" Hz:", hz + 1))
        frames.push_back(testing::durationsAt(clicks, hz));
    ASSERT_EQ(frames.size(), 2u) << clicks;
    EXPECT_NE(clicks.find("sent RC6-6-20:0C05C "), std::string::npos) << clicks;
    bool toggles[2];
    for (int i = 0; i < 2; ++i) EXPECT_EQ(codes::boardCode(*codes::decode(frames[i], &toggles[i])), "RC6-6-20:0C05C");
    EXPECT_NE(toggles[0], toggles[1]) << clicks;

    // Panasonic's remote: two presses, one code, which the board sends.
    const std::vector<uint32_t> pressed = frameOf<uint32_t>(parsed("PANASONIC 4004:0100BCBD"));
    learn(7, {pressed, pressed});
    // The key is pressed again, as the dialog asks, while no two presses
    // have agreed.
    for (int again = 0;
         again < 2 && !(desktop.acceptDialog("Learn from a remote") && desktop.closes("Learn from a remote", 3s));
         ++again)
        play(pressed);
    ASSERT_TRUE(desktop.closes("Learn from a remote", 1s));
    readFor(board.output(), 500ms);
    desktop.pressPanasonicButton(7);
    const std::string panasonicSent = readAll(board.output(), 1000ms);
    EXPECT_NE(panasonicSent.find("sent PANASONIC 4004:0100BCBD "), std::string::npos) << panasonicSent;
}

}  // namespace
}  // namespace orvalinder
