#include "codes/lircd_conf.h"

#include <cinttypes>
#include <cstdio>

namespace orvalinder::codes {

namespace {

// LIRC keeps a duration in 24 bits.
constexpr uint64_t kMaxDuration = 0xFFFFFF;

// Fields that change nothing LIRC sends: tolerances and settings for
// receiving, the driver's name. They are kept as written and written back.
// (toggle_mask and repeat_mask change the repeats LIRC sends, so they are
// refused like any field we do not know.)
const char* const kKeptFields[] = {"eps",    "aeps",        "manual_sort", "suppress_repeat",
                                   "driver", "serial_mode", "ignore_mask", "baud"};

struct Line {
    int number = 0;
    std::vector<std::string> words;
    std::string comment;  // a line that is only a comment, as written: no words
};

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// Words between blanks; a word that starts with '#' comments out the rest.
std::vector<Line> splitLines(std::string_view text) {
    std::vector<Line> lines;
    int lineNumber = 0;
    size_t at = 0;
    while (at < text.size()) {
        const std::string_view row = nextLine(text, at);
        Line line{++lineNumber, {}, {}};
        size_t i = 0;
        while (i < row.size()) {
            while (i < row.size() && isBlank(row[i])) ++i;
            if (i == row.size() || row[i] == '#') break;
            size_t start = i;
            while (i < row.size() && !isBlank(row[i])) ++i;
            line.words.emplace_back(row.substr(start, i - start));
        }
        if (line.words.empty() && i < row.size()) {
            // Kept whole, without trailing blanks, to go back out as it came.
            size_t end = row.size();
            while (end > 0 && isBlank(row[end - 1])) --end;
            line.comment = std::string(row.substr(0, end));
        }
        if (!line.words.empty() || !line.comment.empty()) lines.push_back(std::move(line));
    }
    return lines;
}

class Reader {
public:
    explicit Reader(const std::string& file) : file_(file) {}

    std::vector<Remote> read(std::string_view text);

private:
    enum class Section { Outside, Remote, Codes, RawCodes };

    [[noreturn]] void error(const Line& line, const std::string& what, const std::string& word) const {
        fail(file_, line.number, what, word);
    }
    uint64_t number(const Line& line, size_t index, uint64_t max) const;
    void expectWords(const Line& line, size_t count) const;
    void field(const Line& line);
    void flags(const Line& line);
    void begin(const Line& line);
    void end(const Line& line);
    void endRawKey(const Line& line);
    void finishRemote(const Line& line);

