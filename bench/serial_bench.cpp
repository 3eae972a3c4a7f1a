// The serial link on a pseudo-terminal, with the board simulator flooding
// monitor lines; then a connected program idling on a remote.
// Prints "key: value" lines.
// Usage: serial_bench PATH-TO-irbridge-sim [lines-per-second] [lines]

#include <QCoreApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <unistd.h>

#include "tests/support/child_process.h"
#include "tests/support/no_wait.h"
#include "serial/qt_settings_store.h"
#include "serial/serial_connection.h"
#include "view/monitor_bars.h"

using namespace orvalinder;

namespace {

// The board simulator, told --quiet; its first line is its device.
std::unique_ptr<testing::ChildProcess> startSimulator(const char* program, std::vector<std::string> options) {
    options.insert(options.begin(), program);
    options.push_back("--quiet");
    return std::make_unique<testing::ChildProcess>(options);
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
    auto flood = startSimulator(argv[1], {"--flood", std::to_string(rate), "--count", std::to_string(total)});
    writePortSettings(store, PortSettings{flood->readLine(std::chrono::seconds(10)), "NONE", "115200", "1", "8"});
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
    flood.reset();
    const double seconds = std::chrono::duration<double>(last - first).count();
    std::printf("pty_lines_sent: %d\n", total);
    std::printf("pty_lines_received: %ld\n", received);
    std::printf("pty_lines_per_s: %.0f\n", seconds > 0 ? static_cast<double>(received - 1) / seconds : 0.0);
    std::printf("pty_lines_lost: %ld\n", lost + (total - next));

    // Idle: connected, another remote shown, nothing to do for ten seconds.
    auto quiet = startSimulator(argv[1], {});
    writePortSettings(store, PortSettings{quiet->readLine(std::chrono::seconds(10)), "NONE", "115200", "1", "8"});
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
    quiet.reset();
    std::printf("idle_cpu_percent: %.3f\n", idle);
    return 0;
}
