// orvalinder-codes: the codes of remotes from the command line. See its
// manual page (packaging/man/orvalinder-codes.1).

#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "codes/board_message.h"
#include "codes/capture_log.h"
#include "codes/encoder.h"
#include "codes/formats.h"
#include "codes/pronto.h"

using namespace orvalinder::codes;

namespace {

const char kUsage[] =
    "usage: orvalinder-codes timings FILE KEY [REMOTE]\n"
    "       orvalinder-codes pronto FILE KEY [REMOTE]\n"
    "       orvalinder-codes board FILE KEY [REMOTE]\n"
    "       orvalinder-codes convert FILE --to lircd|flipper|pronto\n"
    "       orvalinder-codes list FILE\n"
    "       orvalinder-codes decode [FILE]\n";

int run(const std::vector<std::string>& args) {
    const std::string& command = args[0];
    const bool keyCommand = command == "timings" || command == "pronto" || command == "board";
    if (keyCommand && (args.size() == 3 || args.size() == 4)) {
        const std::vector<Remote> remotes = readCodesFile(args[1]);
        const auto [remote, key] = findKey(remotes, args[2], args.size() == 4 ? args[3] : std::string());
        if (command == "board") {
            const BoardMessages messages = boardMessages(*remote, *key);
            std::cout << "press:\n" << messages.press << "hold:\n" << messages.hold;
            return 0;
        }
        const Signal signal = encode(*remote, *key);
        if (command == "pronto") {
            std::cout << writePronto(signal) << "\n";
            return 0;
        }
        std::cout << signal.carrierHz << "\n";
        for (uint32_t us : signal.press) std::cout << us << "\n";
        if (signal.pressGap != 0) std::cout << signal.pressGap << "\n";
        return 0;
    }
    if (command == "convert" && args.size() == 4 && args[2] == "--to") {
        const std::optional<Format> format = formatNamed(args[3]);
        if (!format) {
            std::cerr << "orvalinder-codes: --to takes lircd, flipper or pronto, not '" << args[3] << "'\n";
            return 2;
        }
        std::cout << writeCodes(readCodesFile(args[1]), *format);
        return 0;
    }
    if (command == "list" && args.size() == 2) {
        for (const Remote& remote : readCodesFile(args[1])) {
            std::cout << remote.name << "\n";
            for (const Key& key : remote.keys) std::cout << "  " << key.name << "\n";
        }
        return 0;
    }
    if (command == "decode" && args.size() <= 2) {
        std::ifstream file;
        if (args.size() == 2) {
            file.open(args[1], std::ios::binary);
            if (!file) throw CodesError(args[1] + ": cannot be read");
        }
        // A line a frame as it comes, so that a pipe from mode2 is decoded live.
        readMode2(args.size() == 2 ? file : std::cin, args.size() == 2 ? args[1] : "standard input",
                  [](HeardFrame&& frame) { std::cout << heardText(frame.durations) << std::endl; });
        return 0;
    }
    std::cerr << kUsage;
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        (args.empty() ? std::cerr : std::cout) << kUsage;
        return args.empty() ? 2 : 0;
    }
    try {
        const int status = run(args);
        std::cout.flush();
        if (!std::cout) {
            std::cerr << "orvalinder-codes: cannot write the output\n";
            return 1;
        }
        return status;
    } catch (const CodesError& error) {
        std::cerr << "orvalinder-codes: " << error.what() << "\n";
        return 1;
    }
}
