// The ladder's message blocks: a byte string sent from, or received into, the register
// image, as much of it each scan as the port takes or holds. The progress register
// counts the bytes done; 0xFFFF marks a message not yet started.
#include "drivers/serial.h"
#include "fieldbus/talk.h"
#include "ground/regaccess.h"
#include "ground/regimage.h"
#include "messaging/services.h"
#include "talk_operands.h"
#include "talk_state.h"

using namespace talk;

namespace {

constexpr uint16_t kNewMessage = 0xFFFF;
constexpr uint16_t kLongestMessage = 255;
constexpr int kModemSocket = 1;
constexpr int kEndOfFrame = 255;

struct Message {
  uint32_t port = 0;
  uint16_t count = 0;
  uint8_t* data = nullptr;
  uint8_t* progress = nullptr;
};

// The operands, checked: false when the block must fail. The data must hold the whole
// count inside the register image, however it is named.
bool ReadMessage(BlockCursor& c, int variant, Message& m) {
  m.port = c.Next();
  const Value count = ValueOperand(c);
  const uint32_t data = Token(c);
  const uint32_t progress = Token(c);
  if (c.overrun || c.bad_operand || count.value > kLongestMessage) return false;
  m.count = count.value;
  m.progress = WordAt(c, progress);
  if (variant == 0) {
    m.data = data >= kFirstToken ? PlcReg_Ptr(data & ~7u, 8u * m.count) : nullptr;
  } else {
    // The pair's value comes from registers anyone may write (Modbus, the web server).
    const uint8_t* pair = WordAt(c, data, 2);
    const uint32_t offset = Read16(pair) | uint32_t(Read16(pair ? pair + 2 : nullptr)) << 16;
    if (pair != nullptr && offset <= reg::kImageSize && reg::kImageSize - offset >= m.count) m.data = plc_reg + offset;
  }
  return m.progress != nullptr && m.data != nullptr;
}

// The progress at the start of this scan's work: a new message starts at its first byte.
uint16_t Start(const Message& m) {
  const uint16_t done = Read16(m.progress);
  return done == kNewMessage ? 0 : done;
}

// Common to both directions: refusals, the first scan and a block that is not running.
// False when the block has nothing to move this scan.
bool Ready(const Message& m, int power) {
  if (m.port >= uint32_t(kPorts) || TalkOverride[m.port]) return false;
  if (FirstScan()) Write16(m.progress, kNewMessage);
  if (power && UserFraming(int(m.port))) return true;
  Write16(m.progress, kNewMessage);
  return false;
}

bool OnModemSocket(const Message& m) { return IsModemSocketActive(int(m.port), kModemSocket) == 0; }

int Finish(const Message& m, uint16_t done) {
  Write16(m.progress, done);
  return done >= m.count;
}

}  // namespace

int IEC_TalkSend(BlockCursor& c, int power, int variant) {
  Message m;
  if (!ReadMessage(c, variant, m) || !Ready(m, power)) return 0;
  uint16_t done = Start(m);
  if (OnModemSocket(m)) {
    while (done < m.count && ModemDataSend(kModemSocket, m.data + done, 1, 0) == 0) ++done;
    return Finish(m, done);
  }
  const VcommDriver& row = Vcomm_Drv[m.port];
  if (row.check_tx == nullptr || row.put == nullptr) return Finish(m, done);
  while (done < m.count && row.check_tx()) {
    row.put(m.data[done++]);
    if (row.rtu_tx) row.rtu_tx();
  }
  return Finish(m, done);
}

int IEC_TalkReceive(BlockCursor& c, int power, int variant) {
  Message m;
  if (!ReadMessage(c, variant, m) || !Ready(m, power)) return 0;
  uint16_t done = Start(m);
  if (OnModemSocket(m)) {
    while (done < m.count && ModemCheckRecv(kModemSocket) == 1) m.data[done++] = uint8_t(ModemDataRecv(kModemSocket));
    return Finish(m, done);
  }
  const VcommDriver& row = Vcomm_Drv[m.port];
  if (row.check == nullptr || row.get == nullptr) return Finish(m, done);
  // An RTU frame end is reported once and is no character: look again after it.
  int ends = 0;
  while (done < m.count) {
    const int r = row.check();
    if (r == kEndOfFrame && ++ends <= 2) continue;
    if (r != 1) break;
    m.data[done++] = uint8_t(row.get());
  }
  return Finish(m, done);
}

int TalkSend(BlockCursor& c, int power) { return IEC_TalkSend(c, power, 0); }
int TalkReceive(BlockCursor& c, int power) { return IEC_TalkReceive(c, power, 0); }
