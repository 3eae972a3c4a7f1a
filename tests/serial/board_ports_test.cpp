// The machine's ports as places the board may be: which come first, why
// none answered, and which device is the one that went away.
#include <gtest/gtest.h>

#include "serial/board_ports.h"

namespace orvalinder {
namespace {

PortDescription usb(const std::string& path, uint16_t vendor, uint16_t product, const std::string& serial = {},
                    const std::string& location = {}) {
    return {path, vendor, product, serial, location, {}};
}

TEST(BoardPorts, ArduinosFirstThenTheUsbSerialChipsThenTheRest) {
    const std::vector<PortDescription> ports = {
        {"/dev/ttyS0", std::nullopt, std::nullopt, {}, {}, {}},
        usb("/dev/ttyUSB3", 0x1234, 0x5678),  // some other USB device
        usb("/dev/ttyUSB2", 0x10C4, 0xEA60),  // CP210x
        usb("/dev/ttyUSB1", 0x0403, 0x6001),  // FTDI
        usb("/dev/ttyUSB0", 0x1A86, 0x7523),  // CH340
        usb("/dev/ttyUSB4", 0x1A86, 0x5523),  // not the CH340's product
        usb("/dev/ttyACM1", 0x2341, 0x0043),  // Uno
        usb("/dev/ttyACM0", 0x2341, 0x8036),  // Leonardo: any of Arduino's
        usb("/dev/ttyUSB5", 0x0403, 0x6015),  // FTDI, another chip
    };
    std::vector<std::string> order;
    for (const PortDescription& port : rankCandidates(ports)) order.push_back(port.path);
    EXPECT_EQ(order,
              (std::vector<std::string>{"/dev/ttyACM1", "/dev/ttyACM0", "/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyUSB2",
                                        "/dev/ttyUSB3", "/dev/ttyUSB4", "/dev/ttyUSB5", "/dev/ttyS0"}));
}

TEST(BoardPorts, TheLostDeviceIsKnownBySerialNumberThenLocationThenPath) {
    const PortDescription uno = usb("/dev/ttyACM0", 0x2341, 0x0043, "7583335303535", "1-2");
    const PortDescription ch340 = usb("/dev/ttyUSB0", 0x1A86, 0x7523, "", "1-3.1");
    const PortDescription pty{"/tmp/board", std::nullopt, std::nullopt, {}, {}, {}};
    const struct Row {
        const char* name;
        PortDescription lost;
        std::vector<PortDescription> now;
        bool pathExists;
        std::optional<std::string> back;
    } rows[] = {
        {"gone", uno, {ch340}, false, std::nullopt},
        {"back on its path", uno, {uno}, true, "/dev/ttyACM0"},
        {"back on another path",
         uno,
         {usb("/dev/ttyACM1", 0x2341, 0x0043, "7583335303535", "1-4")},
         false,
         "/dev/ttyACM1"},
        {"another Uno took its path", uno, {usb("/dev/ttyACM0", 0x2341, 0x0043, "999", "1-2")}, true, std::nullopt},
        {"another device in its socket", ch340, {usb("/dev/ttyUSB0", 0x0403, 0x6001, "", "1-3.1")}, true, std::nullopt},
        {"a chip without a serial number, same socket",
         ch340,
         {usb("/dev/ttyUSB1", 0x1A86, 0x7523, "", "1-3.1")},
         false,
         "/dev/ttyUSB1"},
        {"a chip without a serial number, other socket",
         ch340,
         {usb("/dev/ttyUSB0", 0x1A86, 0x7523, "", "1-1")},
         true,
         "/dev/ttyUSB0"},
        {"a path that is no listed port exists again", pty, {}, true, "/tmp/board"},
        {"a path that is no listed port is still gone", pty, {}, false, std::nullopt},
    };
    for (const Row& row : rows) EXPECT_EQ(whereDeviceIsBack(row.lost, row.now, row.pathExists), row.back) << row.name;
}

TEST(BoardPorts, NoBoardFoundNamesEachPortAndOnlyTheAdviceThatApplies) {
    const PortDescription ch340 = usb("/dev/ttyUSB0", 0x1A86, 0x7523);
    const PortDescription acm = usb("/dev/ttyACM0", 0x2341, 0x0043);
    const std::string firmware =
        "\n\nA board that answers nothing may have another firmware or an older IrBridge: "
        "Tools > Put the firmware on the board... uploads this one.";
    const std::string first = "No board found: no port answered as the IrBridge firmware does.\n";
    EXPECT_EQ(noBoardText({{ch340, true, {}}}), first + "\n/dev/ttyUSB0: no answer" + firmware);
    EXPECT_EQ(noBoardText({{ch340, false, {OpenFailure::Busy, "minicom"}}}),
              first +
                  "\n/dev/ttyUSB0: another program has it open"
                  "\n\nClose the program that has the port open, then look again." +
                  firmware);
    const std::string held =
        noBoardText({{ch340, false, {OpenFailure::Busy, "brltty"}}, {acm, false, {OpenFailure::NoPermission, ""}}});
    EXPECT_NE(held.find("/dev/ttyUSB0: another program has it open"), std::string::npos) << held;
    EXPECT_NE(held.find("sudo apt remove brltty"), std::string::npos) << held;
    EXPECT_EQ(held.find("Close the program"), std::string::npos) << held;
    EXPECT_NE(held.find("/dev/ttyACM0: not open to your user"), std::string::npos) << held;
    EXPECT_NE(held.find("sudo adduser $USER dialout"), std::string::npos) << held;
}

}  // namespace
}  // namespace orvalinder
