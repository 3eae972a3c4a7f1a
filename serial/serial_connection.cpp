#include "serial/serial_connection.h"

#include <QMetaObject>
#include <chrono>

namespace orvalinder {

void ThreadSleeper::sleep(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

SerialConnection::SerialConnection(SettingsStore& store, SerialDeviceOpener& opener, Sleeper& sleeper,
                                   KeyCodeLogger logger, QObject* parent)
    : QObject(parent), store_(store), logger_(std::move(logger)), link_(store, opener, sleeper) {}

SerialConnection::~SerialConnection() {
    // A connect under way finishes first; its outcome has nobody to go to.
    if (opener_.joinable()) opener_.join();
    // Closing wakes a read in progress, so the receiver ends at once.
    if (auto port = link_.port()) port->close();
    receiver_.reset();
}

bool SerialConnection::startConnect() {
    if (connecting_) return false;
    connecting_ = true;
    if (opener_.joinable()) opener_.join();
    opener_ = std::thread([this] {
        ConnectOutcome outcome = link_.connect();
        QMetaObject::invokeMethod(this, [this, outcome] { finishConnect(outcome); }, Qt::QueuedConnection);
    });
    return true;
}

void SerialConnection::finishConnect(ConnectOutcome outcome) {
    opener_.join();
    connecting_ = false;
    if (outcome.openTried) sio_.setPortHandle(link_.port());
    if (abandoned_) {
        abandoned_ = false;
        link_.disconnect();
        emit connectFinished(false, QString(), -1);
        return;
    }
    if (outcome.connected) {
        receiver_ = std::make_unique<Receiver>(link_.port(), *this, logger_, monitorActive_);
    }
    const QString message = outcome.message ? QString::fromStdString(outcome.message->text) : QString();
    const int icon = outcome.message ? static_cast<int>(outcome.message->icon) : -1;
    emit connectFinished(outcome.connected, message, icon);
}

std::optional<UserMessage> SerialConnection::disconnect() {
    if (connecting_) {
        // The opener thread is still using the port; finishConnect closes it.
        abandoned_ = true;
        return std::nullopt;
    }
    // Closing first wakes a read in progress, so the receiver ends at once.
    std::shared_ptr<SerialDevice> port = link_.port();
    std::optional<UserMessage> failure = link_.disconnect();
    if (receiver_) {
        if (failure && port) port->close();
        receiver_->stop();
        receiver_.reset();
    }
    return failure;
}

void SerialConnection::setMonitorActive(bool active) {
    monitorActive_ = active;
    if (receiver_) receiver_->setMonitorActive(active);
}

void SerialConnection::received(ChunkResult result) {
    if (queue_.push(std::move(result.lines)))
        QMetaObject::invokeMethod(this, &SerialConnection::linesArrived, Qt::QueuedConnection);
    if (result.logFailure) {
        const QString message = QString::fromStdString(result.logFailure->message.text);
        const QString status = result.logFailure->statusLine1
                                   ? QString::fromStdWString(*result.logFailure->statusLine1)
                                   : QString();
        QMetaObject::invokeMethod(
            this, [this, message, status] { emit logFailed(message, status); }, Qt::QueuedConnection);
    }
}

void SerialConnection::lost() {
    QMetaObject::invokeMethod(this, &SerialConnection::connectionLost, Qt::QueuedConnection);
}

}  // namespace orvalinder
