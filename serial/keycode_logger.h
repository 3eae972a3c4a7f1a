#pragma once
// Appends received key code values to keycodes.txt in the current
// directory, one "0x%X" line each. The file is only ever appended to.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "core/user_message.h"

namespace orvalinder {

struct LogFailure {
    UserMessage message;
    // Text for status line 1, set when the file could not be opened.
    std::optional<std::wstring> statusLine1;
};

class KeyCodeLogger {
public:
    static constexpr size_t kDirectoryLimit = 480;
    static constexpr const char* kFileName = "keycodes.txt";

    using DirectorySource = std::function<std::optional<std::string>()>;

    // By default the file goes to the process's current directory.
    KeyCodeLogger();
    explicit KeyCodeLogger(DirectorySource directory);

    // Appends one line per value, in order, and flushes before returning.
    // Nothing is written when the file cannot be reached.
    std::optional<LogFailure> append(std::span<const uint32_t> values) const;

private:
    DirectorySource directory_;
};

// "0xA25D" for 0xA25D, upper case, no leading zeros.
std::string hexLine(uint32_t value);
// The same text and a line feed, appended without a temporary.
void appendHexLine(uint32_t value, std::string& output);

}  // namespace orvalinder
