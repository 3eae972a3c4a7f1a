#pragma once
// The four status lines drawn at the left of the view. Each text begins with
// its own line number, which the line supplies; "1...", "2...", "3...",
// "4..." is their resting state.

#include <array>
#include <string>
#include <string_view>

namespace orvalinder {

// What each line tells, numbered as drawn.
enum class StatusLine {
    Action = 1,      // the last click, connect or board event
    Connection = 2,  // connected or not
    Sent = 3,        // what the last click wrote to the board
    Fourth = 4,      // the IR Monitor's fourth value line
};

// A fixed text and the line it belongs on.
struct StatusText {
    StatusLine line;
    std::wstring_view text;  // without the line's number
};

class StatusLines {
public:
    // "2. " and the text.
    void say(StatusLine line, std::wstring_view text) { at(line) = numbered(line, text); }
    void say(StatusText fixed) { say(fixed.line, fixed.text); }
    // "1... " and a line the board sent, as the IR Monitor shows them.
    void sayHeard(StatusLine line, std::wstring_view text) { at(line) = number(line) + L"... " + std::wstring(text); }
    // A text drawn without its line's number ("...", "Start clicking").
    void sayUnnumbered(StatusLine line, std::wstring_view text) { at(line) = text; }
    void rest(StatusLine line) { at(line) = number(line) + L"..."; }
    void reset() { *this = StatusLines{}; }

    const std::wstring& text(StatusLine line) const { return lines_[index(line)]; }
    // Counting from 1, as the texts do.
    const std::wstring& line(int number) const { return lines_.at(static_cast<size_t>(number - 1)); }

    // The whole text a fixed text is drawn as.
    static std::wstring numbered(StatusLine line, std::wstring_view text) {
        return number(line) + L". " + std::wstring(text);
    }
    static std::wstring numbered(StatusText fixed) { return numbered(fixed.line, fixed.text); }

    bool operator==(const StatusLines&) const = default;

private:
    static size_t index(StatusLine line) { return static_cast<size_t>(line) - 1; }
    static std::wstring number(StatusLine line) { return std::to_wstring(static_cast<int>(line)); }
    std::wstring& at(StatusLine line) { return lines_[index(line)]; }

    std::array<std::wstring, static_cast<size_t>(StatusLine::Fourth)> lines_{L"1...", L"2...", L"3...", L"4..."};
};

// Fixed status texts set in more than one place: the program's own, and the
// connect's "1. Connecting please wait". Each must fit left of the picture,
// as a test checks; texts with names in them that do not fit are shortened
// in the middle when drawn and shown whole in the status line's tooltip.
namespace status_text {
inline constexpr StatusText ConnectionLost{StatusLine::Action, L"Connection lost: unplugged or not answering"};
inline constexpr StatusText WaitingForBoard{StatusLine::Connection, L"Waiting for the board to come back"};
inline constexpr StatusText BoardBackNotOpen{StatusLine::Connection, L"The board is back; trying to open it"};
inline constexpr StatusText DisconnectedForUpload{StatusLine::Connection,
                                                  L"Disconnected while the firmware is written"};
inline constexpr StatusText ConnectingPleaseWait{StatusLine::Action, L"Connecting please wait"};
inline constexpr StatusText All[] = {ConnectionLost, WaitingForBoard, BoardBackNotOpen, DisconnectedForUpload,
                                     ConnectingPleaseWait};
}  // namespace status_text

// Bytes from the wire are shown one character per byte.
inline std::wstring widenBytes(std::string_view bytes) {
    std::wstring text;
    text.reserve(bytes.size());
    for (char c : bytes) text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace orvalinder
