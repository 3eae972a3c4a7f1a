#pragma once
// The last four monitor lines received, oldest at the top. The fifth line
// starts a new page of four.

#include <array>
#include <string>
#include <string_view>

#include "core/status_lines.h"

namespace orvalinder {

class IrMonitorLines {
public:
    static constexpr size_t kStoredLength = 198;

    // Stores a monitor line (cut to 198 characters) in the first empty line;
    // when all four hold text they are emptied, the status lines go back to
    // their resting texts, and the new line becomes line 1.
    void store(std::string_view monitorLine, StatusLines& status);

    // Shows a value line in the status line numbered like the newest stored
    // monitor line, as "N... " followed by the text. Returns false, showing
    // nothing, while no monitor line is stored.
    bool showValueLine(std::string_view text, StatusLines& status) const;

    void clear();
    bool empty() const;
    const std::string& line(int number) const { return lines_.at(static_cast<size_t>(number - 1)); }

private:
    std::array<std::string, 4> lines_;
};

}  // namespace orvalinder
