// The screen program loop with a small object-manager harness: the screen table's check
// and page index, the page chosen by SR1, SR2 and SR3, fault pages and the status pop-up.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <vector>

#include "controller/mainloop.h"
#include "ground/regimage.h"
#include "controller/screenloop.h"
#include "controller/startup.h"
#include "ground/tablestore.h"
#include "screens/objm_bodies.h"
#include "screens/services.h"
#include "sysscreens/services.h"
#include "testsupport/reg_fixture.h"

namespace {

constexpr uint32_t kHeader = 56;
constexpr uint32_t kPageBytes = 14;

// The harness: pages are page headers without objects; every page opens unless its index
// is in the refused set (or it is the invalid page, when that is refused too).
std::vector<const uint8_t*> g_opened;
std::set<uint16_t> g_refused;
bool g_refuse_invalid = false;

uint16_t IndexOf(const uint8_t* page) {
  uint16_t v;
  std::memcpy(&v, page, 2);
  return v;
}
int OpenPage(DC*, const uint8_t* page) {
  g_opened.push_back(page);
  return !(page == PGM_InvalidPage && g_refuse_invalid) && !g_refused.contains(IndexOf(page));
}
const uint8_t* ScanPage(DC*, const uint8_t* page) { return page + kPageBytes; }

class ScreenLoop : public ts::RegImageTest {
 protected:
  void SetUp() override {
    ts::RegImageTest::SetUp();
    g_opened.clear();
    g_refused.clear();
    g_refuse_invalid = false;
    g_objm_bodies = {.open_page = OpenPage, .scan_page = ScanPage};
    SrSet(34, 1);
  }
  // A screen table of pages with these indexes; first screen number first.
  static void Install(const std::vector<uint16_t>& indexes, uint16_t first) {
    std::vector<uint8_t> t(kHeader + kPageBytes * indexes.size());
    const uint32_t mark = 56;
    std::memcpy(t.data(), &mark, 4);
    const uint16_t header = kHeader, count = uint16_t(indexes.size()), first_less = uint16_t(first - 1);
    std::memcpy(t.data() + 8, &header, 2);
    std::memcpy(t.data() + 10, &count, 2);
    std::memcpy(t.data() + 12, &first_less, 2);
    for (std::size_t i = 0; i < indexes.size(); ++i) std::memcpy(t.data() + kHeader + kPageBytes * i, &indexes[i], 2);
    std::memcpy(vtn_pgm, t.data(), t.size());
    SetBlockSize(vtn_pgm_bl, uint32_t(t.size()));
  }
  static void Start() {
    PGM_Create(1);
    PGM_TheLoop();
  }
  static const uint8_t* LastOpened() { return g_opened.empty() ? nullptr : g_opened.back(); }
};

TEST_F(ScreenLoop, ProgramStartIndexesThePagesAndShowsTheFirstScreen) {
  Install({0, 1, 2, 4}, 2);
  Start();
  EXPECT_EQ(PGM_state, kPgmRunning);
  EXPECT_EQ(SrGet(1), 2);
  EXPECT_EQ(IndexOf(tPage[5]), 4);
  EXPECT_EQ(tPage[4], PGM_InvalidPage) << "no page index 3";
  EXPECT_EQ(LastOpened(), tPage[2]);
  EXPECT_EQ(PAGE_mode, 1);
  EXPECT_EQ(PAGE_current, 2);
}

TEST_F(ScreenLoop, PageChoice) {
  struct Case {
    const char* what;
    uint16_t sr1, sr2, sr3;
    uint8_t boot, recover;
    uint8_t mode;            // PAGE_mode
    const uint8_t* const* page;  // the page opened, by reference
    int user_index;          // or the user page's index (when page is null)
  };
  const Case cases[] = {
      {"first user screen", 1, 0, 0, 0, 0, 1, nullptr, 0},
      {"another user screen", 3, 0, 0, 0, 0, 1, nullptr, 2},
      {"alarm screen over it", 1, 2, 0, 0, 0, 2, nullptr, 1},
      {"SR2 past the page table counts as none", 3, 1500, 0, 0, 0, 1, nullptr, 2},
      {"boot screen number outside boot mode", 3, 0, 22, 0, 0, 1, nullptr, 2},
      {"touch calibration", 1, 0, 21, 0, 0, 3, &calTchPage, 0},
      {"menu page the menu refuses", 1, 0, 5, 0, 0, 3, &PGM_InvalidPage, 0},
      {"boot mode", 1, 0, 0, 1, 0, 3, &BootPage, 0},
      {"calibration in boot mode", 1, 0, 21, 1, 0, 3, &calTchPage, 0},
      {"recovery", 1, 2, 0, 0, 1, 3, &RecoverPage, 0},
      {"recovery number without recovery", 3, 0, 23, 0, 0, 1, nullptr, 2},
  };
  Install({0, 1, 2, 3}, 1);
  Start();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SrSet(1, c.sr1);
    SrSet(2, c.sr2);
    SrSet(3, c.sr3);
    BootMode = c.boot;
    RecoverMode = c.recover;
    PAGE_mode = 0;  // re-open
    g_opened.clear();
    PGM_TheLoop();
    EXPECT_EQ(PGM_state, kPgmRunning);
    EXPECT_EQ(PAGE_mode, c.mode);
    ASSERT_EQ(g_opened.size(), 1u);
    if (c.page)
      EXPECT_EQ(LastOpened(), *c.page);
    else
      EXPECT_EQ(IndexOf(LastOpened()), c.user_index);
    // Nothing changed: nothing is opened again.
    g_opened.clear();
    PGM_TheLoop();
    EXPECT_TRUE(g_opened.empty());
  }
  BootMode = 0;
  RecoverMode = 0;
}

