// The per-scan binding of IEC variables to registers, by direction: inputs, outputs,
// system bits and system registers, the first scan, and a database replaced under it.
#include <cstring>
#include <functional>

#include "iec_runtime/vm_db.h"
#include "controller/orvanel.h"
#include "ground/regaccess.h"
#include "ground/regimage.h"
#include "controller/runctl.h"
#include "runtime_fixture.h"

namespace {

// Slots of the binding table and the register bytes they bind.
constexpr uint32_t kBitIn = 0, kBitOut = 256, kSysRo = 512, kSysRw = 768, kWordIn = 1024, kWordOut = 1056,
                   kSr1 = 1088, kSr4 = 1091, kWordIn2 = 5440;

class Binding : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    ts::IecImage img;
    img.d8_max = img.d16_max = 8;
    ts::ProgramImage p;
    p.logic = ts::Table::Of(ts::IecLogicBound(
        img.Build(), {{kBitIn, ts::IecToken(0, 1)}, {kBitOut, ts::IecToken(0, 2)}, {kSysRo, ts::IecToken(0, 3)},
                      {kSysRw, ts::IecToken(0, 4)}, {kWordIn, ts::IecToken(1, 1)}, {kWordOut, ts::IecToken(1, 2)},
                      {kSr1, ts::IecToken(1, 3)}, {kSr4, ts::IecToken(1, 4)}, {kWordIn2, ts::IecToken(1, 5)},
                      {kWordIn + 1, ts::IecToken(1, 4000)}}));  // a token past the area stays unbound
    p.Install();
    SrSet(5, 0);
    OrvanelStart();
    ASSERT_NE(pDB, nullptr);
    SyncAll();  // the first scan: system registers and bits come from the registers
  }
  static uint8_t* Var8(uint32_t i) { return N4VM_Item(static_cast<uint8_t*>(pDB), kArData8, i); }
  static uint16_t Var16(uint32_t i) {
    uint16_t v;
    std::memcpy(&v, N4VM_Item(static_cast<uint8_t*>(pDB), kArData16, i), 2);
    return v;
  }
  static void SetVar16(uint32_t i, uint16_t v) { std::memcpy(N4VM_Item(static_cast<uint8_t*>(pDB), kArData16, i), &v, 2); }
  // Register words and bits by panel address (1,024 + bit offset).
  static uint16_t Reg16(uint32_t d) {
    uint16_t v;
    std::memcpy(&v, plc_reg + (d - 1024) / 8, 2);
    return v;
  }
  static void SetReg16(uint32_t d, uint16_t v) { std::memcpy(plc_reg + (d - 1024) / 8, &v, 2); }
  static bool RegBit(uint32_t d) { return plc_reg[(d - 1024) / 8] & (1u << (d % 8)); }
  static void SetRegBit(uint32_t d, bool on) {
    uint8_t& b = plc_reg[(d - 1024) / 8];
    b = on ? uint8_t(b | (1u << (d % 8))) : uint8_t(b & ~(1u << (d % 8)));
  }
  static void SyncAll() {
    OrvanelUpdateWordSRRegs();
    OrvanelUpdateBitSysRegs();
    OrvanelUpdateBitInputRegs();
    OrvanelUpdateWordInputRegs();
    OrvanelUpdateBitOutputRegs();
    OrvanelUpdateWordOutputRegs();
  }
};

