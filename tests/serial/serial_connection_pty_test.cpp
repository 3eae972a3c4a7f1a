// The link on a real serial device: a pseudo-terminal, with the test
// playing the board on its other side.

#include <gtest/gtest.h>

#include <thread>

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QSerialPort>
#include <QTemporaryDir>
#include <fstream>
#include <sstream>
#include <tuple>

#include "serial/key_sender.h"
#include "serial/qt_ports.h"
#include "serial/qt_serial_device.h"
#include "serial/qt_settings_store.h"
#include "serial/serial_connection.h"
#include "serial/version_probe.h"
#include "tests/support/no_wait.h"
#include "tests/support/pty_board.h"

namespace orvalinder {
namespace {

using testing::deviceIsFree;
using testing::PtyBoard;

// Counts the waits a connect asks for and takes none of them.
class CountingWaits : public BoardWaits {
public:
    std::atomic<int> total{0};
    int milliseconds(int wanted) override {
        total += wanted;
        return 0;
    }
};

// Makes the first wait of a connect last `firstMs` and the others nothing;
// the device is open by the time the first wait is asked for.
class FirstWaitHeld : public BoardWaits {
public:
    explicit FirstWaitHeld(int firstMs) : firstMs_(firstMs) {}
    int milliseconds(int) override {
        std::lock_guard lock(mutex_);
        if (reached_) return 0;
        reached_ = true;
        changed_.notify_all();
        return firstMs_;
    }
    bool waitUntilReached() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(5), [this] { return reached_; });
    }

private:
    const int firstMs_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool reached_ = false;
};

class PtyConnection : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(board.ok());
        ASSERT_TRUE(config.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
        ASSERT_TRUE(logDir.isValid());
    }

    void useWaits(BoardWaits& these) { connection = std::make_unique<SerialConnection>(store, these, logger()); }
    KeyCodeLogger logger() const {
        return KeyCodeLogger([d = logDir.path().toStdString()] { return std::optional(d); });
    }

    void storeSettings(const std::string& speed = "115200", const std::string& dataBits = "8") {
        writePortSettings(store, PortSettings{board.path(), "NONE", speed, "1", dataBits});
    }

    // Connects and waits for the outcome; the message shown, if any.
    bool connect(QString* message = nullptr) {
        QSignalSpy finished(connection.get(), &SerialConnection::connectFinished);
        EXPECT_TRUE(connection->startConnect());
        EXPECT_FALSE(connection->startConnect());  // one connect at a time
        EXPECT_TRUE(finished.wait(5000));
        if (finished.isEmpty()) return false;
        if (message) *message = finished.first().at(1).toString();
        EXPECT_EQ(finished.first().at(0).toBool(), connection->connected());
        return finished.first().at(0).toBool();
    }

    bool storeAndConnect() {
        storeSettings();
        return connect();
    }

    // Starts a connect to the board whose first wait, the device open by
    // then, lasts `firstMs`; true once that wait has begun. `heldEnd` sees
    // the connect's end.
    bool startHeld(int firstMs) {
        storeSettings();
        held = std::make_unique<FirstWaitHeld>(firstMs);
        useWaits(*held);
        heldEnd = std::make_unique<QSignalSpy>(connection.get(), &SerialConnection::connectFinished);
        return connection->startConnect() && held->waitUntilReached();
    }

    // Lines the window takes until `last` comes or nothing more arrives.
    std::vector<ReceivedLine> takeLinesUntil(const std::string& last, int quietMs = 3000) {
        QSignalSpy arrived(connection.get(), &SerialConnection::linesArrived);
        std::vector<ReceivedLine> taken;
        bool ended = false;
        while (!ended && (!arrived.isEmpty() || arrived.wait(quietMs))) {
            arrived.clear();
            for (ReceivedLine& line : connection->takeLines()) {
                ended = ended || line.text == last;
                taken.push_back(std::move(line));
            }
        }
        return taken;
    }

    std::string logged() const {
        std::ifstream log(logDir.path().toStdString() + "/keycodes.txt");
        return std::string((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    }

    PtyBoard board;
    QTemporaryDir config;
    QTemporaryDir logDir;
    QtSettingsStore store;
    CountingWaits waits;
    std::unique_ptr<FirstWaitHeld> held;
    std::unique_ptr<SerialConnection> connection = std::make_unique<SerialConnection>(store, waits, logger());
    std::unique_ptr<QSignalSpy> heldEnd;
};

// A page of monitor lines as the board sends them, `bytes` long.
std::string monitorLines(size_t bytes) {
    std::string text;
    while (text.size() < bytes) text += "120\t250\t560x";
    return text;
}

// A settings file that cannot be written is never taken as saved.
TEST_F(PtyConnection, ASettingsFileThatCannotBeWrittenIsNotSaved) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, "/proc");  // read, but never written
    EXPECT_FALSE(store.setValue(setting::Port, board.path()));
}

