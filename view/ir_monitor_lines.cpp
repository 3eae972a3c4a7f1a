#include "view/ir_monitor_lines.h"

namespace orvalinder {

void IrMonitorLines::store(std::string_view monitorLine, StatusLines& status) {
    const std::string_view stored = monitorLine.substr(0, kStoredLength);
    for (std::string& line : lines_) {
        if (line.empty()) {
            line = stored;
            return;
        }
    }
    clear();
    status.reset();
    lines_[0] = stored;
}

bool IrMonitorLines::showValueLine(std::string_view text, StatusLines& status) const {
    for (int number = 4; number >= 1; --number) {
        if (!line(number).empty()) {
            status.sayHeard(static_cast<StatusLine>(number), widenBytes(text));
            return true;
        }
    }
    return false;
}

void IrMonitorLines::clear() {
    for (std::string& line : lines_) line.clear();
}

bool IrMonitorLines::empty() const {
    for (const std::string& line : lines_)
        if (!line.empty()) return false;
    return true;
}

}  // namespace orvalinder
