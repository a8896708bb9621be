// The object manager's pages over screen programs made by the test builder: where the
// first record lies, the page and background pools, background objects shared across
// pages, focus pre-selection, the page paint, and pages it must refuse.
#include <gtest/gtest.h>
#include <sanitizer/asan_interface.h>

#include "fieldbus/dyn_scan.h"
#include "display_start.h"
#include "recording_classes.h"

#include <array>
#include <string>
#include <vector>

#include "graphics/dc.h"
#include "graphics/text.h"
#include "graphics/vdr.h"
#include "graphics/video.h"
#include "controller/mainloop.h"
#include "controller/poweron.h"
#include "ground/regimage.h"
#include "controller/screenloop.h"
#include "ground/tablestore.h"
#include "platform/framebuffer.h"
#include "platform/trace.h"
#include "screens/objm.h"
#include "screens/keys.h"
#include "screens/objm_bodies.h"
#include "screens/services.h"
#include "testsupport/screen_program.h"
#include "testsupport/temp_root.h"

namespace {

using namespace rec;

class ObjmPage : public ::testing::Test {
 protected:
  void SetUp() override {
    dc = st::PowerOnWithDisplay();
    g_objm_bodies.classes = kRecording.data();
    g_calls.clear();
    g_paint_clips.clear();
    plat::TraceClear();
    plat::TraceEnable(true);
  }
  void TearDown() override {
    plat::TraceEnable(false);
    plat::FbReset();
  }
  // Installs the program, runs the start-up scan of every page; the pages' addresses.
  std::vector<const uint8_t*> Load() {
    prog.Install();
    OBJM_Init();
    std::vector<const uint8_t*> pages;
    const uint8_t* p = vtn_pgm + ts::ScreenProgram::kHeaderBytes;
    for (std::size_t i = 0; i < prog.pages.size(); ++i) {
      pages.push_back(p);
      p = OBJM_ScanPage(dc, p);
      EXPECT_EQ(p, vtn_pgm + prog.PageOffset(i + 1)) << "page " << i;
    }
    g_calls.clear();
    return pages;
  }
  std::vector<Call> CallsOf(const std::string& op) const {
    std::vector<Call> v;
    for (const Call& c : g_calls)
      if (c.op == op) v.push_back(c);
    return v;
  }
  // The rectangles drawn, as {left, top, right, bottom} (right and bottom exclusive).
  static std::vector<std::array<int16_t, 4>> Rectangles() {
    std::vector<std::array<int16_t, 4>> v;
    for (const plat::TraceEntry& e : plat::TraceSnapshot())
      if (std::string(e.name) == "GDI_Rectangle")
        v.push_back({int16_t(e.a >> 16), int16_t(e.a), int16_t(e.b >> 16), int16_t(e.b)});
    return v;
  }

