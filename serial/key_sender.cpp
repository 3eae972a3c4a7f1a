#include "serial/key_sender.h"

#include <algorithm>

namespace orvalinder {

std::string keyCodeMessage(KeyCode code) { return std::string(1, code.letter) + std::to_string(code.number); }

long sendKeyCode(bool connected, const WriteBytes& write, KeyCode code, StatusLines& status) {
    return sendMessage(connected, write, keyCodeMessage(code), status);
}

long sendMessage(bool connected, const WriteBytes& write, std::string_view message, StatusLines& status) {
    if (!connected) {
        status.say(StatusLine::Sent, L"Can't send, the comms port is not open");
        return 0;
    }
    const long confirmed = write(message);
    std::string shown(message);
    std::erase(shown, '\r');
    std::replace(shown.begin(), shown.end(), '\n', ' ');
    while (shown.ends_with(' ')) shown.pop_back();
    status.say(StatusLine::Sent, L" " + std::to_wstring(message.size()) + L" bytes sent - " + widenBytes(shown) +
                                     L" - " + std::to_wstring(confirmed < 0 ? 0 : confirmed) + L" confirmed");
    return confirmed < 0 ? 0 : confirmed;
}

}  // namespace orvalinder
