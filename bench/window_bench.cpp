// The window's speed: from process start to the first paint (offscreen),
// the real program's start against a bare Qt main window's (menus, toolbar,
// status bar) and a bare widget's, one full paint of the Technika picture
// with its click areas at a client height of 1080, and a click on a picture
// button until its key code is on the wire.
// Prints "key: value" lines.
// Usage: window_bench [PATH-TO-orvalinder PATH-TO-bare_qt_window]

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/no_wait.h"
#include "app/lircd_target.h"
#include "app/offscreen_frame.h"
#include "lircd/lircd_server.h"
#include "core/view_layout.h"
#include "tests/support/child_process.h"
#include "tests/support/pty_board.h"

using namespace orvalinder;

namespace {

long long monotonicNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Starts this program again to open the window, and returns the time from
// the start to the window's first paint, which the child reports.
double startupToFirstPaintMs(const char* self) {
    const long long start = monotonicNs();
    testing::ChildProcess child({self, "--first-paint"});
    std::string text;
    testing::readUntil(
        child.output(), text, [](const std::string&) { return false; }, std::chrono::seconds(60));
    return text.empty() ? -1 : static_cast<double>(std::stoll(text) - start) / 1e6;
}

class FirstPaint : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            std::printf("%lld", monotonicNs());
            std::fflush(stdout);
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        }
        return false;
    }

private:
    bool seen_ = false;
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<size_t>(p * static_cast<double>(values.size())))];
}

struct Start {
    double firstPaintMs = -1;
    double rssMb = -1;
};

double residentMb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    return -1;
}

// Starts a Qt program offscreen with Qt's own painting log switched on and
// times it from the fork to its first "Drawing" line, the start of its
// first paint; then stops it, reads its resident memory and kills it. Every
// program is measured the same way and none needs a hook of its own.
Start startToFirstPaint(const std::vector<std::string>& command, const std::string& home) {
    const std::vector<std::string> environment = {"QT_QPA_PLATFORM=offscreen",
                                                  "QT_LOGGING_RULES=qt.widgets.painting=true", "HOME=" + home,
                                                  "XDG_CONFIG_HOME=" + home, "XDG_RUNTIME_DIR=" + home};
    const long long start = monotonicNs();
    testing::ChildProcess child(command, {.environment = environment, .readError = true, .endSignal = SIGKILL});
    Start result;
    std::string text;
    if (testing::readUntil(child.error(), text, testing::contains("qt.widgets.painting: Drawing"),
                           std::chrono::seconds(20))) {
        result.firstPaintMs = static_cast<double>(monotonicNs() - start) / 1e6;
        kill(child.pid(), SIGSTOP);
        result.rssMb = residentMb(child.pid());
    }
    return result;
}

// The real window over a pseudo-terminal that plays the board: clicks on
// Panasonic button 1, each timed until "A101" is read on the master side.
// The baseline writes the same four bytes straight into another
// pseudo-terminal's slave side and reads them the same way.
void clickToWire(int clicks) {
    testing::PtyBoard board;
    orvalinder::testing::NoWait noWait;
    OffscreenFrame window(&noWait);
    writePortSettings(window.store, PortSettings{board.path(), "NONE", "115200", "1", "8"});
    CMainFrame& frame = window.frame;
    SerialConnection& connection = window.connection;
    frame.resize(900, 900);
    frame.show();
    COrvalinderView* view = frame.view();
    if (!QTest::qWaitForWindowExposed(&frame)) return;
    view->repaint();

    QSignalSpy finished(&connection, &SerialConnection::connectFinished);
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(layout::ConnectSquare.left, layout::ConnectSquare.top));
    if (!finished.wait(5000) || !connection.connected()) {
        std::fprintf(stderr, "window_bench: no connection to %s\n", board.path().c_str());
        return;
    }
    const PictureGeometry& g = view->state().geometry;
    const QPoint button(g.xOffset + static_cast<int>(0.40f * static_cast<float>(g.width) * g.scale),
                        static_cast<int>(0.07f * static_cast<float>(g.height) * g.scale));
    std::vector<double> times;
    for (int i = 0; i < clicks; ++i) {
        QCoreApplication::processEvents();
        const long long start = monotonicNs();
        QTest::mouseClick(view, Qt::LeftButton, {}, button);
        const std::string heard = board.receive(4, std::chrono::milliseconds(1000));
        const long long end = monotonicNs();
        if (heard != "A101") {
            std::fprintf(stderr, "window_bench: the board heard \"%s\"\n", heard.c_str());
            return;
        }
        times.push_back(static_cast<double>(end - start) / 1e6);
    }
    std::printf("click_to_wire_ms_p50: %.3f\n", percentile(times, 0.50));
    std::printf("click_to_wire_ms_p99: %.3f\n", percentile(times, 0.99));

    // The same key sent by a LIRC client: from SEND_ONCE written on the
    // socket to the key code read from the board's line.
    QTemporaryDir runtime;
    lircd::LircdServer server(window.parts.lircTarget);
    const QString socketPath = runtime.filePath(QStringLiteral("lircd"));
    const int client = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.toLocal8Bit().constData(), sizeof address.sun_path - 1);
    if (!server.listenLocal(socketPath).isEmpty() ||
        ::connect(client, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        std::fprintf(stderr, "window_bench: no LIRC socket\n");
        return;
    }
    times.clear();
    const std::string command = "SEND_ONCE panasonic A101\n";
    for (int i = 0; i < clicks; ++i) {
        const long long start = monotonicNs();
        if (::write(client, command.data(), command.size()) != static_cast<ssize_t>(command.size())) {
            std::fprintf(stderr, "window_bench: the LIRC socket took no command\n");
            break;
        }
        std::string heard;
        while (heard.size() < 4 && monotonicNs() - start < 1000000000LL) {
            QCoreApplication::processEvents();
            heard += board.receive(4 - heard.size(), std::chrono::milliseconds(2));  // a poll of 1 ms at most
        }
        if (heard != "A101") {
            std::fprintf(stderr, "window_bench: the board heard \"%s\" from the socket\n", heard.c_str());
            break;
        }
        times.push_back(static_cast<double>(monotonicNs() - start) / 1e6);
        char reply[256];
        while (::recv(client, reply, sizeof reply, MSG_DONTWAIT) > 0) {}
    }
    ::close(client);
    if (!times.empty()) {
        std::printf("lircd_send_once_to_wire_ms_p50: %.3f\n", percentile(times, 0.50));
        std::printf("lircd_send_once_to_wire_ms_p99: %.3f\n", percentile(times, 0.99));
    }

    testing::PtyBoard raw;
    const int slave = open(raw.path().c_str(), O_RDWR | O_NOCTTY);
    times.clear();
    for (int i = 0; i < clicks; ++i) {
        const long long start = monotonicNs();
        if (write(slave, "A101", 4) != 4 || raw.receive(4, std::chrono::milliseconds(1000)) != "A101") break;
        times.push_back(static_cast<double>(monotonicNs() - start) / 1e6);
    }
    close(slave);
    if (times.empty()) return;
    std::printf("pty_write_to_read_ms_p50: %.3f\n", percentile(times, 0.50));
    std::printf("pty_write_to_read_ms_p99: %.3f\n", percentile(times, 0.99));
}

}  // namespace