  ts::TempRoot root;
  DC* dc = nullptr;
  ts::ScreenProgram prog;
};

TEST_F(ObjmPage, FirstRecordFollowsTheHeaderVersion) {
  struct Case {
    uint16_t version;
    bool gradient;
    uint32_t first;
  };
  for (const Case& c : {Case{0, false, 14}, Case{1, false, 22}, Case{2, false, 24}, Case{2, true, 32},
                        Case{3, true, 32}}) {
    SCOPED_TRACE(testing::Message() << "version " << c.version << " gradient " << c.gradient);
    prog = {};
    ts::Page& p = prog.AddPage(0);
    p.version = c.version;
    p.gradient = c.gradient;
    p.grad_start = 0x1234;
    p.grad_end = 0x4321;
    p.lead_in = 7;
    p.lead_out = 9;
    p.objects = {Obj(0, 1), Obj(1, 2)};
    const auto pages = Load();
    ASSERT_EQ(OBJM_OpenPage(dc, pages[0]), 1);
    ASSERT_EQ(num_dobjs, 2);
    EXPECT_EQ(doTbl[0].record - pages[0], std::ptrdiff_t(c.first));
    EXPECT_EQ(doTbl[1].record - pages[0], std::ptrdiff_t(c.first + kRecLen));
    EXPECT_EQ(pCurPgHdr, pages[0]);
    if (c.gradient) {
      EXPECT_EQ(FillColor, 0x1234);
      EXPECT_EQ(EndColor, 0x4321);
      EXPECT_EQ(LeadInLines, 7);
      EXPECT_EQ(LeadOutLines, 9);
    }
  }
}

TEST_F(ObjmPage, InstancesAreAlignedInThePagePoolAndCreatedInRecordOrder) {
  static_assert(kInstanceAlign == 8, "a pointer leads every instance");
  ts::Page& p = prog.AddPage(0);
  p.objects = {Obj(0, 0, {0, 0, 9, 9}, 26), Obj(1, 1, {0, 0, 9, 9}, 30), Obj(2, 2, {0, 0, 9, 9}, 0),
               Obj(3, 3, {0, 0, 9, 9}, 24)};
  const auto pages = Load();
  ASSERT_EQ(OBJM_OpenPage(dc, pages[0]), 1);
  const auto* base = static_cast<const uint8_t*>(doTbl[0].instance);
  const std::ptrdiff_t want[] = {0, 32, 64, 64};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(static_cast<const uint8_t*>(doTbl[i].instance) - base, want[i]) << i;
  EXPECT_EQ(CallsOf("create"), (std::vector<Call>{{"create", 0, 0}, {"create", 1, 0}, {"create", 2, 0},
                                                  {"create", 3, 0}}))
      << "each instance starts with state 0";
  EXPECT_EQ(static_cast<ObjInstance*>(doTbl[2].instance)->dc, dc);

  // A second open reuses the pool from its start.
  OBJM_DestroyPage();
  ASSERT_EQ(OBJM_OpenPage(dc, pages[0]), 1);
  EXPECT_EQ(doTbl[0].instance, base);
}

TEST_F(ObjmPage, APageWhoseInstancesOverrunThePoolIsRefusedWhole) {
  // 4096-byte instances: the 129th would start above the last offset that leaves room.
  for (int n : {128, 129}) {
    SCOPED_TRACE(n);
    prog = {};
    ts::Page& p = prog.AddPage(0);
    for (int i = 0; i < n; ++i) p.objects.push_back(Obj(0, i, {0, 0, 9, 9}, 4096));
    const auto pages = Load();
    EXPECT_EQ(OBJM_OpenPage(dc, pages[0]), n == 128 ? 1 : 0);
    EXPECT_EQ(openPageExec, 0);
    if (n == 129) {
      EXPECT_EQ(CallsOf("paint").size(), 0u) << "a refused page is not painted";
      EXPECT_EQ(num_dobjs, 0);
    }
  }
}

TEST_F(ObjmPage, MoreObjectsThanThePageTableHoldsRefuseThePage) {
  for (int n : {kPageObjectsMax, kPageObjectsMax + 1}) {
    SCOPED_TRACE(n);
    prog = {};
    ts::Page& p = prog.AddPage(0);
    for (int i = 0; i < n; ++i) p.objects.push_back(Obj(23, i, {0, 0, 1, 1}, 0));
    const auto pages = Load();
    EXPECT_EQ(OBJM_OpenPage(dc, pages[0]), n == kPageObjectsMax ? 1 : 0);
  }
}

TEST_F(ObjmPage, BackgroundObjectsAreCreatedOnceAndSharedWhenTheirPageOpens) {
  ts::Page& p0 = prog.AddPage(0);
  p0.objects = {Obj(0, 0), Obj(1, 1).Flags(ts::kObjBackground), Obj(5, 2).Flags(ts::kObjBackground)};
  ts::Page& p1 = prog.AddPage(4);
  p1.objects = {Obj(1, 10).Flags(ts::kObjBackground)};
  prog.Install();
  OBJM_Init();
  const uint8_t* page0 = vtn_pgm + prog.PageOffset(0);
  const uint8_t* page1 = OBJM_ScanPage(dc, page0);
  OBJM_ScanPage(dc, page1);
  EXPECT_EQ(g_calls, (std::vector<Call>{{"create", 1, 0}, {"create", 10, 0}}))
      << "only background objects, and never the screen-jump class";
  ASSERT_EQ(num_sobjs, 2);
  EXPECT_EQ(soTbl[0].owner, 1);
  EXPECT_EQ(soTbl[1].owner, 5);

  g_calls.clear();
  ASSERT_EQ(OBJM_OpenPage(dc, page0), 1);
  EXPECT_EQ(CallsOf("create"), (std::vector<Call>{{"create", 0, 0}, {"create", 2, 0}}));
  EXPECT_EQ(doTbl[1].instance, soTbl[0].instance);
  EXPECT_EQ(doTbl[1].owner, kOwnerOnPage);
  EXPECT_EQ(doTbl[2].owner, 0) << "a screen-jump button is a page object";

  // The instance keeps its state across page changes.
  static_cast<uint8_t*>(soTbl[0].instance)[sizeof(ObjInstance)] = 0x5A;
  OBJM_DestroyPage();
  ASSERT_EQ(OBJM_OpenPage(dc, page1), 1);
  OBJM_DestroyPage();
  ASSERT_EQ(OBJM_OpenPage(dc, page0), 1);
  EXPECT_EQ(static_cast<uint8_t*>(doTbl[1].instance)[sizeof(ObjInstance)], 0x5A);
}

TEST_F(ObjmPage, BackgroundPoolAndTableLimits) {
  // 32,000-byte instances: the background pool holds nine; the tenth is left out and its
  // page still opens without it.
  ts::Page& p = prog.AddPage(0);
  for (int i = 0; i < 10; ++i)
    p.objects.push_back(Obj(0, i, {0, 0, 9, 9}, 32000).U16At(kShownAt, 1).Flags(ts::kObjBackground));
  auto pages = Load();
  EXPECT_EQ(num_sobjs, 9);
  ASSERT_EQ(OBJM_OpenPage(dc, pages[0]), 1);
  EXPECT_EQ(num_dobjs, 10);
  EXPECT_EQ(static_cast<ObjInstance*>(doTbl[8].instance)->state & kStateShown, kStateShown);
  EXPECT_EQ(static_cast<ObjInstance*>(doTbl[9].instance)->state & kStateShown, 0);

  // The background table stops at its size, across pages.
  prog = {};
  for (uint16_t page = 0; page < 2; ++page) {
    ts::Page& q = prog.AddPage(page);
    for (int i = 0; i < 600; ++i) q.objects.push_back(Obj(0, i, {0, 0, 1, 1}, 0).Flags(ts::kObjBackground));
  }
  pages = Load();
  EXPECT_EQ(num_sobjs, kObjTableSize);
  EXPECT_EQ(soTbl[kObjTableSize - 1].owner, 2);
  EXPECT_EQ(OBJM_OpenPage(dc, pages[1]), 1);
}

TEST_F(ObjmPage, FocusPreSelection) {
  const uint32_t F = ts::kObjFocusList, M = ts::kObjFocusList | ts::kObjInitialFocus;
  struct Obj_ {
    uint16_t cls;
    uint32_t flags;
    std::vector<int16_t> rect;
  };
  struct Case {
    const char* what;
    std::vector<Obj_> objects;
    int selected, index, focus;
    std::vector<uint16_t> list;
  };
  const Case cases[] = {
      {"smallest centre sum", {{0, F, {100, 100, 120, 120}}, {0, 0, {0, 0, 2, 2}}, {0, F, {10, 10, 30, 30}}}, 2, 1, 0,
       {0, 2}},
      {"equal sums: the earlier record", {{0, F, {10, 30, 30, 50}}, {0, F, {30, 10, 50, 30}}}, 0, 0, 0, {0, 1}},
      {"a menu with initial focus wins and takes the focus",
       {{0, F, {0, 0, 2, 2}}, {3, M, {300, 300, 320, 320}}, {0, F, {0, 0, 1, 1}}}, 1, 1, 1, {0, 1, 2}},
      {"initial focus counts for menus only", {{0, M, {300, 300, 320, 320}}, {0, F, {0, 0, 2, 2}}}, 1, 1, 0, {0, 1}},
      {"a later menu displaces an earlier one", {{3, M, {0, 0, 2, 2}}, {3, M, {300, 300, 320, 320}}}, 1, 1, 1, {0, 1}},
      {"negative centres halve toward zero", {{0, F, {-5, -5, 0, 0}}, {0, F, {0, 0, 1, 1}}}, 0, 0, 0, {0, 1}},
      {"no focus list", {{0, 0, {0, 0, 2, 2}}}, -1, 0, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    prog = {};
    ts::Page& p = prog.AddPage(0);
    for (std::size_t i = 0; i < c.objects.size(); ++i)
      p.objects.push_back(Obj(c.objects[i].cls, int(i), c.objects[i].rect).Flags(c.objects[i].flags));
    const auto pages = Load();
    ASSERT_EQ(OBJM_OpenPage(dc, pages[0]), 1);
    EXPECT_EQ(selectObject, c.selected);
    EXPECT_EQ(selectIndex, c.index);
    EXPECT_EQ(fSelectFocus, c.focus);
    EXPECT_EQ(newObject, c.selected);
    ASSERT_EQ(selectNumObjs, int(c.list.size()));
    for (std::size_t i = 0; i < c.list.size(); ++i) EXPECT_EQ(scb[i].object, c.list[i]);
  }
}

TEST_F(ObjmPage, AReturnedToUserScreenFocusesItsRememberedObject) {
  ts::Page& p = prog.AddPage(0);
  p.objects = {Obj(0, 0, {0, 0, 2, 2}).Flags(ts::kObjFocusList), Obj(0, 1).Flags(ts::kObjFocusList)};
  const auto pages = Load();
  initSelect = 1;
  for (uint8_t mode : {uint8_t(1), uint8_t(3)}) {
    PAGE_mode = mode;
    ASSERT_EQ(OBJM_OpenPage(dc, pages[0]), 1);
    EXPECT_EQ(selectObject, mode == 1 ? 1 : 0) << "page mode " << int(mode);
    EXPECT_EQ(selectIndex, mode == 1 ? 1 : 0);
    EXPECT_EQ(newIndex, selectIndex);
  }
}

TEST_F(ObjmPage, PaintPolls_EveryObjectAndPaintsWhatIsShownAndChanged) {
  ts::Page& p = prog.AddPage(0);
  p.background = 0x07E0;
  p.objects = {Obj(0, 0, {100, 100, 199, 149}).U16At(kShownAt, 1).U16At(kPollAt, 0),
               Obj(0, 1, {200, 200, 209, 219}).U16At(kShownAt, 1).U16At(kPollAt, kResultRepaint),
               Obj(0, 2, {300, 300, 309, 309}).U16At(kShownAt, 0).U16At(kPollAt, kResultRepaint)};
  const auto pages = Load();
  ASSERT_EQ(OBJM_OpenPage(dc, pages[0]), 1);
  EXPECT_EQ(g_calls, (std::vector<Call>{{"create", 0, 0},
                                         {"create", 1, 0},
                                         {"create", 2, 0},
                                         {"signal", 0, 641},
                                         {"paint", 0, kPaintStatic},
                                         {"signal", 1, 641},
                                         {"paint", 1, kPaintStatic},
                                         {"paint", 1, kPaintDynamic},
                                         {"signal", 2, 641}}))
      << "a hidden object asking for a repaint is not painted";
  using R = std::array<int16_t, 4>;
  const R whole{0, 0, int16_t(scr_wdt - 1), int16_t(scr_hgt - 1)};
  EXPECT_EQ(g_paint_clips, (std::vector<R>{whole, whole, R{200, 200, 209, 219}}));
  // The background over the whole context, then the black side bars.
  EXPECT_EQ(Rectangles(), (std::vector<R>{{0, 0, 800, 480}, {0, 0, 40, 480}, {680, 0, 800, 480}}));
  EXPECT_EQ(dc->fill_colour, 0);
}

TEST_F(ObjmPage, DestroyReleasesOnlyTheClassesThatHoldResources) {
  ts::Page& p = prog.AddPage(0);
  for (uint16_t cls = 0; cls < kObjClasses; ++cls) p.objects.push_back(Obj(cls, cls, {0, 0, 1, 1}, 0));
  const auto pages = Load();
  ASSERT_EQ(OBJM_OpenPage(dc, pages[0]), 1);
  g_calls.clear();
  OBJM_DestroyPage();
  EXPECT_EQ(g_calls, (std::vector<Call>{{"destroy", 6, 0}, {"destroy", 8, 0}, {"destroy", 10, 0},
                                         {"destroy", 14, 0}, {"destroy", 15, 0}, {"destroy", 33, 0}}));
}

TEST_F(ObjmPage, BrokenPagesAreRefusedWithoutReadingPastTheProgram) {
  struct Case {
    const char* what;
    std::vector<ts::ObjectRecord> objects;
    uint16_t count;
    uint16_t poke_length;  // written over the last record's own length when not 0
  };
  const Case cases[] = {
      {"a class code above 35", {Obj(0, 0), ts::ObjectRecord::Of(36)}, 2, 0},
      {"more objects than records", {Obj(0, 0)}, 3, 0},
      {"an own length shorter than the header", {Obj(0, 0)}, 1, 20},
      {"an own length past the program", {Obj(0, 0)}, 1, 4000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    prog = {};
    ts::Page& p = prog.AddPage(0);
    p.objects = c.objects;
    p.count = c.count;
    prog.Install();
    OBJM_Init();
    uint8_t* page = vtn_pgm + prog.PageOffset(0);
    if (c.poke_length) {
      page[14 + 30] = uint8_t(c.poke_length);
      page[14 + 31] = uint8_t(c.poke_length >> 8);
    }
    EXPECT_EQ(OBJM_ScanPage(dc, page), nullptr) << "the walk of the pages ends";
    EXPECT_EQ(OBJM_OpenPage(dc, page), 0);
    EXPECT_EQ(openPageExec, 0);
  }
  // A page header that the end of the program cuts short.
  for (uint32_t cut : {10u, 20u, 30u}) {
    SCOPED_TRACE(cut);
    prog = {};
    ts::Page& g = prog.AddPage(0);
    g.version = 2;
    g.gradient = true;
    prog.Install();
    SetBlockSize(vtn_pgm_bl, prog.PageOffset(0) + cut);
    OBJM_Init();
    const uint8_t* page = vtn_pgm + prog.PageOffset(0);
    EXPECT_EQ(OBJM_ScanPage(dc, page), nullptr);
    EXPECT_EQ(OBJM_OpenPage(dc, page), 0);
  }
  // A record with its own length that the end of the program cuts inside that field:
  // nothing past the program is read (the sanitizer build reports a read of the bytes
  // behind it, poisoned here).
  for (uint32_t keep : {28u, 30u, 31u}) {
    SCOPED_TRACE(keep);
    prog = {};
    prog.AddPage(0).objects = {Obj(0, 0)};
    prog.Install();
    const uint32_t size = prog.PageOffset(0) + 14 + keep;
    SetBlockSize(vtn_pgm_bl, size);
    OBJM_Init();
    const uint8_t* page = vtn_pgm + prog.PageOffset(0);
    ASAN_POISON_MEMORY_REGION(vtn_pgm + size, 64);
    EXPECT_EQ(OBJM_ScanPage(dc, page), nullptr);
    EXPECT_EQ(OBJM_OpenPage(dc, page), 0);
    ASAN_UNPOISON_MEMORY_REGION(vtn_pgm + size, 64);
  }
  // An unknown class with its own length is stepped over by the scan.
  prog = {};
  prog.AddPage(0).objects = {Obj(40, 0), Obj(1, 1).Flags(ts::kObjBackground)};
  const auto pages = Load();
  EXPECT_EQ(num_sobjs, 1);
  EXPECT_EQ(OBJM_OpenPage(dc, pages[0]), 0);
}

TEST_F(ObjmPage, DynamicScanListByHeaderVersion) {
  struct Case {
    uint16_t version;
    int offset;  // -1: the program's tail, -2: past the program
    uint32_t count;  // port 0's dynamic count after the open (99: untouched)
    uint8_t handed_over, on_page;
  };
  for (const Case& c : {Case{0, -1, 99, 0, 7}, Case{1, 0, 0, 1, 0}, Case{1, -1, 5, 1, 1}, Case{2, -2, 0, 1, 0}}) {
    SCOPED_TRACE(testing::Message() << "version " << c.version << " offset " << c.offset);
    prog = {};
    ts::Page& p = prog.AddPage(0);
    p.version = c.version;
    p.objects = {Obj(0, 0)};
    prog.tail.assign(96, 0);
    prog.tail[4] = 5;  // port 0: five dynamic scan records
    p.scan_list = 1;  // sizes the header; the real offset follows
    const uint32_t tail = prog.Tail();
    p.scan_list = c.offset == -1 ? tail : c.offset == -2 ? tail + 90 : uint32_t(c.offset);
    ExternalRegOnPage = 7;
    const auto pages = Load();
    PromgrDriversLoaded = 1;
    PromgrDriverPort[0] = 0;
    DynScanListInfo[0].count = 99;
    NewDynScanList = 0;
    ASSERT_EQ(OBJM_OpenPage(dc, pages[0]), 1);
    EXPECT_EQ(DynScanListInfo[0].count, c.count);
    EXPECT_EQ(NewDynScanList, c.handed_over);
    EXPECT_EQ(ExternalRegOnPage, c.on_page);
  }
}

TEST_F(ObjmPage, OpenRecordsTheSliceCountAndEmptiesTheTouchRing) {
  prog.AddPage(0).objects = {Obj(0, 0)};
  const auto pages = Load();
  ISRCountOnOpenPage = 3;
  KEY_Press(512, 10, 10);
  ASSERT_EQ(OBJM_OpenPage(dc, pages[0]), 1);
  EXPECT_EQ(SrGet(206), 3);
  EXPECT_EQ(ISRCountOnOpenPage, 0);
  EXPECT_EQ(openPageExec, 0);
  EXPECT_EQ(KEY_Check([](int, int, int) { return 1; }), 0) << "no touch left in the ring";
}

TEST_F(ObjmPage, TheFirmwarePagesOpenWithTheFirmwareClasses) {
  g_objm_bodies.classes = nullptr;
  ASSERT_EQ(OBJM_OpenPage(dc, PGM_InvalidPage), 1);
  EXPECT_EQ(Rectangles().size(), 3u);
  plat::TraceClear();
  ASSERT_EQ(OBJM_OpenPage(dc, PGM_FaultPage), 1);
  EXPECT_EQ(Rectangles().size(), 2u) << "the fault display instead of a background";
  prog.AddPage(0).objects = {ts::ObjectRecord::Of(22), ts::ObjectRecord::Of(30), ts::ObjectRecord::Of(1)};
  const auto pages = Load();
  ASSERT_EQ(OBJM_OpenPage(dc, pages[0]), 1);
  EXPECT_EQ(doTbl[1].record - doTbl[0].record, 40) << "the row lengths step over records";
  EXPECT_EQ(doTbl[2].record - doTbl[1].record, 32);
}

}  // namespace
