#include "tools/bit_reversal.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
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

namespace fs = std::filesystem;
using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

constexpr size_t kBlockSize = 1 << 16;

// Opening a named pipe or a socket waits for the other end, maybe forever.
bool mayBlockOnOpen(const std::string& path) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    return fs::is_fifo(status) || fs::is_socket(status);
}

// Only a file the conversion wrote is removed, never a device such as /dev/full.
void removePartialOutput(const std::string& path) {
    std::error_code error;
    if (fs::is_regular_file(fs::symlink_status(path, error))) fs::remove(path, error);
}

ConvertResult convertBlocks(std::FILE* input, std::FILE* output, ConvertProgress& progress) {
    BitReversalConverter converter;
    std::vector<char> block(kBlockSize);
    std::string converted;
    const auto written = [&] { return std::fwrite(converted.data(), 1, converted.size(), output) == converted.size(); };
    while (!progress.cancel) {
        const size_t got = std::fread(block.data(), 1, block.size(), input);
        if (got == 0) {
            if (std::ferror(input)) return ConvertResult::ReadFailed;
            converted.clear();
            converter.finish(converted);
            return written() && std::fflush(output) == 0 ? ConvertResult::Converted : ConvertResult::WriteFailed;
        }
        progress.bytesRead += got;
        converted.clear();
        converter.feed(std::string_view(block.data(), got), converted);
        if (!written()) return ConvertResult::WriteFailed;
    }
    return ConvertResult::Cancelled;
}

}  // namespace

ConvertResult convertFiles(const std::string& inputPath, const std::string& outputPath, ConvertProgress* progress) {
    ConvertProgress unwatched;
    ConvertProgress& watched = progress ? *progress : unwatched;
    std::error_code error;
    if (fs::equivalent(inputPath, outputPath, error)) return ConvertResult::SameFile;
    if (mayBlockOnOpen(outputPath)) return ConvertResult::OutputNotOpened;

    File output(std::fopen(outputPath.c_str(), "w"), &std::fclose);
    if (!output) return ConvertResult::OutputNotOpened;
    // Checked before opening: a pipe would block the open, and a device such
    // as /dev/zero never ends.
    if (!fs::is_regular_file(inputPath, error)) return ConvertResult::InputNotOpened;
    File input(std::fopen(inputPath.c_str(), "r"), &std::fclose);
    if (!input) return ConvertResult::InputNotOpened;
    const uintmax_t size = fs::file_size(inputPath, error);
    watched.totalBytes = error ? 0 : size;

    ConvertResult result = convertBlocks(input.get(), output.get(), watched);
    // Closing writes what the stream still buffers; that can fail too.
    if (std::fclose(output.release()) != 0 && result == ConvertResult::Converted) result = ConvertResult::WriteFailed;
    if (result != ConvertResult::Converted) removePartialOutput(outputPath);
    return result;
}

}  // namespace orvalinder
