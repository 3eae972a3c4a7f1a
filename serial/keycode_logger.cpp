#include "serial/keycode_logger.h"

#include <cstdio>

#include "core/current_directory.h"

namespace orvalinder {

void appendHexLine(uint32_t value, std::string& output) {
    static const char kDigits[] = "0123456789ABCDEF";
    char text[11];
    char* end = text + sizeof text;
    char* p = end;
    *--p = '\n';
    do {
        *--p = kDigits[value & 0xF];
        value >>= 4;
    } while (value != 0);
    *--p = 'x';
    *--p = '0';
    output.append(p, static_cast<size_t>(end - p));
}

std::string hexLine(uint32_t value) {
    std::string text;
    appendHexLine(value, text);
    text.pop_back();
    return text;
}

KeyCodeLogger::KeyCodeLogger() : directory_(currentDirectory) {}

KeyCodeLogger::KeyCodeLogger(DirectorySource directory) : directory_(std::move(directory)) {}

std::optional<LogFailure> KeyCodeLogger::append(std::span<const uint32_t> values) const {
    if (values.empty()) return std::nullopt;
    const DirectoryFile target = fileInDirectory(directory_(), kFileName, kDirectoryLimit);
    if (target.failure) return LogFailure{*target.failure, std::nullopt};

    std::FILE* file = std::fopen(target.path.c_str(), "a+");
    if (!file) {
        const char* reason = "Unable to open a stream to the local hard drive for the output file";
        return LogFailure{UserMessage{std::string("Error\n ") + reason + "\n" + target.path, MessageIcon::Stop},
                          std::wstring(reason, reason + std::char_traits<char>::length(reason))};
    }
    std::string text;
    for (uint32_t value : values) appendHexLine(value, text);
    std::fputs(text.c_str(), file);
    std::fflush(file);
    std::fclose(file);
    return std::nullopt;
}

}  // namespace orvalinder
