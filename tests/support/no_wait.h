#pragma once
// A board that is up at once: the connect's waits take no time, for tests
// and benches that do not time the board's start-up.

#include "serial/serial_link.h"

namespace orvalinder::testing {

class NoWait : public BoardWaits {
public:
    int milliseconds(int) override { return 0; }
};

// A board that is up at once and answers quickly: a silent port is given up
// after a `part` of the real wait.
class QuickBoard : public NoWait {
public:
    explicit QuickBoard(int part) : part_(part) {}
    int answerMs(int wanted) override { return wanted / part_; }

private:
    const int part_;
};

}  // namespace orvalinder::testing
