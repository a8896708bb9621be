#include "talk_calls.h"

#include "fieldbus/talk.h"

namespace logic {

namespace {
constexpr uint16_t kMessageBlocks = 394;  // a sub-code word picks send or receive and the variant
}  // namespace

void OpTalkBlock(Machine& m, uint16_t opcode) {
  uint8_t& power = m.Top();
  if (m.Failed()) return;
  BlockCursor c{.code = m.code, .size = m.size, .ip = m.ip, .form16 = m.form16};
  int result = 0;
  switch (opcode) {
    case 132: result = TalkOpen(c, power); break;
    case 133: result = IEC_TalkSend(c, power, 0); break;
    case 134: result = IEC_TalkReceive(c, power, 0); break;
    case 135: result = TalkClose(c, power); break;
    case 136: result = TalkModem(c, power); break;
    case 137: result = TalkModbus(c, power); break;
    case kMessageBlocks: {
      const uint16_t sub = c.Next();
      if (sub > 3 && !c.overrun) {  // no block: the sub-code word is all there is
        m.ip = c.ip;
        return;
      }
      result = sub < 2 ? IEC_TalkSend(c, power, sub & 1) : IEC_TalkReceive(c, power, sub & 1);
      break;
    }
    default: result = IEC_TalkModbus(c, power); break;
  }
  m.ip = c.ip;
  if (c.overrun) {
    m.ip = m.size;
    m.Fail(Stop::kRanOffEnd);
    return;
  }
  if (opcode == 136 && result == kTalkModemRejected) {
    m.Fail(Stop::kBlockRejected);
    return;
  }
  power = uint8_t(result != 0);
}

}  // namespace logic
