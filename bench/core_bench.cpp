// Throughput of the bit-reversal converter and of the line assembler.
// Prints "key: value" lines. Usage: core_bench [megabytes]   (default 100)

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "serial/line_assembler.h"
#include "tools/bit_reversal.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// Lines like the ones people convert: codes with and without 0x, some blank.
void writeCodes(const fs::path& path, size_t bytes) {
    std::FILE* file = std::fopen(path.c_str(), "w");
    std::mt19937 random(42);
    char line[32];
    size_t written = 0;
    while (written < bytes) {
        const unsigned value = static_cast<unsigned>(random());
        const int kind = static_cast<int>(random() % 8);
        const int n = kind == 0   ? std::snprintf(line, sizeof line, "\n")
                      : kind == 1 ? std::snprintf(line, sizeof line, "0x%08X\n", value)
                                  : std::snprintf(line, sizeof line, "%08x\n", value);
        std::fwrite(line, 1, static_cast<size_t>(n), file);
        written += static_cast<size_t>(n);
    }
    std::fclose(file);
}

// The plain loop a programmer would write first.
void stdioConvert(const fs::path& in, const fs::path& out) {
    std::FILE* input = std::fopen(in.c_str(), "r");
    std::FILE* output = std::fopen(out.c_str(), "w");
    char buffer[300];
    while (std::fgets(buffer, sizeof buffer, input)) {
        const auto value = static_cast<uint32_t>(std::strtoul(buffer, nullptr, 16));
        if (value != 0) std::fprintf(output, "0x%X\n", orvalinder::reverseBits(value));
    }
    std::fclose(output);
    std::fclose(input);
}

double best(int runs, auto&& work) {
    double fastest = 1e30;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        work();
        fastest = std::min(fastest, secondsSince(start));
    }
    return fastest;
}

std::string boardTraffic(size_t bytes) {
    std::string stream;
    std::mt19937 random(7);
    while (stream.size() < bytes) {
        stream += "9000\t4500";
        const unsigned code = static_cast<unsigned>(random());
        for (int bit = 31; bit >= 0; --bit) stream += (code >> bit) & 1 ? "\t560\t1690" : "\t560\t560";
        stream += "x";
        char value[24];
        std::snprintf(value, sizeof value, "CODE:%XY", code);
        stream += value;
    }
    return stream;
}

}  // namespace

int main(int argc, char** argv) {
    const size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100;
    const size_t bytes = megabytes * 1000 * 1000;
    const fs::path dir = fs::temp_directory_path() / "orvalinder-bench";
    fs::create_directories(dir);
    const fs::path input = dir / "codes.txt";
    writeCodes(input, bytes);
    const double size = static_cast<double>(fs::file_size(input)) / 1e6;

    const double ours = best(3, [&] { orvalinder::convertFiles(input.string(), (dir / "ours.txt").string()); });
    const double plain = best(3, [&] { stdioConvert(input, dir / "stdio.txt"); });
    const bool same = fs::file_size(dir / "ours.txt") == fs::file_size(dir / "stdio.txt");

    std::printf("input_mb: %.1f\n", size);
    std::printf("converter_mb_per_s: %.1f\n", size / ours);
    std::printf("stdio_mb_per_s: %.1f\n", size / plain);
    std::printf("converter_vs_stdio_ratio: %.2f\n", plain / ours);
    std::printf("converter_output_matches_stdio: %s\n", same ? "yes" : "no");

    const std::string traffic = boardTraffic(bytes);
    size_t lines = 0;
    const double assemble = best(3, [&] {
        orvalinder::LineAssembler assembler;
        std::vector<orvalinder::ReceivedLine> received;
        lines = 0;
        for (size_t at = 0; at < traffic.size(); at += 4096) {
            received.clear();
            assembler.feed(std::string_view(traffic).substr(at, 4096), received);
            lines += received.size();
        }
    });
    std::printf("assembler_mb_per_s: %.1f\n", static_cast<double>(traffic.size()) / 1e6 / assemble);
    std::printf("assembler_lines_per_s: %.0f\n", static_cast<double>(lines) / assemble);
    fs::remove_all(dir);
    return same ? 0 : 1;
}
