#pragma once
// The four status lines drawn at the left of the view. Each text begins with
// its own line number; "1...", "2...", "3...", "4..." is their resting state.

#include <array>
#include <string>
#include <string_view>

namespace orvalinder {

struct StatusLines {
    std::array<std::wstring, 4> lines{L"1...", L"2...", L"3...", L"4..."};

    // Line numbers count from 1, as the texts do.
    std::wstring& line(int number) { return lines.at(static_cast<size_t>(number - 1)); }
    const std::wstring& line(int number) const { return lines.at(static_cast<size_t>(number - 1)); }
    void reset() { *this = StatusLines{}; }
};

// Fixed status texts set in more than one place: the program's own, and the
// connect's "1. Connecting please wait". Each must fit left of the picture,
// as a test checks; texts
// with names in them that do not fit are shortened in the middle when drawn
// and shown whole in the status line's tooltip.
namespace status_text {
inline constexpr std::wstring_view ConnectionLost = L"1. Connection lost: unplugged or not answering";
inline constexpr std::wstring_view WaitingForBoard = L"2. Waiting for the board to come back";
inline constexpr std::wstring_view BoardBackNotOpen = L"2. The board is back; trying to open it";
inline constexpr std::wstring_view DisconnectedForUpload = L"2. Disconnected while the firmware is written";
inline constexpr std::wstring_view ConnectingPleaseWait = L"1. Connecting please wait";
inline constexpr std::wstring_view All[] = {ConnectionLost, WaitingForBoard, BoardBackNotOpen, DisconnectedForUpload,
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
