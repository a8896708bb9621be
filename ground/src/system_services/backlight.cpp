// The display backlight level.
#include "ground/regimage.h"
#include "ground/sysservices.h"
#include "platform/backlight.h"
#include "sysservices_internal.h"
#include "platform/trace.h"

namespace {
// The level last applied from SR57. Direct levels (the screen saver's dark screen, the
// screens' stop) do not count: the panel services must not take a dark saver for a new
// SR57 and light the screen again.
int g_level = -1;
}  // namespace

void BKLT_Ctrl(int direct, int level) {
  plat::TraceCall("BKLT_Ctrl", direct, level);
  if (!direct) {
    level = level < 0 ? 0 : level > 100 ? 100 : level;
    SrSet(57, uint16_t(level));
    g_level = level;
  }
  plat::BacklightWrite(level);
}

int BacklightLevel() { return g_level; }

void BacklightReset() { g_level = -1; }