    const std::string& file_;
    std::vector<Remote> remotes_;
    Section section_ = Section::Outside;
    Remote remote_;
    std::string comment_;  // comment lines since the last remote
    int remoteLine_ = 0;
    uint64_t toggleBit_ = 0;
    bool encodingGiven_ = false;
    bool sawCodes_ = false;
    bool sawRawCodes_ = false;
    int rawKeyLine_ = 0;
};

uint64_t Reader::number(const Line& line, size_t index, uint64_t max) const {
    uint64_t value = 0;
    if (!readNumber(line.words[index], max, value))
        error(line, "not a number from 0 to " + std::to_string(max) + ":", line.words[index]);
    return value;
}

void Reader::expectWords(const Line& line, size_t count) const {
    if (line.words.size() < count) error(line, "too few values for", line.words[0]);
    if (line.words.size() > count) error(line, "one value too many:", line.words[count]);
}

void Reader::flags(const Line& line) {
    if (line.words.size() < 2) error(line, "too few values for", line.words[0]);
    std::string all;
    for (size_t i = 1; i < line.words.size(); ++i) all += line.words[i];
    remote_.constLength = remote_.reverse = remote_.noHeadRep = remote_.noFootRep = remote_.repeatHeader = false;
    encodingGiven_ = false;
    size_t at = 0;
    while (true) {
        const size_t bar = all.find('|', at);
        const std::string flag = all.substr(at, bar == std::string::npos ? std::string::npos : bar - at);
        Encoding encoding = Encoding::Space;
        bool isEncoding = true;
        if (flag == "SPACE_ENC")
            encoding = Encoding::Space;
        else if (flag == "RC5" || flag == "SHIFT_ENC")  // SHIFT_ENC is LIRC's old name of RC5
            encoding = Encoding::Rc5;
        else if (flag == "RC6")
            encoding = Encoding::Rc6;
        else if (flag == "RAW_CODES")
            encoding = Encoding::Raw;
        else {
            isEncoding = false;
            if (flag == "CONST_LENGTH")
                remote_.constLength = true;
            else if (flag == "REVERSE")
                remote_.reverse = true;
            else if (flag == "NO_HEAD_REP")
                remote_.noHeadRep = true;
            else if (flag == "NO_FOOT_REP")
                remote_.noFootRep = true;
            else if (flag == "REPEAT_HEADER")
                remote_.repeatHeader = true;
            else
                error(line, "unknown flag", flag);
        }
        if (isEncoding) {
            if (encodingGiven_ && encoding != remote_.encoding) error(line, "a second encoding among the flags:", flag);
            remote_.encoding = encoding;
            encodingGiven_ = true;
        }
        if (bar == std::string::npos) break;
        at = bar + 1;
    }
}

void Reader::field(const Line& line) {
    const std::string& name = line.words[0];
    Remote& r = remote_;
    struct PairField {
        const char* name;
        Pair Remote::*pair;
    };
    static const PairField pairs[] = {{"header", &Remote::header}, {"one", &Remote::one},   {"zero", &Remote::zero},
                                      {"pre", &Remote::pre},       {"post", &Remote::post}, {"foot", &Remote::foot},
                                      {"repeat", &Remote::repeat}};
    for (const PairField& f : pairs) {
        if (name == f.name) {
            expectWords(line, 3);
            (r.*f.pair).pulse = uint32_t(number(line, 1, kMaxDuration));
            (r.*f.pair).space = uint32_t(number(line, 2, kMaxDuration));
            return;
        }
    }
    struct NumberField {
        const char* name;
        uint32_t Remote::*value;
        uint64_t min, max;
    };
    static const NumberField numbers[] = {
        {"plead", &Remote::plead, 0, kMaxDuration}, {"ptrail", &Remote::ptrail, 0, kMaxDuration},
        {"gap", &Remote::gap, 0, kMaxDuration},     {"repeat_gap", &Remote::repeatGap, 0, kMaxDuration},
        {"min_repeat", &Remote::minRepeat, 0, 100}, {"frequency", &Remote::frequency, 0, 1000000},
        {"duty_cycle", &Remote::dutyCycle, 1, 100},
    };
    for (const NumberField& f : numbers) {
        if (name == f.name) {
            expectWords(line, 2);
            const uint64_t value = number(line, 1, f.max);
            if (value < f.min)
                error(line, "not a number from " + std::to_string(f.min) + " to " + std::to_string(f.max) + ":",
                      line.words[1]);
            r.*f.value = uint32_t(value);
            return;
        }
    }
    struct BitsField {
        const char* name;
        int Remote::*value;
    };
    static const BitsField bitFields[] = {
        {"bits", &Remote::bits}, {"pre_data_bits", &Remote::preDataBits}, {"post_data_bits", &Remote::postDataBits}};
    for (const BitsField& f : bitFields) {
        if (name == f.name) {
            expectWords(line, 2);
            r.*f.value = int(number(line, 1, 64));
            return;
        }
    }
    struct MaskField {
        const char* name;
        uint64_t Remote::*value;
    };
    static const MaskField masks[] = {{"pre_data", &Remote::preData},
                                      {"post_data", &Remote::postData},
                                      {"toggle_bit_mask", &Remote::toggleBitMask},
                                      {"rc6_mask", &Remote::rc6Mask}};
    for (const MaskField& f : masks) {
        if (name == f.name) {
            expectWords(line, 2);
            r.*f.value = number(line, 1, UINT64_MAX);
            return;
        }
    }
    if (name == "name") {
        expectWords(line, 2);
        r.name = line.words[1];
    } else if (name == "flags") {
        flags(line);
    } else if (name == "toggle_bit") {
        expectWords(line, 2);
        toggleBit_ = number(line, 1, 64);
    } else {
        for (const char* kept : kKeptFields) {
            if (name == kept) {
                if (line.words.size() < 2) error(line, "too few values for", name);
                std::string value = line.words[1];
                for (size_t i = 2; i < line.words.size(); ++i) value += " " + line.words[i];
                r.kept.emplace_back(name, value);
                return;
            }
        }
        error(line, "unknown field", name);
    }
}

void Reader::begin(const Line& line) {
    expectWords(line, 2);
    const std::string& what = line.words[1];
    if (what == "remote" && section_ == Section::Outside) {
        section_ = Section::Remote;
        remote_ = Remote{};
        remote_.comment = std::move(comment_);
        comment_.clear();
        remoteLine_ = line.number;
        toggleBit_ = 0;
        encodingGiven_ = sawCodes_ = sawRawCodes_ = false;
    } else if (what == "codes" && section_ == Section::Remote && !sawCodes_ && !sawRawCodes_) {
        if (remote_.encoding == Encoding::Raw) error(line, "codes in a RAW_CODES remote:", what);
        section_ = Section::Codes;
        sawCodes_ = true;
    } else if (what == "raw_codes" && section_ == Section::Remote && !sawCodes_ && !sawRawCodes_) {
        if (encodingGiven_ && remote_.encoding != Encoding::Raw)
            error(line, "raw codes in a remote that is not RAW_CODES:", what);
        remote_.encoding = Encoding::Raw;
        section_ = Section::RawCodes;
        sawRawCodes_ = true;
        rawKeyLine_ = 0;
    } else {
        error(line, "unexpected 'begin'", what);
    }
}

void Reader::endRawKey(const Line& line) {
    if (rawKeyLine_ == 0) return;
    const Key& key = remote_.keys.back();
    if (key.raw.size() % 2 == 0) {
        // LIRC refuses a raw key that ends with a space.
        Line at = line;
        at.number = rawKeyLine_;
        error(at,
              key.raw.empty() ? "no durations for raw key"
                              : "an even count of durations (the last must be a pulse) for raw key",
              key.name);
    }
}

void Reader::end(const Line& line) {
    expectWords(line, 2);
    const std::string& what = line.words[1];
    if (what == "codes" && section_ == Section::Codes) {
        section_ = Section::Remote;
    } else if (what == "raw_codes" && section_ == Section::RawCodes) {
        endRawKey(line);
        section_ = Section::Remote;
    } else if (what == "remote" && section_ == Section::Remote) {
        finishRemote(line);
        section_ = Section::Outside;
    } else {
        error(line, "unexpected 'end'", what);
    }
}

void Reader::finishRemote(const Line& line) {
    Remote& r = remote_;
    Line begun = line;
    begun.number = remoteLine_;
    if (r.name.empty()) error(begun, "a remote without a name", "");
    for (const Remote& other : remotes_)
        if (other.name == r.name) error(begun, "a second remote named", r.name);
    if (r.encoding != Encoding::Raw) {
        if (r.totalBits() == 0 || r.totalBits() > 64)
            error(begun, "pre_data_bits, bits and post_data_bits must add up to 1 to 64 in remote", r.name);
        if (r.one.pulse + r.one.space == 0 || r.zero.pulse + r.zero.space == 0)
            error(begun, "no 'one' or no 'zero' timing in remote", r.name);
    }
    // Raw remotes too: the mask below is shifted by it.
    if (toggleBit_ > uint64_t(r.totalBits())) error(begun, "toggle_bit beyond the frame's bits in remote", r.name);
    if (toggleBit_ > 0 && r.totalBits() > 0)
        r.toggleBitMask |= uint64_t(1) << (r.totalBits() - int(toggleBit_));  // toggle_bit 1 is the first bit sent
    // What LIRC sends for a mask of several bits depends on the code in ways
    // we do not follow, so only one bit is taken.
    if ((r.toggleBitMask & (r.toggleBitMask - 1)) != 0)
        error(begun, "a toggle_bit_mask of more than one bit in remote", r.name);
    remotes_.push_back(std::move(r));
}

std::vector<Remote> Reader::read(std::string_view text) {
    for (const Line& line : splitLines(text)) {
        if (line.words.empty()) {
            // Comments before a remote are its own (often who made it);
            // those inside one go.
            if (section_ == Section::Outside) comment_ += line.comment + "\n";
            continue;
        }
        const std::string& first = line.words[0];
        if (first == "begin") {
            begin(line);
        } else if (first == "end") {
            end(line);
        } else if (section_ == Section::Outside) {
            error(line, "expected 'begin remote', not", first);
        } else if (section_ == Section::Remote) {
            field(line);
        } else if (section_ == Section::Codes) {
            if (line.words.size() < 2) error(line, "no code for key", first);
            Key key{first, {}, {}};
            for (size_t i = 1; i < line.words.size(); ++i) key.codes.push_back(number(line, i, UINT64_MAX));
            remote_.keys.push_back(std::move(key));
        } else if (first == "name") {
            expectWords(line, 2);
            endRawKey(line);
            remote_.keys.push_back(Key{line.words[1], {}, {}});
            rawKeyLine_ = line.number;
        } else {
            if (rawKeyLine_ == 0) error(line, "durations before the first 'name' of the raw codes:", first);
            for (size_t i = 0; i < line.words.size(); ++i) {
                const uint64_t duration = number(line, i, kMaxDuration);
                if (duration == 0) error(line, "a duration of 0:", line.words[i]);
                remote_.keys.back().raw.push_back(uint32_t(duration));
            }
        }
    }
    if (section_ != Section::Outside) {
        Line begun{remoteLine_, {}, {}};
        error(begun, "no 'end remote' for remote", remote_.name.empty() ? "begun here" : remote_.name);
    }
    if (remotes_.empty()) fail(file_, 0, "no remote in the file", "");
    return std::move(remotes_);
}

// As irrecord writes them: a code with a digit for every four of its bits.
std::string hex(uint64_t value, int bits = 0) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%0*" PRIX64, (bits + 3) / 4, value);
    return text;
}

const char* encodingFlag(Encoding encoding) {
    switch (encoding) {
    case Encoding::Rc5: return "RC5";
    case Encoding::Rc6: return "RC6";
    case Encoding::Raw: return "RAW_CODES";
    case Encoding::Space: break;
    }
    return "SPACE_ENC";
}

}  // namespace

