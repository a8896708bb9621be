// The history of user screens: a ring of the last 16 screens left through a screen
// jump, each with the object that had the focus, so that going back restores both.
#include "ground/screen_program.h"
#include "ground/sysservices.h"
#include "platform/trace.h"
#include "screens/objm.h"
#include "screens/services.h"

namespace {
int pushIndex = 0;  // the entry written last
int pushCount = 0;
}  // namespace

void OBJM_SwitchUserScreen(int screen, int push) {
  plat::TraceCall("OBJM_SwitchUserScreen", screen, push);
  if (push) {
    if (pushCount < kHistoryDepth) ++pushCount;
    pushIndex = (pushIndex + 1) % kHistoryDepth;
    pushScreen[pushIndex] = uint16_t(PAGE_current);
    pushSelect[pushIndex] = uint16_t(selectObject);
  }
  initSelect = -1;
  SYS_WriteSys(1, uint16_t(screen));
}

void OBJM_PopUserScreen() {
  if (pushCount == 0) {
    initSelect = -1;
    PGM_FaultPageRecover();
    return;
  }
  SYS_WriteSys(1, pushScreen[pushIndex]);
  initSelect = int16_t(pushSelect[pushIndex]);
  --pushCount;
  pushIndex = (pushIndex + kHistoryDepth - 1) % kHistoryDepth;
}

void OBJM_FlushUserScreens() {
  plat::TraceCall("OBJM_FlushUserScreens");
  pushCount = 0;
  initSelect = -1;
}

void HistoryPowerOnReset() { pushIndex = pushCount = 0; }
