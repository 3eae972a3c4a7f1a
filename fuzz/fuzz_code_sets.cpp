// Any text as a file of code sets, in the program's own format and as IRDB's
// CSV: refused with a CodesError, or read into sets whose keys the board can
// be told; the candidates of any key are each sent once, never a crash.

#include <set>
#include <string>

#include "codes/code_sets.h"
#include "codes/irdb_csv.h"
#include "fuzz/reference.h"

using namespace orvalinder::codes;

namespace {

void checkCandidates(const std::vector<CodeSet>& sets) {
    std::vector<std::string> skipped;
    for (const char* key : {"Power", "KEY_MUTE", "Vol+"}) {
        CandidateSearch search;
        search.key = key;
        std::set<std::string> presses;
        for (const Candidate& candidate : findCandidates(sets, search, skipped)) {
            FUZZ_CHECK(!candidate.press.empty() && candidate.press.back() == '\n');
            FUZZ_CHECK(presses.insert(candidate.press).second);
            FUZZ_CHECK(!candidate.sets.empty() && candidate.brands >= 1);
            for (const SetKey& at : candidate.sets) FUZZ_CHECK(at.set < sets.size());
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        checkCandidates(readCodeSets(text, "fuzz.sets"));
    } catch (const CodesError&) {}
    try {
        std::vector<std::string> skipped;
        const std::vector<Remote> remotes =
            readIrdbCsv(std::string(kIrdbCsvHeader) + "\n" + text, "fuzz.csv", &skipped);
        std::vector<CodeSet> sets;
        for (const Remote& remote : remotes) sets.push_back(CodeSet{"Brand", DeviceKind::Tv, remote});
        checkCandidates(sets);
    } catch (const CodesError&) {}
    return 0;
}
