// The real window, IR Monitor shown, under load from the board simulator:
// how late a 10 ms timer runs and how many lines go missing during a flood
// of monitor lines (which fill the capture log), and how resident memory
// grows during a flood of random bytes; each against the same window
// connected to a quiet simulator.
// Prints "key: value" lines.
// Usage: load_bench PATH-TO-irbridge-sim [flood-seconds] [garbage-seconds]
//        (defaults 10 and 60; the quiet run lasts as long as the garbage run)

#include <QApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/no_wait.h"
#include "app/offscreen_frame.h"
#include "core/commands.h"
#include "serial/line_queue.h"

using namespace orvalinder;

namespace {

constexpr int kFloodRate = 100000;  // lines per second
constexpr int kTickMs = 10;

// The board simulator, told --quiet, and the device it plays the board on.
struct Simulator {
    std::unique_ptr<testing::ChildProcess> process;
    std::string path;
};

void start(Simulator& sim, const char* program, std::vector<std::string> options) {
    options.insert(options.begin(), program);
    options.push_back("--quiet");
    sim.process = std::make_unique<testing::ChildProcess>(options);
    sim.path = sim.process->readLine(std::chrono::seconds(10));
}

double residentMb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    return -1;
}

// The threads of this process other than the first, by name: Qt names its
// own; a thread of ours is named or shows the program's name.
std::vector<std::string> threadNames() {
    std::vector<std::string> names;
    const std::string self = std::to_string(getpid());
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        if (task.path().filename() == self) continue;
        std::ifstream comm(task.path() / "comm");
        std::string name;
        std::getline(comm, name);
        names.push_back(name);
    }
    return names;
}

bool isQtsOwn(const std::string& name) {
    static const std::string kQt[] = {"QXcbEventQueue", "QDBusConnection", "Thread (pooled)", "QFileInfoGatherer",
                                      "gmain",          "gdbus",           "dconf worker"};
    return std::find(std::begin(kQt), std::end(kQt), name) != std::end(kQt);
}

double percentile(std::vector<double> values, double p) {
    if (values.empty()) return -1;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<size_t>(p * static_cast<double>(values.size())))];
}

// The program's window with the IR Monitor shown, connected to `port`.
struct Window {
    explicit Window(const std::string& port) {
        writePortSettings(offscreen.store, PortSettings{port, "NONE", "115200", "1", "8"});
        frame.resize(900, 900);
        frame.show();
        frame.action(command::SelectIrMonitor)->trigger();
    }
    bool connect() {
        if (!QTest::qWaitForWindowExposed(&frame)) return false;
        QSignalSpy finished(&connection, &SerialConnection::connectFinished);
        QTest::mouseClick(frame.view(), Qt::LeftButton, {}, QPoint(75, 445));
        return finished.wait(5000) && connection.connected();
    }

    orvalinder::testing::NoWait noWait;
    OffscreenFrame offscreen{&noWait};
    CMainFrame& frame = offscreen.frame;
    SerialConnection& connection = offscreen.connection;
};

// Runs the event loop until `done` or `seconds` have passed, with a timer
// every 10 ms whose lateness is collected.
std::vector<double> lateTicks(
    double seconds, const std::function<bool()>& done = [] { return false; }) {
    std::vector<double> late;
    QElapsedTimer clock;
    clock.start();
    qint64 last = clock.nsecsElapsed();
    QEventLoop loop;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        late.push_back(std::max(0.0, static_cast<double>(now - last) / 1e6 - kTickMs));
        last = now;
        if (done() || static_cast<double>(now) / 1e9 >= seconds) loop.quit();
    });
    tick.start(kTickMs);
    loop.exec();
    return late;
}

