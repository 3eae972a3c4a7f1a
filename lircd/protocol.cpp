#include "lircd/protocol.h"

#include <algorithm>
#include <vector>

namespace orvalinder::lircd {

void LineSplitter::append(std::string_view bytes) {
    // The caller takes the whole lines first, so what moves here is at most
    // the start of one line.
    buffer_.erase(0, start_);
    start_ = 0;
    buffer_.append(bytes);
}

std::optional<LineSplitter::Line> LineSplitter::next() {
    for (;;) {
        const std::string_view rest = std::string_view(buffer_).substr(start_);
        const size_t end = rest.find('\n');
        if (skipping_) {
            start_ = end == std::string_view::npos ? buffer_.size() : start_ + end + 1;
            if (end == std::string_view::npos) return std::nullopt;
            skipping_ = false;
            continue;
        }
        const size_t length = end == std::string_view::npos ? rest.size() : end;
        if (length > maxLineBytes) {
            Line line{std::string(rest.substr(0, maxLineBytes)), true};
            start_ += maxLineBytes;
            skipping_ = true;
            return line;
        }
        if (end == std::string_view::npos) return std::nullopt;
        Line line{std::string(rest.substr(0, end)), false};
        start_ += end + 1;
        return line;
    }
}

namespace {

struct Reply {
    bool success = true;
    // Sent after DATA; none at all for a send that went out.
    std::optional<std::vector<std::string>> data;
};

Reply failure(std::string message) { return {false, std::vector<std::string>{std::move(message)}}; }

// lircd's way of naming what it did not find: unknown remote: "tv"
std::string quoted(std::string_view what, std::string_view name) {
    return std::string(what) + ": \"" + std::string(name) + "\"";
}

bool isControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte < 0x20 && c != '\t') || byte == 0x7f;
}

// A '\n' or a '\0' in a reply would cut the client's lines; any control
// character shows as '?'.
std::string printable(std::string_view text) {
    std::string out(text);
    std::replace_if(out.begin(), out.end(), isControl, '?');
    return out;
}

std::vector<std::string_view> wordsOf(std::string_view line) {
    std::vector<std::string_view> words;
    size_t at = 0;
    while (at < line.size()) {
        const size_t start = line.find_first_not_of(" \t", at);
        if (start == std::string_view::npos) break;
        const size_t end = std::min(line.find_first_of(" \t", start), line.size());
        words.push_back(line.substr(start, end - start));
        at = end;
    }
    return words;
}

bool is(std::string_view word, std::string_view command) {
    return std::equal(word.begin(), word.end(), command.begin(), command.end(),
                      [](char a, char b) { return (a >= 'a' && a <= 'z' ? a - 'a' + 'A' : a) == b; });
}

const KeyRow* findRow(const std::vector<KeyRow>& rows, std::string_view name) {
    const auto row = std::find_if(rows.begin(), rows.end(), [&](const KeyRow& r) { return r.name == name; });
    return row == rows.end() ? nullptr : &*row;
}

std::string rowText(const KeyRow& row) { return row.code + " " + row.name; }

Reply list(const std::vector<std::string_view>& words, Target& target) {
    if (words.size() == 1) return {true, target.remotes()};
    const std::optional<std::vector<KeyRow>> rows = target.keys(std::string(words[1]));
    if (!rows) return failure(quoted("unknown remote", words[1]));
    std::vector<std::string> lines;
    if (words.size() == 2) {
        for (const KeyRow& row : *rows) lines.push_back(rowText(row));
        return {true, std::move(lines)};
    }
    const KeyRow* row = findRow(*rows, words[2]);
    if (!row) return failure(quoted("unknown command", words[2]));
    if (words.size() > 3) return failure("bad send packet (trailing ws)");
    return {true, std::vector<std::string>{rowText(*row)}};
}

// lircd reads the count as an unsigned number, so "-1" is too many, not a
// bad word; "0x3" and "3x" are bad words.
std::optional<std::string> readRepeats(std::string_view word, int& repeats) {
    std::string_view digits = word;
    const bool negative = digits.front() == '-';
    if (negative || digits.front() == '+') digits.remove_prefix(1);
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return "bad send packet (reps/eol)";
    digits.remove_prefix(std::min(digits.find_first_not_of('0'), digits.size()));
    repeats = 0;
    if (digits.size() <= 3)
        for (char c : digits) repeats = repeats * 10 + (c - '0');
    if (digits.size() > 3 || repeats > maxRepeats || (negative && repeats != 0))
        return quoted("too many repeats", word) + " > \"" + std::to_string(maxRepeats) + "\"";
    return std::nullopt;
}

enum class Send { Once, Start, Stop };

// lircd checks the remote, the key, the count and then that nothing follows.
Reply send(Send kind, const std::vector<std::string_view>& words, Target& target) {
    if (words.size() < 2) return failure("remote missing");
    if (words.size() < 3) return failure("code missing");
    const std::string remote(words[1]);
    const std::string key(words[2]);
    const std::optional<std::vector<KeyRow>> rows = target.keys(remote);
    if (!rows) return failure(quoted("unknown remote", remote));
    if (!findRow(*rows, key)) return failure(quoted("unknown command", key));
    int repeats = 0;
    size_t used = 3;
    if (kind == Send::Once && words.size() > 3) {
        if (std::optional<std::string> bad = readRepeats(words[3], repeats)) return failure(*bad);
        used = 4;
    }
    if (words.size() > used) return failure("bad send packet (trailing ws)");
    const std::optional<std::string> refused = kind == Send::Once    ? target.sendOnce(remote, key, repeats)
                                               : kind == Send::Start ? target.sendStart(remote, key)
                                                                     : target.sendStop(remote, key);
    if (refused) return failure(*refused);
    return {};
}

Reply run(std::string_view line, Target& target) {
    if (std::any_of(line.begin(), line.end(), isControl)) return failure("bad send packet (control character)");
    const std::vector<std::string_view> words = wordsOf(line);
    if (words.empty()) return failure("bad send packet");
    if (is(words[0], "VERSION")) return {true, std::vector<std::string>{std::string(protocolVersion)}};
    if (is(words[0], "LIST")) return list(words, target);
    if (is(words[0], "SEND_ONCE")) return send(Send::Once, words, target);
    if (is(words[0], "SEND_START")) return send(Send::Start, words, target);
    if (is(words[0], "SEND_STOP")) return send(Send::Stop, words, target);
    return failure(quoted("unknown directive", words[0]));
}

std::string frame(std::string_view command, const Reply& reply) {
    std::string out = "BEGIN\n" + printable(command) + "\n" + (reply.success ? "SUCCESS\n" : "ERROR\n");
    if (reply.data) {
        out += "DATA\n" + std::to_string(reply.data->size()) + "\n";
        for (const std::string& line : *reply.data) out += printable(line) + "\n";
    }
    return out + "END\n";
}

}  // namespace

std::optional<std::string> perform(std::string_view command, Target& target) {
    const Reply reply = run(command, target);
    if (reply.success) return std::nullopt;
    return reply.data->front();
}

std::string answer(const LineSplitter::Line& line, Target& target) {
    if (line.tooLong)
        return frame(line.text, failure("line too long: over " + std::to_string(maxLineBytes) + " bytes"));
    std::string_view text = line.text;
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    return frame(text, run(text, target));
}

}  // namespace orvalinder::lircd
