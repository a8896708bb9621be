// The attribute register and the text, shape and null objects, on pages opened by the
// object manager with the firmware's own classes.
#include <gtest/gtest.h>

#include "display_start.h"

#include <array>
#include <string>
#include <vector>

#include "attribute.h"
#include "graphics/dc.h"
#include "graphics/video.h"
#include "controller/poweron.h"
#include "ground/rcb.h"
#include "ground/regaccess.h"
#include "ground/regimage.h"
#include "controller/screenloop.h"
#include "ground/tablestore.h"
#include "ground/touch.h"
#include "platform/framebuffer.h"
#include "platform/trace.h"
#include "screens/objm.h"
#include "screens/services.h"
#include "testsupport/screen_program.h"
#include "testsupport/temp_root.h"

namespace {

constexpr uint16_t kAttrReg = uint16_t(reg::kTokR);  // R1
constexpr uint16_t kAlt[4] = {0xF800, 0x07E0, 0xFFE0, 0x8410};
constexpr uint16_t kPen = 0x0010;
constexpr uint16_t kFill = 0x001F;
constexpr uint16_t kInk = 0xF81F;

void SetAttr(uint16_t v) { PlcReg_Set(kAttrReg, &v, 16); }

// Alternate colours lie past the classes' default length: the record gives its own.
ts::ObjectRecord WithAlternates(ts::ObjectRecord r) {
  for (int i = 0; i < 4; ++i) r.U16At(32 + 2 * i, kAlt[i]);
  r.own_length = 40;
  return r;
}

class TextShape : public ::testing::Test {
 protected:
  void SetUp() override {
    dc = st::PowerOnWithDisplay();
    sysFlash = 0;
    plat::TraceClear();
    plat::TraceEnable(true);
  }
  void TearDown() override {
    plat::TraceEnable(false);
    plat::FbReset();
  }
  // Installs the program and opens its first page.
  void Open() {
    prog.Install();
    pPGM_Strings = prog.strings.empty() ? nullptr : string_table_bl + kTableHeader + 8;
    OBJM_Init();
    SYS_ResetRCBs(1);
    const uint8_t* page = vtn_pgm + prog.PageOffset(0);
    for (std::size_t i = 0; i < prog.pages.size(); ++i) OBJM_ScanPage(dc, vtn_pgm + prog.PageOffset(i));
    ASSERT_EQ(OBJM_OpenPage(dc, page), 1);
  }
  static uint16_t Poll(int i, int force = 0) {
    OCB& o = doTbl[i];
    return o.signal(o.record, o.instance, kSignalUpdate, force);
  }
  static uint16_t State(int i) { return static_cast<ObjInstance*>(doTbl[i].instance)->state; }
  static std::vector<std::string> Drawn() {
    std::vector<std::string> v;
    for (const plat::TraceEntry& e : plat::TraceSnapshot()) {
      const std::string n = e.name;
      const bool setting = n.rfind("GDI_Set", 0) == 0 || n.rfind("GDI_Select", 0) == 0;
      if ((n.rfind("GDI_", 0) == 0 || n.rfind("UTIL_", 0) == 0) && !setting) v.push_back(n);
    }
    return v;
  }
  uint16_t Px(int x, int y) const { return dc->surface[y * scr_wdt + x]; }

