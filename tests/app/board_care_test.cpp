// The board looked after in the window, against the firmware run by the
// simulated microcontroller: it comes back by itself after an unplug, and
// Tools > Put the firmware on the board... writes the firmware with the
// real avrdude through Arduino's boot loader.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QToolTip>
#include <memory>

#include "app/board_care.h"
#include "app/dialogs/about_dlg.h"
#include "app/dialogs/flash_dlg.h"
#include "core/commands.h"
#include "serial/qt_ports.h"
#include "tests/dialogs/dialog_test_support.h"
#include "tests/support/child_process.h"
#include "tests/support/modal.h"
#include "tests/support/window_fixture.h"

namespace orvalinder {
namespace {

// The old Nano's boot loader: Debian 12's optiboot for the Uno runs past
// the end of the flash (irbridge-avr refuses it).
const QString kBootLoader =
    QStringLiteral("/usr/share/arduino/hardware/arduino/avr/bootloaders/atmega/ATmegaBOOT_168_atmega328.hex");

// irbridge-avr running `arguments`, the last of them a firmware.
class SimulatedBoard : public testing::Simulator {
public:
    explicit SimulatedBoard(std::vector<std::string> arguments = {IRBRIDGE_ELF})
        : Simulator(IRBRIDGE_AVR, std::move(arguments)) {}

    // Waits for the LED to send a frame, the window going meanwhile.
    bool sendsAFrame(int withinMs) {
        std::string printed;
        return QTest::qWaitFor(
            [&] {
                printed += testing::readFor(output(), std::chrono::milliseconds(0));
                return printed.find("sent ") != std::string::npos;
            },
            withinMs);
    }
};

class BoardCareWindow : public testing::Scripted<testing::ProgramWindow> {
protected:
    void SetUp() override { build(halfAnswerWaits); }
    ProgramSeams seams(BoardWaits& waits) override {
        ProgramSeams seams = ProgramWindow::seams(waits);
        seams.ports = &ports;
        return seams;
    }

    // Connects as a click would and waits for the board's version.
    QString connectAndCheck() {
        QSignalSpy checked(connection, &SerialConnection::boardChecked);
        EXPECT_TRUE(connection->startConnect());
        if (!checked.wait(10000)) return QStringLiteral("no check");
        return checked[0].at(1).toString();
    }
    BoardCare* care() { return parts->boardCare; }

