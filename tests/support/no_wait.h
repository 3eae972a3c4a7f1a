#pragma once
// The connect's waits cut short for tests and benches: none at all, or a
// part of the real ones.

#include "serial/serial_link.h"

namespace orvalinder::testing {

class NoWait : public BoardWaits {
public:
    int milliseconds(int) override { return 0; }
};

// The board's waits cut short: its start-up to a `startPart` of the real
// one (0: none at all), and a silent port given up after an `answerPart`
// of the real wait.
class ShortWaits : public BoardWaits {
public:
    ShortWaits(int startPart, int answerPart) : startPart_(startPart), answerPart_(answerPart) {}
    int milliseconds(int wanted) override { return startPart_ == 0 ? 0 : wanted / startPart_; }
    int answerMs(int wanted) override { return wanted / answerPart_; }

private:
    const int startPart_, answerPart_;
};

}  // namespace orvalinder::testing
