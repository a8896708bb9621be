#pragma once
// Whether the threaded form of the logic table is ready to run, decoding it first when the
// table changed.

#include <cstdint>

namespace logic {

// True when the decoded form of this stream may run; decodes it when the table changed
// since (or was never decoded).
bool ThreadedReady(const uint8_t* stream, uint32_t words, bool form16);
// Turns the threaded form on or off (off: every scan runs the careful interpreter); for
// tests that compare the two.
void UseThreaded(bool on);

}  // namespace logic
