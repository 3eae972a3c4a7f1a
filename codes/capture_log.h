#pragma once
// The frames the receiver heard, kept to be looked at again, compared, sent
// and exported: newest first, a held key's repeats folded into its row.

#include <chrono>
#include <cstdint>
#include <deque>
#include <istream>
#include <optional>
#include <string>
#include <vector>

#include "codes/mode2.h"
#include "codes/protocols.h"
#include "codes/remote.h"

namespace orvalinder::codes {

// The frame as the board writes what it heard: its code (NEC:20DF10EF), or
// "raw, 67 durations".
std::string heardText(const std::vector<uint32_t>& durations);

struct CaptureRow {
    uint64_t id = 0;                        // 1, 2, 3... in the order heard; stable while the row is kept
    std::chrono::microseconds time{0};      // when its first frame came
    std::chrono::microseconds lastTime{0};  // when its last repeat came
    HeardFrame frame;                       // the first frame
    // The frame repeated while the key was held when it is another one
    // (NEC's repeat frame); else empty, the first frame being repeated.
    HeardFrame repeat;
    uint32_t count = 1;      // the frames folded into the row
    uint32_t carrierHz = 0;  // as measured; 0 when not
    std::optional<Decoded> decoded;
    bool toggle = false;  // RC5's and RC6's toggle bit
    std::string text;     // heardText(frame.durations)
};

// The rows kept take some 6.5 MB when full of the board's frames (100
// durations at most), 45 MB at worst when full of mode2's (1023).
class CaptureLog {
public:
    static constexpr size_t kMaxRows = 10000;
    // A frame that comes within this of the newest row's last one, and is
    // that row's key (the same code and toggle, NEC's repeat frame after an
    // NEC code, or raw durations alike as compareRows tells), is its repeat.
    static constexpr std::chrono::milliseconds kRepeatWithin{250};

    // A frame heard at `time` (on a clock of the caller's, never going back),
    // with its carrier when it was measured. A frame whose durations end with
    // a space has it as its silence. Returns the id of the row it went to;
    // the oldest row goes once there are kMaxRows. An empty frame is passed
    // over (0).
    uint64_t add(HeardFrame frame, std::chrono::microseconds time, uint32_t carrierHz = 0);

    // Reads mode2 text into the log (see readMode2), the first frame at
    // `start` and each next one after the one before and its silence. At a
    // fault the frames before it stay and the CodesError goes on.
    void addMode2(std::istream& in, const std::string& fileName, std::chrono::microseconds start);

    size_t size() const { return rows_.size(); }
    const CaptureRow& row(size_t index) const { return rows_[rows_.size() - 1 - index]; }  // 0: the newest
    const CaptureRow* find(uint64_t id) const;  // null once it is no longer kept
    void clear() { rows_.clear(); }

private:
    std::deque<CaptureRow> rows_;  // the oldest first
    uint64_t lastId_ = 0;
};

// The carrier as measured, else the protocol's for a decoded frame, else 0.
uint32_t carrierOf(const CaptureRow& row);

// The row as a code: learned Pronto (the first frame once, then the repeat
// frame when it has one; 38 kHz when the carrier is not known), or Home
// Assistant's infrared command, {"timings":[9000,-4500,...],"modulation":
// 38000,"repeat_count":0}, marks positive and spaces negative, the silence
// after the frame last. A frame's silence longer than 200 ms is the pause
// before another press, not part of the code: the code ends with 40 ms
// instead, as when the silence is not known, as the board leaves after a raw
// frame. A CodesError when Pronto cannot hold it.
std::string prontoOf(const CaptureRow& row);
std::string homeAssistantJson(const CaptureRow& row);

// The row as a key to send again or keep: its protocol's code when it
// decoded (boardMessages then gives the board its code), else its first
// frame as a raw key (the carrier and silence as for prontoOf).
struct RowKey {
    Remote remote;  // its timings, no keys
    Key key;
};
RowKey keyOf(const CaptureRow& row, const std::string& name);

// The rows with these ids (every row when none are given) as a file,
// the oldest first:
//   Mode2   every frame heard, a row's repeats too, each followed by the
//           time to the next less its length, which addMode2 reads back as
//           the same rows;
//   Csv     a line a row: time (seconds), text, count, carrier, durations;
//   Lircd   a raw remote "capture" (and "capture_2"... for other carriers)
//           with a key a row, its first frame, named after its text
//           (NEC_20DF10EF, RAW, RAW_2...).
enum class CaptureFormat { Mode2, Csv, Lircd };
std::string exportRows(const CaptureLog& log, CaptureFormat format, const std::vector<uint64_t>& ids = {});

// Two rows' first frames side by side: the durations that differ by more
// than 15 % (the longer over the shorter; those that only one frame has
// too), and, when both decoded as one protocol, the bits of the code that
// differ, a byte at a time from the top of the code as the board writes it:
// "bits 40–47: 0x18 vs 0x19".
struct FrameComparison {
    std::vector<size_t> differingDurations;
    std::vector<std::string> differingBits;
};
FrameComparison compareRows(const CaptureRow& a, const CaptureRow& b);

}  // namespace orvalinder::codes
