#pragma once
// The machine's serial ports as places the board may be: the order to ask
// them in when looking for it, what to say when none answers, and which one
// the board is back on after an unplug. USB ids only say which ports to try
// first: a CH340 is not always our board, so a board counts as found only
// once it has said its version.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "serial/serial_device.h"

namespace orvalinder {

// A serial port as the system describes it.
struct PortDescription {
    std::string path;                  // what to open: /dev/ttyACM0, COM3
    std::optional<uint16_t> vendorId;  // USB ids, when it is a USB device
    std::optional<uint16_t> productId;
    std::string serialNumber;  // the USB device's own, "" when none
    std::string location;      // where it is plugged in (USB bus and ports), "" when unknown
    std::string description;   // what it says it is: "Arduino Uno"
};

// The machine's serial ports. Called from the port thread and the window's.
class PortLister {
public:
    virtual ~PortLister() = default;
    virtual std::vector<PortDescription> ports() const = 0;
    // Whether the path names a device now (a link that leads to one counts).
    virtual bool exists(const std::string& path) const = 0;
};

// Lower is tried first: Arduino's own boards (2341:*), then the USB serial
// chips of its copies (CH340 1A86:7523, FTDI 0403:6001, CP210x 10C4:EA60),
// other USB devices, and ports without USB ids last.
int candidateRank(const PortDescription& port);
// The ports in the order to try them; equal ranks keep their order.
std::vector<PortDescription> rankCandidates(std::vector<PortDescription> ports);

// What asking one port came to.
struct ProbeResult {
    PortDescription port;
    bool opened = false;
    OpenFailure why;  // when it did not open
};

// Shown while a port is asked: "Asking /dev/ttyUSB0 (USB Serial), 1 of 3".
std::string askingText(const PortDescription& port, int index, int total);
// Why the search found no board, port by port, and what to do about it.
std::string noBoardText(const std::vector<ProbeResult>& tried);

// Where the lost device is back, if it is: the port with its serial number
// (and USB ids), else the port at its USB location, else its own path when
// that is listed or exists again and is no other device.
std::optional<std::string> whereDeviceIsBack(const PortDescription& lost, const std::vector<PortDescription>& ports,
                                             bool lostPathExists);

}  // namespace orvalinder