std::string lircName(const std::string& name) {
    std::string word = name.empty() ? std::string("KEY") : name;
    for (char& c : word)
        if (isBlank(c) || c == '\n') c = '_';
    if (word[0] == '#') word[0] = '_';  // would start a comment
    return word;
}

bool readNumber(std::string_view word, uint64_t max, uint64_t& value) {
    unsigned base = 10;
    size_t at = 0;
    if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
        base = 16;
        at = 2;
    } else if (word.size() > 1 && word[0] == '0') {
        base = 8;
        at = 1;
    }
    if (at >= word.size()) return false;
    value = 0;
    for (; at < word.size(); ++at) {
        const char c = word[at];
        unsigned digit = 16;
        if (c >= '0' && c <= '9')
            digit = unsigned(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = unsigned(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            digit = unsigned(c - 'A' + 10);
        if (digit >= base || value > (max - digit) / base) return false;
        value = value * base + digit;
    }
    return true;
}

std::vector<Remote> readLircdConf(std::string_view text, const std::string& fileName) {
    return Reader(fileName).read(text);
}

std::string writeLircdConf(const std::vector<Remote>& remotes) {
    std::string out;
    auto put = [&out](const std::string& name, const std::string& value) {
        out += "  " + name + std::string(name.size() < 16 ? 16 - name.size() : 1, ' ') + value + "\n";
    };
    auto putPair = [&put](const char* name, const Pair& pair) {
        if (pair.pulse != 0 || pair.space != 0)
            put(name, std::to_string(pair.pulse) + " " + std::to_string(pair.space));
    };
    auto putNumber = [&put](const char* name, uint64_t value, uint64_t unless = 0) {
        if (value != unless) put(name, std::to_string(value));
    };
    for (const Remote& r : remotes) {
        out += r.comment;
        out += "begin remote\n";
        put("name", lircName(r.name));
        putNumber("bits", uint64_t(r.bits));
        std::string flags = encodingFlag(r.encoding);
        const std::pair<bool, const char*> flagNames[] = {{r.constLength, "CONST_LENGTH"},
                                                          {r.reverse, "REVERSE"},
                                                          {r.noHeadRep, "NO_HEAD_REP"},
                                                          {r.noFootRep, "NO_FOOT_REP"},
                                                          {r.repeatHeader, "REPEAT_HEADER"}};
        for (const auto& [set, name] : flagNames)
            if (set) flags += std::string("|") + name;
        put("flags", flags);
        for (const auto& [name, value] : r.kept) put(name, value);
        putPair("header", r.header);
        putPair("one", r.one);
        putPair("zero", r.zero);
        putNumber("plead", r.plead);
        putNumber("ptrail", r.ptrail);
        putPair("pre", r.pre);
        putPair("post", r.post);
        putPair("foot", r.foot);
        putPair("repeat", r.repeat);
        if (r.preDataBits != 0 || r.preData != 0) {
            putNumber("pre_data_bits", uint64_t(r.preDataBits));
            put("pre_data", hex(r.preData, r.preDataBits));
        }
        if (r.postDataBits != 0 || r.postData != 0) {
            putNumber("post_data_bits", uint64_t(r.postDataBits));
            put("post_data", hex(r.postData, r.postDataBits));
        }
        putNumber("gap", r.gap);
        putNumber("repeat_gap", r.repeatGap);
        putNumber("min_repeat", r.minRepeat);
        if (r.toggleBitMask != 0) put("toggle_bit_mask", hex(r.toggleBitMask));
        if (r.rc6Mask != 0) put("rc6_mask", hex(r.rc6Mask));
        putNumber("frequency", r.frequency, 38000);
        putNumber("duty_cycle", r.dutyCycle, 50);
        if (r.encoding == Encoding::Raw) {
            out += "  begin raw_codes\n";
            for (const Key& key : r.keys) {
                out += "    name " + lircName(key.name) + "\n";
                for (size_t i = 0; i < key.raw.size(); ++i)
                    out += (i % 8 == 0 ? "      " : " ") + std::to_string(key.raw[i]) +
                           (i % 8 == 7 || i + 1 == key.raw.size() ? "\n" : "");
            }
            out += "  end raw_codes\n";
        } else {
            out += "  begin codes\n";
            for (const Key& key : r.keys) {
                out += "    " + lircName(key.name);
                for (uint64_t code : key.codes) out += " " + hex(code, r.bits);
                out += "\n";
            }
            out += "  end codes\n";
        }
        out += "end remote\n\n";
    }
    return out;
}

}  // namespace orvalinder::codes
