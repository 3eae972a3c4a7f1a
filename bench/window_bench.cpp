// The window's speed: from process start to the first paint (offscreen),
// and one full paint of the Technika picture with its click areas at a
// client height of 1080. Prints "key: value" lines.

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QSettings>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

#include "app/offscreen_frame.h"

using namespace orvalinder;

namespace {

long long monotonicNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Starts this program again to open the window, and returns the time from
// the start to the window's first paint, which the child reports.
double startupToFirstPaintMs(const char* self) {
    int out[2];
    if (pipe(out) != 0) return -1;
    const long long start = monotonicNs();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        execl(self, self, "--first-paint", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    std::string text;
    char c;
    while (read(out[0], &c, 1) == 1) text += c;
    close(out[0]);
    waitpid(pid, nullptr, 0);
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
    std::sort(starts.begin(), starts.end());
    std::printf("startup_to_first_paint_ms: %.1f\n", starts[starts.size() / 2]);
    QGuiApplication app(argc, argv);

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
        painter.paint(p, view, client.size());
        p.end();
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    std::printf("paint_technika_overlay_ms: %.3f\n", times[times.size() / 2]);
    std::printf("paint_technika_overlay_first_ms: %.3f\n", times.back());
    return 0;
}