// The window as the program opens it, until its first paint.
int firstPaint(int argc, char** argv) {
    QApplication app(argc, argv);
    OffscreenFrame window;
    CMainFrame& frame = window.frame;
    FirstPaint firstPaint;
    frame.view()->installEventFilter(&firstPaint);
    frame.show();
    return app.exec();
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc > 1 && std::string(argv[1]) == "--first-paint") return firstPaint(argc, argv);

    std::vector<double> starts;
    for (int i = 0; i < 7; ++i) starts.push_back(startupToFirstPaintMs(argv[0]));
    std::printf("startup_to_first_paint_ms: %.1f\n", median(starts));

    // The real program, the frame every program of its kind has and a bare
    // window, turn about, each started afresh.
    const char* program = argc > 2 ? argv[1] : ORVALINDER_PROGRAM;
    const char* bare = argc > 2 ? argv[2] : BARE_QT_WINDOW;
    {
        QTemporaryDir home;
        const std::vector<std::vector<std::string>> commands = {{program}, {bare}, {bare, "--widget"}};
        std::vector<double> ms[3], mb[3];
        for (int i = 0; i < 9; ++i) {
            for (size_t c = 0; c < commands.size(); ++c) {
                const Start started = startToFirstPaint(commands[c], home.path().toStdString());
                if (started.firstPaintMs < 0) {
                    std::fprintf(stderr, "window_bench: no first paint from %s\n", commands[c].back().c_str());
                    return 1;
                }
                ms[c].push_back(started.firstPaintMs);
                mb[c].push_back(started.rssMb);
            }
        }
        std::printf("program_first_paint_ms: %.1f\n", median(ms[0]));
        std::printf("bare_qt_first_paint_ms: %.1f\n", median(ms[1]));
        std::printf("bare_widget_first_paint_ms: %.1f\n", median(ms[2]));
        std::printf("startup_vs_bare_qt_ratio: %.2f\n", median(ms[0]) / median(ms[1]));
        std::printf("startup_vs_bare_widget_ratio: %.2f\n", median(ms[0]) / median(ms[2]));
        std::printf("rss_after_start_mb: %.1f\n", median(mb[0]));
        std::printf("bare_qt_rss_mb: %.1f\n", median(mb[1]));
        std::printf("bare_widget_rss_mb: %.1f\n", median(mb[2]));
    }
    QApplication app(argc, argv);

    ViewState view;
    view.select(Technika);
    view.clickAreasShown = true;
    ViewPainter painter;
    QImage client(1400, 1080, QImage::Format_RGB32);
    std::vector<double> times;
    for (int i = 0; i < 200; ++i) {
        client.fill(Qt::white);
        QElapsedTimer timer;
        timer.start();
        QPainter p(&client);
        painter.paint(p, view, StatusLines{}, false, client.size());
        p.end();
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    std::printf("paint_technika_overlay_ms: %.3f\n", times[times.size() / 2]);
    std::printf("paint_technika_overlay_first_ms: %.3f\n", times.back());

    clickToWire(2000);
    return 0;
}
