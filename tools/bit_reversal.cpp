#include "tools/bit_reversal.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <istream>
#include <memory>
#include <ostream>
#include <vector>

#include "serial/hex_value.h"
#include "serial/keycode_logger.h"

namespace orvalinder {

uint32_t reverseBits(uint32_t v) {
    v = ((v >> 1) & 0x55555555u) | ((v << 1) & 0xAAAAAAAAu);
    v = ((v >> 2) & 0x33333333u) | ((v << 2) & 0xCCCCCCCCu);
    v = ((v >> 4) & 0x0F0F0F0Fu) | ((v << 4) & 0xF0F0F0F0u);
    v = ((v >> 8) & 0x00FF00FFu) | ((v << 8) & 0xFF00FF00u);
    return (v >> 16) | (v << 16);
}

void BitReversalConverter::convertPiece(std::string_view piece, std::string& output) {
    const uint32_t value = readHex32(piece);
    if (value == 0) return;
    appendHexLine(reverseBits(value), output);
}

void BitReversalConverter::feed(std::string_view input, std::string& output) {
    while (!input.empty()) {
        // A piece ends after a line feed or at 299 characters.
        const size_t room = kPieceLength - piece_.size();
        const size_t span = std::min(room, input.size());
        const void* newline = std::memchr(input.data(), '\n', span);
        size_t take = newline ? static_cast<size_t>(static_cast<const char*>(newline) - input.data()) + 1 : span;
        const bool complete = newline || take == room;
        if (!complete) {
            piece_.append(input.substr(0, take));
            return;
        }
        if (piece_.empty()) {
            convertPiece(input.substr(0, take), output);
        } else {
            piece_.append(input.substr(0, take));
            convertPiece(piece_, output);
            piece_.clear();
        }
        input.remove_prefix(take);
    }
}

void BitReversalConverter::finish(std::string& output) {
    if (!piece_.empty()) convertPiece(piece_, output);
    piece_.clear();
}

namespace {
constexpr size_t kBlockSize = 1 << 16;
}

bool convertStream(std::istream& input, std::ostream& output) {
    BitReversalConverter converter;
    std::vector<char> block(kBlockSize);
    std::string converted;
    while (input) {
        input.read(block.data(), static_cast<std::streamsize>(block.size()));
        const auto got = static_cast<size_t>(input.gcount());
        if (got == 0) break;
        converted.clear();
        converter.feed(std::string_view(block.data(), got), converted);
        output.write(converted.data(), static_cast<std::streamsize>(converted.size()));
    }
    converted.clear();
    converter.finish(converted);
    output.write(converted.data(), static_cast<std::streamsize>(converted.size()));
    output.flush();
    return !input.bad() && static_cast<bool>(output);
}

ConvertResult convertFiles(const std::string& inputPath, const std::string& outputPath) {
    std::error_code error;
    if (std::filesystem::equivalent(inputPath, outputPath, error)) return ConvertResult::SameFile;

    using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;
    File output(std::fopen(outputPath.c_str(), "w"), &std::fclose);
    if (!output) return ConvertResult::OutputNotOpened;
    File input(std::fopen(inputPath.c_str(), "r"), &std::fclose);
    if (!input) return ConvertResult::InputNotOpened;

    BitReversalConverter converter;
    std::vector<char> block(kBlockSize);
    std::string converted;
    size_t got = 0;
    while ((got = std::fread(block.data(), 1, block.size(), input.get())) > 0) {
        converted.clear();
        converter.feed(std::string_view(block.data(), got), converted);
        std::fwrite(converted.data(), 1, converted.size(), output.get());
    }
    converted.clear();
    converter.finish(converted);
    std::fwrite(converted.data(), 1, converted.size(), output.get());
    std::fflush(output.get());
    return ConvertResult::Converted;
}

}  // namespace orvalinder
