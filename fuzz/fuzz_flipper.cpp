// Any text as a Flipper .ir file: refused with a CodesError, or read into
// remotes whose Flipper file, once written, reads back and writes as the
// same text (a raw key that is a protocol's frame becomes parsed the first
// time), never a crash.

#include <string>

#include "codes/flipper.h"
#include "fuzz/reference.h"

using namespace orvalinder::codes;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<Remote> remotes;
    try {
        remotes = readFlipper(text, "fuzz.ir");
    } catch (const CodesError&) {
        return 0;
    }
    const std::string once = writeFlipper(remotes);
    const std::string twice = writeFlipper(readFlipper(once, "fuzz.ir"));
    FUZZ_CHECK(twice == once);
    return 0;
}
