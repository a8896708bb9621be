#include <gtest/gtest.h>

#include "ground/sysservices.h"

namespace {

class VcommOwner : public ::testing::Test {
 protected:
  void SetUp() override {
    Vcomm_Host = Vcomm_Mode = Vcomm_ConnectId = Vcomm_Lock = 0;
    Vcomm_Idle = 0;
  }
};

TEST_F(VcommOwner, ClaimRecordsTheHostAndTakesTheCommandLock) {
  ASSERT_EQ(Vcomm_ModeSet(0, 3, 1, 7), 1);
  EXPECT_EQ(Vcomm_Host, 3);
  EXPECT_EQ(Vcomm_Mode, 1);
  EXPECT_EQ(Vcomm_ConnectId, 7);
  EXPECT_EQ(Vcomm_Lock, 0x01);
}

TEST_F(VcommOwner, ClaimRefusedWhileLockedUnlessForcedOverACommand) {
  struct Case {
    uint8_t lock;
    int force;
    int taken;
  };
  constexpr Case kCases[] = {
      {0x01, 0, 0}, {0x02, 0, 0}, {0x03, 0, 0},  // any lock refuses an ordinary claim
      {0x01, 1, 1}, {0x02, 1, 0}, {0x03, 1, 0},  // forced: only the communication lock refuses
  };
  for (const Case& c : kCases) {
    Vcomm_Lock = c.lock;
    Vcomm_Host = 0;
    EXPECT_EQ(Vcomm_ModeSet(c.force, 1, 0, 5), c.taken) << int(c.lock) << " force " << c.force;
    EXPECT_EQ(Vcomm_Host, c.taken ? 1 : 0);
    EXPECT_EQ(Vcomm_Lock, c.taken ? (c.lock | 0x01) : c.lock);
  }
}

TEST_F(VcommOwner, LockOperationsAndTheIdleCounter) {
  struct Step {
    int op;
    uint8_t lock;
    uint16_t idle;
  };
  constexpr Step kSteps[] = {
      {0, 0x00, 0},  // clearing a free lock is no release
      {1, 0x01, 0}, {3, 0x03, 0}, {2, 0x02, 0},
      {4, 0x00, 1},  // the last bit dropped: released
      {3, 0x02, 1}, {0, 0x00, 2},
      {7, 0x00, 2},  // unknown operation: nothing
  };
  for (const Step& s : kSteps) {
    Vcomm_LockSet(s.op);
    EXPECT_EQ(Vcomm_Lock, s.lock) << "op " << s.op;
    EXPECT_EQ(Vcomm_Idle, s.idle) << "op " << s.op;
  }
}

}  // namespace
