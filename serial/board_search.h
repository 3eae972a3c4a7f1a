#pragma once
// Finding the board among the machine's serial ports, telling its firmware's
// version, and knowing it again when it comes back after an unplug. USB ids
// only say which ports to try first: a CH340 is not always our board, so a
// board counts as found only once it has answered the version question.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "firmware/IrBridge/wire.h"
#include "serial/serial_device.h"

namespace orvalinder {

// A serial port as the system describes it.
struct PortDescription {
    std::string path;                  // what to open: /dev/ttyACM0, COM3
    std::optional<uint16_t> vendorId;  // USB ids, when it is a USB device
    std::optional<uint16_t> productId;
    std::string serialNumber;          // the USB device's own, "" when none
    std::string location;              // where it is plugged in (USB bus and ports), "" when unknown
    std::string description;           // what it says it is: "Arduino Uno"
};

// The machine's serial ports. Called from the port thread and the window's.
class PortLister {
public:
    virtual ~PortLister() = default;
    virtual std::vector<PortDescription> ports() const = 0;
    // Whether the path names a device now (a link that leads to one counts).
    virtual bool exists(const std::string& path) const = 0;
};

// The question the firmware answers with its name and version (it also says
// them when it starts), and the version this program comes with and expects.
inline constexpr std::string_view kVersionQuestion = wire::kVersionQuestion;
inline constexpr std::string_view kFirmwareName = IRBRIDGE_NAME;
inline constexpr std::string_view kExpectedFirmware = IRBRIDGE_VERSION;

// Lower is tried first: Arduino's own boards (2341:*), then the USB serial
// chips of its copies (CH340 1A86:7523, FTDI 0403:6001, CP210x 10C4:EA60),
// other USB devices, and ports without USB ids last.
int candidateRank(const PortDescription& port);
// The ports in the order to try them; equal ranks keep their order.
std::vector<PortDescription> rankCandidates(std::vector<PortDescription> ports);

// A firmware version, "1.1" as {1, 1}.
struct FirmwareVersion {
    std::vector<int> parts;
    auto operator<=>(const FirmwareVersion&) const = default;
    std::string text() const;
};
std::optional<FirmwareVersion> parseVersion(std::string_view text);

// The version in the board's answer to the question: the text of a value
// line ending in "IrBridge 1.1". What came before the name (bytes left from
// the board's start) does not matter; anything else is no answer.
std::optional<FirmwareVersion> versionInAnswer(std::string_view valueLine);

// What the connection found out about the board's firmware.
enum class FirmwareCheck { Current, Newer, Older, NoAnswer };
FirmwareCheck checkFirmware(const std::optional<FirmwareVersion>& answered);
// What the program knows of the connected board's firmware, for the connect
// button's tooltip and the About box; `version` is what the board said.
std::string firmwareNote(FirmwareCheck check, std::string_view version);

// While the answer is awaited, the board's bytes pass through this: the
// answer is taken out and every other line goes on unchanged.
class AnswerCatcher {
public:
    // The bytes to pass on; a line still incomplete is held back.
    std::string feed(std::string_view bytes);
    // What is held back, once the wait is over.
    std::string release();
    const std::optional<FirmwareVersion>& answer() const { return answer_; }

private:
    std::string line_;
    std::optional<FirmwareVersion> answer_;
};

// The board resets when its port opens and starts its firmware once its
// boot loader is done, about a second later; IrBridge then says its version
// unasked. A connect only listens for it, up to kConnectAnswerMs, and then
// goes on without it, as with any board that takes key codes. A search the
// user started also asks, this long after the port opened and then at this
// pace, since a board that does not reset on open says nothing by itself
// (a question cuts the boot loader's wait short: it is no upload); a port
// that has not answered within kSearchAnswerMs is given up.
inline constexpr int kAskFirstMs = 500;
inline constexpr int kAskEveryMs = 250;
inline constexpr int kSearchAnswerMs = 3500;
inline constexpr int kConnectAnswerMs = 5000;

// What asking one port came to.
struct ProbeResult {
    PortDescription port;
    bool opened = false;
    OpenFailure why;  // when it did not open
};

// Shown while a port is asked: "Asking /dev/ttyUSB0 (USB Serial), 1 of 3".
std::string askingText(const PortDescription& port, int index, int total);
// Why the search found no board, port by port, and what to do about it.
std::string noBoardText(const std::vector<ProbeResult>& tried);

// Where the lost device is back, if it is: the port with its serial number
// (and USB ids), else the port at its USB location, else its own path when
// that is listed or exists again and is no other device.
std::optional<std::string> whereDeviceIsBack(const PortDescription& lost, const std::vector<PortDescription>& ports,
                                             bool lostPathExists);

}  // namespace orvalinder
