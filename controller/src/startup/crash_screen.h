#pragma once
// The crash screen's drawing and its countdown and touch handling, apart from the fault
// signal that runs them, so that each step can be tested.

#include <cstdint>

namespace crash {

// What the operator (or the countdown) chose.
enum class Action : uint8_t { kNone, kErase, kRestart };

struct Countdown {
  uint32_t last_tick;   // time base tick of the last second counted
  int seconds = 59;
};

// The cause line of a fault signal.
const char* CauseText(int signal);
// Draws the whole screen for the signal (0: the boot-failure screen).
void Draw(int signal);
// One service step at time base tick now, with a touch press at (x, y) when touched:
// counts the seconds down (redrawing the count) and answers what to do.
Action Step(Countdown& countdown, uint32_t now, bool touched, int x, int y);

}  // namespace crash
