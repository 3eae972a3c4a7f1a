// Home Assistant's emitter through a real mosquitto on loopback, into the
// offscreen window over a pseudo-terminal that plays the board: from a
// command published to its message read on the board's wire, 1,000 one at
// a time; then how late the window's event loop runs a 1 ms timer while a
// burst of 1,000 commands comes in. Prints "key: value" lines.

#include <poll.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "app/offscreen_frame.h"
#include "tests/support/mosquitto_broker.h"
#include "tests/support/no_wait.h"
#include "tests/support/pty_board.h"

using namespace orvalinder;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kCommands = 1000;
const QByteArray kCommand = R"({"timings":[560,-560,560],"modulation":38000,"repeat_count":0})";

double percentile(std::vector<double> values, double fraction) {
    if (values.empty()) return -1;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<size_t>(static_cast<double>(values.size()) * fraction))];
}

// Counts the lines the program writes to the board and when the last came,
// waking the window's loop for each.
class WireReader {
public:
    explicit WireReader(const testing::PtyBoard& board) : thread_([this, &board] { read(board.master()); }) {}
    ~WireReader() {
        stop_ = true;
        thread_.join();
    }
    std::atomic<int> lines{0};
    std::atomic<int64_t> lastAt{0};

private:
    void read(int fd) {
        while (!stop_) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0) continue;
            char bytes[4096];
            const ssize_t n = ::read(fd, bytes, sizeof bytes);
            for (ssize_t i = 0; i < n; ++i) {
                if (bytes[i] != '\n') continue;
                lastAt = Clock::now().time_since_epoch().count();
                ++lines;
                QMetaObject::invokeMethod(
                    qApp, [] {}, Qt::QueuedConnection);
            }
        }
    }
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    testing::MosquittoBroker broker({});
    testing::PtyBoard board;
    testing::NoWait noWait;
    OffscreenFrame window(&noWait);
    writePortSettings(window.store, PortSettings{board.path()});
    QSignalSpy finished(&window.connection, &SerialConnection::connectFinished);
    window.connection.startConnect();
    if (!broker.ok() || !finished.wait(5000) || !window.connection.connected()) {
        std::fprintf(stderr, "mqtt_bench: no broker or no board\n");
        return 1;
    }
    mqtt::MqttSettings settings;
    settings.enabled = true;
    settings.url = broker.url().toStdString();
    HomeAssistantLink& link = window.parts.homeAssistant;
    link.apply(settings);
    mqtt::BrokerOptions publishing;
    publishing.address = {"127.0.0.1", broker.port(), false};
    publishing.clientId = "mqtt_bench";
    mqtt::MqttClient publisher(publishing);
    publisher.start();
    if (!testing::waitUntil([&] { return link.connected() && publisher.connected(); })) {
        std::fprintf(stderr, "mqtt_bench: not connected to the broker\n");
        return 1;
    }
    WireReader wire(board);
    const std::string topic = link.topics().emitter();

    // One at a time: each command's message read before the next is published.
    std::vector<double> latencyMs;
    for (int i = 0; i < kCommands; ++i) {
        const int64_t start = Clock::now().time_since_epoch().count();
        publisher.publish(topic, kCommand);
        QElapsedTimer waited;
        waited.start();
        while (wire.lines <= i && waited.elapsed() < 2000) app.processEvents(QEventLoop::WaitForMoreEvents, 100);
        if (wire.lines <= i) break;
        latencyMs.push_back(static_cast<double>(wire.lastAt - start) / 1e6);
    }

    // A burst, with a 1 ms timer measuring how late the loop runs it.
    std::vector<double> lateMs;
    QElapsedTimer sinceTick, burst;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        lateMs.push_back(std::max(0.0, static_cast<double>(sinceTick.nsecsElapsed()) / 1e6 - 1.0));
        sinceTick.start();
        if (wire.lines >= 2 * kCommands || burst.elapsed() > 30000) app.quit();
    });
    burst.start();
    for (int i = 0; i < kCommands; ++i) publisher.publish(topic, kCommand);
    sinceTick.start();
    tick.start(1);
    app.exec();

    std::printf("mqtt_commands: %d\n", kCommands);
    std::printf("mqtt_command_to_wire_ms_p50: %.3f\n", percentile(latencyMs, 0.50));
    std::printf("mqtt_command_to_wire_ms_p99: %.3f\n", percentile(latencyMs, 0.99));
    std::printf("mqtt_burst_ms: %lld\n", static_cast<long long>(burst.elapsed()));
    std::printf("mqtt_burst_lines_on_wire: %d\n", wire.lines - kCommands);
    std::printf("mqtt_burst_event_latency_ms_p99: %.3f\n", percentile(lateMs, 0.99));
    return 0;
}
