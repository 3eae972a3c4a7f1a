#include "serial/board_ports.h"

#include <algorithm>

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
        text +=
            "\n\nbrltty, the braille display service, takes CH340 and FTDI ports. If you use no braille "
            "display, remove it (sudo apt remove brltty), then unplug the board and plug it in again.";
    else if (busy)
        text += "\n\nClose the program that has the port open, then look again.";
    if (forbidden)
        text +=
            "\n\nThe ports belong to the dialout group: run\n    sudo adduser $USER dialout\nthen log out and in "
            "again.";
    text +=
        "\n\nA board that answers nothing may have another firmware or an older IrBridge: "
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
