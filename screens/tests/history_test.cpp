// The history of user screens: a ring of 16 screens with their focused objects.
#include <gtest/gtest.h>

#include "controller/poweron.h"
#include "ground/regimage.h"
#include "controller/screenloop.h"
#include "screens/objm.h"
#include "screens/services.h"
#include "testsupport/temp_root.h"

namespace {

class History : public ::testing::Test {
 protected:
  void SetUp() override { KernelPowerOnReset(); }
  // Leaves screen `from` (focus on object `focus`) for `to`, remembering it.
  static void Jump(int from, int focus, int to) {
    PAGE_current = int16_t(from);
    selectObject = focus;
    OBJM_SwitchUserScreen(to, 1);
  }
  ts::TempRoot root;
};

TEST_F(History, GoingBackRestoresTheScreenAndItsFocus) {
  Jump(1, 4, 2);
  Jump(2, -1, 3);
  EXPECT_EQ(SrGet(1), 3);
  EXPECT_EQ(initSelect, -1);
  OBJM_PopUserScreen();
  EXPECT_EQ(SrGet(1), 2);
  EXPECT_EQ(initSelect, -1);
  OBJM_PopUserScreen();
  EXPECT_EQ(SrGet(1), 1);
  EXPECT_EQ(initSelect, 4);
  // A switch without push remembers nothing.
  OBJM_SwitchUserScreen(9, 0);
  EXPECT_EQ(SrGet(1), 9);
  EXPECT_EQ(initSelect, -1);
}

TEST_F(History, TheSeventeenthPushOverwritesTheOldestEntry) {
  for (int s = 1; s <= 17; ++s) Jump(s, s, s + 1);
  for (int s = 17; s >= 2; --s) {
    OBJM_PopUserScreen();
    EXPECT_EQ(SrGet(1), s);
    EXPECT_EQ(initSelect, s);
  }
  // Screen 1 was overwritten: the history is empty and the invalid-page recovery runs.
  SrSet(1, 77);
  OBJM_PopUserScreen();
  EXPECT_EQ(initSelect, -1);
  EXPECT_EQ(SrGet(1), 77) << "no invalid page is open, so nothing is recovered";
}

TEST_F(History, FlushAndInitEmptyIt) {
  Jump(1, 2, 3);
  OBJM_FlushUserScreens();
  SrSet(1, 3);
  OBJM_PopUserScreen();
  EXPECT_EQ(SrGet(1), 3);
  Jump(1, 2, 3);
  OBJM_Init();
  OBJM_PopUserScreen();
  EXPECT_EQ(SrGet(1), 3);
}

}  // namespace
