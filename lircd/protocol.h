#pragma once
// lircd 0.10's socket protocol: a client writes a command on one line, ended
// by '\n', and gets one reply package for it:
//   BEGIN
//   <the command as sent>
//   SUCCESS or ERROR
//   DATA            (only with data: LIST's rows, VERSION's text, the
//   <n>              message of an ERROR)
//   <n lines>
//   END
// Commands: SEND_ONCE remote key [repeats], SEND_START remote key,
// SEND_STOP remote key, LIST [remote [key]], VERSION, in any case, words
// between blanks or tabs. The error messages are lircd's, word for word, so
// clients show what they show for lircd.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "lircd/target.h"

namespace orvalinder::lircd {

// Longer lines are answered with an error and skipped up to their '\n'.
inline constexpr std::size_t maxLineBytes = 1024;

// The lircd version whose protocol this is: VERSION answers it, and
// clients that check which lircd they talk to compare it.
inline constexpr std::string_view protocolVersion = "0.10.1";

// Cuts what a client writes into lines; at most maxLineBytes of a line and
// what append() was last given are kept.
class LineSplitter {
public:
    struct Line {
        std::string text;      // without '\n' (a '\r' before it is kept)
        bool tooLong = false;  // text is then the line's first maxLineBytes
    };

    void append(std::string_view bytes);

    // The next line, or nullopt until one is whole. A line too long comes
    // out as soon as it passes maxLineBytes; the rest of it is dropped.
    std::optional<Line> next();

private:
    std::string buffer_;
    std::size_t start_ = 0;  // where the next line begins in buffer_
    bool skipping_ = false;  // dropping the rest of a line too long
};

// The reply package for one line from a client, after doing what it says.
std::string answer(const LineSplitter::Line& line, Target& target);

// Does what a command says, as for a client ("SEND_ONCE tv KEY_POWER 2"):
// nullopt when it was done, else lircd's error message.
std::optional<std::string> perform(std::string_view command, Target& target);

}  // namespace orvalinder::lircd