TEST_F(PtyConnection, KeyCodeArrivesAsItsFourBytes) {
    ASSERT_TRUE(storeAndConnect());
    // The settings live in the user's configuration file.
    QSettings file(config.path() + "/Orvalinder.conf", QSettings::IniFormat);
    EXPECT_EQ(file.value("Port").toString().toStdString(), board.path());
    EXPECT_EQ(file.value("Speed").toString(), "115200");
    EXPECT_EQ(file.value("DataBits").toString(), "8");
    EXPECT_TRUE(store.keyExists());
    EXPECT_EQ(waits.total, 5000);              // the board's start-up
    EXPECT_FALSE(deviceIsFree(board.path()));  // opened exclusively

    StatusLines status;
    sendKeyCode(
        connection->connected(), [this](std::string_view b) { return connection->write(b); }, {'A', 101}, status);
    EXPECT_EQ(board.receive(4), "A101");
    EXPECT_EQ(status.line(3), L"3.  4 bytes sent - A101 - 4 confirmed");

    EXPECT_FALSE(connection->disconnect());
    EXPECT_FALSE(connection->connected());
    EXPECT_TRUE(deviceIsFree(board.path()));

    // The device opens anew; reading, it lets go of the port at once.
    ASSERT_TRUE(connect());
    connection->setMonitorActive(true);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(connection->disconnect());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_TRUE(deviceIsFree(board.path()));
    ASSERT_TRUE(connect());  // and the device opens anew
    connection->disconnect();
}

TEST_F(PtyConnection, RefusedSettingsKeepTheHandleForTheNextTry) {
    for (const auto& [speed, bits] : {std::pair{"0", "8"}, std::pair{"115200", "7"}}) {
        storeSettings(speed, bits);
        QString message;
        EXPECT_FALSE(connect(&message)) << speed << " " << bits;
        EXPECT_EQ(message, "SetCommState\nCould not set communication state \n openport aborted");
        EXPECT_FALSE(deviceIsFree(board.path()));  // still held open
        EXPECT_EQ(connection->write("A101"), 0);
    }
    storeSettings();
    EXPECT_TRUE(connect());  // the held port, configured again: opening it anew would fail
    connection->disconnect();
}

// No settings leave the device alone; a missing device is named by its path.
TEST_F(PtyConnection, MissingSettingsOrDeviceAreSaid) {
    QString message;
    EXPECT_FALSE(connect(&message));
    EXPECT_EQ(message, "Unable read the comm port name from the registry.\nPlease check the port settings ?");
    EXPECT_EQ(waits.total, 0);
    writePortSettings(store, PortSettings{"/dev/orvalinder-no-such-port", "NONE", "115200", "1", "8"});
    EXPECT_FALSE(connect(&message));
    EXPECT_TRUE(
        message.startsWith("Can't open com port /dev/orvalinder-no-such-port\n"
                           "Please check the com port settings in the Options menu."))
        << message.toStdString();
    EXPECT_TRUE(message.contains("There is no such device")) << message.toStdString();
    storeSettings();
    EXPECT_TRUE(connect());  // and the next click tries again
}

TEST_F(PtyConnection, APortAnotherProgramHoldsIsSaidToBeBusy) {
    QSerialPort holder(QString::fromStdString(board.path()));
    ASSERT_TRUE(holder.open(QIODevice::ReadWrite));
    storeSettings();
    QString message;
    EXPECT_FALSE(connect(&message));
    EXPECT_TRUE(message.contains("Another program has the port open.")) << message.toStdString();
}

