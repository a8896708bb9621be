#pragma once
// The power-on state with the display brought up on a one-page (direct) scheme, for the
// screen-object tests; the caller holds a ts::TempRoot.
#include <gtest/gtest.h>

#include "graphics/dc.h"
#include "controller/poweron.h"
#include "ground/regimage.h"
#include "platform/framebuffer.h"

namespace st {

// The display context, or nullptr (with a test failure) when the display did not start.
inline DC* PowerOnWithDisplay() {
  KernelPowerOnReset();
  plat::FbReset();
  SrSet(204, uint16_t('2' << 8));  // kernel build 24: one 16-bit page drawn into directly
  SrSet(205, '4');
  EXPECT_TRUE(GDI_Init());
  return GDI_GetDisplayDC();
}

}  // namespace st
