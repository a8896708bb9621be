// Registers of remote nodes named by external-object tokens.
#include <gtest/gtest.h>

#include "testsupport/reg_fixture.h"

namespace {

using ts::RegImageTest;

// object 7, bit offset 20 (byte 2, bit 4)
constexpr uint32_t kTok = 0x80000000u | (20u << 12) | 7u;

TEST_F(RegImageTest, ReadWhileNotRunningGivesZerosAndSetsTheFlag) {
  ExternalRegs[7][0] = 0xAB;
  ExternalRegs[7][1] = 0xCD;
  for (uint16_t mode : {0, 1, 4}) {
    SrSet(5, mode);
    Ext_Obj_Comm_Status[7].read_not_running = 0;
    EXPECT_EQ(Get16(kTok), 0) << mode;
    EXPECT_EQ(GetBit(kTok), 0) << mode;
    EXPECT_EQ(Ext_Obj_Comm_Status[7].read_not_running, 1) << mode;
  }
}

TEST_F(RegImageTest, InRunMappedObjectsAreReadAtTheirByteOffset) {
  uint8_t plugin_image[64] = {};
  plugin_image[10 + 2] = 0x34;
  plugin_image[10 + 3] = 0x12;
  ExternalRegsOffsets[7] = plugin_image + 10;
  SrSet(5, 2);
  EXPECT_EQ(Get16(kTok), 0x1234);
  EXPECT_EQ(Ext_Obj_Comm_Status[7].read_not_running, 0);
  // One bit: bit (token >> 12) & 7 = 4 of byte 2.
  EXPECT_EQ(SetBit(kTok, 1), 1);
  EXPECT_EQ(plugin_image[12], 0x34 | 0x10);
}

TEST_F(RegImageTest, UnmappedObjectsUseTheirScratchSlotWithoutOffset) {
  SrSet(5, 2);
  EXPECT_EQ(Set16(kTok, 0xBEEF), 1);
  EXPECT_EQ(ExternalRegs[7][0], 0xEF);
  EXPECT_EQ(ExternalRegs[7][1], 0xBE);
  EXPECT_EQ(Get16(kTok), 0xBEEF);
  uint8_t big[40] = {};
  EXPECT_EQ(PlcReg_Set(kTok, big, 8 * 40), 0);  // wider than the 32-byte slot
}

}  // namespace
