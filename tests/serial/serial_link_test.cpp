// The port opener with stand-ins for the device and the settings store.

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "serial/serial_link.h"
#include "tests/support/memory_settings_store.h"

namespace orvalinder {
namespace {

using testing::MemorySettingsStore;

// A device that reports the line settings it was left with and keeps what
// the opener applies, as a port does.
class RecordingDevice : public SerialDevice {
public:
    explicit RecordingDevice(LineSettings reported) : current(reported) {}
    LineSettings current;
    int applied = 0;

    long write(std::string_view bytes) override { return static_cast<long>(bytes.size()); }
    bool readLineSettings(LineSettings& settings) override {
        settings = current;
        return true;
    }
    bool applyLineSettings(const LineSettings& settings) override {
        current = settings;
        ++applied;
        return true;
    }
    void clearErrors() override {}
    bool close() override { return closes; }
    bool closes = true;
};

class OneDeviceOpener : public SerialDeviceOpener {
public:
    std::shared_ptr<SerialDevice> device;
    std::shared_ptr<SerialDevice> open(const std::string&) override { return device; }
};

// Runs a connect to its end; `waited` adds up the waits between its steps.
ConnectOutcome connect(SerialLink& link, int* waited = nullptr) {
    SerialLink::Step step = link.startConnect();
    while (!step.outcome) {
        if (waited) *waited += step.waitMs;
        step = link.continueConnect();
    }
    return *step.outcome;
}

// Holds the settings; with `vanishing` the key is there when the connect
// starts and gone right after (deleted by another program, values and all).
class ConnectStore : public MemorySettingsStore {
public:
    bool vanishing = false;
    bool keyExists() const override { return vanishing ? checks_++ == 0 : exists; }
    std::optional<std::string> value(std::string_view name) const override {
        if (vanishing && checks_ > 0) return std::nullopt;
        return MemorySettingsStore::value(name);
    }

private:
    mutable int checks_ = 0;
};

auto fields(const LineSettings& s) {
    return std::tuple(s.baudRate, s.dataBits, s.parity, s.stopBits, s.dtrRaised, s.rtsRaised, s.flowControl);
}

TEST(SerialLink, ConnectAppliesTheStoredLineSettings) {
    struct Row {
        const char* name;
        PortSettings stored;
        bool keyVanishes;
        LineSettings reported;  // what the port was left with
        LineSettings applied;
    };
    const LineSettings leftByAnotherProgram{9600, 7, 2, 2, false, false, true};
    const Row rows[] = {
        {"9600 ODD 7 2", {"/dev/ttyACM0", "ODD", "9600", "2", "7"}, false, {}, {9600, 7, 1, 2}},
        {"115200 NONE 8 1", {"/dev/ttyACM0", "NONE", "115200", "1", "8"}, false, leftByAnotherProgram, {}},
        {"1.5 stop bits, EVEN", {"/dev/ttyACM0", "EVEN", "57600", "1.5", "6"}, false, {}, {57600, 6, 2, 1}},
        {"MARK", {"/dev/ttyACM0", "MARK", "19200", "1", "5"}, false, leftByAnotherProgram, {19200, 5, 3, 0}},
        {"space", {"/dev/ttyACM0", "space", "4800", "2", "8"}, false, {}, {4800, 8, 4, 2}},
        {"unknown parity: the port's own",
         {"/dev/ttyACM0", "PARITY", "9600", "1", "8"},
         false,
         leftByAnotherProgram,
         {9600, 8, 2, 0}},
        {"key gone, port left 9600 7E2", {"/dev/ttyACM0", "ODD", "9600", "2", "7"}, true, leftByAnotherProgram, {}},
        {"key gone, port left 115200 8N1", {"/dev/ttyACM0", "ODD", "9600", "2", "7"}, true, {}, {}},
    };
    for (const Row& row : rows) {
        ConnectStore store;
        writePortSettings(store, row.stored);
        store.vanishing = row.keyVanishes;
        auto device = std::make_shared<RecordingDevice>(row.reported);
        OneDeviceOpener opener;
        opener.device = device;
        SerialLink link(store, opener);

        int waited = 0;
        EXPECT_TRUE(connect(link, &waited).connected) << row.name;
        EXPECT_EQ(waited, 5000) << row.name;  // the board's start-up
        EXPECT_EQ(device->applied, 1) << row.name;
        // DTR and RTS raised and no flow control, whatever the port had.
        EXPECT_EQ(fields(device->current), fields(row.applied)) << row.name;
    }
}

TEST(SerialLink, ADisconnectLetsGoOfThePortAndFailuresAreExplained) {
    ConnectStore store;
    OneDeviceOpener opener;
    SerialLink link(store, opener);

    // A device path longer than the message box takes is cut, not the box.
    // (Windows names its ports ComN, which always fit.)
    if (nativePathStyle() == PathStyle::Posix) {
        const std::string path = "/dev/serial/by-id/" + std::string(600, 'x');
        writePortSettings(store, PortSettings{path, "NONE", "115200", "1", "8"});
        const ConnectOutcome refused = connect(link);
        EXPECT_FALSE(refused.connected);
        ASSERT_TRUE(refused.message);
        EXPECT_EQ(refused.message->text, ("Can't open com port " + path).substr(0, 499));
        EXPECT_EQ(refused.message->icon, MessageIcon::Stop);
    }
    writePortSettings(store, PortSettings{"Com3", "NONE", "115200", "1", "8"});

    auto device = std::make_shared<RecordingDevice>(LineSettings{});
    opener.device = device;
    ASSERT_TRUE(connect(link).connected);
    EXPECT_EQ(link.port(), device.get());
    EXPECT_FALSE(link.disconnect());
    EXPECT_EQ(link.port(), nullptr);  // nothing can write to the closed port through it
    EXPECT_FALSE(link.disconnect());

    ASSERT_TRUE(connect(link).connected);
    device->closes = false;
    const auto failure = link.disconnect();
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->text, "Can't close port.");
    EXPECT_EQ(failure->icon, MessageIcon::Default);