TEST_F(PtyConnection, LinesFromTheBoardReachTheWindowAndTheLog) {
    ASSERT_TRUE(storeAndConnect());
    connection->setMonitorActive(true);
    board.send("120\t250xCODE:A25DYCODE:-FFFFFFFFY");
    std::vector<std::string> texts;
    for (const ReceivedLine& line : takeLinesUntil("CODE:-FFFFFFFF")) texts.push_back(line.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"120\t250x", "CODE:A25D", "CODE:-FFFFFFFF"}));
    connection->disconnect();
    EXPECT_EQ(logged(), "0xA25D\n0x1\n");  // negated modulo 2^32, as strtoul does
}

TEST_F(PtyConnection, ABurstBiggerThanTheInputQueueReachesTheLogWhole) {
    ASSERT_TRUE(storeAndConnect());
    connection->setMonitorActive(true);
    // Logging every value keeps the port thread busy while the board sends
    // far more than the input queue holds; the rest must wait, not be dropped.
    constexpr int kValues = 40000;
    std::string burst;
    std::string expected;
    for (int i = 0; i < kValues; ++i) {
        char text[32];
        std::snprintf(text, sizeof text, "CODE:%XY", i);
        burst += text;
        std::snprintf(text, sizeof text, "0x%X\n", i);
        expected += text;
    }
    burst += "endx";
    EXPECT_TRUE(board.sendWithin(burst, std::chrono::seconds(10)));
    const std::vector<ReceivedLine> lines = takeLinesUntil("endx");
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().text, "endx");
    connection->disconnect();
    const std::string text = logged();
    EXPECT_TRUE(text == expected) << text.size() << " bytes logged, " << expected.size() << " expected";
}

TEST_F(PtyConnection, WhileAnotherRemoteIsShownRepliesWaitUpToTheInputQueue) {
    ASSERT_TRUE(storeAndConnect());  // the IR Monitor is not shown
    // 2500 codes of eight bytes; the log sees every code the queue kept
    // (the window's own queue may fold lines it would overwrite anyway).
    std::string replies;
    for (int i = 0; i < 2500; ++i) replies += "CODE:AAY";
    EXPECT_TRUE(board.sendWithin(replies, std::chrono::seconds(5)));
    QTest::qWait(600);              // every byte has reached the program
    EXPECT_TRUE(logged().empty());  // nothing read yet
    connection->setMonitorActive(true);
    takeLinesUntil("", 500);
    connection->disconnect();
    std::istringstream log(logged());
    size_t codes = 0;
    for (std::string line; std::getline(log, line);) codes += line == "0xAA";
    EXPECT_EQ(codes, 16384u / 8);  // the 16384 bytes a board's driver queue holds
}

TEST_F(PtyConnection, NothingIsWrittenUntilTheConnectFinishes) {
    ASSERT_TRUE(startHeld(300));  // open, the board still starting
    EXPECT_EQ(connection->write("A101"), 0);
    ASSERT_TRUE(heldEnd->wait(5000));
    EXPECT_TRUE(heldEnd->first().at(0).toBool());
    EXPECT_EQ(connection->write("A102"), 4);
    EXPECT_EQ(board.receive(4), "A102");
}

TEST_F(PtyConnection, DisconnectDuringAConnectAbandonsIt) {
    ASSERT_TRUE(startHeld(60000));  // the port is open
    EXPECT_FALSE(connection->disconnect());
    EXPECT_TRUE(deviceIsFree(board.path()));
    ASSERT_TRUE(heldEnd->wait(1000));
    EXPECT_FALSE(heldEnd->first().at(0).toBool());
    EXPECT_EQ(heldEnd->first().at(1).toString(), QString());
    EXPECT_FALSE(connection->connected());
    EXPECT_TRUE(connect());
    connection->disconnect();
}

// The user lets go of the board just as it answers: the connect's end,
// already on its way, does not connect it again.
TEST_F(PtyConnection, DisconnectBeforeTheConnectsEndArrivesWins) {
    storeSettings();
    QSignalSpy finished(connection.get(), &SerialConnection::connectFinished);
    ASSERT_TRUE(connection->startConnect());
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // the end waits in this thread's queue
    EXPECT_FALSE(connection->disconnect());
    ASSERT_TRUE(finished.wait(1000));
    EXPECT_FALSE(finished.wait(200));
    EXPECT_EQ(finished.size(), 1);
    EXPECT_FALSE(finished.first().at(0).toBool());
    EXPECT_FALSE(connection->connected());
}