// Resident memory growth over `seconds` after a two-second warm-up, and
// the 99th percentile of the timer's lateness meanwhile.
std::pair<double, double> growth(double seconds) {
    lateTicks(2);
    const double before = residentMb();
    const double p99 = percentile(lateTicks(seconds), 0.99);
    return {residentMb() - before, p99};
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: load_bench PATH-TO-irbridge-sim [flood-seconds] [garbage-seconds]\n");
        return 2;
    }
    const char* sim = argv[1];
    const double floodSeconds = argc > 2 ? std::atof(argv[2]) : 10;
    const double garbageSeconds = argc > 3 ? std::atof(argv[3]) : 60;

    // The baseline: a simulator that only answers key codes, and none come.
    {
        Simulator quiet;
        start(quiet, sim, {});
        Window window(quiet.path);
        if (!window.connect()) return 1;
        const auto [grown, p99] = growth(garbageSeconds);
        std::printf("idle_event_latency_ms_p99: %.2f\n", p99);
        std::printf("idle_rss_growth_mb: %.2f\n", grown);
    }

    // Monitor lines as fast as the simulator is told, until `lines` are sent.
    {
        const long lines = static_cast<long>(kFloodRate * floodSeconds);
        Simulator flood;
        start(flood, sim, {"--flood", std::to_string(kFloodRate), "--count", std::to_string(lines)});
        Window window(flood.path);
        const SerialConnection& connection = window.connection;
        // Lines received between two takes by the window: the queue compacts
        // only above LineQueue::kCompactAt. The count is taken after each
        // take, so it is exact to within one chunk read.
        long largestBatch = 0, atLastTake = 0;
        QObject::connect(&window.connection, &SerialConnection::linesArrived, [&] {
            largestBatch = std::max(largestBatch, connection.linesReceived() - atLastTake);
            atLastTake = connection.linesReceived();
        });
        if (!window.connect()) return 1;
        const double rssBeforeFlood = residentMb();
        // Until every line has come, or none has for a second.
        long before = -1;
        QElapsedTimer quiet;
        quiet.start();
        const std::vector<double> late = lateTicks(floodSeconds * 3 + 5, [&] {
            if (connection.linesReceived() != before) {
                before = connection.linesReceived();
                quiet.restart();
            }
            return before >= lines || quiet.elapsed() > 1000;
        });
        std::string names;
        long ours = 0;
        for (const std::string& name : threadNames()) {
            names += (names.empty() ? "" : ", ") + name;
            ours += !isQtsOwn(name);
        }
        std::printf("threads_connected: %s\n", names.c_str());
        std::printf("threads_of_ours_connected: %ld\n", ours);
        std::printf("flood_event_latency_ms_p99: %.2f\n", percentile(late, 0.99));
        std::printf("flood_event_latency_ms_max: %.2f\n",
                    late.empty() ? -1 : *std::max_element(late.begin(), late.end()));
        std::printf("flood_lines_sent: %ld\n", lines);
        std::printf("flood_lines_received: %ld\n", connection.linesReceived());
        // A byte lost breaks its line: two lines become one, or one is cut.
        std::printf("flood_lines_lost: %ld\n", lines - connection.linesReceived());
        std::printf("flood_largest_batch_lines: %ld\n", largestBatch);
        std::printf("flood_queue_compacts_above_lines: %zu\n", LineQueue::kCompactAt);
        // The IR Monitor's capture log takes every frame the window reads, up
        // to its bound, and its rows' memory with them.
        std::printf("flood_capture_log_rows: %zu\n", window.frame.view()->capturePanel()->log().size());
        std::printf("flood_lines_rss_growth_mb: %.2f\n", residentMb() - rssBeforeFlood);
    }

    // Random bytes as fast as the pseudo-terminal takes them.
    {
        Simulator garbage;
        start(garbage, sim, {"--garbage", "1000000000"});
        Window window(garbage.path);
        if (!window.connect()) return 1;
        const auto [grown, p99] = growth(garbageSeconds);
        std::printf("flood_rss_growth_mb: %.2f\n", grown);
        std::printf("garbage_event_latency_ms_p99: %.2f\n", p99);
    }
    return 0;
}
