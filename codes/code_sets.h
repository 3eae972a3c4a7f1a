#pragma once
// Code sets: the keys of one device's remote, with its brand and the kind
// of device, as the program finds a code for a device whose remote is lost.
// They come from the program's own file of the common brands' sets (its
// format is in README, "Finding a code") and from any file of codes the user
// adds. A candidate is a code for the key looked for, with the sets that
// send it.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "codes/remote.h"

namespace orvalinder::codes {

// Unknown: the file does not say, and its sets are tried for every kind.
enum class DeviceKind { Unknown, Tv, SetTopBox, Projector, Audio, AirConditioner };

// "tv", "set-top-box", "projector", "audio", "air-conditioner".
std::optional<DeviceKind> kindNamed(std::string_view name);
std::string_view kindName(DeviceKind kind);

struct CodeSet {
    std::string brand;  // empty when the file does not say
    DeviceKind kind = DeviceKind::Unknown;
    // Its keys as any remote's. Its name tells the brand's sets apart:
    // "NECx2 7.7" (the protocol and device as the IRP notation names them),
    // or a remote's name in the user's file.
    Remote remote;
};

// "Samsung, NECx2 7.7", or the remote's name alone.
std::string describe(const CodeSet& set);

// The program's own format, refused at the first mistake with the file,
// the line and the word.
std::vector<CodeSet> readCodeSets(std::string_view text, const std::string& fileName);

// The sets of a file: the program's own format; IRDB's CSV, whose folders
// give the brand and kind (Samsung/TV/7,7.csv); any other file of codes, a
// set a remote, except that a file with several keys of one name in a
// remote (Flipper's universal files) gives a set a device its frames name,
// and a set each key whose frame no protocol reads. Keys that cannot be read or
// sent are named in `skipped` and left out; a file that cannot be read is
// a CodesError.
std::vector<CodeSet> readCodeSetFile(const std::string& path, std::vector<std::string>& skipped);

// The program's own sets, installed beside it or in its build tree; empty
// when neither is there.
std::string commonSetsFile(const std::string& programFolder);

struct CandidateSearch {
    std::string key = "KEY_POWER";  // any spelling: Power, Vol+, KEY_MUTE
    std::optional<DeviceKind> kind;
    std::string brand;  // case aside; sets without one are left out. Empty: all
};

struct SetKey {
    size_t set;  // in the sets searched
    size_t key;  // in its remote's keys
    bool operator==(const SetKey&) const = default;
};

struct Candidate {
    std::string press;         // the board's messages for one press, each ended by '\n'
    std::vector<SetKey> sets;  // every set whose key sends it, in the sets' order
    size_t brands = 0;         // a set without a brand counts as one of its own
};

// Each set's key of that name (or the key doing its work, Standby for
// Power) as the board sends it, each code once: those of more brands
// first, then of more sets, the rest in the sets' order. A key the board
// cannot send is named in `skipped`.
std::vector<Candidate> findCandidates(const std::vector<CodeSet>& sets, const CandidateSearch& search,
                                      std::vector<std::string>& skipped);

// The brands of the sets of that kind, in the sets' order, each once.
std::vector<std::string> brandsOf(const std::vector<CodeSet>& sets, DeviceKind kind);

}  // namespace orvalinder::codes
