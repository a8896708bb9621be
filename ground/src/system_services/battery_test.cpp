// The battery test: the retentive registers are trusted only with a good battery and a
// register restore that worked at start-up.
#include "ground/regimage.h"
#include "ground/bbram.h"
#include "ground/sysservices.h"

namespace {
// Battery states (SR196) that fail at once, and the one that fails whatever the voltage.
constexpr uint16_t kFailState1 = 3;
constexpr uint16_t kFailState2 = 7;
constexpr uint16_t kWeakState = 10;
constexpr uint16_t kMinMillivolts = 3000;  // SR198 must exceed this
}  // namespace

int SYS_BattTest() {
  if (AutoregFailed) return 0;
  const uint16_t state = SrGet(196), millivolts = SrGet(198);
  if (state == kFailState1 || state == kFailState2) return 0;
  return millivolts > kMinMillivolts && state != kWeakState ? 1 : 0;
}
