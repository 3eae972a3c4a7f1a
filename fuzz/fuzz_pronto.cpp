// Any text as Pronto codes: refused with a CodesError, or read into keys
// whose Pronto, once written, reads back and writes as the same durations
// (whole carrier periods survive the trip; the once part comes back as the
// start of the repeated part), and then as the very same words. Never a crash.

#include <string>

#include "codes/encoder.h"
#include "codes/pronto.h"
#include "fuzz/reference.h"

using namespace orvalinder::codes;

namespace {

std::string rewritten(const std::string& pronto) {
    const std::vector<Remote> again = readPronto("K: " + pronto, "again.txt");
    FUZZ_CHECK(again.size() == 1 && again[0].keys.size() == 1);
    return writePronto(encode(again[0], again[0].keys[0]));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<Remote> remotes;
    try {
        remotes = readPronto(text, "fuzz.txt");
    } catch (const CodesError&) {
        return 0;
    }
    for (const Remote& remote : remotes) {
        for (const Key& key : remote.keys) {
            std::string once;
            try {
                once = writePronto(encode(remote, key));
            } catch (const CodesError&) {
                continue;  // a carrier or a gap Pronto cannot hold
            }
            const std::string twice = rewritten(once);
            // The carrier's word and every duration's, after the two counts.
            FUZZ_CHECK(twice.substr(0, 4) == "0000" && twice.substr(4, 5) == once.substr(4, 5));
            FUZZ_CHECK(twice.substr(19) == once.substr(19));
            FUZZ_CHECK(rewritten(twice) == twice);
        }
    }
    return 0;
}