TEST_F(PtyConnection, DestroyedDuringAConnectClosesThePort) {
    ASSERT_TRUE(startHeld(60000));
    const auto start = std::chrono::steady_clock::now();
    connection.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    QCoreApplication::processEvents();  // an outcome left queued has nobody to reach
    EXPECT_TRUE(deviceIsFree(board.path()));
}

TEST_F(PtyConnection, LostDeviceIsNoticedWhateverIsUnread) {
    for (bool monitorShown : {true, false}) {
        PtyBoard pulled;
        writePortSettings(store, PortSettings{pulled.path(), "NONE", "115200", "1", "8"});
        ASSERT_TRUE(connect());
        connection->setMonitorActive(monitorShown);
        // Another remote shown: the board answers clicks, the queue drops what it cannot hold.
        if (!monitorShown) {
            EXPECT_TRUE(pulled.sendWithin(monitorLines(512 * 1024), std::chrono::seconds(5)));
        }
        QSignalSpy lost(connection.get(), &SerialConnection::connectionLost);
        pulled.hangUp();
        EXPECT_TRUE(lost.wait(2000)) << (monitorShown ? "reading" : "waiting");
        EXPECT_FALSE(connection->connected());
        EXPECT_EQ(connection->write("A101"), 0);
        EXPECT_FALSE(connection->disconnect());
    }
}

TEST_F(PtyConnection, InputIsBoundedFromTheMomentItOpens) {
    ASSERT_TRUE(startHeld(1500));
    // The board talks while the connect waits, and goes on after it.
    EXPECT_TRUE(board.sendWithin(monitorLines(512 * 1024), std::chrono::seconds(5)));
    ASSERT_TRUE(heldEnd->wait(5000));
    QTest::qWait(300);
    connection->setMonitorActive(true);
    size_t bytes = 0;
    for (const ReceivedLine& line : takeLinesUntil("", 500)) bytes += line.text.size();
    // A full queue's worth, less the line it cuts; never everything.
    EXPECT_LE(bytes, 16384u);
    EXPECT_GT(bytes, 16384u - monitorLines(1).size());
}

// A board is known again after an unplug by the USB socket it hangs on.
TEST(QtPorts, AUsbSocketIsNamedFromTheDevicesPath) {
    const std::pair<QString, std::string> rows[] = {
        {"/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2.4/1-2.4:1.0", "1-2.4"},  // an Uno, behind a hub
        {"/sys/devices/pci0000:00/0000:00:14.0/usb3/3-1/3-1:1.0/ttyUSB0", "3-1"},    // a Nano's FTDI or CH340
        {"/sys/devices/platform/serial8250", ""},                                    // on no USB port
        {"/sys/devices/pnp0/00:04", ""},
        {"/sys/devices/virtual/tty-x", ""},
        {"", ""},
    };
    for (const auto& [device, location] : rows) EXPECT_EQ(usbLocationOf(device), location) << device.toStdString();
}

// A busy port's likely holder: brltty, when one of the processes is it.
TEST(QtPorts, BrlttyIsNamedWhenOneOfTheProcessesIsIt) {
    const struct Row {
        std::vector<std::pair<QString, QByteArray>> processes;  // number, name
        std::string holder;
    } rows[] = {
        {{{"1", "systemd\n"}, {"812", "brltty\n"}}, "brltty"},
        {{{"1", "systemd\n"}, {"self", "brltty\n"}}, ""},  // no process's number
        {{{"1", "bash\n"}}, ""},
    };
    for (const Row& row : rows) {
        QTemporaryDir proc;
        for (const auto& [pid, name] : row.processes) {
            ASSERT_TRUE(QDir(proc.path()).mkdir(pid));
            QFile comm(proc.filePath(pid + "/comm"));
            ASSERT_TRUE(comm.open(QIODevice::WriteOnly) && comm.write(name) == name.size());
        }
        EXPECT_EQ(knownHolderRunning(proc.path()), row.holder) << &row - rows;
    }
}

