// The board looked after in the window, against the firmware run by the
// simulated microcontroller: it comes back by itself after an unplug, and
// Tools > Put the firmware on the board... writes the firmware with the
// real avrdude through Arduino's boot loader.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/board_care.h"
#include "app/dialogs/flash_dlg.h"
#include "app/main_frame.h"
#include "core/commands.h"
#include "serial/qt_ports.h"
#include "serial/qt_settings_store.h"
#include "tests/support/scripted_platform.h"

namespace orvalinder {
namespace {

// The old Nano's boot loader: Debian 12's optiboot for the Uno runs past
// the end of the flash (irbridge-avr refuses it).
const QString kBootLoader =
    QStringLiteral("/usr/share/arduino/hardware/arduino/avr/bootloaders/atmega/ATmegaBOOT_168_atmega328.hex");

// irbridge-avr as a process: its device, and the frames its LED sends.
class SimulatedBoard {
public:
    bool start(const QStringList& arguments) {
        process_.start(QStringLiteral(IRBRIDGE_AVR), arguments);
        if (!process_.waitForReadyRead(10000) || !process_.canReadLine()) return false;
        path = QString::fromUtf8(process_.readLine()).trimmed();
        return path.startsWith('/');
    }
    // Like a pulled cable: the device goes away with the process.
    void unplug() {
        process_.terminate();
        process_.waitForFinished(5000);
    }
    // Waits for the LED to send a frame.
    bool sendsAFrame(int withinMs) {
        QSignalSpy output(&process_, &QProcess::readyReadStandardOutput);
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < withinMs) {
            while (process_.canReadLine())
                if (process_.readLine().startsWith("sent ")) return true;
            output.wait(static_cast<int>(withinMs - timer.elapsed()));
        }
        return false;
    }
    ~SimulatedBoard() { unplug(); }

    QString path;

private:
    QProcess process_;
};

// The board's real start-up, but silent boards are given up sooner.
class HalfAnswerWaits : public BoardWaits {
public:
    int answerMs(int wanted) override { return wanted / 2; }
};

class BoardCareWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(config.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
        frame = std::make_unique<CMainFrame>(platform, connection, codes, document, state);
        care = new BoardCare(*frame, connection, ports, store, platform);
        frame->show();
    }
    void TearDown() override { frame.reset(); }

    void storePort(const QString& path) { writePortSettings(store, PortSettings{path.toStdString()}); }
    std::wstring status(int line) { return frame->view()->state().status.line(line); }

    // Connects as a click would and waits for the board's version.
    QString connectAndCheck() {
        QSignalSpy checked(&connection, &SerialConnection::boardChecked);
        EXPECT_TRUE(connection.startConnect());
        if (!checked.wait(10000)) return QStringLiteral("no check");
        return checked[0].at(1).toString();
    }

    QTemporaryDir config;
    QtSettingsStore store;
    QtPortLister ports;
    HalfAnswerWaits waits;
    SerialConnection connection{store, waits};
    testing::ScriptedBoxes boxes;
    testing::ScriptedPicker picker;
    testing::ScriptedFolders folders;
    Platform platform{boxes, picker, folders};
    ButtonCodes codes{config.path() + QStringLiteral("/data")};
    COrvalinderDoc document;
    QSettings state{config.path() + "/state.conf", QSettings::IniFormat};
    std::unique_ptr<CMainFrame> frame;
    BoardCare* care = nullptr;
};

// The port is a link the test points at each run of the board, as
// /dev/serial/by-id/ names a board that is plugged in again.
TEST_F(BoardCareWindow, AnUnpluggedBoardIsConnectedAgainWhenItComesBack) {
    const QString elf = QStringLiteral(IRBRIDGE_ELF);
    const QString link = config.path() + QStringLiteral("/board");
    auto first = std::make_unique<SimulatedBoard>();
    ASSERT_TRUE(first->start({elf}));
    ASSERT_TRUE(QFile::link(first->path, link));
    storePort(link);
    EXPECT_EQ(connectAndCheck(), "1.1");

    QSignalSpy lost(&connection, &SerialConnection::connectionLost);
    first->unplug();
    ASSERT_TRUE(lost.wait(3000));
    EXPECT_TRUE(care->watching());

    SimulatedBoard second;
    ASSERT_TRUE(second.start({elf}));
    QSignalSpy checked(&connection, &SerialConnection::boardChecked);
    const QString next = link + QStringLiteral(".next");
    ASSERT_TRUE(QFile::link(second.path, next));
    ASSERT_TRUE(QFile::remove(link) && QFile::rename(next, link));
    QElapsedTimer back;
    back.start();
    ASSERT_TRUE(checked.wait(3000));
    EXPECT_LT(back.elapsed(), 3000);
    EXPECT_TRUE(connection.connected());
    EXPECT_FALSE(care->watching());
    EXPECT_EQ(status(2), L"2. Connected to IrBridge 1.1");
    EXPECT_TRUE(boxes.shown.empty());  // the program's own reconnect shows no box

    frame->view()->pressButton(0);
    frame->view()->release();
    EXPECT_TRUE(second.sendsAFrame(3000));
}

// A board with another firmware: the update is offered, and written only
// once the user starts it; the board then answers as IrBridge.
TEST_F(BoardCareWindow, TheFirmwareIsPutOnTheBoardFromTheToolsMenu) {
    if (!QFile::exists(kBootLoader)) GTEST_SKIP() << "no Arduino boot loader (arduino-core-avr)";
    SimulatedBoard board;
    ASSERT_TRUE(board.start({QStringLiteral("--quiet"), QStringLiteral("--boot-loader"), kBootLoader,
                             QStringLiteral(AVRSIM_PROBE_ELF)}));
    storePort(board.path);
    boxes.answers = {Answer::No};
    EXPECT_EQ(connectAndCheck(), "");  // the other firmware does not answer
    EXPECT_EQ(status(1), L"1. Update it: Tools > Put the firmware on the board...");
    EXPECT_EQ(status(2), L"2. Connected; the board does not say its firmware (IrBridge older than 1.1?)");
    ASSERT_EQ(boxes.shown.size(), 1u);  // offered
    EXPECT_EQ(frame->findChild<CFlashDlg*>(), nullptr);
    EXPECT_TRUE(connection.connected());  // and key codes still go

    frame->action(command::FlashFirmware)->trigger();
    auto* dialog = frame->findChild<CFlashDlg*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(dialog->running());  // nothing written unasked
    dialog->findChild<QComboBox*>(QStringLiteral("board"))->setCurrentIndex(1);  // the old boot loader's 57600 baud
    QSignalSpy finished(dialog, &CFlashDlg::finished);
    QSignalSpy checked(&connection, &SerialConnection::boardChecked);
    dialog->start();
    EXPECT_FALSE(connection.connected());  // the port is avrdude's
    ASSERT_TRUE(finished.wait(60000));
    ASSERT_TRUE(finished[0].at(0).toBool()) << dialog->findChild<QLabel*>(QStringLiteral("state"))->text().toStdString();
    EXPECT_EQ(dialog->findChild<QProgressBar*>()->value(), 100);
    ASSERT_TRUE(checked.wait(10000));
    EXPECT_EQ(checked[0].at(1).toString(), "1.1");
    EXPECT_EQ(status(2), L"2. Connected to IrBridge 1.1");
}

}  // namespace
}  // namespace orvalinder
