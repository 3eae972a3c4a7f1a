// The link on a real serial device: a pseudo-terminal, with the test
// playing the board on its other side.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QTemporaryDir>
#include <fstream>
#include <tuple>

#include "serial/key_sender.h"
#include "serial/qt_serial_device.h"
#include "serial/qt_settings_store.h"
#include "serial/serial_connection.h"
#include "tests/support/pty_board.h"

namespace orvalinder {
namespace {

using testing::PtyBoard;

// The waits are the board's start-up time; tests add them up instead.
class CountingSleeper : public Sleeper {
public:
    std::atomic<int> total{0};
    void sleep(int milliseconds) override { total += milliseconds; }
};

// Holds the opener in its first wait (the device is open by then) until the
// test lets it go; later waits pass at once.
class GatedSleeper : public Sleeper {
public:
    void sleep(int) override {
        std::unique_lock lock(mutex_);
        sleeping_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return open_; });
    }
    bool waitUntilSleeping() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(5), [this] { return sleeping_; });
    }
    void open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool sleeping_ = false;
    bool open_ = false;
};

// Opens real devices and remembers which paths were asked for.
class RecordingOpener : public SerialDeviceOpener {
public:
    std::vector<std::string> paths;
    std::shared_ptr<SerialDevice> open(const std::string& path) override {
        paths.push_back(path);
        return real.open(path);
    }
    QtSerialDeviceOpener real;
};

class PtyConnection : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(board.ok());
        ASSERT_TRUE(config.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
        ASSERT_TRUE(logDir.isValid());
    }
    void TearDown() override {
        gate.open();
        connection.reset();
    }

    // The connection waits at the gate instead of counting its waits.
    void holdConnectsAtTheGate() {
        connection = std::make_unique<SerialConnection>(store, opener, gate, logger());
    }
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
        return finished.first().at(0).toBool();
    }

    PtyBoard board;
    QTemporaryDir config;
    QTemporaryDir logDir;
    QtSettingsStore store;
    RecordingOpener opener;
    CountingSleeper sleeper;
    GatedSleeper gate;
    std::unique_ptr<SerialConnection> connection = std::make_unique<SerialConnection>(store, opener, sleeper, logger());
};

// A page of monitor lines as the board sends them, `bytes` long.
std::string monitorLines(size_t bytes) {
    std::string text;
    while (text.size() < bytes) text += "120\t250\t560x";
    return text;
}

TEST_F(PtyConnection, SettingsLiveInTheUsersConfigurationFile) {
    storeSettings();
    QSettings file(config.path() + "/Orvalinder.conf", QSettings::IniFormat);
    EXPECT_EQ(file.value("Port").toString().toStdString(), board.path());
    EXPECT_EQ(file.value("Speed").toString(), "115200");
    EXPECT_EQ(file.value("DataBits").toString(), "8");
    EXPECT_TRUE(store.keyExists());
}

TEST_F(PtyConnection, KeyCodeArrivesAsItsFourBytes) {
    storeSettings();
    ASSERT_TRUE(connect());
    EXPECT_EQ(sleeper.total, 5000);
    EXPECT_EQ(opener.paths, std::vector<std::string>{board.path()});
    EXPECT_TRUE(connection->receiving());

    StatusLines status;
    sendKeyCode(true, connection->sio().portHandle(), {'A', 101}, status);
    EXPECT_EQ(board.receive(4), "A101");
    EXPECT_EQ(status.line(3), L"3.  4 bytes sent - A101 - 4 confirmed");
    EXPECT_FALSE(connection->disconnect());
    EXPECT_FALSE(connection->receiving());
}

TEST_F(PtyConnection, MissingSettingsKeyLeavesTheDeviceAlone) {
    QString message;
    EXPECT_FALSE(connect(&message));
    EXPECT_EQ(message, "Unable read the comm port name from the registry.\nPlease check the port settings ?");
    EXPECT_TRUE(opener.paths.empty());
    EXPECT_FALSE(connection->link().portOpen());
}

TEST_F(PtyConnection, RefusedSettingsKeepTheHandleForTheNextTry) {
    for (const auto& [speed, bits] : {std::pair{"0", "8"}, std::pair{"115200", "7"}}) {
        storeSettings(speed, bits);
        QString message;
        EXPECT_FALSE(connect(&message)) << speed << " " << bits;
        EXPECT_EQ(message, "SetCommState\nCould not set communication state \n openport aborted");
        EXPECT_TRUE(connection->link().portOpen());
        EXPECT_NE(connection->sio().portHandle(), nullptr);
        EXPECT_FALSE(connection->receiving());
    }
    storeSettings();
    EXPECT_TRUE(connect());
    EXPECT_EQ(opener.paths.size(), 1u);  // opened once, configured three times
    connection->disconnect();
}

TEST_F(PtyConnection, MissingDeviceNamesItsPath) {
    writePortSettings(store, PortSettings{"/dev/orvalinder-no-such-port", "NONE", "115200", "1", "8"});
    QString message;
    EXPECT_FALSE(connect(&message));
    EXPECT_TRUE(message.startsWith("Can't open com port /dev/orvalinder-no-such-port\n"
                                   "Please check the com port settings in the Options menu."))
        << message.toStdString();
    EXPECT_FALSE(connection->link().portOpen());
}

