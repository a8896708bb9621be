// Standard functions by number and blocks and custom functions linked by name: the
// error-17 rule, FATALSTOP, linking order, unresolved names and entries not built yet.
#include <cstring>

#include "iec_library/stf.h"
#include "iec_runtime/blocks.h"
#include "vm_fixture.h"

namespace {

TEST(StandardFunctions, UnknownOrUnbuiltNumbersLogError17AndStop) {
  for (unsigned number : {0u, 37u, 55u, 68u, 221u, 222u, 1000u, 1u, 92u}) {
    SCOPED_TRACE(number);
    IecVm vm("CALLF " + std::to_string(number) + ", 1, 2|IMM.D 5, 1|RET");
    EXPECT_EQ(vm.Run(), 0);
    ASSERT_EQ(vm.Errors().size(), 1u);
    EXPECT_EQ(vm.Errors()[0].code, 17);
    EXPECT_EQ(vm.Errors()[0].arg, number);
    EXPECT_EQ(vm.Errors()[0].position, (2u << 16) | 1u);
    EXPECT_TRUE(vm.Stopped());
    EXPECT_EQ(vm.D(5), 0);
  }
  EXPECT_STREQ(N4VMStf_Name(1), "ABS");
  EXPECT_EQ(N4VMStf_Name(37), nullptr);
  EXPECT_EQ(N4VMStf_Name(222), nullptr);
}

TEST(StandardFunctions, FatalStop) {
  IecVm no("CALLF 135, 1, 2|IMM.D 5, 1|RET");
  no.Set<uint8_t>(kArData8, 1, 1);
  EXPECT_EQ(no.Run(), 1);
  EXPECT_EQ(no.B(1), 0);  // FALSE written
  EXPECT_EQ(no.D(5), 1);
  IecVm yes("CALLF 135, 1, 2|IMM.D 5, 1|RET");
  yes.Set<uint8_t>(kArData8, 1, 1);
  yes.Set<uint8_t>(kArData8, 2, 1);
  EXPECT_EQ(yes.Run(), 0);
  EXPECT_TRUE(yes.Stopped());
  EXPECT_TRUE(yes.Errors().empty());
  EXPECT_EQ(yes.B(1), 1);  // nothing written
  IecVm forced("LOCK.B 1|CALLF 135, 1, 2|RET");
  forced.Set<uint8_t>(kArData8, 1, 1);
  EXPECT_EQ(forced.Run(), 1);
  EXPECT_EQ(forced.B(1), 1);
}

ts::IecImage WithBlocks() {
  ts::IecImage img = IecVm::Image();
  // TON is built-in row 6, so the compiler gives it class id 7.
  img.classes = {{"TON", 1, 7}, {"CTU", 1, 1}};
  img.instances = {{true, 7}, {false, 7}, {false, 1}};
  img.custom_funcs = {{"CTUR", 1}};
  img.instance_names = {"T1", "T2", "C1"};
  return img;
}

TEST(BlockLinking, BlocksLinkByNameInOrderAndReportThemselvesNotAvailable) {
  IecVm vm("CALLB 1, 1, 2|RET", WithBlocks());
  ASSERT_EQ(vm.build_error, 0);
  EXPECT_FALSE(vm.Flags() & kStsUnresolved);
  EXPECT_EQ(N4VMFbl_GetInstanceCount(vm.Db(), "TON"), 2u);
  EXPECT_EQ(N4VMFbl_GetInstanceCount(vm.Db(), "CTU"), 1u);
  // The built-in TON hides any other TON: its class record is the first of that name.
  const uint8_t* cls = N4VM_Item(vm.Db(), kArClasses, 6);
  EXPECT_STREQ(reinterpret_cast<const char*>(cls), "TON");
  uint16_t id;
  std::memcpy(&id, cls + 34, 2);
  EXPECT_EQ(id, 7);
  // Executing a block whose code is not built: error 17, the application stops.
  EXPECT_EQ(vm.Run(), 0);
  ASSERT_EQ(vm.Errors().size(), 1u);
  EXPECT_EQ(vm.Errors()[0].code, 17);
  EXPECT_EQ(vm.Errors()[0].arg, 1006);  // built-in row 6
  EXPECT_TRUE(vm.Stopped());
  // The panel table's CTUR links as a custom function, and reports itself the same way.
  IecVm custom("CALLC 1, 1, 2|RET", WithBlocks());
  EXPECT_EQ(custom.Run(), 0);
  ASSERT_EQ(custom.Errors().size(), 1u);
  EXPECT_EQ(custom.Errors()[0].arg, 2058);  // panel row 58
}

TEST(BlockLinking, UnresolvedNamesKeepTheApplicationFromCycling) {
  ts::IecImage img = WithBlocks();
  img.classes.push_back({"NOSUCHBLOCK", 1, 2});
  img.classes.push_back({"OPTIONAL", 0, 3});
  img.custom_funcs = {{"TON", 1}};  // a custom function found only among the built-ins
  img.instances.push_back({false, 2});
  IecVm vm("IMM.D 1, 5|RET", img);
  ASSERT_EQ(vm.build_error, 0);
  EXPECT_TRUE(vm.Flags() & kStsUnresolved);
  EXPECT_EQ(N4VM_Status16(vm.Db(), kStUnresolved), 2);
  EXPECT_STREQ(N4VMLog_GetUnresolved(vm.Db(), 0), "NOSUCHBLOCK");
  EXPECT_STREQ(N4VMLog_GetUnresolved(vm.Db(), 1), "TON");
  EXPECT_EQ(vm.Cycle(5), 1);
  EXPECT_TRUE(vm.Stopped());
  EXPECT_EQ(vm.D(1), 0);
  // A long name is kept as 13 characters and "..".
  N4VMLog_RegisterUnresolved(vm.Db(), "ABCDEFGHIJKLMNOPQRST");
  EXPECT_STREQ(N4VMLog_GetUnresolved(vm.Db(), 2), "ABCDEFGHIJKLM..");
}

TEST(BlockLinking, AnUnresolvedCustomFunctionClearsItsResult) {
  ts::IecImage img = IecVm::Image();
  img.custom_funcs = {{"NOTHERE", 1}};
  img.instances = {{false, 9}};  // an instance of no class: the null block
  IecVm vm("CALLC 1, 9, 7, 2|CALLC 1, 3|CHKC 1, 1|CHKB 1, 1|RET", img);
  vm.Set(kArData32, 7, 1234);
  vm.Set(kArData32, 3, 99);
  EXPECT_EQ(vm.Run(), 1);  // the null handlers accept every argument type
  EXPECT_EQ(vm.D(7), 0);
  EXPECT_EQ(vm.D(3), 99);  // a list too short to name a result is left alone
  EXPECT_TRUE(vm.Errors().empty());
}

}  // namespace