  ts::TempRoot root;
  DC* dc = nullptr;
  ts::ScreenProgram prog;
};

TEST(AttributeRegister, MaskedBitsDecideTheLookAndTheFlags) {
  // One record, evaluated over a run of register values: colour, visibility and the
  // effective flags (shown, flash, enable) follow the bits the mask covers.
  KernelPowerOnReset();
  ts::TempRoot root;
  SYS_ResetRCBs(1);
  struct Step {
    uint16_t mask, value;
    uint16_t colour, bits;
    uint32_t effective_low;  // bits 0-3 of the effective flags
  };
  const uint32_t kRecordFlags = ts::kObjShown | ts::kObjTouch;  // shown, enabled, not flashing
  const Step steps[] = {
      {0x00FF, 0x0001, kPen, 0, 0x1},           // the normal colour, touch disabled by the register
      {0x00FF, 0x0019, kAlt[0], 0x20, 0x9},     // alternate 1, enabled
      {0x00FF, 0x0031, kAlt[0], 0, 0x1},        // bit 4 wins over bit 5
      {0x00FF, 0x0021, kAlt[1], 0x20, 0x1},
      {0x00FF, 0x0041, kAlt[2], 0x20, 0x1},
      {0x00FF, 0x0081, kAlt[3], 0x20, 0x1},
      {0x00FF, 0x0003, kPen, 0x20, 0x3},        // none of bits 4-7: the normal colour; flashing
      {0x00FF, 0x0000, kPen, 0x2020, 0x0},      // hidden
      {0x00FF, 0x0010, kAlt[0], 0x20, 0x0},     // recoloured while hidden
      {0x00FF, 0x0011, kAlt[0], 0x1020, 0x1},   // shown again
      {0x000E, 0x00F0, kAlt[0], 0, 0x1},        // no colour bits in the mask: the colour stays
      {0x0000, 0x0000, kAlt[0], 0, 0x9},        // nothing covered: the record's flags
  };
  uint8_t record_bytes[64] = {};
  AttrLink link{kPen, nullptr, 0};
  ObjInstance inst{nullptr, kStateShown, {0, 0, 0, 0}};
  uint8_t shown = 1;
  for (const Step& s : steps) {
    SCOPED_TRACE(testing::Message() << "mask " << std::hex << s.mask << " value " << s.value);
    ts::ObjectRecord r = WithAlternates(ts::ObjectRecord::Of(1)).Flags(kRecordFlags);
    r.attr_mask = s.mask;
    r.attr_reg = kAttrReg;
    const auto bytes = r.Bytes();
    std::copy(bytes.begin(), bytes.end(), record_bytes);
    if (!link.rcb) ATTR_Link(record_bytes, link);
    ASSERT_NE(link.rcb, nullptr);
    SetAttr(s.value);
    const AttrResult a = ATTR_Evaluate(record_bytes, inst, link, kPen, 32, 0x000F, shown);
    EXPECT_EQ(link.colour, s.colour);
    EXPECT_EQ(a.bits, s.bits);
    EXPECT_EQ(a.effective & 0xF, s.effective_low);
    EXPECT_EQ(bool(inst.state & kStateShown), bool(s.effective_low & 1));
    EXPECT_EQ(shown, (s.effective_low & 1) ? 1 : 0);
  }
  EXPECT_TRUE(inst.state & kStatePassThrough) << "hiding lets touches through";
}

TEST_F(TextShape, TextCreateSetsItsRectangleAndState) {
  struct Case {
    uint32_t flags;
    int16_t fill;
    uint16_t mask;
    std::array<int16_t, 4> rect;
    uint16_t state;
  };
  const Case cases[] = {
      {ts::kObjShown, int16_t(kFill), 0, {100, 100, 199, 149}, kStateShown},
      {ts::kObjShown | ts::kObjBorder, int16_t(kFill), 0, {101, 101, 198, 148}, kStateShown},
      {ts::kObjRaised, int16_t(kFill), 0, {103, 103, 196, 146}, 0},
      {ts::kObjShown | ts::kObjSunken | ts::kObjBorder, -1, 0, {103, 103, 196, 146}, kStateShown | kStatePassThrough},
      {ts::kObjShown, int16_t(kFill), 0x0001, {100, 100, 199, 149}, kStateShown | kStatePassThrough},
  };
  SetAttr(1);  // the object the register may hide starts shown
  ts::Page& p = prog.AddPage(0);
  for (const Case& c : cases) {
    ts::ObjectRecord r = ts::ObjectRecord::Of(1, {100, 100, 199, 149}).Flags(c.flags);
    r.fill = c.fill;
    r.attr_mask = c.mask;
    r.attr_reg = c.mask ? kAttrReg : 0;
    p.objects.push_back(r);
  }
  Open();
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    const auto* h = static_cast<ObjInstance*>(doTbl[i].instance);
    EXPECT_EQ((std::array<int16_t, 4>{h->rect[0], h->rect[1], h->rect[2], h->rect[3]}), cases[i].rect);
    EXPECT_EQ(h->state, cases[i].state);
  }
}

