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

// Bytes from the wire are shown one character per byte.
inline std::wstring widenBytes(std::string_view bytes) {
    std::wstring text;
    text.reserve(bytes.size());
    for (char c : bytes) text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace orvalinder
