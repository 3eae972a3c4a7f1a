#pragma once
// The link's view of a QSerialPort. It does not own the port and must be
// used on the port's thread.

#include "serial/serial_device.h"

class QSerialPort;

namespace orvalinder {

class QtSerialDevice : public SerialDevice {
public:
    explicit QtSerialDevice(QSerialPort& port) : port_(port) {}

    long write(std::string_view bytes) override;
    bool readLineSettings(LineSettings& settings) override;
    bool applyLineSettings(const LineSettings& settings) override;
    void clearErrors() override;
    bool close() override;

private:
    QSerialPort& port_;
};

}  // namespace orvalinder
