// orvalinder-codes: the codes of remotes from the command line. See its
// manual page (packaging/man/orvalinder-codes.1).

#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "codes/board_message.h"
#include "codes/capture_log.h"
#include "codes/code_sets.h"
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
    "       orvalinder-codes decode [FILE]\n"
    "       orvalinder-codes candidates [FILE...] --key KEY [--kind KIND] [--brand BRAND]\n";

// The folder of this program, where the program's own code sets are looked
// for beside it.
std::string programFolder(const char* argv0) {
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) self = std::filesystem::absolute(argv0, error);
    return self.parent_path().string();
}

// The codes to try for a key, most common first, one press a line as the
// board is told it (a press of several messages has them on one line,
// between tabs). Without files, the program's own sets.
int candidates(const std::vector<std::string>& args, const std::string& folder) {
    CandidateSearch search;
    std::vector<std::string> files;
    bool keyGiven = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg != "--key" && arg != "--kind" && arg != "--brand") {
            files.push_back(arg);
            continue;
        }
        if (i + 1 == args.size()) {
            std::cerr << kUsage;
            return 2;
        }
        const std::string& value = args[++i];
        if (arg == "--key") {
            search.key = value;
            keyGiven = true;
        } else if (arg == "--brand") {
            search.brand = value;
        } else if (!(search.kind = kindNamed(value))) {
            std::cerr << "orvalinder-codes: --kind takes tv, set-top-box, projector, audio or air-conditioner, not '"
                      << value << "'\n";
            return 2;
        }
    }
    if (!keyGiven) {
        std::cerr << kUsage;
        return 2;
    }
    if (files.empty()) {
        files.push_back(commonSetsFile(folder));
        if (files[0].empty()) throw CodesError("the program's code sets are not installed beside it (" + folder + ")");
    }
    std::vector<CodeSet> sets;
    std::vector<std::string> skipped;
    for (const std::string& file : files) {
        std::vector<CodeSet> read = readCodeSetFile(file, skipped);
        sets.insert(sets.end(), std::make_move_iterator(read.begin()), std::make_move_iterator(read.end()));
    }
    const std::vector<Candidate> found = findCandidates(sets, search, skipped);
    for (const std::string& message : skipped) std::cerr << "orvalinder-codes: " << message << "\n";
    if (found.empty()) throw CodesError("no set has a key '" + search.key + "'");
    for (const Candidate& candidate : found) {
        std::string line = candidate.press;
        line.pop_back();
        for (char& c : line)
            if (c == '\n') c = '\t';
        std::cout << line << "\n";
    }
    return 0;
}

int run(const std::vector<std::string>& args, const std::string& folder) {
    const std::string& command = args[0];
    if (command == "candidates") return candidates(args, folder);
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
        const int status = run(args, programFolder(argv[0]));
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
