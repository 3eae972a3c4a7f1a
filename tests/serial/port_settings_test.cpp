#include <gtest/gtest.h>

#include <vector>

#include "serial/port_settings.h"
#include "tests/support/memory_settings_store.h"

namespace orvalinder {
namespace {

using testing::MemorySettingsStore;
using Text = std::optional<std::string>;

TEST(PortSettings, ReadingLimit) {
    MemorySettingsStore store;
    store.setValue(setting::Port, std::string(24, '7'));
    store.setValue(setting::Speed, std::string(25, '7'));
    EXPECT_EQ(readSetting(store, setting::Port), std::string(24, '7'));
    EXPECT_EQ(readSetting(store, setting::Speed), std::nullopt);
    EXPECT_EQ(readSetting(store, setting::Parity), std::nullopt);
    EXPECT_EQ(baudRate(readSetting(store, setting::Speed)), 115200);

    if (nativePathStyle() == PathStyle::Posix) {
        const std::string byId = "/dev/serial/by-id/usb-Arduino_Uno_8573-if00";
        store.setValue(setting::Port, byId);
        EXPECT_EQ(readSetting(store, setting::Port), byId);  // device paths are not cut
    }
    store.setValue(setting::Port, "Com" + std::string(22, '1'));
    EXPECT_EQ(devicePath(readSetting(store, setting::Port)), devicePath(std::nullopt));
}

TEST(PortSettings, Conversions) {
    struct Row {
        Text text;
        int parity, speed, stop, data;
    };
    // parity keeps the port's own (here 9) for unknown names
    const Row rows[] = {
        {std::nullopt, 0, 115200, 0, 8},
        {"Even", 2, 0, 0, 8},
        {"EVEN", 2, 0, 0, 8},
        {"space", 4, 0, 0, 8},
        {"9600", 9, 9600, 0, 8},
        {" -12abc", 9, -12, 0, 8},
        {"\t\r9600", 9, 9600, 0, 8},  // tab to carriage return are blanks too
        {"7", 9, 7, 0, 7},
        {"16", 9, 16, 0, 8},
        {"5", 9, 5, 0, 5},
        {"4", 9, 4, 0, 8},
        {"1.5", 9, 1, 1, 8},
        {"2", 9, 2, 2, 8},
        {"2 ", 9, 2, 0, 8},  // stop bits are compared exactly
        {"99999999999", 9, 2147483647, 0, 8},
        {"-2147483649", 9, -2147483647 - 1, 0, 8},
    };
    for (const Row& row : rows) {
        const std::string name = row.text.value_or("(missing)");
        EXPECT_EQ(parityCode(row.text, 9), row.parity) << name;
        EXPECT_EQ(baudRate(row.text), row.speed) << name;
        EXPECT_EQ(stopBitsCode(row.text), row.stop) << name;
        EXPECT_EQ(dataBitsCount(row.text), row.data) << name;
    }
}

TEST(PortSettings, DevicePaths) {
    // This system's own.
#ifdef _WIN32
    EXPECT_EQ(nativePathStyle(), PathStyle::Windows);
    EXPECT_EQ(devicePath(std::string("Com7")), "//./Com7");
#else
    EXPECT_EQ(nativePathStyle(), PathStyle::Posix);
    EXPECT_EQ(devicePath(std::string("Com7")), "/dev/ttyS6");
#endif
    struct Row {
        Text port;
        PathStyle style;
        std::string path;
    };
    const Row rows[] = {
        {std::nullopt, PathStyle::Windows, "//./Com3"},
        {"Com12", PathStyle::Windows, "//./Com12"},
        {std::nullopt, PathStyle::Posix, "/dev/ttyS2"},
        {"Com1", PathStyle::Posix, "/dev/ttyS0"},
        {"COM12", PathStyle::Posix, "/dev/ttyS11"},
        {" /dev/ttyACM0 ", PathStyle::Posix, "/dev/ttyACM0"},
        {"/dev/pts/4", PathStyle::Posix, "/dev/pts/4"},
        {"Com0", PathStyle::Posix, "Com0"},
        {"ttyUSB0", PathStyle::Posix, "ttyUSB0"},
        {"Com2147483647", PathStyle::Posix, "/dev/ttyS2147483646"},  // the largest number the dialog stores
        {"Com0000000000012", PathStyle::Posix, "/dev/ttyS11"},
        {"Com2147483648", PathStyle::Posix, "Com2147483648"},  // past the int range: no port of ours
        {"Com1a", PathStyle::Posix, "Com1a"},
    };
    for (const Row& row : rows) EXPECT_EQ(devicePath(row.port, row.style), row.path) << row.port.value_or("-");
}

// Records every write, in order; refuses the value named `refused`.
class WriteLog : public SettingsStore {
public:
    std::string refused;
    std::vector<std::string> written;

    bool keyExists() const override { return !written.empty(); }
    std::optional<std::string> value(std::string_view) const override { return std::nullopt; }
    bool setValue(std::string_view name, const std::string& text) override {
        written.push_back(std::string(name) + "=" + text);
        return name != refused;
    }
};

TEST(PortSettings, WrittenInOrder) {
    const std::vector<std::string> all{"Port=Com3", "Parity=NONE", "Speed=115200", "StopBits=1", "DataBits=8"};
    // A refused value fails the whole, but the others are still written.
    for (const std::string refused : {"", "Port", "Speed", "DataBits"}) {
        WriteLog store;
        store.refused = refused;
        EXPECT_EQ(writePortSettings(store, PortSettings{}), refused.empty()) << refused;
        EXPECT_EQ(store.written, all) << refused;
    }
}

}  // namespace
}  // namespace orvalinder
