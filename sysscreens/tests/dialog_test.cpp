// The start-up restore's three questions as the dialog class draws and answers them:
// texts and dates, each dialog's picture, the buttons' touch areas and kind 11's
// countdown on the test clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "dialog_instance.h"
#include "dialog_text.h"
#include "graphics/dc.h"
#include "graphics/video.h"
#include "controller/poweron.h"
#include "ground/regimage.h"
#include "ground/timebase.h"
#include "platform/clock.h"
#include "platform/framebuffer.h"
#include "sysscreens/dialog.h"
#include "testsupport/golden.h"
#include "testsupport/temp_root.h"

namespace {

std::vector<int> g_answers;
void Record(int answer, void*) { g_answers.push_back(answer); }

class Dialog : public ::testing::Test {
 protected:
  void SetUp() override {
    KernelPowerOnReset();
    plat::FbReset();
    SrSet(204, uint16_t('2' << 8));  // kernel build 24: one 16-bit page drawn into directly
    SrSet(205, '4');
    ASSERT_TRUE(GDI_Init());
    dc = GDI_GetDisplayDC();
    g_answers.clear();
  }
  void TearDown() override { plat::FbReset(); }

  // Opens kind as the object manager's pop-up does: header, kind and callback first.
  DialogInstance& Open(int kind) {
    std::memset(pool, 0xA5, sizeof pool);
    auto& d = *reinterpret_cast<DialogInstance*>(pool);
    d.popup.header = {dc, 0, {0, 0, 0, 0}};
    d.popup.parameter = reinterpret_cast<void*>(intptr_t(kind));
    d.popup.callback = Record;
    EXPECT_EQ(DIALOG_Create(Record_(kind), pool), int16_t(sizeof(DialogInstance)));
    return d;
  }
  static const uint8_t* Record_(int kind) { return kind == kDialogAutosaveFailed ? dialogObj : dialogFullObj; }
  uint16_t Release(int kind, int x, int y) {
    return DIALOG_Signal(Record_(kind), pool, dlg::kSignalRelease, (x << 16) | y);
  }
  uint16_t Poll(int kind, int force = 0) { return DIALOG_Signal(Record_(kind), pool, 64, force); }