TEST_F(Binding, WordsAndBitsBothWays) {
  struct Row {
    const char* name;
    bool bit;
    uint32_t d, var;
    int reg_to, iec_to;  // -1: that side does not change
    int expect_reg, expect_iec;
  } const rows[] = {
      {"word input, register changed", false, 0x800, 1, 5, -1, 5, 5},
      {"word input, IEC changed", false, 0x800, 1, -1, 7, 7, 7},
      {"word input, both changed: the register wins", false, 0x800, 1, 5, 7, 5, 5},
      {"word output, IEC changed", false, 0xA00, 2, -1, 9, 9, 9},
      {"word output, register changed", false, 0xA00, 2, 3, -1, 3, 3},
      {"word output, both changed: the register wins", false, 0xA00, 2, 3, 9, 3, 3},
      {"extended word input, register changed", false, 0x4000, 5, 11, -1, 11, 11},
      {"bit input, register set", true, 0x400, 1, 1, -1, 1, 1},
      {"bit input, IEC set", true, 0x400, 1, -1, 1, 1, 1},
      {"bit output, IEC set", true, 0x500, 2, -1, 1, 1, 1},
      {"bit output, register set", true, 0x500, 2, 1, -1, 1, 1},
      {"writable system bit, IEC set", true, 0x700, 4, -1, 1, 1, 1},
      {"read-only system bit follows the register", true, 0x600, 3, -1, 1, 0, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    // Both sides at 0 and agreed.
    if (r.bit) {
      SetRegBit(r.d, false);
      *Var8(r.var) = 0;
    } else {
      SetReg16(r.d, 0);
      SetVar16(r.var, 0);
    }
    SyncAll();
    if (r.reg_to >= 0) r.bit ? SetRegBit(r.d, r.reg_to) : SetReg16(r.d, uint16_t(r.reg_to));
    if (r.iec_to >= 0) r.bit ? void(*Var8(r.var) = uint8_t(r.iec_to)) : SetVar16(r.var, uint16_t(r.iec_to));
    SyncAll();
    EXPECT_EQ(r.bit ? int(RegBit(r.d)) : int(Reg16(r.d)), r.expect_reg);
    EXPECT_EQ(r.bit ? int(*Var8(r.var)) : int(Var16(r.var)), r.expect_iec);
  }
}

TEST_F(Binding, SidesThatAgreeRecordTheirCommonValue) {
  // Both sides change to the same value: the next change of the IEC side alone is taken
  // as the IEC's, not overwritten by the register.
  SetReg16(0x800, 9);
  SetVar16(1, 9);
  SyncAll();
  SetVar16(1, 4);
  SyncAll();
  EXPECT_EQ(Reg16(0x800), 4);
  EXPECT_EQ(Var16(1), 4);
  // The same for a bit output: both set, then the register alone clears it.
  SetRegBit(0x500, true);
  *Var8(2) = 1;
  SyncAll();
  SetRegBit(0x500, false);
  SyncAll();
  EXPECT_EQ(*Var8(2), 0);
  EXPECT_FALSE(RegBit(0x500));
}

TEST_F(Binding, SystemRegistersOnlyTakeValuesInTheirRange) {
  uint16_t lo = 0, hi = 0;
  ASSERT_EQ(VmDbWordSR_MinMax(&lo, &hi, 0), 1);  // SR1
  ASSERT_LT(hi, 0xFFFF);
  EXPECT_EQ(Var16(3), SrGet(1)) << "the first scan copies the register";
  SetVar16(3, uint16_t(hi + 1));
  SyncAll();
  EXPECT_EQ(Var16(3), SrGet(1)) << "out of range: the IEC variable is reset";
  SetVar16(3, hi);
  SyncAll();
  EXPECT_EQ(SrGet(1), hi);
  // SR4 is read-only for the application.
  SrSet(4, 0x1234);
  SetVar16(4, 1);
  SyncAll();
  EXPECT_EQ(Var16(4), 0x1234);
  EXPECT_EQ(SrGet(4), 0x1234);
}

TEST_F(Binding, S9SetsTheBoundSystemBitsOnTheFirstCycle) {
  *Var8(3) = 0;
  *Var8(4) = 0;
  OrvanelS9 = 1;
  n4::_VMThread();
  EXPECT_EQ(*Var8(3), 1);
  EXPECT_EQ(*Var8(4), 1);
  EXPECT_EQ(*Var8(1), 0);  // an input bit is not a system bit
  EXPECT_EQ(OrvanelS9, 0);
}

TEST_F(Binding, TheTablesFollowADatabaseThatIsReplaced) {
  SetReg16(0x800, 21);
  SyncAll();
  EXPECT_EQ(Var16(1), 21);
  SetPlcMode(1);  // stop (the database is freed) and start again with a new one
  ASSERT_NE(pDB, nullptr);
  SetReg16(0x800, 22);
  SyncAll();
  EXPECT_EQ(Var16(1), 22);
  // Without a running application nothing is touched.
  n4::_Stop();
  SetReg16(0x800, 23);
  SyncAll();
  EXPECT_EQ(Reg16(0x800), 23);
}

}  // namespace
