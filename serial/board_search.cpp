#include "serial/board_search.h"

#include <algorithm>
#include <utility>

#include "serial/line_assembler.h"

namespace orvalinder {

int candidateRank(const PortDescription& port) {
    if (!port.vendorId || !port.productId) return 5;
    struct Known {
        uint16_t vendor;
        std::optional<uint16_t> product;  // any of the vendor's when none
    };
    static constexpr Known kKnown[] = {{0x2341, std::nullopt}, {0x1A86, 0x7523}, {0x0403, 0x6001}, {0x10C4, 0xEA60}};
    for (size_t rank = 0; rank < std::size(kKnown); ++rank) {
        const Known& known = kKnown[rank];
        if (*port.vendorId == known.vendor && (!known.product || *port.productId == *known.product))
            return static_cast<int>(rank);
    }
    return 4;
}

std::vector<PortDescription> rankCandidates(std::vector<PortDescription> ports) {
    std::stable_sort(ports.begin(), ports.end(), [](const PortDescription& a, const PortDescription& b) {
        return candidateRank(a) < candidateRank(b);
    });
    return ports;
}

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
    case FirmwareCheck::Newer: return "The board runs IrBridge " + said + ", newer than the " + ours + " this program comes with.";
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
        if (c == wire::kValueLineEnd && !answer_) {
            // The line without its Y, as the window would read it.
            std::string text = line_.substr(0, line_.size() - 1);
            std::erase(text, '\0');
            if ((answer_ = versionInAnswer(text))) {
                line_.clear();
                continue;
            }
        }
        // A line that no answer can end any more goes on at once.
        if (c == wire::kMonitorLineEnd || c == wire::kValueLineEnd || line_.size() > LineAssembler::kMaxLineLength) {
            out += line_;
            line_.clear();
        }
    }
    return out;
}

std::string AnswerCatcher::release() { return std::exchange(line_, {}); }

std::string askingText(const PortDescription& port, int index, int total) {
    std::string text = "Asking " + port.path;
    if (!port.description.empty()) text += " (" + port.description + ")";
    return text + ", " + std::to_string(index + 1) + " of " + std::to_string(total);
}

std::string noBoardText(const std::vector<ProbeResult>& tried) {
    if (tried.empty()) return "No board found: there is no serial port.\nIs the board plugged in?";
    std::string text = "No board found: no port answered as the IrBridge firmware does.\n";
    bool busy = false, brltty = false, forbidden = false;
    for (const ProbeResult& result : tried) {
        text += "\n" + result.port.path;
        if (!result.port.description.empty()) text += " (" + result.port.description + ")";
        switch (result.opened ? OpenFailure::Unknown : result.why.kind) {
        case OpenFailure::Busy:
            text += ": another program has it open";
            busy = true;
            brltty = brltty || result.why.holder == "brltty";
            break;
        case OpenFailure::NoPermission:
            text += ": not open to your user";
            forbidden = true;
            break;
        default: text += result.opened ? ": no answer" : ": does not open"; break;
        }
    }
    if (brltty)
        text += "\n\nbrltty, the braille display service, takes CH340 and FTDI ports. If you use no braille "
                "display, remove it (sudo apt remove brltty), then unplug the board and plug it in again.";
    else if (busy)
        text += "\n\nClose the program that has the port open, then look again.";
    if (forbidden)
        text += "\n\nThe ports belong to the dialout group: run\n    sudo adduser $USER dialout\nthen log out and in again.";
    text += "\n\nA board that answers nothing may have another firmware or an older IrBridge: "
            "Tools > Put the firmware on the board... uploads this one.";
    return text;
}

std::optional<std::string> whereDeviceIsBack(const PortDescription& lost, const std::vector<PortDescription>& ports,
                                             bool lostPathExists) {
    // A device with other USB ids, or another serial number, is not ours.
    auto couldBeOurs = [&](const PortDescription& port) {
        return port.vendorId == lost.vendorId && port.productId == lost.productId &&
               (lost.serialNumber.empty() || port.serialNumber == lost.serialNumber);
    };
    if (!lost.serialNumber.empty()) {
        for (const PortDescription& port : ports)
            if (couldBeOurs(port)) return port.path;
    }
    if (!lost.location.empty()) {
        for (const PortDescription& port : ports)
            if (port.location == lost.location && couldBeOurs(port)) return port.path;
    }
    for (const PortDescription& port : ports)
        if (port.path == lost.path) return couldBeOurs(port) ? std::optional(lost.path) : std::nullopt;
    if (lostPathExists) return lost.path;
    return std::nullopt;
}

}  // namespace orvalinder
