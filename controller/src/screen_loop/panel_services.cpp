// The panel services: set up at each screen-program start (SYS_InitGFX) and run on each
// screen pass after the mailbox work: the beeper override, the backlight from SR57 and
// the touch sensitivity register. Main thread only, inside the screen loop.
#include "fieldbus/services.h"
#include "ground/mailbox.h"
#include "ground/rcb.h"
#include "ground/regimage.h"
#include "controller/runctl.h"
#include "controller/screenloop.h"
#include "ground/sysservices.h"
#include "ground/tablestore.h"
#include "ground/touch.h"
#include "screenloop_internal.h"
#include "platform/trace.h"

namespace {

constexpr uint16_t kWakeSaver = 0x8000;  // SR57 bit 15: wake the screen saver
constexpr int kSensitivityCode = 16;     // TCH_Ctrl code of the touch sensitivity
constexpr int kDriverInfoCount = 4;

// Everything this file keeps between passes; the power-on reset puts back a fresh one.
struct State {
  bool override_on = false;
  uint8_t sr184 = 0;
  RCB* sensitivity = nullptr;
  int32_t sensitivity_value = -1;  // nothing given to the touch driver yet
};
State g;

bool InRun() {
  const uint16_t mode = SrGet(5);
  return mode == kModeRun || mode == kModeRunFaulted;
}

void BeeperOverride() {
  const uint8_t want = uint8_t(SrGet(184));
  if (InRun()) {
    if (want != g.sr184) {
      g.sr184 = want;
      g.override_on = want != 0;
      TCH_BeepOvrd(g.override_on ? 1 : 0);
    }
  } else if (g.override_on) {
    TCH_BeepOvrd(0);
    g.override_on = false;
    // Forgotten, so that SR184 still set when Run comes back applies again.
    g.sr184 = 0;
  }
}

void Backlight() {
  uint16_t level = SrGet(57);
  if (level & kWakeSaver) {
    level &= uint16_t(~kWakeSaver);
    SrSet(57, level);
    TCH_TickleSaver();
  }
  if (int(level) != BacklightLevel()) BKLT_Ctrl(0, level);
}

void TouchSensitivity() {
  if (!g.sensitivity) return;
  uint16_t value = 0;
  SYS_ReadReg(&value, g.sensitivity, sizeof value);
  if (int32_t(value) == g.sensitivity_value) return;
  g.sensitivity_value = value;
  int32_t v = value;
  TCH_Ctrl(kSensitivityCode, &v);
}

}  // namespace

void PanelServicesReset() { g = State{}; }

void ApplyScreenSaver() { TCH_ScreenSaver(SrGet(185) && SrGet(186) ? SrGet(186) : 0); }

void SYS_InitGFX() {
  plat::TraceCall("SYS_InitGFX");
  ApplyScreenSaver();
  TCH_BeepEnable(uint8_t(SrGet(183)));
  PGM_SetPopupMode(uint8_t(SrGet(180)));
  BKLT_Ctrl(0, 100);
  Dpram_ResetJobStates();
  PMGR_GetDrvInfo(promgr_table_bl + kTableHeader, kDriverInfoCount);
}

void SYS_InitTchSen(uint32_t reference) {
  plat::TraceCall("SYS_InitTchSen", reference);
  g.sensitivity = reference ? SYS_LinkReg(reference, 16) : nullptr;
  g.sensitivity_value = -1;
}

void SYS_PanelServices() {
  BeeperOverride();
  Backlight();
  TouchSensitivity();
}
