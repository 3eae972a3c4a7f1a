// Any text as mode2: read up to its first fault into frames that keep the
// reader's promises, which our writer writes as text read back as the same
// frames. Those frames in the capture log, exported as mode2 and opened
// again, make the same rows; its other exports and copies never crash.

#include <sstream>
#include <string>

#include "codes/capture_log.h"
#include "fuzz/reference.h"

using namespace orvalinder::codes;

namespace {

std::vector<HeardFrame> readAll(const std::string& text, bool mayFail) {
    std::vector<HeardFrame> frames;
    std::istringstream in(text);
    try {
        readMode2(in, "fuzz.txt", [&](HeardFrame&& frame) { frames.push_back(std::move(frame)); });
    } catch (const CodesError&) {
        FUZZ_CHECK(mayFail);
    }
    return frames;
}

// Each row's text, count and frames.
std::vector<std::string> rowsOpenedFrom(const std::string& text) {
    CaptureLog log;
    std::istringstream in(text);
    log.addMode2(in, "log.txt", std::chrono::microseconds(0));
    std::vector<std::string> rows;
    for (size_t i = 0; i < log.size(); ++i) {
        rows.push_back(log.row(i).text + " x" + std::to_string(log.row(i).count));
        for (const HeardFrame* frame : {&log.row(i).frame, &log.row(i).repeat})
            for (uint32_t us : frame->durations) rows.back() += " " + std::to_string(us);
    }
    return rows;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<HeardFrame> frames = readAll(std::string(reinterpret_cast<const char*>(data), size), true);
    for (size_t f = 0; f < frames.size(); ++f) {
        const std::vector<uint32_t>& d = frames[f].durations;
        FUZZ_CHECK(d.size() % 2 == 1 && d.size() <= 1024);
        for (size_t i = 0; i < d.size(); ++i)
            FUZZ_CHECK(d[i] > 0 && d[i] <= (i % 2 == 0 ? 1000000u : kFrameEndSilenceUs));
        FUZZ_CHECK(f + 1 == frames.size() || frames[f].silenceUs > kFrameEndSilenceUs);
    }
    const std::string written = writeMode2(frames);
    FUZZ_CHECK(readAll(written, false) == frames);

    CaptureLog log;
    std::istringstream in(written);
    log.addMode2(in, "log.txt", std::chrono::microseconds(0));
    FUZZ_CHECK(rowsOpenedFrom(exportRows(log, CaptureFormat::Mode2)) == rowsOpenedFrom(written));
    exportRows(log, CaptureFormat::Csv);
    exportRows(log, CaptureFormat::Lircd);
    for (size_t i = 0; i < log.size(); ++i) {
        homeAssistantJson(log.row(i));
        compareRows(log.row(i), log.row(0));
        try {
            prontoOf(log.row(i));
        } catch (const CodesError&) {}
    }
    return 0;
}
