#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/stills.h"
#include "controller/screenloop.h"
#include "ground/sysmsg.h"
#include "ground/sysservices.h"
#include "platform/trace.h"
#include "testsupport/reg_fixture.h"

namespace {

struct Rect {
  int64_t left, top, right, bottom;
  bool operator==(const Rect&) const = default;
};

// The rectangles drawn, each with the fill colour set last before it.
std::vector<std::pair<Rect, int64_t>> Drawn() {
  std::vector<std::pair<Rect, int64_t>> out;
  int64_t fill = -1;
  for (const auto& e : plat::TraceSnapshot()) {
    const std::string name = e.name;
    if (name == "GDI_SetFillColor") fill = e.a;
    if (name == "GDI_Rectangle")
      out.push_back({{e.a >> 16, int16_t(e.a & 0xFFFF), e.b >> 16, int16_t(e.b & 0xFFFF)}, fill});
  }
  return out;
}

using SysMsg = ts::RegImageTest;

TEST_F(SysMsg, DownloadProgressBar) {
  testing::internal::CaptureStdout();
  VID_DnldMsg(0);
  EXPECT_NE(testing::internal::GetCapturedStdout().find("Master Logic"), std::string::npos);
  auto drawn = Drawn();
  ASSERT_EQ(drawn.size(), 2u + 1u + 8u);
  EXPECT_EQ(drawn[0], (std::pair{Rect{0, 0, 40, 480}, int64_t(0)}));
  EXPECT_EQ(drawn[1], (std::pair{Rect{680, 0, 800, 480}, int64_t(0)}));
  // 800 x 480: x0 = 252, y0 = 218.
  EXPECT_EQ(drawn[2], (std::pair{Rect{252, 218, 548, 262}, int64_t(0xFFFF)}));
  EXPECT_EQ(drawn[3], (std::pair{Rect{259, 225, 289, 255}, int64_t(0x07E0)}));
  EXPECT_EQ(drawn[10], (std::pair{Rect{511, 225, 541, 255}, int64_t(0xFFDF)}));

  // Every tenth update moves the lit box on by one. The call count runs on across
  // downloads, so first find the update that draws.
  plat::TraceClear();
  for (int i = 0; i < 10 && Drawn().empty(); ++i) VID_DnldUpdate();
  drawn = Drawn();
  ASSERT_EQ(drawn.size(), 2u);
  EXPECT_EQ(drawn[0], (std::pair{Rect{259, 225, 289, 255}, int64_t(0xFFDF)}));
  EXPECT_EQ(drawn[1], (std::pair{Rect{295, 225, 325, 255}, int64_t(0x07E0)}));
  EXPECT_EQ(plat::TraceCountOf("TickleWatchdogReal"), 1u);
  plat::TraceClear();
  for (int i = 0; i < 9; ++i) VID_DnldUpdate();
  EXPECT_TRUE(Drawn().empty());
  VID_DnldUpdate();
  drawn = Drawn();
  ASSERT_EQ(drawn.size(), 2u);
  EXPECT_EQ(drawn[0], (std::pair{Rect{295, 225, 325, 255}, int64_t(0xFFDF)}));
  EXPECT_EQ(drawn[1], (std::pair{Rect{331, 225, 361, 255}, int64_t(0x07E0)}));

  // A type without a name draws only the side bars.
  plat::TraceClear();
  VID_DnldMsg(3);
  EXPECT_EQ(Drawn().size(), 2u);
}

TEST_F(SysMsg, AbortedDownloadAndStillImage) {
  testing::internal::CaptureStdout();
  VID_DnldHalted();
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("DOWNLOAD ABORTED"), std::string::npos);
  EXPECT_NE(out.find("Program/Graphics may be invalid"), std::string::npos);
  EXPECT_EQ(PGM_state, 6);

  StillOpened = 1;
  plat::TraceClear();
  VID_Update();
  // The page scheme in use may add its own copy step; only the choice between the two matters.
  EXPECT_EQ(plat::TraceCountOf("VDR_SetActiveFrame"), 1u);
  EXPECT_EQ(plat::TraceCountOf("VDR_CopyPage"), 0u);
  EXPECT_EQ(StillOpened, 0);
  plat::TraceClear();
  VID_Update();
  EXPECT_EQ(plat::TraceCountOf("VDR_CopyPage"), 1u);
  EXPECT_EQ(plat::TraceCountOf("VDR_SetActiveFrame"), 0u);
  PGM_state = 0;
}

}  // namespace
