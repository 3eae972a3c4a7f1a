// Load and fault runs of the real window offscreen, with the real serial
// device, settings store, message boxes and Com settings dialog, against the
// board simulator: a flood of random bytes, a board that goes away, and
// files that cannot be written. Each run is bounded in time.

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>
#include <fstream>
#include <string>
#include <vector>

#include "core/commands.h"
#include "tests/dialogs/dialog_test_support.h"
#include "tests/support/child_process.h"
#include "tests/support/modal.h"
#include "tests/support/window_fixture.h"

namespace orvalinder {
namespace {

// irbridge-sim with `options`. Unless told --quiet it reports each key code
// it answers on its standard error, one line each.
class Simulator : public testing::Simulator {
public:
    explicit Simulator(std::vector<std::string> options) : testing::Simulator(std::getenv("IRBRIDGE_SIM"), options) {}

    // The key codes answered so far, as the simulator reported them.
    const std::string& heard() {
        heard_ += testing::readFor(error(), std::chrono::milliseconds(0));
        return heard_;
    }
    size_t answers() { return testing::occurrences(heard(), " -> "); }

private:
    std::string heard_;
};

double residentMb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    return -1;
}

// The monitor line the board sends for a code, with its closing x.
std::string monitorLine(uint32_t code) {
    std::string line = "9000\t4500";
    for (int bit = 31; bit >= 0; --bit) line += (code >> bit & 1) ? "\t560\t1690" : "\t560\t560";
    return line + "x";
}

// Answers every message box as a user would, with its OK button, once it
// has been shown for a while; keeps their texts, status line 1 as each
// appeared, and the most boxes open at once.
class BoxWatcher {
public:
    explicit BoxWatcher(const COrvalinderView& view, int holdMs = 300) {
        clock_.start();
        QObject::connect(&timer_, &QTimer::timeout, [this, &view, holdMs] {
            QList<QMessageBox*> open;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) open << box;
            mostOpen = std::max(mostOpen, static_cast<int>(open.size()));
            for (QMessageBox* box : open) {
                const QVariant since = box->property("watchedSince");
                if (!since.isValid()) {
                    box->setProperty("watchedSince", clock_.elapsed());
                    texts << box->text();
                    statusLine1 << QString::fromStdWString(view.status().text(StatusLine::Action));
                } else if (clock_.elapsed() - since.toLongLong() >= holdMs) {
                    if (QAbstractButton* ok = box->button(QMessageBox::Ok))
                        QTest::mouseClick(ok, Qt::LeftButton);
                    else
                        box->reject();
                }
            }
        });
        timer_.start(20);
    }
    void clear() {
        texts.clear();
        statusLine1.clear();
        mostOpen = 0;
    }

    QStringList texts, statusLine1;
    int mostOpen = 0;

private:
    QElapsedTimer clock_;
    QTimer timer_;
};

// Readable in a failure message.
std::string joined(const QStringList& texts) { return texts.join(QStringLiteral("\n--\n")).toStdString(); }

const QString kCannotOpen =
    QStringLiteral("Error\n Unable to open a stream to the local hard drive for the output file\n");

class Load : public testing::Real<testing::ProgramWindow> {
protected:
    void SetUp() override {
        ASSERT_TRUE(std::getenv("IRBRIDGE_SIM")) << "IRBRIDGE_SIM names the simulator";
        // keycodes.txt and buttons.txt go to the current folder, as for a user.
        previous = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(work.path()));
        build(noWait);
        watcher = std::make_unique<BoxWatcher>(*view());
    }
    void TearDown() override {
        watcher.reset();
        parts.reset();
        QDir::setCurrent(previous);
    }
    ProgramSeams seams(BoardWaits& waits) override {
        ProgramSeams seams = ProgramWindow::seams(waits);
        seams.keycodeFolder = currentDirectory;
        return seams;
    }

    void clickButton1() { clickPicture(0.40f, 0.07f); }  // Panasonic: A101

    QTemporaryDir work;
    std::unique_ptr<BoxWatcher> watcher;
    QString previous;
};

