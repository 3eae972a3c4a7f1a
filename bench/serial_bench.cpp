// The serial link on a pseudo-terminal, with the board simulator flooding
// monitor lines; then a connected program idling on a remote.
// Prints "key: value" lines.
// Usage: serial_bench PATH-TO-irbridge-sim [lines-per-second] [lines]

#include <QCoreApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/no_wait.h"
#include "serial/qt_settings_store.h"
#include "serial/serial_connection.h"
#include "view/monitor_bars.h"

using namespace orvalinder;

namespace {

struct Simulator {
    pid_t pid = -1;
    std::string path;
};

Simulator startSimulator(const char* program, const std::vector<std::string>& options) {
    int out[2];
    if (pipe(out) != 0) return {};
    Simulator sim;
    sim.pid = fork();
    if (sim.pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        std::vector<char*> argv{const_cast<char*>(program)};
        for (const std::string& o : options) argv.push_back(const_cast<char*>(o.c_str()));
        argv.push_back(const_cast<char*>("--quiet"));
        argv.push_back(nullptr);
        execv(program, argv.data());
        _exit(127);
    }
    close(out[1]);
    char c;
    while (read(out[0], &c, 1) == 1 && c != '\n') sim.path += c;
    close(out[0]);
    return sim;
}

void stop(const Simulator& sim) {
    kill(sim.pid, SIGTERM);
    waitpid(sim.pid, nullptr, 0);
}

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: serial_bench PATH-TO-irbridge-sim [lines-per-second] [lines]\n");
        return 2;
    }
    const int rate = argc > 2 ? std::atoi(argv[2]) : 20000;
    const int total = argc > 3 ? std::atoi(argv[3]) : 100000;
    QTemporaryDir config;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
    QtSettingsStore store;
    orvalinder::testing::NoWait noWait;
    const KeyCodeLogger logger([d = config.path().toStdString()] { return std::optional(d); });

    // Flood: count the lines and the gaps in their sequence numbers.
    const Simulator flood = startSimulator(argv[1], {"--flood", std::to_string(rate), "--count", std::to_string(total)});
    writePortSettings(store, PortSettings{flood.path, "NONE", "115200", "1", "8"});
    long received = 0, lost = 0, next = 0;
    std::chrono::steady_clock::time_point first, last;
    {
        SerialConnection connection(store, noWait, logger);
        connection.setMonitorActive(true);
        QObject::connect(&connection, &SerialConnection::linesArrived, [&] {
            for (const ReceivedLine& line : connection.takeLines()) {
                if (line.kind != ReceivedLine::Monitor) continue;
                const std::vector<int> values = readMonitorValues(line.text);
                if (values.empty()) continue;
                if (received == 0) first = std::chrono::steady_clock::now();
                last = std::chrono::steady_clock::now();
                ++received;
                lost += values.back() - next;
                next = values.back() + 1;
            }
            if (next >= total) app.quit();
        });
        QObject::connect(&connection, &SerialConnection::connectFinished, [&](bool ok) {
            if (!ok) app.exit(1);
        });
        connection.startConnect();
        // The deadline ends with this block, so it cannot cut the idle run short.
        QTimer::singleShot(std::chrono::seconds(5 + total / std::max(rate, 1) * 2), &connection, [&] { app.quit(); });
        app.exec();
        connection.disconnect();
    }
    stop(flood);
    const double seconds = std::chrono::duration<double>(last - first).count();
    std::printf("pty_lines_sent: %d\n", total);
    std::printf("pty_lines_received: %ld\n", received);
    std::printf("pty_lines_per_s: %.0f\n", seconds > 0 ? static_cast<double>(received - 1) / seconds : 0.0);
    std::printf("pty_lines_lost: %ld\n", lost + (total - next));

    // Idle: connected, another remote shown, nothing to do for ten seconds.
    const Simulator quiet = startSimulator(argv[1], {});
    writePortSettings(store, PortSettings{quiet.path, "NONE", "115200", "1", "8"});
    double idle = -1;
    {
        SerialConnection connection(store, noWait, logger);
        connection.setMonitorActive(false);
        QObject::connect(&connection, &SerialConnection::connectFinished, [&](bool ok) {
            if (!ok) app.exit(1);
            const double cpuStart = cpuSeconds();
            const auto wallStart = std::chrono::steady_clock::now();
            QTimer::singleShot(std::chrono::seconds(10), &app, [&, cpuStart, wallStart] {
                const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
                idle = 100.0 * (cpuSeconds() - cpuStart) / wall;
                app.quit();
            });
        });
        connection.startConnect();
        app.exec();
        connection.disconnect();
    }
    stop(quiet);
    std::printf("idle_cpu_percent: %.3f\n", idle);
    return 0;
}
