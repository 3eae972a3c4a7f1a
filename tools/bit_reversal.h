#pragma once
// Reverses the bit order of 32-bit hexadecimal codes, one per line, for
// adapting the board's code tables to a remote whose codes are sent the
// other way round.
//
// Input lines are read in pieces of at most 299 characters (a longer line
// gives several pieces), each piece read as by strtoul with base 16 (see
// serial/hex_value.h). Pieces that read as 0 are skipped; every other one
// gives the line "0x%X" of its reversed value.

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

namespace orvalinder {

uint32_t reverseBits(uint32_t value);

class BitReversalConverter {
public:
    static constexpr size_t kPieceLength = 299;

    // Converts the input as it arrives; a chunk may end anywhere.
    void feed(std::string_view input, std::string& output);
    // The input has ended: converts the last unfinished piece.
    void finish(std::string& output);

private:
    void convertPiece(std::string_view piece, std::string& output);

    std::string piece_;  // the unfinished piece carried over from the last chunk
};

enum class ConvertResult { Converted, OutputNotOpened, InputNotOpened, SameFile, ReadFailed, WriteFailed, Cancelled };

// Shared with a watcher on another thread: it reads how far the conversion
// has come and may ask it to stop.
struct ConvertProgress {
    std::atomic<bool> cancel{false};
    std::atomic<uint64_t> bytesRead{0};
    std::atomic<uint64_t> totalBytes{0};  // the input's size; 0 when unknown
};

// Creates or empties the output, then converts the input into it. The input
// must be a regular file: a device or a pipe could block or never end. The
// two paths must not name the same file: the output would empty its own
// input. A conversion that fails or is cancelled after it began to read
// removes its partial output; when the input cannot be opened the output is
// left empty.
ConvertResult convertFiles(const std::string& inputPath, const std::string& outputPath,
                           ConvertProgress* progress = nullptr);

}  // namespace orvalinder
