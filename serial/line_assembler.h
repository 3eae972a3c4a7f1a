#pragma once
// Collects the bytes the board sends into lines. The bytes come in chunks
// and a chunk may end anywhere, even inside a line.
//
//   x    ends a monitor line and is kept as its last character
//   Y    ends a value line and is dropped
//   0    adds nothing
//   any other byte, CR and LF included, belongs to the line
//
// More than 998 characters without an ending empties the line: the text is
// lost, as the board never sends such lines.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvalinder {

struct ReceivedLine {
    enum Kind { Monitor, Value };
    Kind kind;
    std::string text;    // a monitor line ends with its x; a value line has no Y
    uint32_t value = 0;  // for value lines: the hexadecimal after the first colon
};

class LineAssembler {
public:
    static constexpr size_t kMaxLineLength = 998;

    // Appends every line the chunk completes to `lines`, in order.
    void feed(std::string_view chunk, std::vector<ReceivedLine>& lines);

    const std::string& partialLine() const { return buffer_; }

private:
    void append(std::string_view run);

    std::string buffer_;
};

// The value of a value line: the text after its first colon read as
// hexadecimal; 0 when there is no colon.
uint32_t valueOfLine(std::string_view line);

}  // namespace orvalinder
