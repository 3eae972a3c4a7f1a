#include "serial/key_sender.h"

namespace orvalinder {

std::string keyCodeMessage(KeyCode code) {
    return std::string(1, code.letter) + std::to_string(code.number);
}

void sendKeyCode(bool connected, const WriteBytes& write, KeyCode code, StatusLines& status) {
    if (!connected) {
        status.line(3) = L"3. Can't send, the comms port is not open";
        return;
    }
    const std::string message = keyCodeMessage(code);
    const long confirmed = write(message);
    status.line(3) = L"3.  " + std::to_wstring(message.size()) + L" bytes sent - " + widenBytes(message) +
                     L" - " + std::to_wstring(confirmed < 0 ? 0 : confirmed) + L" confirmed";
}

}  // namespace orvalinder
