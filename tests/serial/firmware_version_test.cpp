// What counts as the board's answer, how its version compares with ours,
// and the answer taken out of the lines around it.
#include <gtest/gtest.h>

#include "serial/firmware_version.h"

namespace orvalinder {
namespace {

TEST(FirmwareVersion, OnlyTheFirmwaresNameAndANumberedVersionAreAnAnswer) {
    const struct Row {
        std::string line;
        std::optional<std::vector<int>> version;
    } rows[] = {
        {"IrBridge 1.1", std::vector{1, 1}},
        {"IrBridge 2.10.3", std::vector{2, 10, 3}},
        {"IrBridge 1234.1", std::vector{1234, 1}},
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

TEST(FirmwareVersion, TheFirmwareIsOlderNewerOrTheOneExpected) {
    const struct Row {
        std::optional<std::string> answered;
        FirmwareCheck check;
    } rows[] = {
        {std::nullopt, FirmwareCheck::NoAnswer}, {std::string(kExpectedFirmware), FirmwareCheck::Current},
        {"1.0", FirmwareCheck::Older},           {"0.9.9", FirmwareCheck::Older},
        {"1.1.1", FirmwareCheck::Newer},         {"1.10", FirmwareCheck::Newer},  // numbers, not text
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
TEST(FirmwareVersion, TheAnswerIsTakenOutOfTheLinesAroundIt) {
    const struct Row {
        std::string bytes;
        std::string passed;
        bool answered;
    } rows[] = {
        {"120\t250xIrBridge 1.1YNo key A999Y", "120\t250xNo key A999Y", true},
        {"IrBridge 1.1YIrBridge 1.1Y", "IrBridge 1.1Y", true},    // only the first is the answer
        {"NEC:20DF10EFY12", "NEC:20DF10EFY12", false},            // the partial line comes at the end
        {"IrBridge 1.1x", "IrBridge 1.1x", false},                // a monitor line is no answer
        {"Ir" + std::string(1, '\0') + "Bridge 1.1Y", "", true},  // as the window reads it
        // Nothing without an end is held for long: past a line's length it goes on.
        {std::string(1200, '5') + "IrBridge 1.1Y", std::string(999, '5'), true},
        // Zero bytes add nothing to a line, as the window reads it.
        {std::string(500, '\0') + std::string(600, '5') + "IrBridge 1.1Y", "", true},
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

}  // namespace
}  // namespace orvalinder