    QtPortLister ports;
    testing::ShortWaits halfAnswerWaits{1, 2};  // the board's real start-up, but silent boards given up sooner
};

// The port is a link the test points at each run of the board, as
// /dev/serial/by-id/ names a board that is plugged in again.
TEST_F(BoardCareWindow, AnUnpluggedBoardIsConnectedAgainWhenItComesBack) {
    const QString link = config.path() + QStringLiteral("/board");
    auto first = std::make_unique<SimulatedBoard>();
    ASSERT_TRUE(first->ok());
    ASSERT_TRUE(QFile::link(QString::fromStdString(first->device), link));
    usePort(link.toStdString());
    EXPECT_EQ(connectAndCheck(), "1.1");

    QSignalSpy lost(connection, &SerialConnection::connectionLost);
    first.reset();  // like a pulled cable: the device goes with the process
    ASSERT_TRUE(lost.wait(3000));
    EXPECT_TRUE(care()->watching());

    // Something is back under the name that is no serial port: it is tried,
    // the window says so, and the watch goes on.
    ASSERT_TRUE(QFile::remove(link) && QFile::link(writeFile("not-a-port"), link));
    EXPECT_TRUE(QTest::qWaitFor([&] { return status(2) == L"2. The board is back; trying to open it"; }, 3000));
    EXPECT_TRUE(care()->watching());
    // Tried again a second later, not at once.
    QSignalSpy tries(connection, &SerialConnection::connectStarted);
    QTest::qWait(1200);
    EXPECT_LE(tries.size(), 2);

    SimulatedBoard second;
    ASSERT_TRUE(second.ok());
    QSignalSpy checked(connection, &SerialConnection::boardChecked);
    const QString next = link + QStringLiteral(".next");
    ASSERT_TRUE(QFile::link(QString::fromStdString(second.device), next));
    ASSERT_TRUE(QFile::remove(link) && QFile::rename(next, link));
    QElapsedTimer back;
    back.start();
    ASSERT_TRUE(checked.wait(3000));
    EXPECT_LT(back.elapsed(), 3000);
    EXPECT_TRUE(connection->connected());
    EXPECT_FALSE(care()->watching());
    EXPECT_EQ(status(2), L"2. Connected");
    EXPECT_EQ(tipAt(connectButtonMiddle()), "The board runs IrBridge 1.1.");
    EXPECT_TRUE(boxes.shown.empty());  // the program's own reconnect shows no box

    view()->pressButton(0);
    parts->sender.release();
    EXPECT_TRUE(second.sendsAFrame(3000));
}

// A board with another firmware connects as any board does; the tooltip
// says how to put IrBridge on it, and it is written only once the user
// starts it; the board then says it is IrBridge.
TEST_F(BoardCareWindow, TheFirmwareIsPutOnTheBoardFromTheToolsMenu) {
    if (!QFile::exists(kBootLoader)) GTEST_SKIP() << "no Arduino boot loader (arduino-core-avr)";
    SimulatedBoard board({"--quiet", "--boot-loader", kBootLoader.toStdString(), AVRSIM_PROBE_ELF});
    ASSERT_TRUE(board.ok());
    usePort(board.device);
    EXPECT_EQ(connectAndCheck(), "");  // the other firmware says nothing
    EXPECT_EQ(status(2), L"2. Connected");
    EXPECT_EQ(tipAt(connectButtonMiddle()),
              "The board did not say its firmware. Tools > Put the firmware on the board... installs IrBridge.");
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(frame->findChild<CFlashDlg*>(), nullptr);
    EXPECT_TRUE(connection->connected());  // and key codes still go

    frame->action(command::FlashFirmware)->trigger();
    auto* dialog = frame->findChild<CFlashDlg*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(dialog->running());                                             // nothing written unasked
    dialog->findChild<QComboBox*>(QStringLiteral("board"))->setCurrentIndex(1);  // the old boot loader's 57600 baud
    QSignalSpy finished(dialog, &CFlashDlg::finished);
    QSignalSpy checked(connection, &SerialConnection::boardChecked);
    dialog->start();
    EXPECT_FALSE(connection->connected());  // the port is avrdude's
    ASSERT_TRUE(finished.wait(60000));
    ASSERT_TRUE(finished[0].at(0).toBool())
        << dialog->findChild<QLabel*>(QStringLiteral("state"))->text().toStdString();
    EXPECT_EQ(dialog->findChild<QProgressBar*>()->value(), 100);
    ASSERT_TRUE(checked.wait(10000));
    EXPECT_EQ(checked[0].at(1).toString(), "1.1");
    EXPECT_EQ(status(2), L"2. Connected");
    EXPECT_EQ(tipAt(connectButtonMiddle()), "The board runs IrBridge 1.1.");
}

// An upload that fails (here on a mistyped port) leaves the board as it
// was, and it is connected again as after one that worked; a board pulled
// out during the upload is tried again afterwards, quietly: its absence
// opens no box.
TEST_F(BoardCareWindow, AFailedUploadConnectsTheBoardAgainAGoneOneWithoutABox) {
    auto board = std::make_unique<SimulatedBoard>();
    ASSERT_TRUE(board->ok());
    usePort(board->device);
    ASSERT_TRUE(connectByClick());
    frame->action(command::FlashFirmware)->trigger();
    auto* dialog = frame->findChild<CFlashDlg*>();
    ASSERT_NE(dialog, nullptr);
    auto* port = dialog->findChild<QLineEdit*>(QStringLiteral("port"));
    port->selectAll();
    QTest::keyClicks(port, QStringLiteral("/dev/orvalinder-no-such-port"));
    QSignalSpy finished(dialog, &CFlashDlg::finished);
    QSignalSpy connected(connection, &SerialConnection::connectFinished);
    QAbstractButton* start = testing::buttonNamed(*dialog, "&Start");
    ASSERT_NE(start, nullptr);
    QTest::mouseClick(start, Qt::LeftButton);
    // avrdude has the port to itself, and the window says why it is free.
    EXPECT_FALSE(connection->connected());
    EXPECT_EQ(status(2), L"2. Disconnected while the firmware is written");
    ASSERT_TRUE(finished.wait(30000));
    EXPECT_FALSE(finished[0].at(0).toBool());
    EXPECT_TRUE(testing::buttonNamed(*dialog, "&Close"));  // no longer Stop
    ASSERT_TRUE(connected.wait(10000));
    EXPECT_TRUE(connected.last().at(0).toBool());
    EXPECT_EQ(status(2), L"2. Connected");
    click(pictureButton(0));
    EXPECT_TRUE(board->sendsAFrame(3000));

    QSignalSpy again(connection, &SerialConnection::connectFinished);
    dialog->start();
    board.reset();
    ASSERT_TRUE(again.wait(30000));
    EXPECT_FALSE(again.last().at(0).toBool());
    EXPECT_TRUE(boxes.shown.empty());

    // Nothing connected now: the next failed upload leaves it so.
    QSignalSpy third(connection, &SerialConnection::connectStarted);
    dialog->start();
    ASSERT_TRUE(finished.wait(30000));
    EXPECT_EQ(third.count(), 0);
}

// Without avrdude nothing is written, and a board that was not connected
// before is not connected after.
TEST_F(BoardCareWindow, AnUploadThatCannotStartConnectsNothing) {
    usePort("/dev/orvalinder-no-such-port");
    frame->action(command::FlashFirmware)->trigger();
    auto* dialog = frame->findChild<CFlashDlg*>();
    ASSERT_NE(dialog, nullptr);
    dialog->program = config.path() + QStringLiteral("/no-avrdude");
    QSignalSpy finished(dialog, &CFlashDlg::finished);
    QSignalSpy connects(connection, &SerialConnection::connectStarted);
    const auto stateText = [dialog] { return dialog->findChild<QLabel*>(QStringLiteral("state"))->text(); };
    // No port, no avrdude: the user is told where to find one.
    auto* port = dialog->findChild<QLineEdit*>(QStringLiteral("port"));
    const QString chosen = port->text();
    port->clear();
    dialog->start();
    EXPECT_EQ(stateText(), "Type the board's port, or find it with Options > Com settings > Find board.");
    EXPECT_FALSE(dialog->running());
    port->setText(chosen);
    dialog->start();
    ASSERT_TRUE(finished.count() == 1 || finished.wait(5000));
    EXPECT_FALSE(finished[0].at(0).toBool());
    EXPECT_EQ(stateText(), "avrdude could not be started: is it installed? Run\n    sudo apt install avrdude");
    // Everything can be chosen again and started again.
    for (const char* name : {"port", "board"})
        EXPECT_TRUE(dialog->findChild<QWidget*>(QString::fromLatin1(name))->isEnabled()) << name;
    EXPECT_TRUE(testing::buttonNamed(*dialog, "&Start")->isEnabled());

    // An avrdude that finds no boot loader: the state names the baud the
    // chosen board was tried at; the details keep avrdude's last 500 lines
    // (of its 602: 600 numbers, the warning, the empty line after it).
    const QString fake = config.path() + QStringLiteral("/avrdude");
    QFile script(fake);
    const auto writeScript = [&](const char* body) {
        ASSERT_TRUE(script.open(QIODevice::WriteOnly | QIODevice::Truncate));
        script.write(body);
        script.close();
    };
    writeScript("#!/bin/sh\nseq 1 600\necho 'avrdude warning: attempt 1 of 10: not in sync: resp=0x00'\nexit 1\n");
    script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
    dialog->program = fake;
    for (int board : {0, 1}) {
        dialog->findChild<QComboBox*>(QStringLiteral("board"))->setCurrentIndex(board);
        dialog->start();
        ASSERT_TRUE(finished.wait(5000));
        for (const char* name : {"port", "board"})  // to be chosen again
            EXPECT_TRUE(dialog->findChild<QWidget*>(QString::fromLatin1(name))->isEnabled()) << name;
        EXPECT_TRUE(
            stateText().startsWith(QStringLiteral("No boot loader answered on /dev/orvalinder-no-such-port at ") +
                                   (board == 0 ? "115200" : "57600") + " baud."))
            << stateText().toStdString();
        auto* details = dialog->findChild<QPlainTextEdit*>(QStringLiteral("details"));
        EXPECT_EQ(details->document()->blockCount(), 500);
        EXPECT_TRUE(details->toPlainText().startsWith(QStringLiteral("103\n")))
            << details->toPlainText().left(20).toStdString();
    }
    // Stopped while it runs: avrdude is killed, the dialog stays and warns;
    // the next run's details are its own.
    writeScript("#!/bin/sh\necho waiting\nexec sleep 30\n");
    dialog->start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog->running(); }, 2000));
    QTest::mouseClick(testing::buttonNamed(*dialog, "&Stop"), Qt::LeftButton);
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(stateText().startsWith("Stopped. The board may hold half a firmware")) << stateText().toStdString();
    EXPECT_TRUE(testing::buttonNamed(*dialog, "&Close"));
    writeScript("#!/bin/sh\necho one\nexit 1\n");
    dialog->start();
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_EQ(dialog->findChild<QPlainTextEdit*>(QStringLiteral("details"))->toPlainText(), "one\n");
    QTest::qWait(500);
    EXPECT_EQ(connects.count(), 0);
    QTest::mouseClick(testing::buttonNamed(*dialog, "&Close"), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return frame->findChild<CFlashDlg*>() == nullptr; }, 1000));  // freed
}