TEST_F(PtyConnection, DeviceIsOpenedExclusively) {
    storeSettings();
    ASSERT_TRUE(connect());
    EXPECT_FALSE(QtSerialDevice::open(QString::fromStdString(board.path())));
    connection->disconnect();
}

TEST_F(PtyConnection, LinesFromTheBoardReachTheWindowAndTheLog) {
    storeSettings();
    ASSERT_TRUE(connect());
    connection->setMonitorActive(true);
    QSignalSpy arrived(connection.get(), &SerialConnection::linesArrived);
    board.send("120\t250xCODE:A25DYCODE:-FFFFFFFFY");
    std::vector<std::string> texts;
    while (texts.size() < 3 && (!arrived.isEmpty() || arrived.wait(3000))) {
        arrived.clear();
        for (const ReceivedLine& line : connection->takeLines()) texts.push_back(line.text);
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"120\t250x", "CODE:A25D", "CODE:-FFFFFFFF"}));
    connection->disconnect();
    std::ifstream log(logDir.path().toStdString() + "/keycodes.txt");
    std::string line;
    std::getline(log, line);
    EXPECT_EQ(line, "0xA25D");
    std::getline(log, line);
    EXPECT_EQ(line, "0x1");  // negated modulo 2^32, as strtoul does
}

TEST_F(PtyConnection, ABurstBiggerThanTheInputQueueReachesTheLogWhole) {
    storeSettings();
    ASSERT_TRUE(connect());
    connection->setMonitorActive(true);
    // Logging every value keeps the receiver busy while the board sends
    // far more than the inbox holds; the rest must wait, not be dropped.
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
    QSignalSpy lines(connection.get(), &SerialConnection::linesArrived);
    EXPECT_TRUE(board.sendWithin(burst, std::chrono::seconds(10)));
    bool ended = false;
    while (!ended && (!lines.isEmpty() || lines.wait(3000))) {
        lines.clear();
        for (const ReceivedLine& line : connection->takeLines()) ended = ended || line.text == "endx";
    }
    EXPECT_TRUE(ended);
    connection->disconnect();
    std::ifstream log(logDir.path().toStdString() + "/keycodes.txt");
    const std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(text == expected) << text.size() << " bytes logged, " << expected.size() << " expected";
}

TEST_F(PtyConnection, WhileAnotherRemoteIsShownRepliesWaitUpToTheInputQueue) {
    storeSettings();
    ASSERT_TRUE(connect());  // the IR Monitor is not shown
    // 2500 codes of eight bytes; the log sees every code the queue kept
    // (the window's own queue may fold lines it would overwrite anyway).
    std::string replies;
    for (int i = 0; i < 2500; ++i) replies += "CODE:AAY";
    EXPECT_TRUE(board.sendWithin(replies, std::chrono::seconds(5)));
    // Nobody reads: what the queue cannot hold is dropped after a moment, as
    // a full driver queue drops it.
    QTest::qWait(600);
    QSignalSpy arrived(connection.get(), &SerialConnection::linesArrived);
    connection->setMonitorActive(true);
    while (!arrived.isEmpty() || arrived.wait(1000)) {
        arrived.clear();
        connection->takeLines();
    }
    connection->disconnect();
    std::ifstream log(logDir.path().toStdString() + "/keycodes.txt");
    size_t codes = 0;
    for (std::string line; std::getline(log, line);) codes += line == "0xAA";
    EXPECT_EQ(codes, 16384u / 8);  // the 16384 bytes a board's driver queue holds
}

TEST_F(PtyConnection, DisconnectEndsTheReceiverWithinOneReadTimeOut) {
    storeSettings();
    ASSERT_TRUE(connect());
    connection->setMonitorActive(true);  // the receiver sits in a read
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(connection->disconnect());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2000));
    EXPECT_FALSE(connection->receiving());
    ASSERT_TRUE(connect());  // and the device opens anew
    EXPECT_EQ(opener.paths.size(), 2u);
    connection->disconnect();
}

TEST_F(PtyConnection, LostDeviceIsNoticed) {
    for (bool monitorShown : {true, false}) {
        PtyBoard pulled;
        writePortSettings(store, PortSettings{pulled.path(), "NONE", "115200", "1", "8"});
        ASSERT_TRUE(connect());
        connection->setMonitorActive(monitorShown);
        QSignalSpy lost(connection.get(), &SerialConnection::connectionLost);
        pulled.hangUp();
        EXPECT_TRUE(lost.wait(2500)) << (monitorShown ? "reading" : "waiting");
        EXPECT_FALSE(connection->disconnect());
        EXPECT_FALSE(connection->link().portOpen());
    }
}

