// Function keys into K1..K10 and SR56, and the Run and OK LED states.
#include "ground/regimage.h"
#include "ground/plc_mode.h"
#include "ground/sysservices.h"
#include "ground/tablestore.h"
#include "platform/trace.h"
#include "sysservices_internal.h"

namespace {

constexpr uint8_t kLadderEnd = 9;  // the end opcode: a ladder program without logic
uint16_t g_held_key = 0;           // the key whose K bit a release clears; 0 none

void KBit(uint16_t key, int op) {  // op: 1 set, 0 clear, -1 toggle
  uint8_t& byte = plc_reg[reg::kOffK + (key - 1) / 8];
  const uint8_t mask = on_mask[(key - 1) % 8];
  byte = op > 0 ? uint8_t(byte | mask) : op == 0 ? uint8_t(byte & ~mask) : uint8_t(byte ^ mask);
}

}  // namespace

void SysKeysReset() { g_held_key = 0; }

int SYS_KeyEnabled() { return SrGet(173) == 0 ? 1 : 0; }

int SYS_KeyPut(uint16_t key) {
  plat::TraceCall("SYS_KeyPut", key);
  SrSet(56, key);
  const bool toggle = SrGet(33) != 0;
  if (key >= 1 && key <= 10) {
    KBit(key, toggle ? -1 : 1);
    g_held_key = key;
  } else {
    if (g_held_key && !toggle) KBit(g_held_key, 0);
    g_held_key = 0;
  }
  return 1;
}

int SYS_GetRunLed() {
  const uint16_t mode = SrGet(5);
  if (mode == kModeIdle) return 0;
  if ((mode == kModeRun || mode == kModeRunFaulted) && ladder[0] != kLadderEnd) return 1;
  return 2;
}

int SYS_GetOkLed() {
  if (SrGet(34) == 0 || SBitGet(11)) return 2;
  return SrGet(55) == 0 ? 1 : 0;
}
