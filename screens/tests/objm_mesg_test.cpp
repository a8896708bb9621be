// The "ACCESS DENIED" box: an object that refuses the operator opens it; while it is open
// it takes every event, and only a press and a release both inside its OK button close it,
// with a beep, dropping the focus and repainting the whole page.
#include <gtest/gtest.h>

#include <string>

#include "page_fixture.h"

namespace {

using namespace rec;
using namespace upd;

constexpr int kDown = 512, kUp = 256;  // as the touch driver queues them
constexpr uint16_t kDenied = 0x8000;

class ObjmMesg : public PageFixture {
 protected:
  // A touch-active object over most of the display and a focus-list object in a corner.
  void OpenPage() {
    Open({Shown(0, {50, 50, 749, 429}, objrec::kFlagTouchActive), Shown(1, {0, 0, 19, 19}, objrec::kFlagFocusList)});
  }
  static std::vector<plat::TraceEntry> Drawn(const char* name) {
    std::vector<plat::TraceEntry> v;
    for (const plat::TraceEntry& e : plat::TraceSnapshot())
      if (std::string(e.name) == name) v.push_back(e);
    return v;
  }
  static int64_t Pack(int a, int b) { return (int64_t(a) << 16) | uint16_t(b); }
};

TEST_F(ObjmMesg, ARefusedPressOpensTheBoxInTheMiddleOfTheDisplay) {
  ASSERT_EQ(dc->bounds[2], 799);
  ASSERT_EQ(dc->bounds[3], 479);
  OpenPage();
  g_answer_once[{0, 256}] = kDenied;
  EXPECT_EQ(OBJM_Keypress(kDown, 400, 240), 0);
  EXPECT_EQ(fDispMesg, 1);
  // 799 x 479: x 399 -/+ 133, y 239 -/+ 79; the OK button's margin is 158 / 4.
  const auto box = Drawn("GDI_RoundRect");
  ASSERT_EQ(box.size(), 1u);
  EXPECT_EQ(box[0].a, Pack(266, 160));
  EXPECT_EQ(box[0].b, Pack(532, 318));
  const auto band = Drawn("GDI_Rectangle");
  ASSERT_EQ(band.size(), 1u);
  EXPECT_EQ(band[0].a, Pack(270, 164));
  EXPECT_EQ(band[0].b, Pack(528, 199));
  // The icon is white on the red band, in the band's middle third only.
  auto px = [&](int x, int y) { return uint16_t(dc->ops.get_pixel(dc, int16_t(x), int16_t(y))); };
  auto whites = [&](int x0, int x1) {
    int n = 0;
    for (int y = 164; y < 199; ++y)
      for (int x = x0; x < x1; ++x) n += px(x, y) == 0xFFFF;
    return n;
  };
  EXPECT_GT(whites(356, 442), 20);
  EXPECT_EQ(whites(271, 350), 0);
  EXPECT_EQ(px(280, 180), 0xF820);
  // The OK button (305, 273)-(493, 314) runs from the face colour down to the darker end
  // colour; outside it the box face stays flat.
  EXPECT_EQ(px(310, 274), 0xC638);
  EXPECT_LT(px(310, 312) >> 11, px(310, 290) >> 11);
  EXPECT_LT(px(310, 290) >> 11, 0xC638 >> 11);
  EXPECT_EQ(px(300, 300), 0xC638);
  EXPECT_EQ(px(310, 268), 0xC638);
}

TEST_F(ObjmMesg, OnlyAPressAndAReleaseInsideOkCloseIt) {
  OpenPage();
  g_answer_once[{1, 1}] = kDenied | kDone;  // refused, and the box says why
  OBJM_Keypress(kDown, 10, 10);
  ASSERT_EQ(fDispMesg, 1);
  EXPECT_EQ(selectObject, 1);
  EXPECT_EQ(fSelectFocus, 1) << "a refusal with the box open still selects";

  struct Step {
    int event, x, y;
    bool closes;
  };
  const std::vector<Step> steps = {
      {kDown, 100, 100, false}, {kUp, 400, 300, false},  // pressed outside, released inside
      {kDown, 400, 300, false}, {kUp, 100, 100, false},  // pressed inside, released outside
      {kUp, 400, 300, false},                            // a release alone
      {kDown, 400, 300, false}, {kUp, 400, 300, true},
  };
  for (std::size_t i = 0; i < steps.size(); ++i) {
    SCOPED_TRACE(i);
    const Step& s = steps[i];
    g_calls.clear();
    plat::TraceClear();
    EXPECT_EQ(OBJM_Keypress(s.event, s.x, s.y), 0);
    EXPECT_EQ(fDispMesg, s.closes ? 0 : 1);
    EXPECT_EQ(plat::TraceCountOf("TCH_Beep"), s.closes ? 1u : 0u);
    if (!s.closes) {
      EXPECT_TRUE(g_calls.empty()) << "no object hears an event while the box is open";
    }
  }
  auto beeps = Drawn("TCH_Beep");
  ASSERT_EQ(beeps.size(), 1u);
  EXPECT_EQ(beeps[0].a, 50);
  EXPECT_EQ(selectObject, -1);
  EXPECT_EQ(fSelectFocus, 0);
  EXPECT_EQ(std::count(g_calls.begin(), g_calls.end(), Call{"paint", 0, kPaintStatic}), 1);
  EXPECT_EQ(std::count(g_calls.begin(), g_calls.end(), Call{"paint", 1, kPaintStatic}), 1)
      << "the whole page is painted again";
}

TEST_F(ObjmMesg, RepaintsWaitWhileTheBoxIsOpen) {
  OpenPage();
  g_answer_once[{0, 256}] = kDenied;
  OBJM_Keypress(kDown, 400, 240);
  ASSERT_EQ(fDispMesg, 1);
  EXPECT_EQ(Pass({{1, kResultRepaint}}), std::vector<Painted>{}) << "nothing is drawn over the box";
  EXPECT_EQ(doTbl[1].repaint, 1);
}

}  // namespace
