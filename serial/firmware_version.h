#pragma once
// What the board says of its firmware: IrBridge says its name and version as
// it starts and when it is asked, in a value line "IrBridge 1.1". The version
// is read out of the board's bytes wherever it comes among the other lines.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "firmware/IrBridge/wire.h"

namespace orvalinder {

// The firmware's name, and the version this program comes with and expects.
inline constexpr std::string_view kFirmwareName = IRBRIDGE_NAME;
inline constexpr std::string_view kExpectedFirmware = IRBRIDGE_VERSION;

// A firmware version, "1.1" as {1, 1}.
struct FirmwareVersion {
    std::vector<int> parts;
    auto operator<=>(const FirmwareVersion&) const = default;
    std::string text() const;
};
std::optional<FirmwareVersion> parseVersion(std::string_view text);

// The version in the board's answer to the question: the text of a value
// line ending in "IrBridge 1.1". What came before the name (bytes left from
// the board's start) does not matter; anything else is no answer.
std::optional<FirmwareVersion> versionInAnswer(std::string_view valueLine);

// What the connection found out about the board's firmware.
enum class FirmwareCheck { Current, Newer, Older, NoAnswer };
FirmwareCheck checkFirmware(const std::optional<FirmwareVersion>& answered);
// What the program knows of the connected board's firmware, for the connect
// button's tooltip and the About box; `version` is what the board said.
std::string firmwareNote(FirmwareCheck check, std::string_view version);

// While the answer is awaited, the board's bytes pass through this: the
// answer is taken out and every other line goes on unchanged. It sees the
// lines as the window's LineAssembler does.
class AnswerCatcher {
public:
    // The bytes to pass on; a line still incomplete is held back.
    std::string feed(std::string_view bytes);
    // What is held back, once the wait is over.
    std::string release();
    const std::optional<FirmwareVersion>& answer() const { return answer_; }

private:
    std::string line_;
    size_t length_ = 0;  // of line_ as the window counts it: without its zero bytes
    std::optional<FirmwareVersion> answer_;
};

}  // namespace orvalinder