TEST_F(TextShape, TextShowsItsStringInTheActiveLanguage) {
  prog.strings = {{"HELLO"}};
  ts::ObjectRecord r = ts::ObjectRecord::Of(1, {100, 100, 299, 149}).Flags(ts::kObjShown | ts::kObjText);
  r.fill = int16_t(0xFFFF);  // white box
  r.pen = kInk;
  r.text = prog.StringOffset(0);
  r.font = 32;
  r.align = 0x21;
  prog.AddPage(0).objects = {r};
  Open();
  const auto ink = [&] {
    int n = 0;
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 800; ++x)
        if (Px(x, y) == kInk) {
          EXPECT_TRUE(x >= 104 && x < 295 && y >= 104 && y < 145) << x << "," << y;
          ++n;
        }
    return n;
  };
  EXPECT_GT(ink(), 20) << "the text is drawn in the pen colour inside its rectangle";
  EXPECT_EQ(Poll(0, 1) & kResultRepaint, kResultRepaint) << "a forced poll repaints";
  EXPECT_EQ(Poll(0, 0), 0);

  // A text offset outside the strings draws nothing rather than reading past them.
  prog.pages[0].objects[0].text = 0x7FFFFFF0;
  for (uint32_t i = 0; i < DisplaySize; ++i) dc->surface[i] = 0xFFDF;
  Open();
  EXPECT_EQ(ink(), 0);
}

TEST_F(TextShape, FlashingTextOnTheFlashBit) {
  // A transparent text is erased and drawn again; a filled one keeps its box and only
  // repaints its text.
  ts::ObjectRecord clear = ts::ObjectRecord::Of(1, {100, 100, 199, 149}).Flags(ts::kObjShown | ts::kObjFlash);
  ts::ObjectRecord filled = clear;
  filled.fill = int16_t(kFill);
  prog.AddPage(0).objects = {clear, filled};
  Open();
  struct Step {
    uint8_t flash;
    uint16_t clear_bits, filled_bits;
    bool clear_shown;
  };
  const Step steps[] = {{0, 0, 0, true}, {1, 0x2020, 0x20, false}, {1, 0, 0, false}, {0, 0x1020, 0x20, true},
                        {1, 0x2020, 0x20, false}};
  for (const Step& s : steps) {
    sysFlash = s.flash;
    EXPECT_EQ(Poll(0), s.clear_bits) << "flash " << int(s.flash);
    EXPECT_EQ(Poll(1), s.filled_bits) << "flash " << int(s.flash);
    EXPECT_EQ(bool(State(0) & kStateShown), s.clear_shown);
    EXPECT_TRUE(State(1) & kStateShown);
  }
}

TEST_F(TextShape, TextBoxAndFrame) {
  struct Case {
    const char* what;
    uint32_t flags;
    int16_t fill;
    bool gradient;
    std::vector<std::string> calls;  // the drawing hooks of the static paint
    int64_t shade_args;              // UTIL_3DShades(sunken, base): sunken << 32 | base
  };
  const Case cases[] = {
      {"filled box", 0, int16_t(kFill), false, {"GDI_Rectangle"}, -1},
      {"gradient box", 0, 0, true, {"GDI_GradientRect"}, -1},
      {"raised frame on the fill", ts::kObjRaised, int16_t(kFill), false,
       {"GDI_Rectangle", "UTIL_3DShades", "UTIL_ShadeRect"}, kFill},
      {"sunken frame without fill", ts::kObjSunken, -1, false, {"GDI_Rectangle", "UTIL_3DShades", "UTIL_ShadeRect"},
       (int64_t(1) << 32) | 0xC638},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    prog = {};
    ts::ObjectRecord r = ts::ObjectRecord::Of(1, {10, 10, 59, 29}).Flags(ts::kObjShown | c.flags);
    r.fill = c.fill;
    if (c.gradient) {
      r.own_length = 44;
      r.Gradient(32, 3, 2, 2, 0xFFFF, kFill);
    }
    prog.AddPage(0).objects = {r};
    Open();
    plat::TraceClear();
    doTbl[0].paint(doTbl[0].record, doTbl[0].instance, kPaintStatic);
    EXPECT_EQ(Drawn(), c.calls);
    if (c.gradient) {
      EXPECT_EQ(dc->fill_colour, kFill) << "the gradient's start colour";
      EXPECT_EQ(dc->end_colour, 0xFFFF);
      EXPECT_EQ(dc->gradient_mode, 3);
    }
    for (const plat::TraceEntry& e : plat::TraceSnapshot()) {
      if (std::string(e.name) == "UTIL_3DShades") {
        EXPECT_EQ((e.a << 32) | e.b, c.shade_args);
      }
    }
  }
}

