#pragma once
// Putting the firmware on the board with avrdude through the board's boot
// loader: the command, and what avrdude's output says as it runs.

#include <string>
#include <string_view>
#include <vector>

namespace orvalinder {

// The boot loaders of the boards: the Uno's and the new Nano's take 115200
// baud, the old Nano's 57600.
inline constexpr int kBootLoaderBauds[] = {115200, 57600};

// avrdude's arguments for writing `hexPath` through the boot loader on `port`.
std::vector<std::string> avrdudeArguments(const std::string& port, const std::string& hexPath, int baud);

// Where the firmware may lie, the first that exists is used: installed by
// the package beside the program, or built beside it.
std::vector<std::string> firmwareCandidates(const std::string& programFolder);

enum class UploadProblem { None, PortBusy, NoPermission, NoPort, NoBootLoader, VerifyFailed };

// Reads avrdude's standard error as it comes, in any pieces.
class AvrdudeOutput {
public:
    void feed(std::string_view text);
    // Of the whole upload: writing is the first half, reading it back to
    // verify the second.
    int percent() const;
    // What avrdude does now, for the user: "Writing", "Verifying" or "".
    std::string stage() const;
    UploadProblem problem() const { return problem_; }
    // Its last error line, for a failure of no known kind.
    const std::string& lastError() const { return lastError_; }

private:
    void line(std::string_view text);

    std::string pending_;  // the line not yet ended
    enum class Stage { Starting, Writing, Verifying } stage_ = Stage::Starting;
    int hashes_ = 0;  // of the current bar, 50 in all
    UploadProblem problem_ = UploadProblem::None;
    std::string lastError_;
};

// What went wrong and what to do, for the user.
std::string uploadProblemText(UploadProblem problem, const std::string& port, int baud);

}  // namespace orvalinder
