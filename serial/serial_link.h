#pragma once
// Opening, configuring and closing the port. The board resets when the port
// opens, so a connect waits between its steps before anything is written:
// five seconds in all. The link does not wait itself; it says how long to
// wait before the next step, so the caller can use a timer and stay
// responsive. All calls come from one thread.

#include <memory>
#include <optional>

#include "core/user_message.h"
#include "serial/port_settings.h"
#include "serial/serial_device.h"

namespace orvalinder {

// How long the connect really waits when it asks for `wanted` milliseconds.
// Tests shorten or stretch the board's start-up.
class BoardWaits {
public:
    virtual ~BoardWaits() = default;
    virtual int milliseconds(int wanted) { return wanted; }
    // How long it really waits for an answer the board gives when it is up.
    virtual int answerMs(int wanted) { return wanted; }
};

struct ConnectOutcome {
    bool connected = false;
    std::optional<UserMessage> message;  // to show before the status lines change
};

class SerialLink {
public:
    // The waits after opening, after the line settings and after clearing
    // the port's errors.
    static constexpr int kWaitsMs[] = {1000, 2500, 1500};

    // One step of a connect: it has ended with an outcome, or the next step
    // comes after a wait.
    struct Step {
        std::optional<ConnectOutcome> outcome;
        int waitMs = 0;
    };

    SerialLink(SettingsStore& store, SerialDeviceOpener& opener);

    // Reads the settings and opens the device, unless an earlier attempt
    // left it open, then reads its line settings.
    Step startConnect();
    // The next step of the connect under way.
    Step continueConnect();

    // Closes the port if it is open, abandoning a connect under way. A
    // message when the close fails.
    std::optional<UserMessage> disconnect();

    bool portOpen() const { return port_ != nullptr; }
    // The open port; nothing after a close.
    SerialDevice* port() const { return port_.get(); }

    static std::string openFailureText(const std::string& path, PathStyle style = nativePathStyle(),
                                       const OpenFailure& why = {});

private:
    enum class Stage { Idle, ApplySettings, ClearErrors, Ready };

    Step fail(std::optional<UserMessage> message);

    SettingsStore& store_;
    SerialDeviceOpener& opener_;
    std::shared_ptr<SerialDevice> port_;
    Stage stage_ = Stage::Idle;
    LineSettings settings_;
};

}  // namespace orvalinder
