#pragma once
// Opening, configuring and closing the port. The board resets when the port
// opens, so the opener waits between the steps before it may be written to.
// A connect may run on a thread of its own; nothing else may touch the link
// until it returns, and the caller hands the new handle to its CSio.

#include <memory>
#include <optional>

#include "serial/port_settings.h"
#include "serial/serial_device.h"
#include "core/user_message.h"

namespace orvalinder {

class Sleeper {
public:
    virtual ~Sleeper() = default;
    virtual void sleep(int milliseconds) = 0;
};

struct ConnectOutcome {
    bool connected = false;
    std::optional<UserMessage> message;  // to show before the status lines change
    // This attempt opened the device, or tried to: the view's copy of the
    // handle is to take port() (nothing after a failed open).
    bool openTried = false;
};

class SerialLink {
public:
    static constexpr int kReadTimeoutMs = 2000;
    static constexpr int kQueueBytes = 16384;

    SerialLink(SettingsStore& store, SerialDeviceOpener& opener, Sleeper& sleeper);

    // Reads the settings, opens the device unless an earlier attempt left it
    // open, configures it and waits for the board. Five seconds on success.
    ConnectOutcome connect();

    // Closes the port if it is open. A message when the close fails.
    std::optional<UserMessage> disconnect();

    bool portOpen() const { return portOpen_; }
    // The open port the receiver reads; nothing after a close.
    std::shared_ptr<SerialDevice> port() const { return port_; }

    static std::string openFailureText(const std::string& path, PathStyle style = nativePathStyle());

private:
    SettingsStore& store_;
    SerialDeviceOpener& opener_;
    Sleeper& sleeper_;
    bool portOpen_ = false;
    std::shared_ptr<SerialDevice> port_;
};

}  // namespace orvalinder
