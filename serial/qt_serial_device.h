#pragma once
// The serial device over QSerialPort. QSerialPort may only be used from one
// thread, so each device owns a small thread that the port lives on; the
// window's writes and the receiver's reads are carried over to it.

#include <QString>
#include <QThread>
#include <condition_variable>
#include <mutex>
#include <string>

#include "serial/serial_device.h"

class QSerialPort;
class QTimer;

namespace orvalinder {

class QtSerialDevice : public SerialDevice {
public:
    // The input queue until setQueueSizes: the port's read buffer and the
    // inbox each hold this much.
    static constexpr int kDefaultQueueBytes = 16384;
    // Bytes that do not fit the inbox wait while someone reads it; once
    // nobody has read for this long they are dropped instead.
    static constexpr int kReaderGoneMs = 250;

    // Opens for reading and writing, exclusively; nullptr when it cannot.
    static std::shared_ptr<QtSerialDevice> open(const QString& path);
    ~QtSerialDevice() override;

    long read(char* buffer, size_t max) override;
    long write(std::string_view bytes) override;
    bool readLineSettings(LineSettings& settings) override;
    bool applyLineSettings(const LineSettings& settings) override;
    bool setReadTimeout(int milliseconds) override;
    void clearErrors() override;
    void setQueueSizes(int inputBytes, int outputBytes) override;
    bool close() override;
    bool lost() const override;

    QtSerialDevice();  // use open()

private:
    template <typename Work>
    auto onPortThread(Work work);
    void takeArrivedBytes();  // on the port thread
    void markLost();          // on the port thread
    void checkReader();       // on the port thread, while bytes wait in the port

    QThread thread_;
    QSerialPort* port_ = nullptr;  // lives on thread_
    std::mutex callMutex_;  // onPortThread's hand-over, both ways
    std::condition_variable callDone_;
    QTimer* holdTimer_ = nullptr;  // lives on thread_

    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::string inbox_;
    size_t inboxLimit_ = kDefaultQueueBytes;
    int readTimeoutMs_ = 2000;
    bool closed_ = false;
    bool lost_ = false;
    bool readSinceCheck_ = false;
    bool dropping_ = false;  // nobody reads: keep the port reading, drop what does not fit
};

class QtSerialDeviceOpener : public SerialDeviceOpener {
public:
    std::shared_ptr<SerialDevice> open(const std::string& devicePath) override;
};

}  // namespace orvalinder
