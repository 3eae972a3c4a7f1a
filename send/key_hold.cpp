#include "send/key_hold.h"

namespace orvalinder {

KeyHold::KeyHold(WriteBytes write) : write_(std::move(write)) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &KeyHold::keep);
}

void KeyHold::pressed(std::string held) {
    released();
    held_ = std::move(held);
    // A key that sends nothing while held has nothing to hold.
    if (!held_.empty()) timer_.start(kHoldAfterMs);
}

void KeyHold::keep() {
    // A port that takes nothing is gone: there is nobody to tell.
    if (write_(holding_ ? "!K" : held_) <= 0) {
        holding_ = false;
        return;
    }
    holding_ = true;
    timer_.start(kKeepMs);
}

void KeyHold::released() {
    timer_.stop();
    if (holding_) write_("!U");
    holding_ = false;
}

}  // namespace orvalinder