TEST(QtSerialDevice, LineSettingsReadBackAsApplied) {
    PtyBoard board;
    ASSERT_TRUE(board.ok());
    QSerialPort port(QString::fromStdString(board.path()));
    ASSERT_TRUE(port.open(QIODevice::ReadWrite));
    QtSerialDevice device(port);
    // Each row differs from the one before in every field, so a setting left
    // out shows. (A pseudo-terminal takes only eight data bits and refuses
    // some changes of parity.)
    const LineSettings rows[] = {
        {9600, 8, 1, 2}, {115200, 8, 0, 0}, {57600, 8, 3, 1}, {19200, 8, 0, 2}, {38400, 8, 4, 0},
    };
    for (const LineSettings& applied : rows) {
        ASSERT_TRUE(device.applyLineSettings(applied)) << applied.baudRate;
        LineSettings read{0, 0, -1, -1, false, false, true};
        ASSERT_TRUE(device.readLineSettings(read));
        EXPECT_EQ(std::tuple(read.baudRate, read.dataBits, read.parity, read.stopBits, read.flowControl),
                  std::tuple(applied.baudRate, applied.dataBits, applied.parity, applied.stopBits, false));
    }
    EXPECT_EQ(device.write("!U"), 2);
    EXPECT_TRUE(device.close());  // at once: what was written still goes out
    EXPECT_EQ(board.receive(2), "!U");
    EXPECT_EQ(device.write("A101"), 0);  // nothing counts as written on a closed port
}

using testing::AnsweringBoard;
using testing::FakePorts;

class BoardCare : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(config.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
        connection.lookAfterBoard(ports);
    }

    // Connects, and waits for the version check that follows.
    std::optional<QList<QVariant>> connectAndCheck() {
        QSignalSpy finished(&connection, &SerialConnection::connectFinished);
        QSignalSpy checked(&connection, &SerialConnection::boardChecked);
        EXPECT_TRUE(connection.startConnect());
        if (!finished.wait(10000) || !finished.first().at(0).toBool()) return std::nullopt;
        if (checked.isEmpty() && !checked.wait(3000)) return std::nullopt;
        return checked.first();
    }

    QTemporaryDir config;
    QtSettingsStore store;
    testing::ShortWaits waits{0, 4};  // up at once, a silent port given up after a quarter of the real wait
    FakePorts ports;
    SerialConnection connection{store, waits};
};

// The board says its version as the open resets it; the program writes
// nothing for it, and the window sees only the board's other lines, a line
// begun after the answer whole.
TEST_F(BoardCare, TheVersionIsHeardAtEveryConnectAndTakenOut) {
    AnsweringBoard board("120\t250xIrBridge 1.1Y9000\t45");
    ASSERT_TRUE(board.ok());
    writePortSettings(store, PortSettings{board.path()});
    connection.setMonitorActive(true);
    for (int connect = 0; connect < 2; ++connect) {
        const auto checked = connectAndCheck();
        ASSERT_TRUE(checked);
        EXPECT_EQ(checked->at(0).toInt(), static_cast<int>(FirmwareCheck::Current));
        EXPECT_EQ(checked->at(1).toString(), "1.1");
        // Handed on before the check ended.
        const std::vector<ReceivedLine> lines = connection.takeLines();
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].text, "120\t250x");
        QSignalSpy arrived(&connection, &SerialConnection::linesArrived);
        board.send("00x");
        ASSERT_TRUE(arrived.wait(3000));
        const std::vector<ReceivedLine> rest = connection.takeLines();
        ASSERT_EQ(rest.size(), 1u);
        EXPECT_EQ(rest[0].text, "9000\t4500x");
        connection.disconnect();
    }
    EXPECT_EQ(board.received(), "");
}

// A board that takes key codes and says nothing is never written anything
// else: a question would put a board that reads four bytes at a time out of
// step for good.
TEST_F(BoardCare, ABoardThatSaysNothingIsWrittenOnlyKeyCodes) {
    PtyBoard board;
    writePortSettings(store, PortSettings{board.path()});
    const auto checked = connectAndCheck();
    ASSERT_TRUE(checked);
    EXPECT_EQ(checked->at(0).toInt(), static_cast<int>(FirmwareCheck::NoAnswer));
    EXPECT_EQ(connection.write("A101"), 4);
    EXPECT_EQ(board.receive(200, std::chrono::milliseconds(300)), "A101");

    // Let go while the connect waits for it to speak: the wait ends with
    // the port, and nothing connects or reports afterwards.
    connection.disconnect();
    QSignalSpy finished(&connection, &SerialConnection::connectFinished);
    QSignalSpy checkedLater(&connection, &SerialConnection::boardChecked);
    ASSERT_TRUE(connection.startConnect());
    QTest::qWait(300);
    connection.disconnect();
    QTest::qWait(waits.answerMs(kConnectAnswerMs) + 500);
    EXPECT_FALSE(connection.connected());
    ASSERT_EQ(finished.size(), 1);
    EXPECT_FALSE(finished[0].at(0).toBool());
    EXPECT_TRUE(checkedLater.isEmpty());
}