TEST_F(PtyConnection, HandleReachesTheWindowWhenTheConnectFinishes) {
    storeSettings();
    holdConnectsAtTheGate();
    QSignalSpy finished(connection.get(), &SerialConnection::connectFinished);
    ASSERT_TRUE(connection->startConnect());
    // Clicks read the handle on the window's thread while the opener opens
    // the port and configures it.
    EXPECT_EQ(connection->sio().portHandle(), nullptr);
    ASSERT_TRUE(gate.waitUntilSleeping());
    EXPECT_EQ(connection->sio().portHandle(), nullptr);
    gate.open();
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_TRUE(finished.first().at(0).toBool());
    ASSERT_NE(connection->sio().portHandle(), nullptr);
    EXPECT_EQ(connection->sio().portHandle()->write("A101"), 4);
    EXPECT_EQ(board.receive(4), "A101");
}

TEST_F(PtyConnection, DisconnectDuringAConnectAbandonsIt) {
    storeSettings();
    holdConnectsAtTheGate();
    QSignalSpy finished(connection.get(), &SerialConnection::connectFinished);
    ASSERT_TRUE(connection->startConnect());
    ASSERT_TRUE(gate.waitUntilSleeping());  // the opener holds the open port
    EXPECT_FALSE(connection->disconnect());
    gate.open();
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_FALSE(finished.first().at(0).toBool());
    EXPECT_EQ(finished.first().at(1).toString(), QString());
    EXPECT_FALSE(connection->receiving());
    EXPECT_FALSE(connection->link().portOpen());
    EXPECT_TRUE(QtSerialDevice::open(QString::fromStdString(board.path())));  // closed, so free again
    EXPECT_TRUE(connect());
    connection->disconnect();
}

TEST_F(PtyConnection, DestroyedDuringAConnectClosesThePort) {
    storeSettings();
    holdConnectsAtTheGate();
    ASSERT_TRUE(connection->startConnect());
    ASSERT_TRUE(gate.waitUntilSleeping());
    std::thread boardAnswers([this] { gate.open(); });
    connection.reset();
    boardAnswers.join();
    QCoreApplication::processEvents();  // an outcome left queued has nobody to reach
    EXPECT_TRUE(QtSerialDevice::open(QString::fromStdString(board.path())));
}

TEST_F(PtyConnection, LostDeviceIsNoticedWhateverIsUnread) {
    storeSettings();
    ASSERT_TRUE(connect());
    connection->setMonitorActive(false);
    // The board keeps answering clicks while another remote is shown; the
    // program keeps taking the bytes, dropping what its queue cannot hold.
    EXPECT_TRUE(board.sendWithin(monitorLines(512 * 1024), std::chrono::seconds(5)));
    QSignalSpy lost(connection.get(), &SerialConnection::connectionLost);
    board.hangUp();
    EXPECT_TRUE(lost.wait(2000));
    ASSERT_NE(connection->sio().portHandle(), nullptr);
    EXPECT_EQ(connection->sio().portHandle()->write("A101"), 0);
    EXPECT_FALSE(connection->disconnect());
}

TEST(QtSerialDevice, LineSettingsReadBackAsApplied) {
    PtyBoard board;
    ASSERT_TRUE(board.ok());
    const auto device = QtSerialDevice::open(QString::fromStdString(board.path()));
    ASSERT_TRUE(device);
    // Each row differs from the one before in every field, so a setting left
    // out shows. (A pseudo-terminal takes only eight data bits and refuses
    // some changes of parity.)
    const LineSettings rows[] = {
        {9600, 8, 1, 2}, {115200, 8, 0, 0}, {57600, 8, 3, 1}, {19200, 8, 0, 2},
    };
    for (const LineSettings& applied : rows) {
        ASSERT_TRUE(device->applyLineSettings(applied)) << applied.baudRate;
        LineSettings read{0, 0, -1, -1, false, false, true};
        ASSERT_TRUE(device->readLineSettings(read));
        EXPECT_EQ(std::tuple(read.baudRate, read.dataBits, read.parity, read.stopBits, read.flowControl),
                  std::tuple(applied.baudRate, applied.dataBits, applied.parity, applied.stopBits, false));
    }
}

TEST(QtSerialDevice, InputIsBoundedFromTheMomentItOpens) {
    PtyBoard board;
    ASSERT_TRUE(board.ok());
    // Opened, not yet configured: the board talks while the connect waits.
    const auto device = QtSerialDevice::open(QString::fromStdString(board.path()));
    ASSERT_TRUE(device);
    EXPECT_TRUE(board.sendWithin(monitorLines(512 * 1024), std::chrono::seconds(5)));
    ASSERT_TRUE(device->setReadTimeout(300));
    std::string kept;
    char buffer[4096];
    for (long got; (got = device->read(buffer, sizeof buffer)) > 0;) kept.append(buffer, static_cast<size_t>(got));
    // A full queue's worth, plus what the terminal still held when the
    // board stopped; never everything.
    EXPECT_GE(kept.size(), size_t{QtSerialDevice::kDefaultQueueBytes});
    EXPECT_LT(kept.size(), size_t{128 * 1024});
}

}  // namespace
}  // namespace orvalinder

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
