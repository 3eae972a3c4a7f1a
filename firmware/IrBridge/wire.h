// The serial line between Orvalinder and the IrBridge board, as both ends
// and the board simulators speak it. Plain C++ with no library, so that the
// sketch, the simulators and the program share this one text.
//
// From the program come key codes ("A101") and messages starting with '!'
// (bridge.h lists them); to the program go monitor lines, numbers between
// tabs ended by kMonitorLineEnd, and value lines ended by kValueLineEnd.
#ifndef IRBRIDGE_WIRE_H
#define IRBRIDGE_WIRE_H

#include <stdint.h>

// Which firmware this is, as the board says it when it starts and when it
// is asked (a value line "IrBridge 1.1"). Literals, so that the board can
// keep them in flash.
#define IRBRIDGE_NAME "IrBridge"
#define IRBRIDGE_VERSION "1.1"

namespace wire {

// 8 data bits, no parity, 1 stop bit.
constexpr uint32_t kBaud = 115200;

constexpr char kMonitorLineEnd = 'x';
constexpr char kValueLineEnd = 'Y';

// The question the board answers with its name and version.
constexpr char kVersionQuestion[] = "!V";
constexpr char kVersionText[] = IRBRIDGE_NAME " " IRBRIDGE_VERSION;

// The most durations a frame has, given to the board or reported by it,
// and the longest of them in microseconds.
constexpr uint8_t kMaxDurations = 100;
constexpr uint32_t kMaxDurationUs = 65535;
// The silence after a raw frame: the board's own when the frame does not
// give one, and the longest it takes.
constexpr uint32_t kDefaultSilenceUs = 40000;
constexpr uint32_t kMaxSilenceUs = 999999;

}  // namespace wire

#endif
