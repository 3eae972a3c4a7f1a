#pragma once
// A message box the logic asks the window to show. The logic never shows
// one itself: it may run on the port thread or in a test.

#include <string>

namespace orvalinder {

enum class MessageIcon { Default, Stop, Information, None };

struct UserMessage {
    std::string text;
    MessageIcon icon = MessageIcon::Default;
};

}  // namespace orvalinder
