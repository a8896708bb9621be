// The IEC application in the logic table: its code image is written to n4.cod and the
// runtime started only when the container is whole and the file was written whole.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ground/bootstatus.h"
#include "controller/cmdserver.h"
#include "controller/orvanel.h"
#include "progstore_fixture.h"
#include "testsupport/file_size_limit.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Code(std::size_t n) {
  Bytes v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = uint8_t(0xC0 + i);
  return v;
}

class Orvanel : public ProgStoreTest {
 protected:
  void InstallLogic(const Bytes& logic) {
    ts::ProgramImage img;
    img.logic = ts::Table::Of(logic);
    img.Install();
  }
  void ExpectNotStarted(uint32_t boot_status) {
    EXPECT_EQ(OrvanelRuntime, 0);
    EXPECT_EQ(OrvanelI0_VarLoc, nullptr);
    EXPECT_EQ(plat::TraceCountOf("Orvanel_init"), 0u);
    EXPECT_EQ(plat::TraceCountOf("IoConfig"), 1u);  // configured for the ladder engine
    EXPECT_EQ(BootStatusGet(), boot_status);
  }
};

TEST_F(Orvanel, AWholeContainerWritesTheCodeAndStartsTheRuntime) {
  const Bytes code = Code(100);
  InstallLogic(ts::IecLogic(code));
  N4_init = 1;
  OrvanelStart();

  EXPECT_EQ(orvanel_ptr, ladder);
  EXPECT_EQ(root_.Read("/mnt/cfg/n4.cod"), code);
  EXPECT_EQ(std::filesystem::status(root_.Host("/mnt/cfg/n4.cod")).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  EXPECT_EQ(OrvanelI0_VarLoc, ladder + 16 + code.size());
  EXPECT_EQ(OrvanelRuntime, 1);
  // The loader clears N4_init, so the runtime does its one-time start-up (its banner
  // file) and sets the flag again.
  EXPECT_EQ(N4_init, 1);
  EXPECT_TRUE(std::filesystem::exists(root_.Host("/mnt/cfg/iec/n4info.txt")));
  EXPECT_EQ(plat::TraceCountOf("IoConfig"), 0u);
  // The runtime starts, then network and I/O are reconfigured with the J1939 flag held.
  auto init = Calls("Orvanel_init");
  auto net = Calls("NetIoConfig");
  ASSERT_EQ(init.size(), 1u);
  ASSERT_EQ(net.size(), 1u);
  EXPECT_EQ(net[0].a, 1);
  EXPECT_EQ(J1939StartFlag, 0);
  EXPECT_EQ(BootStatusGet(), 0u);
}

TEST_F(Orvanel, AContainerThatDoesNotFitItsTableIsRefused) {
  const Bytes code = Code(100);
  Bytes tiny_tagged = ts::IecLogic({}, 0, 0);
  tiny_tagged.resize(10);  // tag, but not even the code length
  const struct {
    const char* name;
    Bytes logic;
  } cases[] = {
      {"binding table one byte short", ts::IecLogic(code, 6464 * 4 - 1)},
      {"code length one beyond the table", ts::IecLogic(code, uint32_t(code.size() + 1), 6464 * 4)},
      {"code length near 4 GiB", ts::IecLogic(code, 0xFFFFFFF0u, 6464 * 4)},
      {"header cut", tiny_tagged},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    plat::TraceClear();
    plat::ResetPersistentRegs();
    InstallLogic(c.logic);
    OrvanelStart();
    ExpectNotStarted(boot::kIecCodeFailed);
    EXPECT_FALSE(root_.Exists("/mnt/cfg/n4.cod"));
  }
}

TEST_F(Orvanel, ACodeFileThatCannotBeWrittenWholeDoesNotStartTheRuntime) {
  InstallLogic(ts::IecLogic(Code(4000)));
  {
    ts::FileSizeLimit full(1000);  // a short write
    OrvanelStart();
  }
  ExpectNotStarted(boot::kIecCodeFailed);
  EXPECT_FALSE(root_.Exists("/mnt/cfg/n4.cod"));  // no half-written image left behind

  plat::TraceClear();
  plat::ResetPersistentRegs();
  std::filesystem::create_directories(root_.Host("/mnt/cfg/n4.cod/x"));  // cannot be replaced
  OrvanelStart();
  ExpectNotStarted(boot::kIecCodeFailed);
}

TEST_F(Orvanel, ALadderProgramConfiguresTheIo) {
  InstallLogic(ts::LogicWithFeatures({1, 2, 3}, 0));
  OrvanelRuntime = 1;
  OrvanelStart();
  ExpectNotStarted(0);
  EXPECT_FALSE(root_.Exists("/mnt/cfg/n4.cod"));
}

TEST_F(Orvanel, StopEndsTheRuntimeThenClearsItsFlags) {
  orvanel_variables_enumerateded = 1;
  OrvanelStop();
  auto names = plat::TraceNames();
  // The runtime's own closing steps lie between its stop and the flags.
  ASSERT_GE(names.size(), 3u);
  EXPECT_EQ(names[0], "OrvanelStop");
  EXPECT_EQ(names[1], "__Exit");
  EXPECT_EQ(names.back(), "ClearOrvanelFlags");
  EXPECT_EQ(orvanel_variables_enumerateded, 0);
}

}  // namespace
