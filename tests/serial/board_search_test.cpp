// Finding the board: which ports come first, what counts as its answer,
// and which device is the one that went away.
#include <gtest/gtest.h>

#include "firmware/IrBridge/bridge.h"
#include "serial/board_search.h"
#include "serial/serial_link.h"

namespace orvalinder {
namespace {

PortDescription usb(const std::string& path, uint16_t vendor, uint16_t product, const std::string& serial = {},
                    const std::string& location = {}) {
    return {path, vendor, product, serial, location, {}};
}

TEST(BoardSearch, ArduinosFirstThenTheUsbSerialChipsThenTheRest) {
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
    EXPECT_EQ(order, (std::vector<std::string>{"/dev/ttyACM1", "/dev/ttyACM0", "/dev/ttyUSB0", "/dev/ttyUSB1",
                                               "/dev/ttyUSB2", "/dev/ttyUSB3", "/dev/ttyUSB4", "/dev/ttyUSB5",
                                               "/dev/ttyS0"}));
}

TEST(BoardSearch, OnlyTheFirmwaresNameAndANumberedVersionAreAnAnswer) {
    const struct Row {
        std::string line;
        std::optional<std::vector<int>> version;
    } rows[] = {
        {"IrBridge 1.1", std::vector{1, 1}},
        {"IrBridge 2.10.3", std::vector{2, 10, 3}},
        {"\x7f\x12garbage from the startIrBridge 1.2", std::vector{1, 2}},  // after the reset
        {"No key A999", std::nullopt},
        {"IrBridge", std::nullopt},
        {"IrBridge 1", std::nullopt},
        {"IrBridge 1.", std::nullopt},
        {"IrBridge .1", std::nullopt},
        {"IrBridge 1..1", std::nullopt},
        {"IrBridge 1.1 ", std::nullopt},
        {"IrBridge 1.1\r\n", std::nullopt},
        {"IrBridge 1.2.3.4", std::nullopt},
        {"IrBridge 12345.1", std::nullopt},
        {"IrBridge -1.1", std::nullopt},
        {"irbridge 1.1", std::nullopt},
        {"NEC:20DF10EF", std::nullopt},
    };
    for (const Row& row : rows) {
        const std::optional<FirmwareVersion> version = versionInAnswer(row.line);
        EXPECT_EQ(version.has_value(), row.version.has_value()) << row.line;
        if (version && row.version) {
            EXPECT_EQ(version->parts, *row.version) << row.line;
        }
    }
}

TEST(BoardSearch, TheFirmwareIsOlderNewerOrTheOneExpected) {
    const struct Row {
        std::optional<std::string> answered;
        FirmwareCheck check;
    } rows[] = {
        {std::nullopt, FirmwareCheck::NoAnswer},
        {std::string(kExpectedFirmware), FirmwareCheck::Current},
        {"1.0", FirmwareCheck::Older},
        {"0.9.9", FirmwareCheck::Older},
        {"1.1.1", FirmwareCheck::Newer},
        {"1.10", FirmwareCheck::Newer},  // numbers, not text
        {"2.0", FirmwareCheck::Newer},
    };
    for (const Row& row : rows) {
        const std::optional<FirmwareVersion> version =
            row.answered ? parseVersion(*row.answered) : std::optional<FirmwareVersion>();
        EXPECT_EQ(checkFirmware(version), row.check) << row.answered.value_or("no answer");
    }
}

// The board talks while the answer is awaited: its lines reach the window
// unchanged, in order, however the bytes are cut into reads.
TEST(BoardSearch, TheAnswerIsTakenOutOfTheLinesAroundIt) {
    const struct Row {
        std::string bytes;
        std::string passed;
        bool answered;
    } rows[] = {
        {"120\t250xIrBridge 1.1YNo key A999Y", "120\t250xNo key A999Y", true},
        {"IrBridge 1.1YIrBridge 1.1Y", "IrBridge 1.1Y", true},  // only the first is the answer
        {"NEC:20DF10EFY12", "NEC:20DF10EFY12", false},            // the partial line comes at the end
        {"IrBridge 1.1x", "IrBridge 1.1x", false},                 // a monitor line is no answer
        {"Ir" + std::string(1, '\0') + "Bridge 1.1Y", "", true},  // as the window reads it
        // Nothing without an end is held for long: past a line's length it goes on.
        {std::string(1200, '5') + "IrBridge 1.1Y", std::string(999, '5'), true},
    };
    for (const Row& row : rows) {
        for (size_t cut = 0; cut <= row.bytes.size(); ++cut) {
            AnswerCatcher catcher;
            std::string passed = catcher.feed(std::string_view(row.bytes).substr(0, cut));
            passed += catcher.feed(std::string_view(row.bytes).substr(cut));
            passed += catcher.release();
            EXPECT_EQ(passed, row.passed) << row.bytes.substr(0, 40) << " cut at " << cut;
            EXPECT_EQ(catcher.answer().has_value(), row.answered) << row.bytes.substr(0, 40) << " cut at " << cut;
        }
    }
}

TEST(BoardSearch, TheLostDeviceIsKnownBySerialNumberThenLocationThenPath) {
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
        {"back on another path", uno, {usb("/dev/ttyACM1", 0x2341, 0x0043, "7583335303535", "1-4")}, false,
         "/dev/ttyACM1"},
        {"another Uno took its path", uno, {usb("/dev/ttyACM0", 0x2341, 0x0043, "999", "1-2")}, true, std::nullopt},
        {"another device in its socket", ch340, {usb("/dev/ttyUSB0", 0x0403, 0x6001, "", "1-3.1")}, true,
         std::nullopt},
        {"a chip without a serial number, same socket", ch340, {usb("/dev/ttyUSB1", 0x1A86, 0x7523, "", "1-3.1")},
         false, "/dev/ttyUSB1"},
        {"a chip without a serial number, other socket", ch340, {usb("/dev/ttyUSB0", 0x1A86, 0x7523, "", "1-1")},
         true, "/dev/ttyUSB0"},
        {"a path that is no listed port exists again", pty, {}, true, "/tmp/board"},
        {"a path that is no listed port is still gone", pty, {}, false, std::nullopt},
    };
    for (const Row& row : rows) EXPECT_EQ(whereDeviceIsBack(row.lost, row.now, row.pathExists), row.back) << row.name;
}

TEST(BoardSearch, AFailedOpenSaysWhatHoldsThePortAndWhatToDo) {
    const struct Row {
        OpenFailure why;
        PathStyle style;
        std::vector<std::string> says;
        std::vector<std::string> saysNot;
    } rows[] = {
        {{OpenFailure::Busy, "brltty"}, PathStyle::Posix, {"Another program", "sudo apt remove brltty"}, {"adduser"}},
        {{OpenFailure::Busy, ""}, PathStyle::Posix, {"Another program", "Close it"}, {"brltty", "adduser"}},
        {{OpenFailure::Busy, ""}, PathStyle::Windows, {"Another program"}, {"brltty"}},
        {{OpenFailure::NoPermission, ""}, PathStyle::Posix, {"dialout group", "sudo adduser $USER dialout"}, {}},
        {{OpenFailure::Missing, ""}, PathStyle::Posix, {"plugged in", "Find board"}, {"adduser"}},
    };
    for (const Row& row : rows) {
        const std::string text = SerialLink::openFailureText("/dev/ttyUSB0", row.style, row.why);
        EXPECT_TRUE(text.starts_with("Can't open com port /dev/ttyUSB0\n")) << text;
        for (const std::string& part : row.says) EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
        for (const std::string& part : row.saysNot) EXPECT_EQ(text.find(part), std::string::npos) << part << "\n" << text;
    }
}

TEST(BoardSearch, NoBoardFoundNamesEachPortAndOnlyTheAdviceThatApplies) {
    const PortDescription ch340 = usb("/dev/ttyUSB0", 0x1A86, 0x7523);
    const PortDescription acm = usb("/dev/ttyACM0", 0x2341, 0x0043);
    const std::string silent = noBoardText({{ch340, true, {}}});
    EXPECT_NE(silent.find("/dev/ttyUSB0: no answer"), std::string::npos) << silent;
    EXPECT_EQ(silent.find("brltty"), std::string::npos) << silent;
    EXPECT_EQ(silent.find("dialout"), std::string::npos) << silent;
    const std::string held = noBoardText({{ch340, false, {OpenFailure::Busy, "brltty"}}, {acm, false, {OpenFailure::NoPermission, ""}}});
    EXPECT_NE(held.find("/dev/ttyUSB0: another program has it open"), std::string::npos) << held;
    EXPECT_NE(held.find("sudo apt remove brltty"), std::string::npos) << held;
    EXPECT_NE(held.find("/dev/ttyACM0: not open to your user"), std::string::npos) << held;
    EXPECT_NE(held.find("sudo adduser $USER dialout"), std::string::npos) << held;
}

}  // namespace
}  // namespace orvalinder
