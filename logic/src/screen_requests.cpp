// SR1 is the user screen shown, SR2 the alarm screen shown (both one more than the
// screen number, 0 for none), SR3 the system screen shown.
#include "screen_requests.h"

#include "ground/regimage.h"
#include "operands.h"

namespace logic {

void OpAlarmScreen(Machine& m, uint16_t) {
  const uint16_t n = Imm16(m);
  const uint8_t v = m.Pop();
  if (!m.Failed() && v) m.alarm_request = n;
}

void OpChangeScreen(Machine& m, uint16_t) {
  const uint16_t n = Imm16(m);
  const uint8_t v = m.Pop();
  if (!m.Failed() && v) m.screen_request = n;
}

// Is screen n shown? Before any alarm-screen request of this scan the screens shown now
// answer; after one, the request does.
void OpScreenShown(Machine& m, uint16_t) {
  const uint16_t n = Imm16(m);
  if (m.Failed()) return;
  bool shown;
  if (SrGet(3) != 0) {
    shown = false;
  } else if (m.alarm_request == 0xFFFF) {
    shown = uint16_t(SrGet(2) - 1) == n || uint16_t(SrGet(1) - 1) == n;
  } else {
    shown = m.alarm_request == n;
  }
  m.Push(shown ? 0xFF : 0);
}

}  // namespace logic
