#pragma once
// Reverses the bit order of 32-bit hexadecimal codes, one per line, for
// adapting the board's code tables to a remote whose codes are sent the
// other way round.
//
// Input lines are read in pieces of at most 299 characters (a longer line
// gives several pieces), each piece read as by strtoul with base 16 (see
// serial/hex_value.h). Pieces that read as 0 are skipped; every other one
// gives the line "0x%X" of its reversed value.

#include <cstdint>
#include <iosfwd>
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

// Returns false when reading or writing fails.
bool convertStream(std::istream& input, std::ostream& output);

enum class ConvertResult { Converted, OutputNotOpened, InputNotOpened, SameFile };

// Creates or empties the output, then converts the input into it. The two
// paths must not name the same file: the output would empty its own input.
ConvertResult convertFiles(const std::string& inputPath, const std::string& outputPath);

}  // namespace orvalinder