TEST_F(ScreenLoop, FaultPages) {
  struct Case {
    const char* what;
    std::vector<uint16_t> pages;
    uint16_t first;
    uint16_t sr1, sr2, sr3;
    uint16_t fault;
  };
  const Case cases[] = {
      {"no first user screen", {0}, 0, 0, 0, 0, kFaultNoUserScreens},
      {"user screen refused", {0, 7}, 1, 8, 0, 0, kFaultUserScreen},
      {"user screen beyond the page table", {0}, 1, 2000, 0, 0, kFaultUserScreen},
      {"alarm screen refused", {0, 7}, 1, 1, 8, 0, kFaultAlarmScreen},
      {"system screen refused", {0}, 1, 1, 0, 5, kFaultSystemScreen},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    g_refused = {7};
    g_refuse_invalid = true;
    Install(c.pages, c.first);
    SrSet(2, 0);
    SrSet(3, 0);
    Start();
    SrSet(1, c.sr1);
    SrSet(2, c.sr2);
    SrSet(3, c.sr3);
    PGM_TheLoop();
    PGM_TheLoop();
    EXPECT_EQ(PGM_state, kPgmFault);
    EXPECT_EQ(PGM_fault, c.fault);
    if (c.sr3 == 0) {
      EXPECT_EQ(LastOpened(), PGM_FaultPage);
      EXPECT_EQ(PAGE_mode, 4);
    }
  }
}

TEST_F(ScreenLoop, EmptyOrShortScreenTables) {
  SetBlockSize(vtn_pgm_bl, 0);
  Start();
  EXPECT_EQ(PGM_fault, kFaultGraphicsInvalid);
  EXPECT_TRUE(SrGet(4) & 0x4000);
  SetBlockSize(vtn_pgm_bl, 8);
  Start();
  EXPECT_EQ(PGM_fault, kFaultNoUserScreens);
  EXPECT_FALSE(SrGet(4) & 0x4000);
  // After an aborted download, the user-graphics fault stands.
  SrSet(4, 0x4000);
  PGM_state = kPgmAborted;
  PGM_TheLoop();
  EXPECT_EQ(PGM_fault, kFaultGraphicsInvalid);
}

TEST_F(ScreenLoop, PageIndexesPastThePageTableAreSkipped) {
  Install({0, 1022, 1023, 0xFFFE}, 1);
  const std::vector<const uint8_t*> before(tPage, tPage + kPageTableEntries);
  Start();
  EXPECT_EQ(PGM_state, kPgmRunning);
  EXPECT_EQ(IndexOf(tPage[1023]), 1022);
  EXPECT_EQ(tPage[1], vtn_pgm + kHeader);
}

TEST_F(ScreenLoop, APageScanThatDoesNotMoveOnEndsTheWalk) {
  Install({0, 1, 2}, 1);
  g_objm_bodies.scan_page = [](DC*, const uint8_t* page) { return page; };
  Start();
  EXPECT_EQ(PGM_state, kPgmRunning);
  EXPECT_EQ(IndexOf(tPage[1]), 0);
  EXPECT_EQ(tPage[2], PGM_InvalidPage);
  g_objm_bodies.scan_page = [](DC*, const uint8_t*) -> const uint8_t* { return vtn_pgm_bl + kVtnPgmCap; };
  Start();
  EXPECT_EQ(tPage[2], PGM_InvalidPage);
}

TEST_F(ScreenLoop, StatusPopUp) {
  Install({0}, 1);
  ladder[0] = 0x00;  // a ladder program: the Run LED is on in Run
  const auto popups = [] { return plat::TraceCountOf("OBJM_CreatePopup"); };
  SrSet(180, 1);  // the pop-up mode the program start applies
  Start();
  EXPECT_EQ(popups(), 1u) << "the first status";
  PGM_SetPopupState(0);
  SrSet(5, 2);
  PGM_TheLoop();
  EXPECT_EQ(popups(), 1u) << "OK and running: no pop-up in mode 1";
  SrSet(5, 0);
  PGM_TheLoop();
  EXPECT_EQ(popups(), 2u);
  PGM_SetPopupState(0);
  PGM_SetPopupMode(2);
  SrSet(5, 2);
  PGM_TheLoop();
  EXPECT_EQ(popups(), 3u) << "every change in mode 2";
  // The answer 4 puts the controller in Run.
  PGM_InitRunCtrl();
  SrSet(5, 0);
  PGM_SetPopupState(4);
  EXPECT_EQ(SrGet(5), 2);
}

TEST_F(ScreenLoop, EnteringRunReturnsToTheFirstScreen) {
  Install({0, 1}, 1);
  Start();
  plat::TraceClear();
  SrSet(5, 2);
  PGM_TheLoop();
  const auto calls = Calls("OBJM_SwitchUserScreen");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].a, 1);
  EXPECT_EQ(plat::TraceCountOf("OBJM_FlushUserScreens"), 1u);
  plat::TraceClear();
  PGM_TheLoop();
  EXPECT_EQ(plat::TraceCountOf("OBJM_SwitchUserScreen"), 0u);
}

TEST_F(ScreenLoop, DestroyStopsTheScreens) {
  Install({0}, 1);
  Start();
  PGM_Destroy();
  EXPECT_EQ(PGM_state, kPgmStopped);
  EXPECT_EQ(SrGet(57), 255);
}

}  // namespace
