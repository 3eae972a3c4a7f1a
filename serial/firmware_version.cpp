#include "serial/firmware_version.h"

#include <utility>

#include "serial/line_assembler.h"

namespace orvalinder {

std::string FirmwareVersion::text() const {
    std::string text;
    for (int part : parts) text += (text.empty() ? "" : ".") + std::to_string(part);
    return text;
}

std::optional<FirmwareVersion> parseVersion(std::string_view text) {
    // Numbers of up to four digits between dots, two or three of them.
    FirmwareVersion version;
    size_t digits = 0;
    int number = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            if (++digits > 4) return std::nullopt;
            number = number * 10 + (text[i] - '0');
            continue;
        }
        if (digits == 0 || (i < text.size() && text[i] != '.')) return std::nullopt;
        version.parts.push_back(number);
        digits = 0;
        number = 0;
    }
    if (version.parts.size() < 2 || version.parts.size() > 3) return std::nullopt;
    return version;
}

std::optional<FirmwareVersion> versionInAnswer(std::string_view valueLine) {
    const std::string name = std::string(kFirmwareName) + " ";
    const size_t at = valueLine.rfind(name);
    if (at == std::string_view::npos) return std::nullopt;
    return parseVersion(valueLine.substr(at + name.size()));
}

FirmwareCheck checkFirmware(const std::optional<FirmwareVersion>& answered) {
    if (!answered) return FirmwareCheck::NoAnswer;
    const FirmwareVersion expected = *parseVersion(kExpectedFirmware);
    if (*answered < expected) return FirmwareCheck::Older;
    return *answered == expected ? FirmwareCheck::Current : FirmwareCheck::Newer;
}

std::string firmwareNote(FirmwareCheck check, std::string_view version) {
    const std::string said(version);
    const std::string ours(kExpectedFirmware);
    switch (check) {
    case FirmwareCheck::Current: return "The board runs IrBridge " + said + ".";
    case FirmwareCheck::Newer:
        return "The board runs IrBridge " + said + ", newer than the " + ours + " this program comes with.";
    case FirmwareCheck::Older:
        return "The board runs IrBridge " + said + ", older than the " + ours +
               " this program comes with. Tools > Put the firmware on the board... updates it.";
    case FirmwareCheck::NoAnswer: break;
    }
    return "The board did not say its firmware. Tools > Put the firmware on the board... installs IrBridge.";
}

std::string AnswerCatcher::feed(std::string_view bytes) {
    std::string out;
    for (char c : bytes) {
        line_.push_back(c);
        length_ += c != '\0';
        if (c == wire::kValueLineEnd && !answer_) {
            // The line without its Y, as the window would read it.
            std::string text = line_.substr(0, line_.size() - 1);
            std::erase(text, '\0');
            if ((answer_ = versionInAnswer(text))) {
                line_.clear();
                length_ = 0;
                continue;
            }
        }
        // A line that no answer can end any more goes on at once.
        if (c == wire::kMonitorLineEnd || c == wire::kValueLineEnd || length_ > LineAssembler::kMaxLineLength) {
            out += line_;
            line_.clear();
            length_ = 0;
        }
    }
    return out;
}

std::string AnswerCatcher::release() {
    length_ = 0;
    return std::exchange(line_, {});
}

}  // namespace orvalinder
