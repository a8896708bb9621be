#pragma once
// Back to the power-on state, one call for each part of the ground that keeps state of its
// own. The controller's power-on reset calls them all; tests call the ones they need.

void SysKeysReset();    // no function key held
void SysRegsReset();    // no screen number written to SR1 yet, register packing off
void BacklightReset();  // no level applied from SR57 yet
// Forgets the time base, so that the next reading records a new base on the clock that is
// installed then.
void TimebaseRestart();

namespace rtc {
// The software clock forgets everything, as a restart does.
void ResetState();
}  // namespace rtc
