#include "serial/qt_serial_device.h"

#include <QSerialPort>

namespace orvalinder {

long QtSerialDevice::write(std::string_view bytes) {
    if (!port_.isOpen()) return 0;
    const qint64 written = port_.write(bytes.data(), static_cast<qint64>(bytes.size()));
    return written < 0 ? 0 : static_cast<long>(written);
}

bool QtSerialDevice::readLineSettings(LineSettings& s) {
    if (!port_.isOpen()) return false;
    s.baudRate = static_cast<int>(port_.baudRate());
    s.dataBits = static_cast<int>(port_.dataBits());
    switch (port_.parity()) {
    case QSerialPort::OddParity: s.parity = 1; break;
    case QSerialPort::EvenParity: s.parity = 2; break;
    case QSerialPort::MarkParity: s.parity = 3; break;
    case QSerialPort::SpaceParity: s.parity = 4; break;
    default: s.parity = 0; break;
    }
    s.stopBits = port_.stopBits() == QSerialPort::OneAndHalfStop ? 1 : port_.stopBits() == QSerialPort::TwoStop ? 2 : 0;
    s.dtrRaised = port_.isDataTerminalReady();
    s.rtsRaised = port_.isRequestToSend();
    s.flowControl = port_.flowControl() != QSerialPort::NoFlowControl;
    return true;
}

bool QtSerialDevice::applyLineSettings(const LineSettings& s) {
    static const QSerialPort::Parity kParity[] = {QSerialPort::NoParity, QSerialPort::OddParity,
                                                  QSerialPort::EvenParity, QSerialPort::MarkParity,
                                                  QSerialPort::SpaceParity};
    static const QSerialPort::StopBits kStop[] = {QSerialPort::OneStop, QSerialPort::OneAndHalfStop,
                                                  QSerialPort::TwoStop};
    bool ok = s.baudRate > 0 && port_.setBaudRate(s.baudRate);
    ok = ok && s.dataBits >= 5 && s.dataBits <= 8 && port_.setDataBits(static_cast<QSerialPort::DataBits>(s.dataBits));
    ok = ok && s.parity >= 0 && s.parity <= 4 && port_.setParity(kParity[s.parity]);
    ok = ok && s.stopBits >= 0 && s.stopBits <= 2 && port_.setStopBits(kStop[s.stopBits]);
    ok = ok && port_.setFlowControl(s.flowControl ? QSerialPort::HardwareControl : QSerialPort::NoFlowControl);
    if (!ok) return false;
    // Devices without modem lines (a pseudo-terminal) refuse these; the
    // board does not need them to talk.
    port_.setDataTerminalReady(s.dtrRaised);
    port_.setRequestToSend(s.rtsRaised);
    port_.clearError();
    return true;
}

void QtSerialDevice::clearErrors() { port_.clearError(); }

bool QtSerialDevice::close() {
    // Bytes written just before the close (a key let go as the user
    // disconnects) still wait in the port's buffer; closing would drop them.
    port_.flush();
    port_.close();
    return true;
}

}  // namespace orvalinder
