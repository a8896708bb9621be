// Contact words (1024 and above) are recognised before any dispatch: they are most of a
// ladder program. Every other word goes through one table jump.
#include "interpreter.h"

#include "kernel/regimage.h"
#include "opcode_table.h"

namespace logic {

void Interpret(Machine& m) {
  for (;;) {
    if (m.ip >= m.size) {
      m.Fail(Stop::kRanOffEnd);
      return;
    }
    const uint16_t w = m.WordAt(m.ip++);
    if (w >= kFirstContact) {
      const uint32_t bit = w - kFirstContact;
      m.Push((plc_reg[bit >> 3] & on_mask[bit & 7]) ? 0xFF : 0);
    } else if (w < kOpcodeCount) {
      kOpcodeHandlers[w](m, w);
    } else {
      m.Fail(Stop::kInvalidOpcode);  // groups 9 to 15
    }
    if (m.stop != Stop::kRunning) return;
  }
}

}  // namespace logic
