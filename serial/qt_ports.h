#pragma once
// The machine's serial ports as Qt and the system describe them: the port
// list, and why a port would not open. The one place in the link that knows
// the operating system.

#include <string>

#include "serial/board_ports.h"
#include "serial/serial_device.h"

class QSerialPort;
class QString;

namespace orvalinder {

class QtPortLister : public PortLister {
public:
    std::vector<PortDescription> ports() const override;
    bool exists(const std::string& path) const override;
};

// Where a tty's device hangs on the USB tree, from its path in Linux's
// /sys: "1-2.4" for port 4 of the hub on port 2 of bus 1, the same again
// for the same socket; empty for a device on no USB port.
std::string usbLocationOf(const QString& device);

// "brltty" when Debian's braille display service runs among `processes`
// (Linux's /proc), else empty. It opens CH340 and FTDI ports it takes for
// braille displays; its process can be seen, its open files not.
std::string knownHolderRunning(const QString& processes);

// Why `port` failed to open `path`.
OpenFailure openFailureOf(const QSerialPort& port, const std::string& path);

}  // namespace orvalinder
