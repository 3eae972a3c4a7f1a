#pragma once
// Sends one KeyCode to the board: the key letter and the number, nothing
// around them, in one write. Status line 3 tells what happened.

#include <functional>
#include <string>
#include <string_view>

#include "core/picture_geometry.h"
#include "core/status_lines.h"

namespace orvalinder {

// "A101" for letter A and number 101.
std::string keyCodeMessage(KeyCode code);

// Writes the bytes and returns how many the port took.
using WriteBytes = std::function<long(std::string_view)>;

// Writes the message when connected and sets status line 3 either way.
// Returns how many bytes the port took.
long sendKeyCode(bool connected, const WriteBytes& write, KeyCode code, StatusLines& status);

// The same for any message to the board ("!SNEC:20DF10EF\n"); status line 3
// shows its lines between blanks.
long sendMessage(bool connected, const WriteBytes& write, std::string_view message, StatusLines& status);

}  // namespace orvalinder
