#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#endif

#include "tests/support/temp_folder.h"
#include "tools/bit_reversal.h"

namespace orvalinder {
namespace {

namespace fs = std::filesystem;

std::string convert(const std::string& input, size_t chunk) {
    BitReversalConverter converter;
    std::string output;
    for (size_t at = 0; at < input.size(); at += chunk) converter.feed(input.substr(at, chunk), output);
    converter.finish(output);
    return output;
}

TEST(BitReversal, OneLineEachEveryBitReversed) {
    const std::pair<std::string, std::string> rows[] = {
        {"0x00000001\n", "0x80000000\n"},
        {"1\n", "0x80000000\n"},
        {"80000000\n", "0x1\n"},
        {"0x100\n", "0x800000\n"},
        {"12345678\n", "0x1E6A2C48\n"},
        {"e0e040bf\n", "0xFD020707\n"},
        {"FFFFFFFF\n", "0xFFFFFFFF\n"},
        {"0x00000000\n", ""},
        {"\n", ""},
        {"Key codes\n", ""},
        {"Address\n", "0xBB500000\n"},
        {"1A2B C3D4\n", "0xD4580000\n"},
        {"-1\n", "0xFFFFFFFF\n"},
        {"123456789\n", "0xFFFFFFFF\n"},
        {"  +0X1\r\n", "0x80000000\n"},
        {"1", "0x80000000\n"},  // a last line without a line end
    };
    for (const auto& [input, output] : rows) {
        for (size_t chunk : {size_t{1}, size_t{3}, input.size()}) EXPECT_EQ(convert(input, chunk), output) << input;
    }
    for (int bit = 0; bit < 32; ++bit) EXPECT_EQ(reverseBits(1u << bit), 1u << (31 - bit)) << bit;

    // A finished converter starts afresh.
    BitReversalConverter converter;
    std::string first, second;
    converter.feed("1", first);
    converter.finish(first);
    converter.feed("2", second);
    converter.finish(second);
    EXPECT_EQ(first + second, "0x80000000\n0x40000000\n");
}

TEST(BitReversal, LongLinesAreReadInPiecesOf299) {
    struct Row {
        std::string line;
        std::string output;
    };
    const Row rows[] = {
        // 400 characters: a piece of 299 and one of 101, each read on its own
        {"1" + std::string(298, ' ') + "2" + std::string(100, ' ') + "\n", "0x80000000\n0x40000000\n"},
        {std::string(299, '0') + "1\n", "0x80000000\n"},
        {std::string(298, ' ') + "10\n", "0x80000000\n"},  // "1" ends one piece, "0\n" reads as zero
    };
    for (const Row& row : rows) {
        for (size_t chunk : {size_t{1}, size_t{64}, size_t{4096}}) EXPECT_EQ(convert(row.line, chunk), row.output);
    }
}

class ConvertFiles : public testing::TempFolder {
protected:
    // Byte for byte, so sizes are the same on every system.
    void write(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
};

TEST_F(ConvertFiles, Failures) {
    write(dir / "codes.txt", "1\n");
    EXPECT_EQ(convertFiles((dir / "missing.txt").string(), (dir / "out.txt").string()), ConvertResult::InputNotOpened);
    EXPECT_EQ(read(dir / "out.txt"), "");  // created, left empty
    EXPECT_EQ(convertFiles((dir / "codes.txt").string(), (dir / "no" / "out.txt").string()),
              ConvertResult::OutputNotOpened);
    // The same file twice would empty the input before reading it.
    EXPECT_EQ(convertFiles((dir / "codes.txt").string(), (dir / "." / "codes.txt").string()), ConvertResult::SameFile);
    EXPECT_EQ(read(dir / "codes.txt"), "1\n");
}

TEST_F(ConvertFiles, LinesEndAsTheSystemEndsThem) {
    write(dir / "in.txt", "1\n80000000");  // the last line has no line end
    ASSERT_EQ(convertFiles((dir / "in.txt").string(), (dir / "out.txt").string()), ConvertResult::Converted);
    EXPECT_EQ(read(dir / "out.txt", std::ios::binary), "0x80000000" + testing::kLineEnd + "0x1" + testing::kLineEnd);
}

// It reports how far it came, and overwrites the output.
TEST_F(ConvertFiles, ReportsHowFarItCame) {
    const std::string codes(100000, '\n');
    write(dir / "in.txt", codes + "1\n\n0\n80000000\n");
    write(dir / "out.txt", "old content that must go\n");
    ConvertProgress progress;
    EXPECT_EQ(convertFiles((dir / "in.txt").string(), (dir / "out.txt").string(), &progress), ConvertResult::Converted);
    EXPECT_EQ(progress.totalBytes, codes.size() + 14);
    EXPECT_EQ(progress.bytesRead, codes.size() + 14);
    EXPECT_EQ(read(dir / "out.txt"), "0x80000000\n0x1\n");
}

TEST_F(ConvertFiles, CancelledLeavesNoOutput) {
    write(dir / "in.txt", "1\n");
    for (bool existed : {false, true}) {
        if (existed) write(dir / "out.txt", "old\n");
        ConvertProgress progress;
        progress.cancel = true;
        EXPECT_EQ(convertFiles((dir / "in.txt").string(), (dir / "out.txt").string(), &progress),
                  ConvertResult::Cancelled);
        EXPECT_FALSE(fs::exists(dir / "out.txt")) << existed;
    }
}

#ifndef _WIN32
// Inputs that are no regular file: a folder reads nothing, a named pipe
// blocks the open until a writer comes, a device never ends.
TEST_F(ConvertFiles, RefusesInputsThatAreNoRegularFile) {
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    for (const fs::path& input : {dir, dir / "pipe", fs::path("/dev/zero"), fs::path("/dev/urandom")}) {
        EXPECT_EQ(convertFiles(input.string(), (dir / "out.txt").string()), ConvertResult::InputNotOpened) << input;
        EXPECT_EQ(read(dir / "out.txt"), "") << input;  // created, left empty
    }
    // Nor does an output pipe block the open.
    write(dir / "in.txt", "1\n");
    EXPECT_EQ(convertFiles((dir / "in.txt").string(), (dir / "pipe").string()), ConvertResult::OutputNotOpened);
}

TEST_F(ConvertFiles, WriteFailuresAreReported) {
    // A short output fails when it is flushed, a long one while it is written.
    // The device is reached through a link: what a fault removes is the link.
    fs::create_symlink("/dev/full", dir / "full");
    for (const size_t lines : {size_t{1}, size_t{100000}}) {
        std::string codes;
        for (size_t i = 0; i < lines; ++i) codes += "e0e040bf\n";
        write(dir / "in.txt", codes);
        EXPECT_EQ(convertFiles((dir / "in.txt").string(), (dir / "full").string()), ConvertResult::WriteFailed)
            << lines;
        EXPECT_TRUE(fs::is_symlink(dir / "full"));  // a device is never removed
    }
}

// The file size limit stands in for a full disk: writes past it fail.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }

private:
    rlimit previous_{};
    void (*previousHandler_)(int);
};

TEST_F(ConvertFiles, AFullDiskLeavesNoPartialOutput) {
    std::string codes;
    for (int i = 0; i < 100000; ++i) codes += "1\n";
    write(dir / "in.txt", codes);
    ConvertResult result;
    {
        FileSizeLimit limit(64 * 1024);
        result = convertFiles((dir / "in.txt").string(), (dir / "out.txt").string());
    }
    EXPECT_EQ(result, ConvertResult::WriteFailed);
    EXPECT_FALSE(fs::exists(dir / "out.txt"));
}
#endif

#ifdef __linux__
TEST_F(ConvertFiles, ReadFailuresLeaveNoPartialOutput) {
    // A regular file by its type whose first read fails.
    EXPECT_EQ(convertFiles("/proc/self/mem", (dir / "out.txt").string()), ConvertResult::ReadFailed);
    EXPECT_FALSE(fs::exists(dir / "out.txt"));
}
#endif

}  // namespace
}  // namespace orvalinder