TEST_F(TextShape, AFlashingTextInItsOnPhaseRefillsItsTextArea) {
  prog.strings = {{"HELLO"}};
  ts::ObjectRecord r = ts::ObjectRecord::Of(1, {100, 100, 299, 149}).Flags(ts::kObjShown | ts::kObjText | ts::kObjFlash);
  r.fill = int16_t(kFill);
  r.pen = kInk;
  r.text = prog.StringOffset(0);
  r.font = 32;
  prog.AddPage(0).objects = {r};
  Open();
  sysFlash = 1;
  EXPECT_EQ(Poll(0), kResultRepaint);
  for (uint32_t i = 0; i < DisplaySize; ++i) dc->surface[i] = 0xFFDF;
  plat::TraceClear();
  doTbl[0].paint(doTbl[0].record, doTbl[0].instance, kPaintDynamic);
  EXPECT_EQ(Drawn(), std::vector<std::string>{"GDI_Rectangle"}) << "the box instead of the text";
  // The text rectangle (104, 104) .. (293, 143) refilled, outlined in the pen colour.
  for (int y = 100; y < 150; ++y)
    for (int x = 100; x < 300; ++x) {
      const bool inside = x >= 104 && x <= 293 && y >= 104 && y <= 143;
      const bool outline = inside && (x == 104 || x == 293 || y == 104 || y == 143);
      ASSERT_EQ(Px(x, y), outline ? kInk : inside ? kFill : 0xFFDF) << x << ", " << y;
    }
  sysFlash = 0;
  EXPECT_EQ(Poll(0), kResultRepaint);
  plat::TraceClear();
  doTbl[0].paint(doTbl[0].record, doTbl[0].instance, kPaintDynamic);
  EXPECT_TRUE(Drawn().empty());
  int ink = 0;
  for (int y = 100; y < 150; ++y)
    for (int x = 100; x < 300; ++x) ink += Px(x, y) == kInk;
  EXPECT_GT(ink, 20);
}

TEST_F(TextShape, FlashingStopsWithThePhaseSetAndTheObjectComesBack) {
  ts::ObjectRecord r = ts::ObjectRecord::Of(0, {10, 10, 50, 50}).Flags(ts::kObjShown);
  r.attr_mask = 0x0002;
  r.attr_reg = kAttrReg;
  r.ByteAt(29, 2);
  prog.AddPage(0).objects = {r};
  Open();
  SetAttr(2);
  sysFlash = 1;
  EXPECT_EQ(Poll(0), 0x2020) << "the flash-on phase erases the shape";
  plat::TraceClear();
  doTbl[0].paint(doTbl[0].record, doTbl[0].instance, kPaintStatic);
  EXPECT_TRUE(Drawn().empty()) << "nothing is drawn in the flash-on phase";
  SetAttr(0);
  EXPECT_EQ(Poll(0), 0x1020);
  EXPECT_EQ(Poll(0), 0);
}

