// Any text as a lircd.conf: refused with a CodesError, or read into remotes
// that our writer writes back as the same remotes, each key encoded or
// refused, its board message and Pronto made or refused, never a crash.

#include <string>

#include "codes/board_message.h"
#include "codes/encoder.h"
#include "codes/lircd_conf.h"
#include "codes/pronto.h"
#include "fuzz/reference.h"

using namespace orvalinder::codes;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<Remote> remotes;
    try {
        remotes = readLircdConf(text, "fuzz.conf");
    } catch (const CodesError&) {
        return 0;
    }
    const std::string written = writeLircdConf(remotes);
    FUZZ_CHECK(readLircdConf(written, "written.conf") == remotes);
    for (const Remote& remote : remotes) {
        for (const Key& key : remote.keys) {
            try {
                const Signal signal = encode(remote, key);
                FUZZ_CHECK(signal.press.size() % 2 == 1 && (signal.repeat.empty() || signal.repeat.size() % 2 == 1));
                boardMessages(remote, key);
                writePronto(signal);
            } catch (const CodesError&) {}
        }
    }
    return 0;
}
