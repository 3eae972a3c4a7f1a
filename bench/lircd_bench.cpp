// The LIRC socket under a client on another thread: how long a SEND_ONCE
// takes to reach the target, one at a time; then how late the event loop's
// timers run while a burst of 1,000 SEND_ONCE is answered.
// Prints "key: value" lines.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "lircd/lircd_server.h"

using namespace orvalinder;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kCommands = 1000;

class TimingTarget : public lircd::Target {
public:
    std::atomic<int64_t> writtenAt{0};  // by the client, just before it writes
    std::vector<double> latencyMs;
    std::atomic<int> sends{0};
    int64_t burstFirstAt = 0, lastAt = 0;

    std::vector<std::string> remotes() override { return {"tv"}; }
    std::optional<std::vector<lircd::KeyRow>> keys(const std::string& remote) override {
        if (remote != "tv") return std::nullopt;
        return std::vector<lircd::KeyRow>{{lircd::codeText(0x10ef), "KEY_POWER"}};
    }
    std::optional<std::string> sendOnce(const std::string&, const std::string&, int) override {
        const int64_t now = Clock::now().time_since_epoch().count();
        latencyMs.push_back(static_cast<double>(now - writtenAt.load()) / 1e6);
        if (sends == kCommands) burstFirstAt = now;
        lastAt = now;
        ++sends;
        return std::nullopt;
    }
    std::optional<std::string> sendStart(const std::string&, const std::string&) override { return std::nullopt; }
    std::optional<std::string> sendStop(const std::string&, const std::string&) override { return std::nullopt; }
};

int connectTo(const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Reads until `replies` replies have come.
void readReplies(int fd, int replies) {
    std::string seen;
    char buffer[65536];
    int ends = 0;
    while (ends < replies) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) return;
        seen.append(buffer, static_cast<size_t>(n));
        for (size_t at = 0; (at = seen.find("END\n", at)) != std::string::npos; at += 4) ++ends;
        seen.erase(0, seen.size() > 3 ? seen.size() - 3 : 0);
    }
}

double p99(std::vector<double> values) {
    if (values.empty()) return -1;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, values.size() * 99 / 100)];
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.path() + "/lircd";
    TimingTarget target;
    lircd::LircdServer server(target);
    if (const QString problem = server.listenLocal(path); !problem.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(problem));
        return 1;
    }
    const std::string socketPath = path.toStdString();

    // One at a time: each waits for its reply before the next.
    std::thread single([&] {
        const int fd = connectTo(socketPath);
        const std::string line = "SEND_ONCE tv KEY_POWER\n";
        for (int i = 0; i < kCommands && fd >= 0; ++i) {
            target.writtenAt = Clock::now().time_since_epoch().count();
            if (::write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size())) break;
            readReplies(fd, 1);
        }
        if (fd >= 0) ::close(fd);
        QMetaObject::invokeMethod(&app, [&] { app.quit(); });
    });
    app.exec();
    single.join();
    const double sendOnceP99 = p99(target.latencyMs);

    // A burst, with a 1 ms timer measuring how late the loop runs it.
    std::vector<double> lateMs;
    QElapsedTimer sinceTick;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (target.sends > kCommands)  // the burst is being answered
            lateMs.push_back(std::max(0.0, static_cast<double>(sinceTick.nsecsElapsed()) / 1e6 - 1.0));
        sinceTick.start();
        if (target.sends >= 2 * kCommands) app.quit();
    });
    sinceTick.start();
    tick.start(1);
    std::thread burst([&] {
        const int fd = connectTo(socketPath);
        std::string lines;
        for (int i = 0; i < kCommands; ++i) lines += "SEND_ONCE tv KEY_POWER\n";
        if (fd >= 0 && ::write(fd, lines.data(), lines.size()) == static_cast<ssize_t>(lines.size()))
            readReplies(fd, kCommands);
        if (fd >= 0) ::close(fd);
    });
    QTimer::singleShot(std::chrono::seconds(30), &app, [&] { app.quit(); });
    app.exec();
    burst.join();

    std::printf("lircd_commands: %d\n", kCommands);
    std::printf("lircd_send_once_ms_p99: %.3f\n", sendOnceP99);
    std::printf("lircd_burst_sends: %d\n", target.sends.load() - kCommands);
    std::printf("lircd_burst_ms: %.3f\n", static_cast<double>(target.lastAt - target.burstFirstAt) / 1e6);
    std::printf("lircd_burst_timer_ticks: %zu\n", lateMs.size());
    std::printf("lircd_burst_event_latency_ms_p99: %.3f\n", p99(lateMs));
    std::printf("lircd_burst_event_latency_ms_max: %.3f\n",
                lateMs.empty() ? -1.0 : *std::max_element(lateMs.begin(), lateMs.end()));
    return 0;
}
