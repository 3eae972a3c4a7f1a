#pragma once
// The receiver: one thread per connection that reads what the board sends,
// while the IR Monitor is shown, and hands every line to the window.

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "serial/line_receiver.h"
#include "serial/serial_device.h"

namespace orvalinder {

// Where the receiver's results go. Called on the receiver thread.
class ReceiverSink {
public:
    virtual ~ReceiverSink() = default;
    virtual void received(ChunkResult result) = 0;
    // The device went away; the receiver has stopped reading.
    virtual void lost() = 0;
};

class Receiver {
public:
    static constexpr size_t kChunkSize = 4096;

    Receiver(std::shared_ptr<SerialDevice> port, ReceiverSink& sink, KeyCodeLogger logger, bool monitorActive);
    ~Receiver();
    Receiver(const Receiver&) = delete;
    Receiver& operator=(const Receiver&) = delete;

    // Reading happens only while the IR Monitor is shown; meanwhile the
    // bytes wait in the device and the thread sleeps.
    void setMonitorActive(bool active);

    // Ends the thread and waits for it. Close the device first, so that a
    // read in progress returns at once.
    void stop();

private:
    void run();
    bool waitForMonitor();  // false when stopping or the device is lost

    std::shared_ptr<SerialDevice> port_;
    ReceiverSink& sink_;
    LineReceiver lines_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool active_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace orvalinder
