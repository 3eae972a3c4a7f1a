#include "app/firmware_upload.h"

#include <algorithm>

namespace orvalinder {

std::vector<std::string> avrdudeArguments(const std::string& port, const std::string& hexPath, int baud) {
    // -D: the boot loader erases each page as it writes it.
    return {"-p",
            "atmega328p",
            "-c",
            "arduino",
            "-P",
            port,
            "-b",
            std::to_string(baud),
            "-D",
            "-U",
            "flash:w:" + hexPath + ":i"};
}

std::vector<std::string> firmwareCandidates(const std::string& programFolder) {
    return {programFolder + "/../share/orvalinder/firmware/IrBridge.hex", programFolder + "/../firmware/IrBridge.hex"};
}

void AvrdudeOutput::feed(std::string_view text) {
    // Its progress bar grows on one line, a # at a time; its messages end
    // with line feeds.
    for (char c : text) {
        if (c == '\n' || c == '\r') {
            line(pending_);
            pending_.clear();
            continue;
        }
        pending_.push_back(c);
        if (c == '#') ++hashes_;
        if (pending_.size() > 4096) pending_.clear();  // no line of avrdude's is so long
        if (pending_ == "Writing | ") {
            stage_ = Stage::Writing;
            hashes_ = 0;
        } else if (pending_ == "Reading | " && stage_ != Stage::Starting) {
            stage_ = Stage::Verifying;
            hashes_ = 0;
        }
    }
}

void AvrdudeOutput::line(std::string_view text) {
    auto says = [&](std::string_view words) { return text.find(words) != std::string_view::npos; };
    if (says("error") || says("not in sync") || says("not responding")) lastError_ = std::string(text);
    if (problem_ != UploadProblem::None) return;
    if (says("Device or resource busy"))
        problem_ = UploadProblem::PortBusy;
    else if (says("Permission denied"))
        problem_ = UploadProblem::NoPermission;
    else if (says("cannot open port") && says("No such file or directory"))
        problem_ = UploadProblem::NoPort;
    else if (says("not in sync") || says("programmer is not responding"))
        problem_ = UploadProblem::NoBootLoader;
    else if (says("verification error") || says("verification mismatch"))
        problem_ = UploadProblem::VerifyFailed;
}

int AvrdudeOutput::percent() const {
    const int bar = std::min(hashes_, 50);
    switch (stage_) {
    case Stage::Writing: return bar;
    case Stage::Verifying: return 50 + bar;
    case Stage::Starting: break;
    }
    return 0;
}

std::string AvrdudeOutput::stage() const {
    switch (stage_) {
    case Stage::Writing: return "Writing";
    case Stage::Verifying: return "Verifying";
    case Stage::Starting: break;
    }
    return {};
}

std::string uploadProblemText(UploadProblem problem, const std::string& port, int baud) {
    switch (problem) {
    case UploadProblem::PortBusy:
        return "Another program has " + port +
               " open. Close it (a serial terminal, the Arduino IDE's serial monitor) and start again.\n"
               "On Debian, brltty (the braille display service) takes CH340 and FTDI ports: if you use no braille "
               "display, run sudo apt remove brltty, then unplug the board and plug it in again.";
    case UploadProblem::NoPermission:
        return "Your user may not open " + port +
               ": serial ports belong to the dialout group. Run\n    sudo adduser $USER dialout\n"
               "then log out and in again.";
    case UploadProblem::NoPort:
        return "There is no " + port + ": is the board plugged in? Options > Com settings > Find board looks for it.";
    case UploadProblem::NoBootLoader:
        return "No boot loader answered on " + port + " at " + std::to_string(baud) +
               " baud. An Uno or a new Nano takes 115200, a Nano with the old boot loader 57600: choose the other "
               "and start again. If it still fails, press the board's reset button just as you press Start.";
    case UploadProblem::VerifyFailed:
        return "The firmware did not read back as it was written. Start again; if it fails again, the board's "
               "flash may be worn.";
    case UploadProblem::None: break;
    }
    return {};
}

}  // namespace orvalinder
