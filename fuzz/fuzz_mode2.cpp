// Any text as mode2: read up to its first fault into frames that keep the
// reader's promises, which our writer writes back as text read as the very
// same frames and written as the same text. Those frames in the log, exported
// as mode2 and opened again, make the same rows; the log's other exports and
// copies never crash.

#include <sstream>
#include <string>

#include "codes/capture_log.h"
#include "codes/mode2.h"
#include "codes/remote.h"
#include "fuzz/reference.h"

using namespace orvalinder::codes;

namespace {

std::vector<HeardFrame> readAll(const std::string& text, bool mayFail)
{
    std::vector<HeardFrame> frames;
    std::istringstream in(text);
    try {
        readMode2(in, "fuzz.txt", [&](HeardFrame&& frame) { frames.push_back(std::move(frame)); });
    } catch (const CodesError&) {
        FUZZ_CHECK(mayFail);
    }
    return frames;
}

std::vector<std::string> rowsOf(const CaptureLog& log)
{
    std::vector<std::string> rows;
    for (size_t i = 0; i < log.size(); ++i) {
        const CaptureRow& row = log.row(i);
        std::string text = row.text + " x" + std::to_string(row.count) + ":";
        for (const HeardFrame* frame : {&row.frame, &row.repeat})
            for (uint32_t us : frame->durations)
                text += " " + std::to_string(us);
        rows.push_back(text);
    }
    return rows;
}

CaptureLog opened(const std::string& text)
{
    CaptureLog log;
    std::istringstream in(text);
    log.addMode2(in, "log.txt", std::chrono::microseconds(0));
    return log;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
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
    FUZZ_CHECK(writeMode2(readAll(written, false)) == written);

    const CaptureLog log = opened(written);
    FUZZ_CHECK(rowsOf(opened(exportRows(log, CaptureFormat::Mode2))) == rowsOf(log));
    exportRows(log, CaptureFormat::Csv);
    exportRows(log, CaptureFormat::Lircd);
    for (size_t i = 0; i < log.size(); ++i) {
        homeAssistantJson(log.row(i));
        compareRows(log.row(i), log.row(0));
        try {
            prontoOf(log.row(i));
        } catch (const CodesError&) {
        }
    }
    return 0;
}