// Thirty seconds of random bytes as fast as the pseudo-terminal takes them,
// read and drawn on the IR Monitor: the window stays responsive, memory
// stays level after a five-second warm-up, and the connection holds.
TEST_F(Load, ThirtySecondsOfGarbageOnTheIrMonitor) {
    Simulator sim({"--garbage", "1000000000", "--quiet"});
    ASSERT_TRUE(sim.ok());
    usePort(sim.device);
    frame->action(command::SelectIrMonitor)->trigger();
    ASSERT_TRUE(connectByClick());
    int takes = 0;
    QObject::connect(connection, &SerialConnection::linesArrived, [&takes] { ++takes; });

    // A timer every 100 ms notes how late each of its runs comes.
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0, ticks = 0;
    double mostLateMs = 0, rssStart = -1;
    QEventLoop loop;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        mostLateMs = std::max(mostLateMs, static_cast<double>(now - last) / 1e6 - 100);
        last = now;
        ++ticks;
        if (rssStart < 0 && now >= 5'000'000'000) rssStart = residentMb();
        if (now >= 30'000'000'000) loop.quit();
    });
    tick.start(100);
    loop.exec();
    [[maybe_unused]] const double rssEnd = residentMb();

#ifdef __SANITIZE_ADDRESS__
    constexpr double kMostLateMs = 250;  // each step of the reading takes two to three times as long
#else
    constexpr double kMostLateMs = 100;
#endif
    EXPECT_LT(mostLateMs, kMostLateMs) << ticks << " ticks";
#ifndef __SANITIZE_ADDRESS__  // AddressSanitizer holds freed memory back on purpose
    EXPECT_LT(rssEnd - rssStart, 10.0) << rssStart << " MB after the warm-up, " << rssEnd << " MB at the end";
#endif
    EXPECT_GT(takes, 100);  // the bytes did reach the window
    EXPECT_TRUE(connection->connected());
    EXPECT_TRUE(sim.running());
    EXPECT_EQ(joined(watcher->texts), "");
}

// The board goes away; the user points the Com settings at a new one and
// connects again, and the key codes reach it.
TEST_F(Load, LostBoardThenANewOneThroughTheComSettings) {
    Simulator first({});
    ASSERT_TRUE(first.ok());
    usePort(first.device);
    ASSERT_TRUE(connectByClick());
    clickButton1();
    ASSERT_TRUE(QTest::qWaitFor([&] { return first.answers() == 1; }, 5000)) << first.heard();

    first.stop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !connection->connected(); }, 5000));
    EXPECT_EQ(status(1), StatusLines::numbered(status_text::ConnectionLost));
    EXPECT_EQ(status(2), L"2. Disconnected");

    Simulator second({});
    ASSERT_TRUE(second.ok());
    typePortInComSettings(second.device);
    EXPECT_EQ(store.value("Port"), second.device);

    ASSERT_TRUE(connectByClick());
    EXPECT_EQ(status(2), L"2. Connected");
    clickButton1();
    EXPECT_TRUE(QTest::qWaitFor([&] { return second.answers() == 1; }, 5000));
    EXPECT_NE(second.heard().find("A101"), std::string::npos) << second.heard();
    EXPECT_EQ(joined(watcher->texts), "");
}

