#pragma once
// A fixture that starts each test with a zeroed register image, empty external-object
// tables, no online programming and a clear, recording call trace.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "ground/cmdproto.h"
#include "ground/extobjects.h"
#include "ground/regaccess.h"
#include "ground/regimage.h"
#include "platform/trace.h"

namespace ts {

class RegImageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memset(plc_reg, 0, sizeof plc_reg);
    std::memset(old_reg, 0, sizeof old_reg);
    std::memset(ExternalRegs, 0, sizeof ExternalRegs);
    std::memset(ExternalRegsOffsets, 0, sizeof ExternalRegsOffsets);
    std::memset(Ext_Obj_Comm_Status, 0, sizeof Ext_Obj_Comm_Status);
    OLPMode = 0;
    plat::TraceClear();
    plat::TraceEnable(true);
  }
  void TearDown() override { plat::TraceEnable(false); }

  static int Set16(uint32_t token, uint16_t v) { return PlcReg_Set(token, &v, 16); }
  static int Set32(uint32_t token, uint32_t v) { return PlcReg_Set(token, &v, 32); }
  static int SetBit(uint32_t token, uint8_t v) { return PlcReg_Set(token, &v, 1); }
  static uint16_t Get16(uint32_t token) {
    uint16_t v = 0xDEAD;
    EXPECT_EQ(PlcReg_Get(&v, token, 16), 1);
    return v;
  }
  static uint8_t GetBit(uint32_t token) {
    uint8_t v = 0xEE;
    EXPECT_EQ(PlcReg_Get(&v, token, 1), 1);
    return v;
  }
  // The arguments of every recorded call of one name.
  static std::vector<plat::TraceEntry> Calls(const char* name) {
    std::vector<plat::TraceEntry> out;
    for (const auto& e : plat::TraceSnapshot())
      if (std::strcmp(e.name, name) == 0) out.push_back(e);
    return out;
  }
};

}  // namespace ts
