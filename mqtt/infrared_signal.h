#pragma once
// Home Assistant's infrared signal, as its MQTT infrared entities send and
// take it: {"timings":[9000,-4500,562,...],"modulation":38000,"repeat_count":0}.
// Timings are microseconds, positive while the LED is on and negative while
// it is off; the modulation is the carrier in Hz.

#include <QByteArray>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvalinder::mqtt {

struct InfraredCommand {
    uint32_t modulationHz = 38000;
    std::vector<uint32_t> durations;  // mark first; an even count ends with the silence after the frame
    int repeatCount = 0;              // sent this many more times
};

struct ReadCommand {
    std::optional<InfraredCommand> command;
    std::string error;  // why there is none, for the log
};

// The most repeats a command may ask for: a minute of a long frame.
inline constexpr int kMaxRepeatCount = 600;

// An emitter's command. Refused: anything but a JSON object, timings that
// are not whole numbers alternating in sign from a positive one, a
// modulation or repeat count that is not a whole number in range. The
// board's own limits are its message's (codes/board_message.h).
ReadCommand readInfraredCommand(const QByteArray& payload);

// A frame the board heard (marks and spaces, mark first), as the receiver
// publishes it. The receiver module takes the carrier off, so no modulation.
QByteArray infraredSignal(const std::vector<uint32_t>& durations);

}  // namespace orvalinder::mqtt
