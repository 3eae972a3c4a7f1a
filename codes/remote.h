#pragma once
// A remote as LIRC's lircd.conf describes it: the timings of its frames and
// its keys' codes. Every format the program reads becomes one of these, and
// every format it writes is made from one.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orvalinder::codes {

// Bad input: the message names the file, the line and the word.
class CodesError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "remotes.conf:12: unknown flag 'XMP'"
[[noreturn]] void fail(const std::string& file, int line, const std::string& what, const std::string& word);

// A pulse and a space. LIRC sends header, pre, post, foot and repeat only
// when both are given, so a half-given pair is as good as none.
struct Pair {
    uint32_t pulse = 0;
    uint32_t space = 0;
    bool present() const { return pulse != 0 && space != 0; }
    bool operator==(const Pair&) const = default;
};

enum class Encoding { Space, Rc5, Rc6, Raw };

struct Key {
    std::string name;
    // Codes (LIRC sends the first; the others are kept as the file had them),
    // or the durations of a raw key, mark first, an odd count.
    std::vector<uint64_t> codes;
    std::vector<uint32_t> raw;
    bool operator==(const Key&) const = default;
};

struct Remote {
    std::string name;
    // The comment lines that came before it in its file, each ended by a
    // line feed: often who made it and for which device. Written back.
    std::string comment;
    Encoding encoding = Encoding::Space;
    bool constLength = false;
    bool reverse = false;
    bool noHeadRep = false;
    bool noFootRep = false;
    bool repeatHeader = false;

    int bits = 0;
    int preDataBits = 0;
    int postDataBits = 0;
    uint64_t preData = 0;
    uint64_t postData = 0;
    Pair header, one, zero, pre, post, foot, repeat;
    uint32_t plead = 0;
    uint32_t ptrail = 0;
    uint32_t gap = 0;
    uint32_t repeatGap = 0;
    uint32_t minRepeat = 0;
    // Over pre_data, code and post_data as sent, the last bit sent as bit 0.
    // toggle_bit is read into the mask; a mask has one bit at most.
    uint64_t toggleBitMask = 0;
    uint64_t rc6Mask = 0;
    uint32_t frequency = 38000;
    uint32_t dutyCycle = 50;

    // Fields LIRC uses only for receiving or for its own bookkeeping (eps,
    // aeps, ...): kept as written, name and value, and written back.
    std::vector<std::pair<std::string, std::string>> kept;

    std::vector<Key> keys;

    int totalBits() const { return preDataBits + bits + postDataBits; }
    bool operator==(const Remote&) const = default;
};

// The first key of that name, or null. Names may repeat (Flipper's universal
// remotes have many "Power" keys); the first one is the one sent.
const Key* findKey(const Remote& remote, const std::string& name);

// The key in the remote named `remote` (any remote when it is empty);
// a CodesError names what is missing.
std::pair<const Remote*, const Key*> findKey(const std::vector<Remote>& remotes, const std::string& key,
                                             const std::string& remote = {});

}  // namespace orvalinder::codes

namespace orvalinder::codes {

// Adds the key to the remote in `remotes` whose timings are those of
// `remote` (its keys aside), or to a new copy of it named `name` (or
// `name`_2, _3... when taken). Readers of formats that keep timings with
// each key (Pronto, Flipper) group their keys this way.
void addKey(std::vector<Remote>& remotes, const Remote& remote, Key key, const std::string& name);

// A file's name without its folders and its extension, as a remote's name.
std::string remoteNameOf(const std::string& fileName);

// The line of `text` that starts at `at`, without its '\n'; `at` moves past
// it. Readers call it while `at < text.size()`.
std::string_view nextLine(std::string_view text, size_t& at);

}  // namespace orvalinder::codes