    // Settings the device refuses end the connect: nothing is left to go on with.
    struct Refusing : RecordingDevice {
        using RecordingDevice::RecordingDevice;
        bool applyLineSettings(const LineSettings&) override { return ++applied < 0; }
    };
    auto refusing = std::make_shared<Refusing>(LineSettings{});
    opener.device = refusing;
    const ConnectOutcome refusedSettings = connect(link);
    ASSERT_TRUE(refusedSettings.message);
    EXPECT_EQ(refusedSettings.message->text, "SetCommState\nCould not set communication state \n openport aborted");
    const SerialLink::Step after = link.continueConnect();
    EXPECT_TRUE(after.outcome && !after.outcome->connected && !after.outcome->message);
    EXPECT_EQ(refusing->applied, 1);
}

// A device that goes away while a step uses it (the port reports its error
// from inside the call, and the link is closed then): the connect ends
// there instead of reporting a connection without a port.
TEST(SerialLink, APortClosedDuringAStepEndsTheConnect) {
    struct Unplugged : RecordingDevice {
        Unplugged() : RecordingDevice(LineSettings{}) {}
        SerialLink* link = nullptr;
        void clearErrors() override { link->disconnect(); }
    };
    ConnectStore store;
    writePortSettings(store, PortSettings{"Com3", "NONE", "115200", "1", "8"});
    auto device = std::make_shared<Unplugged>();
    OneDeviceOpener opener;
    opener.device = device;
    SerialLink link(store, opener);
    device->link = &link;
    const ConnectOutcome outcome = connect(link);
    EXPECT_FALSE(outcome.connected);
    EXPECT_EQ(link.port(), nullptr);
}

// A port that does not open is named, with why and only the advice that
// applies: a Linux user outside the dialout group is told the command that
// lets them in (Windows has no such group), brltty is named when it holds
// the port.
TEST(SerialLink, AFailedOpenSaysWhyAndWhatToDo) {
    const std::string advice = "\n    sudo adduser $USER dialout\nthen log out and in again.";
    const struct Row {
        OpenFailure why;
        PathStyle style;
        std::string path;
        bool advised;  // ends with how to join the dialout group
        std::vector<std::string> says;
        std::vector<std::string> saysNot;
    } rows[] = {
        {{}, PathStyle::Posix, "/dev/ttyACM0", true, {"may be unplugged"}, {}},
        {{},
         PathStyle::Posix,
         "/dev/serial/by-id/usb-Arduino__www.arduino.cc__0043_75833353035351F0E1C1-if00",
         true,
         {},
         {}},
        {{}, PathStyle::Windows, "//./COM3", false, {}, {}},
        {{OpenFailure::Busy, "brltty"},
         PathStyle::Posix,
         "/dev/ttyUSB0",
         false,
         {"Another program", "sudo apt remove brltty"},
         {"adduser"}},
        {{OpenFailure::Busy, ""},
         PathStyle::Posix,
         "/dev/ttyUSB0",
         false,
         {"Another program", "Close it"},
         {"brltty", "adduser"}},
        {{OpenFailure::Busy, ""}, PathStyle::Windows, "/dev/ttyUSB0", false, {"Another program"}, {"brltty"}},
        {{OpenFailure::NoPermission, ""}, PathStyle::Posix, "/dev/ttyUSB0", true, {"may not open it"}, {"unplugged"}},
        {{OpenFailure::Missing, ""},
         PathStyle::Posix,
         "/dev/ttyUSB0",
         false,
         {"plugged in", "Find board"},
         {"adduser"}},
    };
    for (const Row& row : rows) {
        const std::string text = SerialLink::openFailureText(row.path, row.style, row.why);
        EXPECT_TRUE(text.starts_with("Can't open com port " + row.path + "\n")) << text;
        EXPECT_EQ(text.ends_with(advice), row.advised) << text;
        for (const std::string& part : row.says) EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
        for (const std::string& part : row.saysNot)
            EXPECT_EQ(text.find(part), std::string::npos) << part << "\n" << text;
    }
}

}  // namespace
}  // namespace orvalinder
