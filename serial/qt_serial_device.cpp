#include "serial/qt_serial_device.h"

#include <QMetaObject>
#include <QSerialPort>
#include <QTimer>
#include <chrono>
#include <type_traits>

namespace orvalinder {

QtSerialDevice::QtSerialDevice() { thread_.setObjectName("serial port"); }

// Runs the work on the port thread and waits for it. Qt's blocking queued
// call would do the same, but it hands over through Qt's own locks, which a
// thread sanitizer cannot see; this hand-over is a mutex of ours.
template <typename Work>
auto QtSerialDevice::onPortThread(Work work) {
    using Result = decltype(work());
    bool done = false;
    std::conditional_t<std::is_void_v<Result>, bool, Result> result{};
    std::unique_lock lock(callMutex_);
    QMetaObject::invokeMethod(
        port_,
        [&] {
            std::lock_guard guard(callMutex_);
            if constexpr (std::is_void_v<Result>)
                work();
            else
                result = work();
            done = true;
            callDone_.notify_all();
        },
        Qt::QueuedConnection);
    callDone_.wait(lock, [&] { return done; });
    if constexpr (!std::is_void_v<Result>) return result;
}

std::shared_ptr<QtSerialDevice> QtSerialDevice::open(const QString& path) {
    auto device = std::make_shared<QtSerialDevice>();
    device->port_ = new QSerialPort(path);
    // Bounded from the start: the board talks while the connect waits.
    device->port_->setReadBufferSize(kDefaultQueueBytes);
    device->port_->moveToThread(&device->thread_);
    QObject::connect(&device->thread_, &QThread::finished, device->port_, &QObject::deleteLater);
    device->thread_.start();

    QtSerialDevice* self = device.get();
    const bool opened = self->onPortThread([self] {
        QSerialPort* port = self->port_;
        // QSerialPort locks the device and asks the driver for exclusive use.
        if (!port->open(QIODevice::ReadWrite)) return false;
        QObject::connect(port, &QSerialPort::readyRead, port, [self] { self->takeArrivedBytes(); });
        self->holdTimer_ = new QTimer(port);
        self->holdTimer_->setInterval(kReaderGoneMs);
        QObject::connect(self->holdTimer_, &QTimer::timeout, port, [self] { self->checkReader(); });
        QObject::connect(port, &QSerialPort::errorOccurred, port, [self](QSerialPort::SerialPortError error) {
            // A device that has gone keeps reporting read errors; close it so
            // the port thread does not spin.
            if (error == QSerialPort::ResourceError || error == QSerialPort::ReadError) self->markLost();
        });
        return true;
    });
    if (!opened) {
        device->closed_ = true;
        device->thread_.quit();
        device->thread_.wait();
        return nullptr;
    }
    return device;
}

QtSerialDevice::~QtSerialDevice() {
    close();
    thread_.quit();
    thread_.wait();
}

void QtSerialDevice::takeArrivedBytes() {
    std::lock_guard lock(mutex_);
    const size_t room = inboxLimit_ - std::min(inboxLimit_, inbox_.size());
    // While a reader empties the inbox, what does not fit waits in the port
    // (and the device). Without one, everything is taken, so the port keeps
    // reading the device and a lost device reports its error; what the
    // inbox cannot hold is dropped, as a full driver queue would drop it.
    const QByteArray bytes = dropping_ ? port_->readAll() : port_->read(static_cast<qint64>(room));
    if (!dropping_ && port_->bytesAvailable() > 0 && !holdTimer_->isActive()) holdTimer_->start();
    const size_t kept = std::min(room, static_cast<size_t>(bytes.size()));
    if (kept == 0) return;
    inbox_.append(bytes.constData(), kept);
    arrived_.notify_all();
}

void QtSerialDevice::checkReader() {
    if (!port_->isOpen()) {
        holdTimer_->stop();
        return;
    }
    {
        std::lock_guard lock(mutex_);
        if (!readSinceCheck_) dropping_ = true;
        readSinceCheck_ = false;
    }
    takeArrivedBytes();
    std::lock_guard lock(mutex_);
    if (dropping_ || port_->bytesAvailable() == 0) holdTimer_->stop();
}

void QtSerialDevice::markLost() {
    port_->close();
    std::lock_guard lock(mutex_);
    lost_ = true;
    arrived_.notify_all();
}

long QtSerialDevice::read(char* buffer, size_t max) {
    std::unique_lock lock(mutex_);
    arrived_.wait_for(lock, std::chrono::milliseconds(readTimeoutMs_),
                      [this] { return !inbox_.empty() || closed_ || lost_; });
    readSinceCheck_ = true;
    dropping_ = false;
    if (inbox_.empty()) return closed_ || lost_ ? -1 : 0;
    const bool wasFull = inbox_.size() >= inboxLimit_;
    const size_t n = std::min(max, inbox_.size());
    inbox_.copy(buffer, n);
    inbox_.erase(0, n);
    lock.unlock();
    // Bytes held back while the inbox was full are fetched now.
    if (wasFull) QMetaObject::invokeMethod(port_, [this] { takeArrivedBytes(); }, Qt::QueuedConnection);
    return static_cast<long>(n);
}

long QtSerialDevice::write(std::string_view bytes) {
    {
        // Nothing counts as written on a device that has gone.
        std::lock_guard lock(mutex_);
        if (closed_ || lost_) return 0;
    }
    const qint64 written = onPortThread([this, bytes] {
        return port_->isOpen() ? port_->write(bytes.data(), static_cast<qint64>(bytes.size())) : qint64{0};
    });
    return written < 0 ? 0 : static_cast<long>(written);
}

bool QtSerialDevice::readLineSettings(LineSettings& s) {
    return onPortThread([this, &s] {
        if (!port_->isOpen()) return false;
        s.baudRate = static_cast<int>(port_->baudRate());
        s.dataBits = static_cast<int>(port_->dataBits());
        switch (port_->parity()) {
        case QSerialPort::OddParity: s.parity = 1; break;
        case QSerialPort::EvenParity: s.parity = 2; break;
        case QSerialPort::MarkParity: s.parity = 3; break;
        case QSerialPort::SpaceParity: s.parity = 4; break;
        default: s.parity = 0; break;
        }
        s.stopBits = port_->stopBits() == QSerialPort::OneAndHalfStop ? 1 : port_->stopBits() == QSerialPort::TwoStop ? 2 : 0;
        s.dtrRaised = port_->isDataTerminalReady();
        s.rtsRaised = port_->isRequestToSend();
        s.flowControl = port_->flowControl() != QSerialPort::NoFlowControl;
        return true;
    });
}

bool QtSerialDevice::applyLineSettings(const LineSettings& s) {
    return onPortThread([this, s] {
        static const QSerialPort::Parity kParity[] = {QSerialPort::NoParity, QSerialPort::OddParity,
                                                      QSerialPort::EvenParity, QSerialPort::MarkParity,
                                                      QSerialPort::SpaceParity};
        static const QSerialPort::StopBits kStop[] = {QSerialPort::OneStop, QSerialPort::OneAndHalfStop,
                                                      QSerialPort::TwoStop};
        bool ok = s.baudRate > 0 && port_->setBaudRate(s.baudRate);
        ok = ok && s.dataBits >= 5 && s.dataBits <= 8 &&
             port_->setDataBits(static_cast<QSerialPort::DataBits>(s.dataBits));
        ok = ok && s.parity >= 0 && s.parity <= 4 && port_->setParity(kParity[s.parity]);
        ok = ok && s.stopBits >= 0 && s.stopBits <= 2 && port_->setStopBits(kStop[s.stopBits]);
        ok = ok && port_->setFlowControl(s.flowControl ? QSerialPort::HardwareControl : QSerialPort::NoFlowControl);
        if (!ok) return false;
        // Devices without modem lines (a pseudo-terminal) refuse these; the
        // board does not need them to talk.
        port_->setDataTerminalReady(s.dtrRaised);
        port_->setRequestToSend(s.rtsRaised);
        port_->clearError();
        return true;
    });
}

bool QtSerialDevice::setReadTimeout(int milliseconds) {
    std::lock_guard lock(mutex_);
    if (closed_ || milliseconds <= 0) return false;
    readTimeoutMs_ = milliseconds;
    return true;
}

void QtSerialDevice::clearErrors() {
    onPortThread([this] { port_->clearError(); });
}

void QtSerialDevice::setQueueSizes(int inputBytes, int) {
    if (inputBytes <= 0) return;  // a read buffer size of 0 would be unbounded
    {
        std::lock_guard lock(mutex_);
        inboxLimit_ = static_cast<size_t>(inputBytes);
    }
    onPortThread([this, inputBytes] { port_->setReadBufferSize(inputBytes); });
}

bool QtSerialDevice::close() {
    {
        std::lock_guard lock(mutex_);
        if (closed_) return true;
        closed_ = true;
    }
    arrived_.notify_all();
    onPortThread([this] { port_->close(); });
    return true;
}

bool QtSerialDevice::lost() const {
    std::lock_guard lock(mutex_);
    return lost_;
}

std::shared_ptr<SerialDevice> QtSerialDeviceOpener::open(const std::string& devicePath) {
    return QtSerialDevice::open(QString::fromStdString(devicePath));
}

}  // namespace orvalinder
