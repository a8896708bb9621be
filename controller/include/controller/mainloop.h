#pragma once
// The main loop. One pass of The_Loop services every subsystem once. The storage and
// screen loops run under a one-shot slice timer (SIGALRM, SR167 ms, armed only when SR5
// is not 0 and DntTmeSlc is clear); when it expires while they are still busy, the
// handler runs a whole pass from inside the signal ("sliced" pass) that skips the
// command port and the two loops, and re-arms. Code reachable from a sliced pass can be
// entered in the middle of the screen or storage code: it must not allocate, lock or use
// stdio (see docs/architecture.md for the list).

#include <cstdint>

#include "ground/loop.h"

// One pass.
void The_Loop();