// No port stored: the connect asks the ports, the CH340 first, which is not
// the board, and keeps the port the board answered on.
TEST_F(BoardCare, AConnectWithoutAPortFindsTheBoardAndKeepsItsPort) {
    PtyBoard ch340;
    AnsweringBoard board("IrBridge 1.0Y");
    ASSERT_TRUE(board.ok());
    ports.set({{board.path(), 0x2A03, 0x0043, "", "", "some USB serial"},
               {ch340.path(), 0x1A86, 0x7523, "", "", "USB Serial"}});
    QSignalSpy progress(&connection, &SerialConnection::searchProgress);
    const auto checked = connectAndCheck();
    ASSERT_TRUE(checked);
    EXPECT_EQ(checked->at(0).toInt(), static_cast<int>(FirmwareCheck::Older));
    EXPECT_EQ(store.value(setting::Port), board.path());
    EXPECT_EQ(store.value(setting::Speed), "115200");  // all five kept
    ASSERT_EQ(progress.size(), 2);
    EXPECT_TRUE(progress[0].at(0).toString().startsWith(QString::fromStdString("Asking " + ch340.path())));
    EXPECT_EQ(ch340.receive(4, std::chrono::milliseconds(100)), "!V!V");  // asked again while it said nothing
    EXPECT_TRUE(deviceIsFree(ch340.path()));                              // let go again
}

// Find board while connected: the connected board is the one, even one
// that says nothing, and even on a port the system does not list.
TEST_F(BoardCare, TheConnectedBoardIsTheOneFindBoardFinds) {
    PtyBoard board;
    writePortSettings(store, PortSettings{board.path()});
    ASSERT_TRUE(connectAndCheck());
    QSignalSpy found(&connection, &SerialConnection::searchFinished);
    ASSERT_TRUE(connection.findBoard());
    ASSERT_TRUE(found.wait(3000));
    EXPECT_EQ(found[0].at(0).toString().toStdString(), board.path());
    EXPECT_EQ(found[0].at(2).toString(), "");
    EXPECT_TRUE(connection.connected());
}

// A port typed wrong is named as missing before the board is looked for.
TEST_F(BoardCare, AMistypedPortIsSaidToBeMissing) {
    writePortSettings(store, PortSettings{"/dev/ttyNOPE-orvalinder"});
    QSignalSpy progress(&connection, &SerialConnection::searchProgress);
    QSignalSpy finished(&connection, &SerialConnection::connectFinished);
    PtyBoard silent;
    ports.set(
        {{silent.path(), 0x1A86, 0x7523, "", "", "USB Serial"}, {"/dev/orvalinder-gone", 0x1A86, 0x7523, "", "", ""}});
    ASSERT_TRUE(connection.startConnect());
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_FALSE(finished[0].at(0).toBool());
    EXPECT_TRUE(finished[0].at(1).toString().startsWith("There is no /dev/ttyNOPE-orvalinder: "))
        << finished[0].at(1).toString().toStdString();
    EXPECT_TRUE(finished[0].at(1).toString().contains("No board found"));
    EXPECT_TRUE(finished[0].at(1).toString().contains("\n/dev/orvalinder-gone: does not open"))
        << finished[0].at(1).toString().toStdString();
    EXPECT_TRUE(finished[0].at(1).toString().contains(
        QString::fromStdString("\n" + silent.path() + " (USB Serial): no answer")))
        << finished[0].at(1).toString().toStdString();
    ASSERT_FALSE(progress.isEmpty());
    EXPECT_TRUE(progress[0].at(0).toString().startsWith("no /dev/ttyNOPE-orvalinder; Asking "));
}

}  // namespace
}  // namespace orvalinder