TEST_F(TextShape, ShapesByKind) {
  struct Case {
    const char* what;
    uint8_t kind, width;
    int16_t fill;
    bool gradient;
    uint32_t flags;
    std::vector<uint8_t> insets;
    std::string call;
    std::array<int16_t, 4> coords;  // figure: left, top, right, bottom; line: from x, y, to x, y
  };
  const Case cases[] = {
      {"rectangle, odd pen", 2, 3, int16_t(kFill), false, 0, {}, "GDI_Rectangle", {101, 201, 149, 249}},
      {"rectangle, even pen", 2, 2, int16_t(kFill), false, 0, {}, "GDI_Rectangle", {101, 201, 150, 250}},
      {"ellipse", 3, 1, -1, false, 0, {}, "GDI_Ellipse", {100, 200, 150, 250}},
      {"gradient rounded rectangle", 4, 1, 0, true, 0, {}, "GDI_GradRoundRect", {100, 200, 150, 250}},
      {"gradient ellipse", 3, 0, 0, true, 0, {}, "GDI_GradEllipse", {100, 200, 151, 251}},
      {"line down with insets", 0, 1, -1, false, 0, {2, 3, 4, 5}, "GDI_LineTo", {102, 203, 146, 245}},
      {"vertical line", 0, 1, -1, false, 1u << 4, {}, "GDI_LineTo", {100, 200, 100, 250}},
      {"horizontal line", 0, 1, -1, false, 1u << 5, {}, "GDI_LineTo", {100, 200, 150, 200}},
      {"line up", 1, 1, -1, false, 0, {2, 3, 4, 5}, "GDI_LineTo", {104, 245, 148, 203}},
      {"insets past the rectangle", 0, 1, -1, false, 0, {200, 0, 200, 0}, "GDI_LineTo", {300, 200, -50, 250}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    prog = {};
    ts::ObjectRecord r = ts::ObjectRecord::Of(0, {100, 200, 150, 250}).Flags(ts::kObjShown | c.flags);
    r.fill = c.fill;
    r.align = 1;  // pen style
    r.font = c.width;
    r.ByteAt(29, c.kind);
    for (std::size_t i = 0; i < c.insets.size(); ++i) r.ByteAt(22 + uint32_t(i), c.insets[i]);
    if (c.gradient) {
      r.own_length = 44;
      r.Gradient(32, 3, 1, 1, 0xFFFF, kFill);
    }
    prog.AddPage(0).objects = {r};
    Open();
    std::vector<plat::TraceEntry> calls;
    for (const plat::TraceEntry& e : plat::TraceSnapshot())
      if (std::string(e.name) == c.call) calls.push_back(e);
    // The last call is the shape's static paint (the page background comes first).
    ASSERT_FALSE(calls.empty());
    const plat::TraceEntry& e = calls.back();
    // A line's entry holds where it starts and where it ends.
    const std::array<int16_t, 4> got{int16_t(e.a >> 16), int16_t(e.a), int16_t(e.b >> 16), int16_t(e.b)};
    EXPECT_EQ(got, c.coords);
  }
}

// A rounded rectangle of 50 x 50 pixels has corners of a third of its size: radius 16,
// so the quarter circles have semi-axes of 8 pixels.
TEST_F(TextShape, ARoundedRectangleShapeDrawsCornersOfAThirdOfItsSize) {
  ts::ObjectRecord r = ts::ObjectRecord::Of(0, {100, 200, 150, 250}).Flags(ts::kObjShown);
  r.fill = int16_t(kFill);
  r.pen = kPen;
  r.align = 1;  // solid pen
  r.font = 1;   // one pixel wide
  r.ByteAt(29, 4);
  prog.AddPage(0).objects = {r};
  Open();
  EXPECT_EQ(Px(125, 225), kFill);
  EXPECT_EQ(Px(106, 200), kPen) << "the top edge starts two pixels before the corner's centre column";
  EXPECT_EQ(Px(105, 200), Px(99, 199)) << "beyond it the page shows";
  EXPECT_EQ(Px(100, 206), kPen);
  EXPECT_EQ(Px(100, 205), Px(99, 199));
  EXPECT_EQ(Px(149, 243), kPen);
  EXPECT_EQ(Px(149, 244), Px(99, 199));
}

TEST_F(TextShape, AttributeColourRecoloursTheFillOfAFilledShapeAndTheOutlineOfALine) {
  ts::ObjectRecord filled = WithAlternates(ts::ObjectRecord::Of(0, {0, 0, 99, 99}).Flags(ts::kObjShown));
  filled.fill = int16_t(kFill);
  filled.pen = kPen;
  filled.attr_mask = 0x00F0;
  filled.attr_reg = kAttrReg;
  filled.ByteAt(29, 2);
  ts::ObjectRecord line = filled;
  line.ByteAt(29, 0);
  prog.AddPage(0).objects = {filled, line};
  Open();
  SetAttr(0x20);
  EXPECT_EQ(Poll(0), kResultRepaint);
  EXPECT_EQ(Poll(1), kResultRepaint);
  doTbl[0].paint(doTbl[0].record, doTbl[0].instance, kPaintStatic);
  EXPECT_EQ(dc->fill_colour, kAlt[1]);
  EXPECT_EQ(dc->pen_colour, kPen);
  doTbl[1].paint(doTbl[1].record, doTbl[1].instance, kPaintStatic);
  EXPECT_EQ(dc->pen_colour, kAlt[1]);
}

TEST_F(TextShape, AnAlternateColourPastTheRecordLeavesTheNormalColour) {
  // A shape of the class's own 32 bytes, followed by another record: bit 5 asks for an
  // alternate colour the record does not hold.
  ts::ObjectRecord r = ts::ObjectRecord::Of(0, {0, 0, 9, 9}).Flags(ts::kObjShown);
  r.pen = kPen;
  r.attr_mask = 0x00F0;
  r.attr_reg = kAttrReg;
  prog.AddPage(0).objects = {r, WithAlternates(ts::ObjectRecord::Of(0))};
  Open();
  SetAttr(0x20);
  EXPECT_EQ(Poll(0), 0);
  doTbl[0].paint(doTbl[0].record, doTbl[0].instance, kPaintStatic);
  EXPECT_EQ(dc->pen_colour, kPen);
}

TEST_F(TextShape, AttributeReferencesResolveThroughThePagesOwnTable) {
  // Two pages whose tables give reference 2 different registers: R1 and R2.
  for (uint16_t page = 0; page < 2; ++page) {
    ts::ObjectRecord r = ts::ObjectRecord::Of(1, {0, 0, 9, 9}).Flags(ts::kObjShown | ts::kObjBackground * page);
    r.attr_mask = 0x0001;
    r.attr_reg = 2;
    prog.AddPage(page).objects = {r};
  }
  SetAttr(1);
  const uint32_t r2 = reg::kTokR + 16;
  prog.tail.resize(16, 0);
  for (int t = 0; t < 2; ++t) {
    const uint32_t token = t == 0 ? kAttrReg : r2;
    for (int b = 0; b < 4; ++b) prog.tail[8 * t + b] = uint8_t(token >> (8 * b));
  }
  prog.pages[0].ext_ref = prog.Tail();
  prog.pages[1].ext_ref = prog.Tail() + 8;
  Open();
  SetAttr(0);
  EXPECT_EQ(Poll(0), 0x2020) << "page 1's object follows R1";
  // Page 2's background object was created by the scan against page 2's table.
  ASSERT_EQ(num_sobjs, 1);
  const uint16_t one = 1;
  PlcReg_Set(r2, &one, 16);
  EXPECT_EQ(soTbl[0].signal(soTbl[0].record, soTbl[0].instance, kSignalUpdate, 0), 0) << "R2 says shown";
  const uint16_t zero = 0;
  PlcReg_Set(r2, &zero, 16);
  EXPECT_EQ(soTbl[0].signal(soTbl[0].record, soTbl[0].instance, kSignalUpdate, 0), 0x2020);
}

TEST_F(TextShape, NullClassesTakeNoInstanceAndAnswerNothing) {
  prog.AddPage(0).objects = {ts::ObjectRecord::Of(22).Flags(ts::kObjShown), ts::ObjectRecord::Of(23),
                             ts::ObjectRecord::Of(30), ts::ObjectRecord::Of(1, {0, 0, 9, 9})};
  Open();
  EXPECT_EQ(doTbl[1].record - doTbl[0].record, 40);
  EXPECT_EQ(doTbl[3].record - doTbl[2].record, 32);
  EXPECT_EQ(doTbl[0].instance, doTbl[3].instance) << "the null objects used no pool bytes";
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Poll(i, 1), 0);
}

}  // namespace
