#pragma once
// The serial device as the link's rules see it while they open and configure
// it. The real one is a QSerialPort; tests put a stand-in behind it.

#include <memory>
#include <string>
#include <string_view>

#include "serial/port_settings.h"

namespace orvalinder {

// The line settings of an open device.
struct LineSettings {
    int baudRate = kDefaultBaudRate;
    int dataBits = kDefaultDataBits;
    int parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
    int stopBits = 0;  // 0 one, 1 one and a half, 2 two
    bool dtrRaised = true;
    bool rtsRaised = true;
    bool flowControl = false;
};

class SerialDevice {
public:
    virtual ~SerialDevice() = default;

    // Writes the bytes and returns how many the device took (0 on failure).
    virtual long write(std::string_view bytes) = 0;

    virtual bool readLineSettings(LineSettings& settings) = 0;
    virtual bool applyLineSettings(const LineSettings& settings) = 0;
    virtual void clearErrors() = 0;

    // False when the close fails.
    virtual bool close() = 0;
};

// Why a device could not be opened, as far as the system tells.
struct OpenFailure {
    enum Kind { Unknown, Missing, NoPermission, Busy };
    Kind kind = Unknown;
    // A running program known to take serial ports ("brltty"), when busy.
    std::string holder;
};

// Opens devices by path, for reading and writing, exclusively.
class SerialDeviceOpener {
public:
    virtual ~SerialDeviceOpener() = default;
    // nullptr when the device cannot be opened.
    virtual std::shared_ptr<SerialDevice> open(const std::string& devicePath) = 0;
    // Why the last open failed.
    virtual OpenFailure lastFailure() const { return {}; }
};

}  // namespace orvalinder
