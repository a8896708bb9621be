// The ladder's modem block: starts and stops a user-modem function on an enable edge and
// steps it while enabled.
#include "fieldbus/talk.h"
#include "fieldbus/user_modem.h"
#include "talk_operands.h"
#include "talk_state.h"

using namespace talk;

namespace {

constexpr uint16_t kFunctions = 3;  // 0 initialisation string, 1 dial, 2 answer
constexpr uint16_t kStopped = 0xFFFF;

// Steps the cursor past words words of in-line text.
void SkipText(BlockCursor& c, uint32_t length) {
  const uint32_t words = (length + 1) / 2;
  if (c.ip > c.size || c.size - c.ip < words) {
    c.ip = c.size;
    c.overrun = true;
    return;
  }
  c.ip += words;
}

// Steps the cursor past the function's data.
void SkipData(BlockCursor& c, uint16_t function) {
  switch (function) {
    case 0: SkipText(c, c.Next()); break;
    case 1: {
      c.Next();  // flags
      const uint32_t number = Token(c);
      if (number < kFirstToken) SkipText(c, number);
      break;
    }
    default: c.Next(); break;  // rings
  }
}

}  // namespace

int TalkModem(BlockCursor& c, int power) {
  const uint32_t port = c.Next();
  const uint16_t function = c.Next();
  if (c.overrun) return 0;
  if (function >= kFunctions) {
    // The data's layout is unknown: nothing after the function word can be read.
    --c.ip;
    return kTalkModemRejected;
  }
  const uint32_t status_token = Token(c);
  const uint8_t* operand = c.code + 2 * std::size_t(c.ip);
  SkipData(c, function);
  if (c.overrun) return 0;
  uint8_t* status = WordAt(c, status_token);
  if (c.bad_operand || port >= uint32_t(kPorts) || TalkOverride[port]) return 0;
  if (!FirstScan()) {
    TalkModemProtect = 0;
  } else if (!TalkModemProtect) {
    Write16(status, kStopped);
  }
  if (!UserFraming(int(port))) return 0;
  Record& r = Talk[port];
  uint8_t& enable = r.modem[function];
  const bool on = power != 0;
  if (on && !enable) {
    if (!r.modem[3]) {
      ModemInit(int(port));
      r.modem[3] = 1;
    }
    if (ModemStart(int(port), {function, status, operand})) enable = 1;
  } else if (!on && enable) {
    if (ModemStop(int(port), function)) enable = 0;
  }
  return on && enable && ModemExecute(int(port), function);
}
