// The real program under Xvfb with the board simulator: connect with the
// connect button, click a button of the picture, and see the key code reach
// the board and the board's answer drawn on the IR Monitor. The clicks and
// keys go through the X server, as a user's would.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QSettings>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "serial/qt_settings_store.h"

namespace orvalinder {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

struct Child {
    pid_t pid = -1;
    int out = -1;  // its standard output, or -1
    int err = -1;  // its standard error, or -1
};

void stop(Child& child);

// Ends the programs however the test ends.
struct Running : Child {
    Running(Child c) : Child(c) {}
    ~Running() { stop(*this); }
};

Child spawn(const std::vector<std::string>& args, const std::vector<std::string>& env = {}, bool capture = false,
            const std::string& dir = {}) {
    int out[2] = {-1, -1}, err[2] = {-1, -1};
    if (capture && (pipe(out) != 0 || pipe(err) != 0)) return {};
    Child child;
    child.pid = fork();
    if (child.pid == 0) {
        if (capture) {
            dup2(out[1], STDOUT_FILENO);
            dup2(err[1], STDERR_FILENO);
        }
        for (const std::string& e : env) putenv(const_cast<char*>(e.c_str()));
        if (!dir.empty() && chdir(dir.c_str()) != 0) _exit(126);
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    if (capture) {
        close(out[1]);
        close(err[1]);
        child.out = out[0];
        child.err = err[0];
    }
    return child;
}

void stop(Child& child) {
    if (child.pid > 0) {
        kill(child.pid, SIGTERM);
        waitpid(child.pid, nullptr, 0);
    }
    if (child.out >= 0) close(child.out);
    if (child.err >= 0) close(child.err);
    child = {};
}

// Output of a short command.
std::string run(const std::vector<std::string>& args, const std::vector<std::string>& env) {
    Child c = spawn(args, env, true);
    std::string text;
    char buffer[4096];
    ssize_t n;
    while ((n = read(c.out, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
    waitpid(c.pid, nullptr, 0);
    close(c.out);
    close(c.err);
    return text;
}

// Reads what the descriptor has to give within `wait`.
std::string readFor(int fd, std::chrono::milliseconds wait) {
    std::string text;
    pollfd p{fd, POLLIN, 0};
    while (poll(&p, 1, static_cast<int>(wait.count())) > 0 && (p.revents & POLLIN)) {
        char buffer[512];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        text.append(buffer, static_cast<size_t>(n));
        wait = 0ms;
    }
    return text;
}

std::string readLine(int fd, std::chrono::milliseconds deadline) {
    std::string line;
    const auto end = Clock::now() + deadline;
    char c;
    pollfd p{fd, POLLIN, 0};
    while (Clock::now() < end && poll(&p, 1, 100) >= 0) {
        if (!(p.revents & POLLIN)) continue;
        if (read(fd, &c, 1) != 1 || c == '\n') break;
        line += c;
    }
    return line;
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
constexpr uint32_t kOrange = 0xFA9546;             // first bar of a row

TEST(EndToEnd, ConnectClickAndSeeTheAnswer) {
    const char* program = std::getenv("ORVALINDER");
    const char* simulator = std::getenv("IRBRIDGE_SIM");
    ASSERT_TRUE(program && simulator) << "ORVALINDER and IRBRIDGE_SIM name the programs";

    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());

    // The X server picks a free display and tells its number.
    int displayPipe[2];
    ASSERT_EQ(pipe(displayPipe), 0);
    Running xvfb = spawn({"Xvfb", "-displayfd", std::to_string(displayPipe[1]), "-screen", "0", "1200x1000x24",
                        "-nolisten", "tcp"});
    close(displayPipe[1]);
    const std::string display = ":" + readLine(displayPipe[0], 10s);
    close(displayPipe[0]);
    ASSERT_NE(display, ":");

    Running sim = spawn({simulator}, {}, true);
    const std::string port = readLine(sim.out, 5s);
    ASSERT_FALSE(port.empty());

    // The user has chosen the simulator's port in the Com settings.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home.path());
    QtSettingsStore store;
    writePortSettings(store, PortSettings{port, "NONE", "115200", "1", "8"});

    const std::vector<std::string> env{"DISPLAY=" + display, "XDG_CONFIG_HOME=" + home.path().toStdString(),
                                       "HOME=" + home.path().toStdString(), "QT_QPA_PLATFORM=xcb"};
    Running app = spawn({program}, env, true, home.path().toStdString());

    std::string window;
    for (auto end = Clock::now() + 20s; window.empty() && Clock::now() < end;) {
        window = run({"xdotool", "search", "--onlyvisible", "--name", "Orvalinder"}, env);
        if (!window.empty()) window = window.substr(0, window.find('\n'));
        else readFor(app.err, 200ms);
    }
    ASSERT_FALSE(window.empty()) << "the window did not appear";

    // Find the view inside the window by its first status line, drawn at (50, 500).
    int viewX = -1, viewY = -1;
    for (auto end = Clock::now() + 10s; viewY < 0 && Clock::now() < end;) {
        const Screenshot shot = dump(window, env);
        for (int y = 0; y < shot.height && viewY < 0; ++y)
            for (int x = 0; x < std::min(shot.width, 200) && viewY < 0; ++x)
                if (shot.at(x, y) == kStatusBackground) {
                    viewX = x - 50;
                    viewY = y - 500;
                }
        if (viewY < 0) readFor(app.err, 200ms);
    }
    ASSERT_GE(viewY, 0) << "the status lines were not drawn";

    auto clickView = [&](int x, int y) {
        run({"xdotool", "mousemove", "--window", window, std::to_string(viewX + x), std::to_string(viewY + y), "click",
             "1"},
            env);
    };
    clickView(75, 445);  // connect; the board needs five seconds to start

    // Panasonic button 1 lies at 40% of the picture's width, 7% of its height.
    std::string heard;
    for (auto end = Clock::now() + 20s; heard.find("A101") == std::string::npos && Clock::now() < end;) {
        const Screenshot shot = dump(window, env);
        const int height = shot.height - viewY;
        const float scale = static_cast<float>(height) / 861.0f;
        clickView(400 + static_cast<int>(0.40f * 250 * scale), static_cast<int>(0.07f * 861 * scale));
        heard += readFor(sim.err, 500ms);
    }
    EXPECT_NE(heard.find("A101"), std::string::npos) << heard;

    // Remote, IR Monitor through the keyboard: Alt opens the menu bar.
    run({"xdotool", "key", "--window", window, "--delay", "100", "alt", "Right", "Right", "Down", "Up", "Return"},
        env);

    bool drawn = false;
    for (auto end = Clock::now() + 10s; !drawn && Clock::now() < end;) {
        const Screenshot shot = dump(window, env);
        drawn = shot.width > viewX + 20 && shot.height > viewY + 80 && shot.at(viewX + 20, viewY + 75) == kOrange;
        if (!drawn) readFor(app.err, 200ms);
    }
    EXPECT_TRUE(drawn) << "no bars on the IR Monitor";

    std::ifstream keycodes(home.path().toStdString() + "/keycodes.txt");
    std::string line;
    std::getline(keycodes, line);
    EXPECT_EQ(line.rfind("0x", 0), 0u) << "keycodes.txt: " << line;

}

}  // namespace
}  // namespace orvalinder
