#pragma once
// A board that is up at once: the connect's waits take no time, for tests
// and benches that do not time the board's start-up.

#include "serial/serial_link.h"

namespace orvalinder::testing {

class NoWait : public BoardWaits {
public:
    int milliseconds(int) override { return 0; }
};

}  // namespace orvalinder::testing
