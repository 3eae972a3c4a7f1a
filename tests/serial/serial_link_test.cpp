// The port opener with stand-ins for the device and the settings store.

#include <gtest/gtest.h>

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

    long read(char*, size_t) override { return 0; }
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
    bool setReadTimeout(int) override { return true; }
    void clearErrors() override {}
    void setQueueSizes(int, int) override {}
    bool close() override { return true; }
};

class OneDeviceOpener : public SerialDeviceOpener {
public:
    std::shared_ptr<SerialDevice> device;
    std::shared_ptr<SerialDevice> open(const std::string&) override { return device; }
};

class NoWait : public Sleeper {
public:
    void sleep(int) override {}
};

// The key is there when the connect starts and gone (the settings deleted
// by another program) by the time the line settings are read.
class VanishingKeyStore : public MemorySettingsStore {
public:
    bool keyExists() const override { return checks_++ == 0; }

private:
    mutable int checks_ = 0;
};

TEST(SerialLink, KeyGoneDuringTheConnectGivesTheBoards115200_8N1) {
    struct Row {
        const char* portLeftAt;
        LineSettings reported;
    };
    const Row rows[] = {
        {"9600 7E2, no modem lines", {9600, 7, 2, 2, false, false, true}},
        {"115200 8N1", {}},
    };
    for (const Row& row : rows) {
        VanishingKeyStore store;
        writePortSettings(store, PortSettings{"/dev/ttyACM0", "ODD", "9600", "2", "7"});
        auto device = std::make_shared<RecordingDevice>(row.reported);
        OneDeviceOpener opener;
        opener.device = device;
        NoWait noWait;
        SerialLink link(store, opener, noWait);

        EXPECT_TRUE(link.connect().connected) << row.portLeftAt;
        EXPECT_EQ(device->applied, 1) << row.portLeftAt;
        const LineSettings& s = device->current;
        EXPECT_EQ(s.baudRate, 115200) << row.portLeftAt;
        EXPECT_EQ(s.dataBits, 8) << row.portLeftAt;
        EXPECT_EQ(s.parity, 0) << row.portLeftAt;
        EXPECT_EQ(s.stopBits, 0) << row.portLeftAt;
        EXPECT_TRUE(s.dtrRaised && s.rtsRaised && !s.flowControl) << row.portLeftAt;
    }
}

}  // namespace
}  // namespace orvalinder
