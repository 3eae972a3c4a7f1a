#pragma once
// A picture button held down. Its key code went out when it was pressed, as
// a click's does; if it is still down after kHoldAfterMs, the board is told
// that the key is held ("!K"), again every kKeepMs, and let go ("!U") when
// the button comes up. A click shorter than kHoldAfterMs stays one press.
// Should these words stop (the program ended, the cable pulled), the board
// lets go by itself within 200 ms.

#include <QObject>
#include <QTimer>
#include <string>

#include "serial/key_sender.h"

namespace orvalinder {

class KeyHold : public QObject {
public:
    static constexpr int kHoldAfterMs = 300;
    static constexpr int kKeepMs = 100;

    explicit KeyHold(WriteBytes write);

    // A button's key code or code has just gone out. `held` is said first
    // when it turns out to be held ("!K", or a frame to hold instead).
    void pressed(std::string held = "!K");
    // The button is up, or the view no longer has the mouse.
    void released();

private:
    void keep();

    WriteBytes write_;
    std::string held_;
    QTimer timer_;
    bool holding_ = false;
};

}  // namespace orvalinder
