#pragma once
// The view's serial member: it holds the handle of the port that key codes
// are written through. A disconnect leaves the old handle here; the sender
// does not write while not connected, so it is never used.

#include <memory>
#include <string>

#include "serial/serial_device.h"

namespace orvalinder {

class CSio {
public:
    // Invalid until the first successful open stores a device.
    bool holdsInvalidHandle() const { return !port_; }
    SerialDevice* portHandle() const { return port_.get(); }
    void setPortHandle(std::shared_ptr<SerialDevice> port) { port_ = std::move(port); }

    int openErrorFlag = 0;
    std::wstring name = L"Untitled.txt";
    int baudRate = 0;
    int portNumber = 0;

private:
    std::shared_ptr<SerialDevice> port_;
};

}  // namespace orvalinder
