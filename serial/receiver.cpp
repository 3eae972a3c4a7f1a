#include "serial/receiver.h"

#include <chrono>

namespace orvalinder {

Receiver::Receiver(std::shared_ptr<SerialDevice> port, ReceiverSink& sink, KeyCodeLogger logger, bool monitorActive)
    : port_(std::move(port)), sink_(sink), lines_(std::move(logger)), active_(monitorActive) {
    thread_ = std::thread([this] { run(); });
}

Receiver::~Receiver() { stop(); }

void Receiver::setMonitorActive(bool active) {
    {
        std::lock_guard lock(mutex_);
        active_ = active;
    }
    wake_.notify_all();
}

void Receiver::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

bool Receiver::waitForMonitor() {
    std::unique_lock lock(mutex_);
    while (!stopping_ && !active_) {
        // A pulled cable must be noticed even while nothing is read; a check
        // a second costs nothing.
        if (!wake_.wait_for(lock, std::chrono::seconds(1), [this] { return stopping_ || active_; }) &&
            port_->lost()) {
            lock.unlock();
            sink_.lost();
            return false;
        }
    }
    return !stopping_;
}

void Receiver::run() {
    char buffer[kChunkSize];
    while (waitForMonitor()) {
        const long got = port_->read(buffer, sizeof buffer);
        {
            std::lock_guard lock(mutex_);
            if (stopping_) return;
        }
        if (got < 0) {
            sink_.lost();
            return;
        }
        if (got > 0) sink_.received(lines_.feed(std::string_view(buffer, static_cast<size_t>(got))));
    }
}

}  // namespace orvalinder
