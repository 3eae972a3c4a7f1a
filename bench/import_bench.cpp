// A large file of codes through File > Import codes: a lircd.conf of
// 200,000 keys (3.7 MB) imported in the offscreen window. Prints "key:
// value" lines: the file, the time from the import to its dialog shown,
// the peak resident memory meanwhile, and the memory once the dialog is
// cancelled, beside the window's memory before the import.
// Usage: import_bench [KEYS]

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <fstream>
#include <string>

#include "app/offscreen_frame.h"

using namespace orvalinder;

namespace {

// A line of /proc/self/status, in MB.
double statusMb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0) return std::stod(line.substr(std::string(field).size())) / 1024.0;
    return -1;
}

// From here on VmHWM is the peak of what follows.
void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// One NEC remote, a few keys with the pictures' names among the others.
QString writeLargeFile(const QTemporaryDir& folder, int keys) {
    std::string text =
        "begin remote\n  name  large\n  bits  16\n  flags SPACE_ENC|CONST_LENGTH\n  header 9000 4500\n"
        "  one 560 1690\n  zero 560 560\n  ptrail 560\n  pre_data_bits 16\n  pre_data 0x20DF\n  gap 108000\n"
        "  begin codes\n    KEY_POWER 0x10EF\n    KEY_UP 0x02FD\n";
    char line[64];
    for (int k = 2; k < keys; ++k) {
        std::snprintf(line, sizeof line, "    k%06d 0x%04X\n", k, k & 0xFFFF);
        text += line;
    }
    text += "  end codes\nend remote\n";
    const QString path = folder.filePath(QStringLiteral("large.lircd.conf"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.data(), static_cast<qint64>(text.size())) < 0) return {};
    return path;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int keys = argc > 1 ? std::atoi(argv[1]) : 200000;

    QTemporaryDir folder;
    const QString path = writeLargeFile(folder, keys);
    if (path.isEmpty()) {
        std::fprintf(stderr, "import_bench: cannot write the file\n");
        return 1;
    }
    OffscreenFrame window;
    window.frame.resize(900, 900);
    window.frame.show();
    if (!QTest::qWaitForWindowExposed(&window.frame)) return 1;
    QCoreApplication::processEvents();

    std::printf("file_keys: %d\nfile_mb: %.1f\n", keys, static_cast<double>(QFile(path).size()) / 1e6);
    std::printf("rss_before_import_mb: %.0f\n", statusMb("VmRSS:"));
    resetPeak();

    // The dialog is modal: a timer in its own loop sees it shown, then
    // cancels it as the user would.
    QElapsedTimer clock;
    double dialogMs = -1, peakMb = -1;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) return;
        watch.stop();
        if (!QTest::qWaitForWindowExposed(dialog)) std::fprintf(stderr, "import_bench: the dialog was not exposed\n");
        dialogMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        peakMb = statusMb("VmHWM:");
        dialog->reject();
    });
    watch.start(1);
    clock.start();
    window.frame.importCodes(path);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    if (dialogMs < 0) {
        std::fprintf(stderr, "import_bench: the import dialog never showed\n");
        return 1;
    }
    std::printf("import_dialog_shown_ms: %.0f\n", dialogMs);
    std::printf("import_peak_rss_mb: %.0f\n", std::max(peakMb, statusMb("VmHWM:")));
    std::printf("rss_after_cancel_mb: %.0f\n", statusMb("VmRSS:"));
    return 0;
}
