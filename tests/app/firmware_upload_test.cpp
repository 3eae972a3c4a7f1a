// avrdude's output as the flashing dialog reads it: progress, and the
// failures it explains.
#include <gtest/gtest.h>

#include "app/firmware_upload.h"

namespace orvalinder {
namespace {

// As avrdude 7.1 writes it into a pipe, the bar a # at a time.
std::string bar(const std::string& name, int hashes, bool done) {
    std::string text = name + " | " + std::string(static_cast<size_t>(hashes), '#');
    if (done) text += " | 100% 2.28s\n\n";
    return text;
}

const std::string kStart =
    "avrdude OS error: ioctl(\"TIOCMGET\"): Inappropriate ioctl for device\n\n"
    "avrdude: AVR device initialized and ready to accept instructions\n"
    "avrdude: device signature = 0x1e950f (probably m328p)\n"
    "avrdude: writing 17906 bytes flash ...\n\n";

TEST(FirmwareUpload, ProgressRunsThroughWritingThenVerifying) {
    const struct Row {
        std::string output;
        int percent;
        std::string stage;
    } rows[] = {
        {kStart, 0, ""},
        {kStart + bar("Writing", 20, false), 20, "Writing"},
        {kStart + bar("Writing", 50, true), 50, "Writing"},
        {kStart + bar("Writing", 60, false), 50, "Writing"},  // a longer bar than ours: a stage is half
        {kStart + bar("Writing", 50, true) + "avrdude: verifying flash memory\n\n" + bar("Reading", 25, false), 75,
         "Verifying"},
        {kStart + bar("Writing", 50, true) + bar("Reading", 50, true) + "avrdude done.  Thank you.\n", 100,
         "Verifying"},
        // Drawn again on a terminal: each redraw counts anew.
        {"\rWriting | ###                                                | 6% 0.10s"
         "\rWriting | ##########                                         | 20% 0.40s",
         10, "Writing"},
        {bar("Reading", 10, false), 0, ""},  // a read before any write is no verifying
    };
    for (const Row& row : rows) {
        // In pieces of every size avrdude's pipe might give.
        for (size_t piece : {size_t{1}, size_t{7}, row.output.size()}) {
            AvrdudeOutput output;
            for (size_t at = 0; at < row.output.size(); at += piece) output.feed(row.output.substr(at, piece));
            EXPECT_EQ(output.percent(), row.percent) << row.output << " in pieces of " << piece;
            EXPECT_EQ(output.stage(), row.stage) << row.output;
            EXPECT_EQ(output.problem(), UploadProblem::None) << row.output;
        }
    }
}

TEST(FirmwareUpload, FailuresAreToldApartAndExplained) {
    const struct Row {
        std::string output;
        UploadProblem problem;
        std::string advice;
    } rows[] = {
        {"avrdude OS error: cannot open port /dev/ttyUSB0: Device or resource busy\n"
         "avrdude error: unable to open programmer arduino on port /dev/ttyUSB0\n",
         UploadProblem::PortBusy, "brltty"},
        {"avrdude OS error: cannot open port /dev/ttyUSB0: Permission denied\n", UploadProblem::NoPermission,
         "sudo adduser $USER dialout"},
        {"avrdude OS error: cannot open port /dev/ttyUSB0: No such file or directory\n", UploadProblem::NoPort,
         "plugged in"},
        {"avrdude error: programmer is not responding\n"
         "avrdude warning: attempt 1 of 10: not in sync: resp=0x00\n",
         UploadProblem::NoBootLoader, "57600"},
        {kStart + bar("Writing", 50, true) +
             "avrdude: verifying ...\navrdude error: verification mismatch, first mismatch at byte 0x0000\n",
         UploadProblem::VerifyFailed, "read back"},
        {"avrdude error: verification mismatch, first mismatch at byte 0x0000\n"  // the first explanation holds
         "avrdude warning: attempt 1 of 10: not in sync: resp=0x00\n",
         UploadProblem::VerifyFailed, "read back"},
    };
    for (const Row& row : rows) {
        AvrdudeOutput output;
        output.feed(row.output);
        EXPECT_EQ(output.problem(), row.problem) << row.output;
        const std::string text = uploadProblemText(output.problem(), "/dev/ttyUSB0", 115200);
        EXPECT_NE(text.find(row.advice), std::string::npos) << text;
    }
    AvrdudeOutput unforeseen;  // no advice, but avrdude's last word of it
    unforeseen.feed("avrdude error: something unforeseen\navrdude done.  Thank you.\n");
    EXPECT_EQ(unforeseen.problem(), UploadProblem::None);
    EXPECT_EQ(unforeseen.lastError(), "avrdude error: something unforeseen");
}

}  // namespace
}  // namespace orvalinder
