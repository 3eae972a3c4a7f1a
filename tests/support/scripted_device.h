#pragma once
// A serial device fed by the test: bytes pushed here are what a read gets,
// in the chunks they were pushed. Reads wait like the real device does.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>

#include "serial/serial_device.h"

namespace orvalinder::testing {

class ScriptedDevice : public SerialDevice {
public:
    explicit ScriptedDevice(std::chrono::milliseconds timeout = std::chrono::milliseconds(2000)) : timeout_(timeout) {}

    void push(std::string chunk) {
        std::lock_guard lock(mutex_);
        chunks_.push_back(std::move(chunk));
        changed_.notify_all();
    }
    void loseDevice() {
        std::lock_guard lock(mutex_);
        lost_ = true;
        changed_.notify_all();
    }
    size_t unread() const {
        std::lock_guard lock(mutex_);
        return chunks_.size();
    }

    long read(char* buffer, size_t max) override {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, timeout_, [this] { return !chunks_.empty() || closed_ || lost_; });
        if (chunks_.empty()) return closed_ || lost_ ? -1 : 0;
        std::string& chunk = chunks_.front();
        const size_t n = std::min(max, chunk.size());
        chunk.copy(buffer, n);
        chunk.erase(0, n);
        if (chunk.empty()) chunks_.pop_front();
        return static_cast<long>(n);
    }
    long write(std::string_view bytes) override { return static_cast<long>(bytes.size()); }
    bool readLineSettings(LineSettings&) override { return true; }
    bool applyLineSettings(const LineSettings&) override { return true; }
    bool setReadTimeout(int) override { return true; }
    void clearErrors() override {}
    void setQueueSizes(int, int) override {}
    bool close() override {
        std::lock_guard lock(mutex_);
        closed_ = true;
        changed_.notify_all();
        return true;
    }
    bool lost() const override {
        std::lock_guard lock(mutex_);
        ++lostChecks_;
        changed_.notify_all();
        return lost_;
    }
    // Waits until the device has been asked `count` times whether it is lost.
    bool waitForLostChecks(int count, std::chrono::milliseconds deadline) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, deadline, [&] { return lostChecks_ >= count; });
    }

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    mutable int lostChecks_ = 0;
    std::deque<std::string> chunks_;
    std::chrono::milliseconds timeout_;
    bool closed_ = false;
    bool lost_ = false;
};

}  // namespace orvalinder::testing
