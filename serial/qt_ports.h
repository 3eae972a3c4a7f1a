#pragma once
// The machine's serial ports as Qt and the system describe them: the port
// list, and why a port would not open. The one place in the link that knows
// the operating system.

#include <string>

#include "serial/board_ports.h"
#include "serial/serial_device.h"

class QSerialPort;

namespace orvalinder {

class QtPortLister : public PortLister {
public:
    std::vector<PortDescription> ports() const override;
    bool exists(const std::string& path) const override;
};

// Why `port` failed to open `path`.
OpenFailure openFailureOf(const QSerialPort& port, const std::string& path);

}  // namespace orvalinder
