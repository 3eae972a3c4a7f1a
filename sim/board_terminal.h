// What the board simulators share: the board's end of a pseudo-terminal,
// and stopping cleanly on SIGINT or SIGTERM.
#pragma once

#include <signal.h>

namespace boardterminal {

// Opens a pseudo-terminal in raw mode (no echo, no CR/LF translation),
// prints the device clients open on the first line of standard output, and
// returns its master end, non-blocking; or says why not on standard error,
// as `program`, and returns -1. `slave` stays open so that the master never
// hangs up while no client has the device open. With `opens`, the device is
// watched for opens before anyone can know its name (see watchOpens).
int openAndAnnounce(const char* program, int& slave, int* opens = nullptr);

// Watches the device of `master` for opens by other programs, as a board
// sees its reset line pulled when a program opens its port. Returns a
// descriptor to poll for input, or -1 with errno set. Opens made before
// the call do not count.
int watchOpens(int master);

// Takes the events waiting on `watch`: whether the device was opened since
// the last call.
bool takeOpens(int watch);

// Blocks SIGINT and SIGTERM and makes them set the stop flag; returns the
// mask to wait with in ppoll, the only place they are then taken, so one
// arriving between a look at stopRequested() and the wait still ends it.
sigset_t catchStopSignals();

// Whether a stop signal came, or waits to be taken: while the pty is always
// ready ppoll returns without taking them.
bool stopRequested();

}  // namespace boardterminal