  ts::TempRoot root;
  DC* dc = nullptr;
  alignas(8) uint8_t pool[kPmemPoolBytes];
};

TEST(DialogText, DatesShowTheMonthByItsAbbreviation) {
  struct Case {
    uint16_t day, month, year;
    const char* text;
  } cases[] = {{5, 3, 2026, "05-MAR-2026"}, {31, 12, 1999, "31-DEC-1999"}, {1, 1, 2000, "01-JAN-2000"},
               {0, 0, 0, "00-00-0000"},     {9, 13, 2026, "09-00-2026"},   {65535, 65535, 65535, "65535-00-65535"}};
  for (const Case& c : cases) {
    char out[dlg::kDateBytes];
    dlg::FormatDate(out, c.day, c.month, c.year);
    EXPECT_STREQ(out, c.text);
  }
}

TEST(DialogText, TheTextBlocksLineByLine) {
  struct Case {
    int kind;
    std::vector<std::pair<int, std::string>> lines;  // row below the block's top, text
  } cases[] = {
      {10, {{0, "Load from Backup?"}}},
      {11,
       {{0, "Retained values are from 05-MAR-2026"}, {25, "Check Battery"}, {50, ""},
        {75, "No Register Backup / AUTORUN Enabled"}, {100, "Using Registers value from 05-MAR-2026"}, {125, ""},
        {140, ""}, {165, "Press OK:RUN with registers"}, {190, "from 05-MAR-2026"},
        {215, "Press Cancel:Go to IDLE Mode"}}},
      {12,
       {{0, "Retained values are from 05-MAR-2026"}, {25, "Check Battery"}, {50, ""}, {75, "No Register Backup"},
        {100, "AUTORUN Disabled"}, {125, ""}, {150, "Press OK:RUN with registers"}, {175, "from 05-MAR-2026"},
        {200, "Press Cancel:Go to IDLE Mode"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    dlg::Lines got{};
    dlg::BodyLines(c.kind, "05-MAR-2026", got);
    std::vector<std::pair<int, std::string>> lines;
    for (int i = 0; i < got.count; ++i) lines.emplace_back(got.row[i], got.text[i]);
    EXPECT_EQ(lines, c.lines);
  }
  EXPECT_STREQ(dlg::Title(10), "Autosave Failed");
  EXPECT_STREQ(dlg::Title(11), "Register Backup Issue Detected");
  EXPECT_STREQ(dlg::Title(12), "Register Backup Issue Detected");
  EXPECT_EQ(88 + dlg::kCountdownRow, 214) << "the countdown line's row on the screen";
}

// Each dialog as the operator sees it, the date from the restored SR47..SR49.
TEST_F(Dialog, PicturesOfTheThreeQuestions) {
  for (int kind : {10, 11, 12}) {
    SCOPED_TRACE(kind);
    for (uint32_t i = 0; i < DisplaySize; ++i) dc->surface[i] = 0x4208;
    SrSet(47, 7);
    SrSet(48, 11);
    SrSet(49, 2025);
    Open(kind);
    DIALOG_Paint(Record_(kind), pool, kPaintStatic | kPaintDynamic);
    ts::ExpectGolden("sysscreens/tests/golden", "question" + std::to_string(kind), dc->surface, 800, 480);
  }
}

TEST_F(Dialog, LayoutOfTheSmallAndTheFullDialog) {
  const DialogInstance& small = Open(10);
  EXPECT_EQ(std::vector<int16_t>(small.popup.header.rect, small.popup.header.rect + 4), (std::vector<int16_t>{145, 145, 575, 335}));
  EXPECT_EQ(small.popup.header.state, kStateShown);
  const DialogInstance& full = Open(12);
  EXPECT_EQ(std::vector<int16_t>(full.popup.header.rect, full.popup.header.rect + 4), (std::vector<int16_t>{82, 32, 648, 448}));
}

// A release inside a button's area answers: the area is the button's rectangle reaching
// 20 pixels above and 10 below it; a press answers nothing.
TEST_F(Dialog, ButtonsAnswerByTheirTouchAreas) {
  struct Case {
    const char* what;
    int kind, x, y;
    std::vector<int> answers;
  } cases[] = {
      // Kind 10 on a 480-line screen: OK x 214..347, Cancel x 373..506, y 255..298.
      {"10 OK", 10, 280, 270, {1}},
      {"10 Cancel", 10, 440, 270, {0}},
      {"10 OK 20 above", 10, 214, 235, {1}},
      {"10 OK 21 above", 10, 214, 234, {}},
      {"10 Cancel 10 below", 10, 506, 308, {0}},
      {"10 Cancel 11 below", 10, 506, 309, {}},
      {"10 left of OK", 10, 213, 270, {}},
      {"10 between the buttons", 10, 360, 270, {}},
      {"10 right of Cancel", 10, 507, 270, {}},
      // Kinds 11 and 12: OK x 219..352, Cancel x 378..511, y 369..412.
      {"11 OK", 11, 219, 369, {1}},
      {"11 Cancel", 11, 511, 412, {0}},
      {"11 OK 20 above", 11, 300, 349, {1}},
      {"11 OK 21 above", 11, 300, 348, {}},
      {"12 Cancel 10 below", 12, 400, 422, {0}},
      {"12 Cancel 11 below", 12, 400, 423, {}},
      {"12 OK 20 above", 12, 352, 349, {1}},
      {"12 right of OK", 12, 353, 390, {}},
      {"12 left of Cancel", 12, 377, 390, {}},
      {"12 the old small OK", 12, 214, 270, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Open(c.kind);
    g_answers.clear();
    EXPECT_EQ(DIALOG_Signal(Record_(c.kind), pool, 256, (c.x << 16) | c.y), 0);
    EXPECT_TRUE(g_answers.empty()) << "a press answers nothing";
    EXPECT_EQ(Release(c.kind, c.x, c.y), 0) << "the dialog keeps the focus";
    EXPECT_EQ(g_answers, c.answers);
  }
}

// Kind 11 counts down once a second of the time base from the opener's tick and answers
// yes when it reaches 0; the seconds replace "30" in its countdown line.
TEST_F(Dialog, CountdownAnswersYesAfterThirtySeconds) {
  plat::ScopedTestClock clock;
  secsAeNoBck = 3;  // left from an earlier question: opening starts again from 30
  tickAeNoBck = FPGA_GetFrt();
  Open(11);
  EXPECT_STREQ(b17Text, "Proceeding to RUN Mode in 30 sec.");
  EXPECT_EQ(Poll(11, 1), 0x20) << "the forced first poll paints the countdown";
  clock->AdvanceTicks(9999);
  EXPECT_EQ(Poll(11), 0);
  clock->AdvanceTicks(1);
  EXPECT_EQ(Poll(11), 0x20);
  EXPECT_STREQ(b17Text, "Proceeding to RUN Mode in 29 sec.");
  EXPECT_EQ(Poll(11), 0) << "the next second counts from this step";
  for (int s = 28; s >= 1; --s) {
    clock->AdvanceTicks(10000);
    EXPECT_EQ(Poll(11), 0x20);
  }
  EXPECT_STREQ(b17Text, "Proceeding to RUN Mode in 01 sec.");
  EXPECT_TRUE(g_answers.empty());
  clock->AdvanceTicks(10000);
  EXPECT_EQ(Poll(11), 0x20);
  EXPECT_STREQ(b17Text, "Proceeding to RUN Mode in 00 sec.");
  EXPECT_EQ(g_answers, std::vector<int>{1});
  // Kinds 10 and 12 never answer by themselves.
  for (int kind : {10, 12}) {
    Open(kind);
    clock->AdvanceTicks(400000);
    EXPECT_EQ(Poll(kind), 0);
  }
  EXPECT_EQ(g_answers, std::vector<int>{1});
}

// A countdown repaint draws only its line, inside the dialog.
TEST_F(Dialog, TheCountdownRepaintReplacesTheDigits) {
  plat::ScopedTestClock clock;
  for (uint32_t i = 0; i < DisplaySize; ++i) dc->surface[i] = 0x4208;
  tickAeNoBck = FPGA_GetFrt();
  Open(11);
  DIALOG_Paint(dialogFullObj, pool, kPaintStatic);
  std::vector<uint16_t> before(dc->surface, dc->surface + DisplaySize);
  clock->AdvanceTicks(10000);
  ASSERT_EQ(Poll(11), 0x20);
  DIALOG_Paint(dialogFullObj, pool, kPaintDynamic);
  int top = 480, bottom = -1, left = 800, right = -1;
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 800; ++x)
      if (dc->surface[y * 800 + x] != before[y * 800 + x]) {
        top = std::min(top, y), bottom = std::max(bottom, y);
        left = std::min(left, x), right = std::max(right, x);
      }
  ASSERT_GE(bottom, 0) << "the digits changed";
  EXPECT_GE(top, 214);
  EXPECT_LT(bottom, 214 + 25);
  EXPECT_GE(left, 88 + 26 * 13) << "only the digits differ";
  EXPECT_LT(right, 88 + 28 * 13);
}

}  // namespace
