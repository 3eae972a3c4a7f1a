#pragma once
// Plays the board on the master side of a pseudo-terminal; the program
// under test opens the slave side as its serial device.

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <QSerialPort>
#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>

#include "serial/board_ports.h"
#include "sim/board_terminal.h"
#include "tests/support/child_process.h"

namespace orvalinder::testing {

class PtyBoard {
public:
    PtyBoard() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
        path_ = ptsname(master_);
        // Raw on the slave side, so bytes pass unchanged.
        ::close(openRaw(path_));
    }
    ~PtyBoard() { hangUp(); }
    PtyBoard(const PtyBoard&) = delete;
    PtyBoard& operator=(const PtyBoard&) = delete;

    bool ok() const { return master_ >= 0 && !path_.empty(); }
    int master() const { return master_; }
    const std::string& path() const { return path_; }

    void send(const std::string& bytes) const { sendWithin(bytes, std::chrono::seconds(10)); }

    // Sends without ever blocking for good: true once every byte has gone
    // into the pseudo-terminal, false when the program stopped taking them
    // and the deadline passed.
    bool sendWithin(const std::string& bytes, std::chrono::milliseconds deadline) const {
        const int flags = fcntl(master_, F_GETFL);
        fcntl(master_, F_SETFL, flags | O_NONBLOCK);
        const auto end = std::chrono::steady_clock::now() + deadline;
        size_t done = 0;
        while (done < bytes.size() && std::chrono::steady_clock::now() < end) {
            const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += static_cast<size_t>(n);
                continue;
            }
            if (n < 0 && errno != EAGAIN) break;
            pollfd p{master_, POLLOUT, 0};
            poll(&p, 1, 50);
        }
        fcntl(master_, F_SETFL, flags);
        return done == bytes.size();
    }

    // What the program wrote, once `count` bytes have come or the deadline
    // has passed.
    std::string receive(size_t count, std::chrono::milliseconds deadline = std::chrono::milliseconds(3000)) const {
        std::string bytes;
        const auto end = std::chrono::steady_clock::now() + deadline;
        while (bytes.size() < count) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0) break;
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left.count())) <= 0 || !(p.revents & POLLIN)) break;
            char buffer[256];
            const ssize_t n = ::read(master_, buffer, std::min(sizeof buffer, count - bytes.size()));
            if (n <= 0) break;
            bytes.append(buffer, static_cast<size_t>(n));
        }
        return bytes;
    }

    // Like a pulled cable: the slave side reads an error from now on.
    void hangUp() {
        if (master_ >= 0) ::close(master_);
        master_ = -1;
    }

private:
    int master_ = -1;
    std::string path_;
};

// A board with IrBridge, served from a thread of its own: it says its
// answer whenever the program opens it, as the firmware does when the open
// resets the board, and answers the version question the same way. It
// keeps what came.
class AnsweringBoard {
public:
    explicit AnsweringBoard(std::string answer = "IrBridge 1.1Y") : answer_(std::move(answer)) {
        // Held open, so the other end never hangs up between the program's opens.
        holder_ = ::open(board_.path().c_str(), O_RDWR | O_NOCTTY);
        opens_ = boardterminal::watchOpens(board_.master());
        thread_ = std::thread([this] { serve(); });
    }
    ~AnsweringBoard() {
        stop_ = true;
        thread_.join();
        if (holder_ >= 0) ::close(holder_);
        if (opens_ >= 0) ::close(opens_);
    }
    AnsweringBoard(const AnsweringBoard&) = delete;
    AnsweringBoard& operator=(const AnsweringBoard&) = delete;

    bool ok() const { return board_.ok() && holder_ >= 0 && opens_ >= 0; }
    const std::string& path() const { return board_.path(); }
    void send(const std::string& bytes) const { board_.send(bytes); }
    std::string received() const {
        std::lock_guard lock(mutex_);
        return received_;
    }

private:
    void serve() {
        size_t answered = 0;  // questions answered so far
        while (!stop_) {
            pollfd p[2] = {{board_.master(), POLLIN, 0}, {opens_, POLLIN, 0}};
            if (poll(p, 2, 20) <= 0) continue;
            if ((p[1].revents & POLLIN) && boardterminal::takeOpens(opens_)) board_.send(answer_);
            if (!(p[0].revents & POLLIN)) continue;
            char bytes[256];
            const ssize_t n = ::read(board_.master(), bytes, sizeof bytes);
            if (n <= 0) continue;
            std::lock_guard lock(mutex_);
            received_.append(bytes, static_cast<size_t>(n));
            size_t questions = 0;
            for (size_t at = 0; (at = received_.find("!V", at)) != std::string::npos; at += 2) ++questions;
            for (; answered < questions; ++answered) board_.send(answer_);
        }
    }

    PtyBoard board_;
    const std::string answer_;
    int holder_ = -1;
    int opens_ = -1;
    mutable std::mutex mutex_;
    std::string received_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Ports described as the tests say, each backed by a pseudo-terminal.
class FakePorts : public PortLister {
public:
    std::vector<PortDescription> ports() const override {
        std::lock_guard lock(mutex_);
        return ports_;
    }
    bool exists(const std::string& path) const override { return ::access(path.c_str(), F_OK) == 0; }
    void set(std::vector<PortDescription> ports) {
        std::lock_guard lock(mutex_);
        ports_ = std::move(ports);
    }

private:
    mutable std::mutex mutex_;
    std::vector<PortDescription> ports_;
};

// True when no one holds the device: it opens, exclusively.
inline bool deviceIsFree(const std::string& path) {
    QSerialPort port(QString::fromStdString(path));
    return port.open(QIODevice::ReadWrite);
}

}  // namespace orvalinder::testing
