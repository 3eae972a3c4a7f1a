#pragma once
// The serial device as the link sees it. One real implementation talks to
// the operating system; tests put a buffer or a pseudo-terminal behind it.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace orvalinder {

// The line settings of an open device.
struct LineSettings {
    int baudRate = 115200;
    int dataBits = 8;
    int parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
    int stopBits = 0;  // 0 one, 1 one and a half, 2 two
    bool dtrRaised = true;
    bool rtsRaised = true;
    bool flowControl = false;
};

class SerialDevice {
public:
    virtual ~SerialDevice() = default;

    // Waits until bytes have arrived or the read time-out has passed, then
    // returns what has arrived (up to `max`), 0 on a time-out, or -1 once the
    // device is gone or closed.
    virtual long read(char* buffer, size_t max) = 0;

    // Writes the bytes in one call and returns how many the system accepted
    // (0 on failure).
    virtual long write(std::string_view bytes) = 0;

    virtual bool readLineSettings(LineSettings& settings) = 0;
    virtual bool applyLineSettings(const LineSettings& settings) = 0;
    virtual bool setReadTimeout(int milliseconds) = 0;
    virtual void clearErrors() = 0;
    virtual void setQueueSizes(int inputBytes, int outputBytes) = 0;

    // Closes the device and wakes a read in progress. False when it fails.
    virtual bool close() = 0;

    // True once the device has gone away (a cable pulled), even while
    // nobody reads.
    virtual bool lost() const { return false; }
};

// Opens devices by path, for reading and writing, exclusively.
class SerialDeviceOpener {
public:
    virtual ~SerialDeviceOpener() = default;
    // nullptr when the device cannot be opened.
    virtual std::shared_ptr<SerialDevice> open(const std::string& devicePath) = 0;
};

}  // namespace orvalinder
