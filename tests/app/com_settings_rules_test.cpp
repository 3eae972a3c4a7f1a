#include <gtest/gtest.h>

#include "app/com_settings_rules.h"
#include "app/port_override_store.h"
#include "tests/support/memory_settings_store.h"

namespace orvalinder {
namespace {

using testing::MemorySettingsStore;

TEST(ComSettings, NormalisedOnOk) {
    struct Row {
        const char* box;
        std::string typed;
        std::string stored;
    };
    const Row rows[] = {
        {"port", "7", "Com7"},
        {"port", "COM7", "Com7"},
        {"port", "com7", "Com7"},
        {"port", "MOC7", "Com7"},
        {"port", "Com40", "Com40"},
        {"port", "Com1", "Com1"},
        {"port", " COM5", "Com3"},
        {"port", "", "Com3"},
        {"port", "COM", "Com3"},
        {"port", "Com0", "Com3"},
        {"port", "Com-4", "Com3"},
        {"port", "7moc", "Com7"},
        {"port", "Com7x", "Com7"},
        {"parity", "odd", "ODD"},
        {"parity", " Even ", "EVEN"},
        {"parity", "x", "NONE"},
        {"parity", "", "NONE"},
        {"speed", " 9600 ", "9600"},
        {"speed", "300", "115200"},
        {"speed", "9600baud", "115200"},
        {"stop", "1,5", "1"},
        {"stop", "1.5", "1.5"},
        {"stop", " 2", "2"},
        {"data", "9", "8"},
        {"data", "16", "16"},
        {"data", "5", "5"},
        {"data", "", "8"},
        // A box is read into 49 characters: what lies beyond is cut before the text is judged.
        {"speed", "9600" + std::string(44, ' ') + "x", "115200"},
        {"speed", "9600" + std::string(45, ' ') + "x", "9600"},
        {"port", std::string(48, ' ') + "7", "Com7"},
        {"port", std::string(49, ' ') + "7", "Com3"},
    };
    for (const Row& row : rows) {
        const std::string box = row.box;
        const std::string stored = box == "port"     ? normalisePort(row.typed, PathStyle::Windows)
                                   : box == "parity" ? normaliseParity(row.typed)
                                   : box == "speed"  ? normaliseSpeed(row.typed)
                                   : box == "stop"   ? normaliseStopBits(row.typed)
                                                     : normaliseDataBits(row.typed);
        EXPECT_EQ(stored, row.stored) << box << " '" << row.typed << "'";
    }
}

// Device paths are kept on POSIX; a bare device name stands for a device found.
TEST(ComSettings, DevicePathsKeptOnPosixBareNamesOfDevicesFound) {
    EXPECT_EQ(normalisePort(" /dev/ttyACM0 ", PathStyle::Posix), "/dev/ttyACM0");
    EXPECT_EQ(normalisePort("/dev/ttyACM0", PathStyle::Windows), "Com3");
    EXPECT_EQ(normalisePort("COM7", PathStyle::Posix), "Com7");
    const std::string byId = "/dev/serial/by-id/usb-Arduino__www.arduino.cc__0043_8573-if00";
    EXPECT_EQ(normalisePort(byId, PathStyle::Posix), byId);

    const std::vector<std::string> found{"/dev/ttyUSB0", "/dev/ttyACM0"};
    struct Row {
        const char* typed;
        PathStyle style;
        std::string stored;
    } const rows[] = {
        {"ttyACM0", PathStyle::Posix, "/dev/ttyACM0"},
        {" ttyUSB0 ", PathStyle::Posix, "/dev/ttyUSB0"},
        {"\tttyACM0\r", PathStyle::Posix, "/dev/ttyACM0"},  // pasted with a tab and a return
        {"ttyACM1", PathStyle::Posix, "Com3"},              // no such device
        {"ttyACM", PathStyle::Posix, "Com3"},               // the whole name or nothing
        {"", PathStyle::Posix, "Com3"},
        {"ttyACM0", PathStyle::Windows, "Com3"},
        {"Com4", PathStyle::Posix, "Com4"},
    };
    for (const Row& row : rows) EXPECT_EQ(normalisePort(row.typed, row.style, found), row.stored) << row.typed;
}

TEST(ComSettings, FirstUseStoresTheDefaults) {
    MemorySettingsStore store;
    const Preselection none = preselect(store, comPortList({}));
    EXPECT_FALSE(none.port || none.parity || none.speed || none.dataBits || none.stopBits);
    writePortSettings(store, normalise(TypedSettings{}));
    EXPECT_EQ(store.values,
              (decltype(store.values){
                  {"Port", "Com3"}, {"Parity", "NONE"}, {"Speed", "115200"}, {"StopBits", "1"}, {"DataBits", "8"}}));
}

TEST(ComSettings, PreselectedFromTheStoredTexts) {
    struct Row {
        std::string name;
        std::optional<std::string> stored;  // nothing: value missing
        std::optional<int> position;
    };
    const Row rows[] = {
        {"Speed", "115200abc", 9},     {"Speed", "9600", 4},
        {"Speed", "300", 9},           {"Speed", std::nullopt, {}},
        {"StopBits", "1.5", 1},        {"StopBits", "1,5", 0},
        {"StopBits", std::nullopt, 0}, {"Parity", "odd", 1},
        {"Parity", "ODD", 1},          {"Parity", "X", {}},
        {"Parity", std::nullopt, 0},   {"DataBits", "16", 4},
        {"DataBits", "9", {}},         {"DataBits", "08", 3},
        {"DataBits", std::nullopt, 3}, {"Port", "Com40", 2},
        {"Port", "Com32", 31},         {"Port", "Com1", 0},
        {"Port", "Com33", 2},          {"Port", "Com0", 2},
        {"Port", std::nullopt, 2},     {"Port", std::string(30, '1'), 2},  // too long to read
        {"Port", "/dev/ttyACM0", 32},                                      // the first device found
    };
    for (const Row& row : rows) {
        MemorySettingsStore store;
        store.exists = true;
        if (row.stored) store.values[row.name] = *row.stored;
        const Preselection p = preselect(store, comPortList({"/dev/ttyACM0", "/dev/ttyUSB0"}));
        const std::optional<int> got = row.name == "Speed"      ? p.speed
                                       : row.name == "StopBits" ? p.stopBits
                                       : row.name == "Parity"   ? p.parity
                                       : row.name == "DataBits" ? p.dataBits
                                                                : p.port;
        EXPECT_EQ(got, row.position) << row.name << " " << row.stored.value_or("(missing)");
    }
    // A device not found is shown as it stands.
    MemorySettingsStore store;
    store.setValue("Port", "/dev/pts/9");
    const Preselection p = preselect(store, comPortList({}));
    EXPECT_FALSE(p.port);
    EXPECT_EQ(p.portText, "/dev/pts/9");
}

// `orvalinder --port DEVICE`: the window's own port, the stored one kept.
TEST(ComSettings, APortGivenAtStartIsTheWindowsOwn) {
    MemorySettingsStore stored;
    PortOverrideStore none(stored, "");
    EXPECT_FALSE(none.keyExists());
    EXPECT_TRUE(none.setValue("Port", "/dev/ttyUSB0"));
    EXPECT_EQ(stored.values["Port"], "/dev/ttyUSB0");

    PortOverrideStore given(stored, "/dev/ttyACM1");
    EXPECT_EQ(given.value("Port"), "/dev/ttyACM1");
    EXPECT_TRUE(given.setValue("Port", "/dev/ttyACM2"));  // the Com settings dialog's OK
    EXPECT_TRUE(given.setValue("Speed", "9600"));
    EXPECT_EQ(given.value("Port"), "/dev/ttyACM2");
    EXPECT_EQ(stored.values["Port"], "/dev/ttyUSB0");
    EXPECT_EQ(given.value("Speed"), "9600");
}

}  // namespace
}  // namespace orvalinder