// A board that takes key codes and says nothing else, through the window:
// the connect writes nothing and opens no box, and the first click on the
// picture sends its key code alone.
TEST_F(BoardCareWindow, ABoardThatSaysNothingIsConnectedAsAnyBoard) {
    testing::PtyBoard board;
    usePort(board.path());
    ASSERT_TRUE(connectByClick());
    EXPECT_EQ(status(1), L"1. Connect");
    EXPECT_EQ(status(2), L"2. Connected");
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    click(pictureButton(0));
    EXPECT_EQ(board.receive(4), "A100");
    EXPECT_EQ(board.receive(1, std::chrono::milliseconds(300)), "");  // and nothing else
}

// IrBridge as it runs on the board: known by what it says as the open
// resets it, well before a silent board's time is up; Help > About says
// which firmware the board runs.
TEST_F(BoardCareWindow, IrBridgeIsKnownSoonAfterTheOpen) {
    SimulatedBoard board;
    ASSERT_TRUE(board.ok());
    usePort(board.device);
    QElapsedTimer opened;
    opened.start();
    EXPECT_EQ(connectAndCheck(), "1.1");
    EXPECT_LT(opened.elapsed(), 2000);
    EXPECT_TRUE(boxes.shown.empty());

    QString said = QStringLiteral("no About box");
    answerCommand<CAboutDlg>(command::About, [&](CAboutDlg* dialog) {
        const auto* label = dialog->findChild<QLabel*>(QStringLiteral("board"));
        said = label ? label->text() : QString();
        dialog->reject();
    });
    EXPECT_EQ(said, "The board runs IrBridge 1.1.");
}