// keycodes.txt and buttons.txt cannot be written in the new current folder
// (folders of those names stand in their place): each failure is explained
// in one box at a time, and what was written in the first folder stays.
TEST_F(Load, UnwritableFilesExplainedOneBoxAtATimeNothingWrittenLost) {
    Simulator sim({"--receiver", "ideal"});  // its lines compared to the byte
    ASSERT_TRUE(sim.ok());
    usePort(sim.device);
    ASSERT_TRUE(connectByClick());

    // Three key codes logged, two clicks recorded, in the writable folder.
    for (int i = 0; i < 3; ++i) clickButton1();
    ASSERT_TRUE(QTest::qWaitFor([&] { return sim.answers() == 3; }, 5000)) << sim.heard();
    frame->action(command::SelectIrMonitor)->trigger();
    const QString keycodes = work.path() + "/keycodes.txt";
    const QByteArray logged = "0xFE01FB04\n0xFE01FB04\n0xFE01FB04\n";
    ASSERT_TRUE(QTest::qWaitFor([&] { return readFile(keycodes) == logged; }, 5000)) << readFile(keycodes).data();

    frame->action(command::SelectPanasonic)->trigger();
    frame->action(command::RecordButtonLocations)->trigger();  // the welcome box: OK
    ASSERT_TRUE(view()->state().recording);
    clickPicture(0.3f, 0.2f);
    clickPicture(0.6f, 0.4f);
    clickStop();
    ASSERT_FALSE(view()->state().recording);
    const QString buttons = work.path() + "/buttons.txt";
    const QByteArray recorded = readFile(buttons);
    ASSERT_EQ(recorded.count('\n'), 2) << recorded.data();

    QTemporaryDir readOnly;
    ASSERT_TRUE(QDir(readOnly.path()).mkdir("keycodes.txt"));
    ASSERT_TRUE(QDir(readOnly.path()).mkdir("buttons.txt"));
    ASSERT_TRUE(QDir::setCurrent(readOnly.path()));
    watcher->clear();

    // Thirty answers wait in the device, then the IR Monitor reads them in
    // several chunks: each fails to log while the first box is still open.
    for (int i = 0; i < 30; ++i) clickButton1();
    clickPicture(0.503f, 0.07f);  // where buttons 1 and 2 overlap: A101 and A102, the last
    ASSERT_TRUE(QTest::qWaitFor([&] { return sim.answers() == 3 + 32; }, 5000)) << sim.heard();
    frame->action(command::SelectIrMonitor)->trigger();
    const std::string last = monitorLine(0xFD02FB04).substr(0, IrMonitorLines::kStoredLength);
    const auto shown = [&] {
        for (int n = 1; n <= 4; ++n)
            if (view()->state().monitorLines.line(n) == last) return true;
        return false;
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown() && QApplication::activeModalWidget() == nullptr; }, 10000));
    EXPECT_EQ(joined(watcher->texts), joined({kCannotOpen + readOnly.path() + "/keycodes.txt"}));
    EXPECT_EQ(joined(watcher->statusLine1), "Unable to open a stream to the local hard drive for the output file");
    EXPECT_EQ(watcher->mostOpen, 1);

    watcher->clear();
    frame->action(command::SelectPanasonic)->trigger();
    frame->action(command::RecordButtonLocations)->trigger();  // the welcome box, then the failure
    EXPECT_FALSE(view()->state().recording);
    ASSERT_EQ(watcher->texts.size(), 2);
    EXPECT_TRUE(watcher->texts[0].startsWith("Save click positions to the file buttons.txt."))
        << joined(watcher->texts);
    EXPECT_EQ(watcher->texts[1].toStdString(), (kCannotOpen + readOnly.path() + "/buttons.txt").toStdString());
    EXPECT_EQ(watcher->mostOpen, 1);
    EXPECT_EQ(status(1), L"Unable to open a stream to the local hard drive for the output file");

    EXPECT_EQ(readFile(keycodes), logged);
    EXPECT_EQ(readFile(buttons), recorded);
    EXPECT_TRUE(connection->connected());

    // A new connection explains the next failure again.
    clickConnectButtonMiddle();
    ASSERT_FALSE(connection->connected());
    ASSERT_TRUE(connectByClick());
    watcher->clear();
    clickButton1();
    ASSERT_TRUE(QTest::qWaitFor([&] { return sim.answers() == 3 + 32 + 1; }, 5000)) << sim.heard();
    frame->action(command::SelectIrMonitor)->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return watcher->texts.size() == 1; }, 5000));
}

}  // namespace
}  // namespace orvalinder
