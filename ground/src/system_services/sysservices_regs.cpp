// System-register helpers and the panel's menu-option outputs.
#include "ground/upcalls.h"
#include "ground/regaccess.h"
#include "ground/regimage.h"
#include "ground/sysservices.h"
#include "platform/gpio.h"
#include "platform/trace.h"
#include "sysservices_internal.h"

namespace {

// Everything this file keeps; the power-on reset puts back a fresh one.
struct State {
  uint16_t last_user_screen = 0;
  int pack_regs = 0;
};
State g;

// The menu-option outputs: which 0 and which 1.
struct GpioPin {
  int bank;
  uint32_t mask;
};
constexpr GpioPin kMenuOptionPins[] = {
    {.bank = 3, .mask = 1u << 14},
    {.bank = 2, .mask = 1u << 27},
};
static_assert(std::size(kMenuOptionPins) == 2);

}  // namespace

uint8_t SYS_fGrayScale = 0;

void SysRegsReset() {
  g = State{};
  SYS_fGrayScale = 0;
}

uint16_t SYS_ReadSys(int n) { return SrGet(uint32_t(n)); }

int SYS_WriteSys(int n, uint16_t value) {
  plat::TraceCall("SYS_WriteSys", n, value);
  if (n < 1 || n > int(reg::kCountAllSR)) return 0;
  if (n == 1) g.last_user_screen = value;
  return PlcReg_Set(reg::SrToken(uint32_t(n)), &value, 16);
}

uint16_t SYS_LastUserScreen() { return g.last_user_screen; }

void SYS_MenuOption(int which, int on) {
  plat::TraceCall("SYS_MenuOption", which, on);
  if (which < 0 || which >= int(std::size(kMenuOptionPins))) return;
  const GpioPin& pin = kMenuOptionPins[which];
  if (on)
    plat::GpioDoutSet(pin.bank, pin.mask);
  else
    plat::GpioDoutClear(pin.bank, pin.mask);
}

void SYS_MenuOption2(uint16_t value) {
  plat::TraceCall("SYS_MenuOption2", value);
  switch (value) {
    case 0: case 1: case 2: case 3: case 4: case 7: case 10: case 11: case 13:
      OCB_DfltPortChange(value);
      break;
    default: break;
  }
}

void SYS_Contrast(uint8_t value) { plat::TraceCall("SYS_Contrast", value); }

uint16_t SYS_RunMode() { return SrGet(5); }

int SYS_PackRegs(int flag) {
  plat::TraceCall("SYS_PackRegs", flag);
  const int previous = g.pack_regs;
  g.pack_regs = flag;
  return previous;
}

int SYS_GetModel() { return 0; }

void LogicTickleWatchdog() {}