// An older IrBridge is told of the update at the connect button, once a
// run for each board, without a box that would hold up the first click.
TEST_F(BoardCareWindow, AnOlderIrBridgeIsToldOfTheUpdateOnceWithoutABox) {
    testing::AnsweringBoard board("IrBridge 1.0Y");
    ASSERT_TRUE(board.ok());
    usePort(board.path());
    const QString note = QStringLiteral(
        "The board runs IrBridge 1.0, older than the 1.1 this program comes with. Tools > Put the firmware on the "
        "board... updates it.");
    QToolTip::hideText();
    EXPECT_EQ(connectAndCheck(), "1.0");
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), note);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(status(2), L"2. Connected");

    connection->disconnect();
    QToolTip::hideText();
    ASSERT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 3000));
    EXPECT_EQ(connectAndCheck(), "1.0");
    EXPECT_FALSE(QToolTip::isVisible());            // told once
    EXPECT_EQ(tipAt(connectButtonMiddle()), note);  // and there for whoever looks
    EXPECT_EQ(board.received(), "");

    // Another board is told of it in its turn.
    testing::AnsweringBoard other("IrBridge 1.0Y");
    ASSERT_TRUE(other.ok());
    connection->disconnect();
    usePort(other.path());
    QToolTip::hideText();
    ASSERT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 3000));
    EXPECT_EQ(connectAndCheck(), "1.0");
    EXPECT_TRUE(QToolTip::isVisible());
}

// Find board still asks: a board that does not reset on open says nothing
// by itself. The silent CH340 is asked first and is not the board; the
// board behind a chip of no known kind is.
TEST_F(BoardCareWindow, FindBoardFindsIrBridgeAmongThePorts) {
    SimulatedBoard board({"--no-reset-on-open", IRBRIDGE_ELF});
    ASSERT_TRUE(board.ok());
    testing::PtyBoard ch340;
    testing::FakePorts listed;
    listed.set(
        {{board.device, std::nullopt, std::nullopt, "", "", ""}, {ch340.path(), 0x1A86, 0x7523, "", "", "USB Serial"}});
    SerialConnection searcher(store, halfAnswerWaits);
    searcher.lookAfterBoard(listed);
    QSignalSpy found(&searcher, &SerialConnection::searchFinished);
    ASSERT_TRUE(searcher.findBoard());
    ASSERT_TRUE(found.wait(15000));
    EXPECT_EQ(found[0].at(0).toString().toStdString(), board.device);
    EXPECT_EQ(found[0].at(1).toString(), "1.1");
}

}  // namespace
}  // namespace orvalinder
