#include "talk_calls.h"

#include "fieldbus/talk.h"

namespace logic {

void OpTalkBlock(Machine& m, uint16_t opcode) {
  uint8_t& power = m.Top();
  if (m.Failed()) return;
  BlockCursor c{.code = m.code, .size = m.size, .ip = m.ip, .form16 = m.form16};
  int result = 0;
  switch (opcode) {
    case 132: result = TalkOpen(c, power); break;
    case 135: result = TalkClose(c, power); break;
    case 137: result = TalkModbus(c, power); break;
    default: result = IEC_TalkModbus(c, power); break;
  }
  m.ip = c.ip;
  if (c.overrun) {
    m.ip = m.size;
    m.Fail(Stop::kRanOffEnd);
    return;
  }
  power = uint8_t(result != 0);
}

}  // namespace logic
