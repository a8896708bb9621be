// The VM's smaller entry points: the trigger word, the extended I/O exchange, the refusal
// of a hot change while resources are open, and the undo of an online change.
#include <cstring>

#include "iec_runtime/vm_services.h"
#include "platform/trace.h"
#include "runtime_fixture.h"

namespace {

class VmServices : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    plat::TraceEnable(true);
    plat::TraceClear();
  }
  void TearDown() override {
    plat::TraceEnable(false);
    RuntimeTest::TearDown();
  }
  static void SetFlags(uint8_t* db, uint16_t set) {
    uint8_t* f = N4VM_AreaPtr(db, kArStatus) + kStFlags;
    uint16_t v = uint16_t(f[0] | f[1] << 8) | set;
    f[0] = uint8_t(v);
    f[1] = uint8_t(v >> 8);
  }
};

TEST_F(VmServices, TheTriggerPointsAtTheProgrammedCycleTime) {
  ts::IecImage img;
  img.cycle_us = 10'000;
  Built b = Build(img);
  ASSERT_EQ(b.error, 0);
  uint8_t* p = N4VM_GetTriggerPtr(b.db.data());
  uint32_t us;
  std::memcpy(&us, p, 4);
  EXPECT_EQ(us, 10'000u);
  us = 20'000;
  std::memcpy(p, &us, 4);
  EXPECT_EQ(N4VM_RegisterCycleTime(b.db.data(), 15'000), 5'000u);  // the cycle follows the trigger
}

TEST_F(VmServices, TheExtendedExchangeRunsCanAndTheDriverKitFirst) {
  ts::IecImage img;
  img.init_flags = 1;  // build flag 0x08: no exchange while stepping
  Built b = Build(img);
  ASSERT_EQ(b.error, 0);
  uint8_t* db = b.db.data();
  plat::TraceClear();
  EXPECT_EQ(N4VM_FullIOExchangeEx(db, 5), 0);
  EXPECT_EQ(plat::TraceNames(), (std::vector<std::string>{"N4VM_ExchangeCanAndDriverKit", "N4VMIO_Exchange"}));

  plat::TraceClear();
  SetFlags(db, kStsStep);
  EXPECT_EQ(N4VM_FullIOExchangeEx(db, 5), 0);
  EXPECT_TRUE(plat::TraceNames().empty());

  SetFlags(db, kStsStopped);
  EXPECT_EQ(N4VM_FullIOExchangeEx(db, 5), 1);
  EXPECT_TRUE(plat::TraceNames().empty());
}

TEST_F(VmServices, AHotChangeIsRefusedWhileResourcesAreOpen) {
  ts::IecImage img;
  Built b = Build(img);
  ASSERT_EQ(b.error, 0);
  uint8_t* db = b.db.data();
  uint8_t* slot = N4VM_Item(db, kArResources, 127);
  ASSERT_NE(slot, nullptr);
  slot[8] = 5;  // an open array with id 5
  EXPECT_EQ(N4VM_CanHOTStart(b.code.data(), uint32_t(b.code.size()), db), 23);
  EXPECT_EQ(N4VM_BuildHOT(b.code.data(), uint32_t(b.code.size()), db, 10), 23);
  EXPECT_EQ(N4VM_Status16(db, kStErrors), 2);
  EXPECT_EQ(N4VM_AreaPtr(db, kArErrorLog)[0], 23);
  slot[8] = 0;
  EXPECT_EQ(N4VM_CanHOTStart(b.code.data(), uint32_t(b.code.size()), db), 0);
}

TEST_F(VmServices, AnUndoneChangeGoesBackToThePreviousImageAndKeepsTheValues) {
  ts::IecImage img;
  img.d32_max = 6;
  img.init32 = {{1, 11}};
  img.used_delta = -2;
  Built b = Build(img);
  ASSERT_EQ(b.error, 0);
  uint8_t* db = b.db.data();
  const DbAreaDesc before = *N4VM_Area(db, kArData32);
  SetDint(db, 1, 100);
  ts::IecImage next = img;
  next.used_delta = -1;
  next.init32 = {{1, 11}, {5, 55}};
  std::vector<uint8_t> code = next.Build();
  ASSERT_EQ(N4Def_Change(code.data(), uint32_t(code.size()), db, nullptr, "APP", 20), 0);
  EXPECT_EQ(N4VM_Area(db, kArData32)->used, before.used + 1);
  SetDint(db, 1, 101);

  ASSERT_EQ(N4Def_UndoChange(b.code.data(), uint32_t(b.code.size()), db, nullptr, "APP", 30), 0);
  EXPECT_EQ(N4VM_Area(db, kArData32)->used, before.used);
  EXPECT_EQ(N4VM_Area(db, kArData32)->boundary, before.boundary);
  EXPECT_EQ(Dint(db, 1), 101u);
  EXPECT_EQ(N4VM_GetCode(db), b.code.data());
  EXPECT_FALSE(N4VM_Status32(db, kStBuildFlags) & kBfChange);

  // The undo makes the same checks as a hot build.
  ts::IecImage other = img;
  other.build_stamp ^= 1;
  code = other.Build();
  EXPECT_EQ(N4VM_UndoHOTChange(code.data(), uint32_t(code.size()), db, 40), 26);
  SetFlags(db, kStsStep);  // the debugger is stepping
  EXPECT_EQ(N4VM_UndoHOTChange(b.code.data(), uint32_t(b.code.size()), db, 40), 73);
  EXPECT_EQ(N4Def_UndoChange(nullptr, 0, db, nullptr, "APP", 40), 1);
}

}  // namespace
