// The start-up's links to the block library and the panel's stop that closes them, the
// first cycle's report, the removal of the application's files, and the kernel's
// answers to debugger, Modbus and clock-sync requests of a communication slot.
#include <unistd.h>

#include <filesystem>

#include "iec_runtime/os_services.h"
#include "iec_runtime/vm_services.h"
#include "controller/orvanel.h"
#include "ground/regimage.h"
#include "pending_services.h"
#include "platform/trace.h"
#include "runtime_fixture.h"

namespace {

class StartupServices : public RuntimeTest {
 protected:
  static void InstallApp() {
    ts::IecImage img;
    ts::ProgramImage p;
    p.logic = ts::Table::Of(ts::IecLogic(img.Build()));
    p.Install();
  }
  static uint8_t* Db() { return static_cast<uint8_t*>(pDB); }
};

TEST_F(StartupServices, StartUpOpensTheBlockLibraryAndThePanelsStopClosesIt) {
  // The library is looked up beside the firmware: the test runs from a folder holding one.
  namespace fs = std::filesystem;
  fs::path folder = fs::path(root_.Host("/")) / "firmware";
  fs::create_directories(folder);
  fs::copy_file(fs::path(PANEL_BINARY_DIR) / "testlib" / "libn4blocks.so", folder / "libn4blocks.so");
  fs::path before = fs::current_path();
  fs::current_path(folder);
  InstallApp();
  testing::internal::CaptureStdout();
  OrvanelStart();
  std::string out = testing::internal::GetCapturedStdout();
  fs::current_path(before);
  EXPECT_NE(out.find("Load libn4blocks.so successful\n"), std::string::npos);
  ASSERT_NE(dwDynaLink, nullptr);
  uint32_t id = 0;
  ASSERT_TRUE(N4Bdll_GetFirstID(&id));
  EXPECT_STREQ(N4Bdll_GetName(id), "XLIB_ONE");
  ASSERT_TRUE(N4Bdll_GetNextID(&id));
  EXPECT_NE(N4Bdll_GetProc(id), nullptr);
  EXPECT_FALSE(N4Bdll_GetNextID(&id));

  OrvanelStop();
  EXPECT_EQ(dwDynaLink, nullptr);
  EXPECT_EQ(N4Bdll_StartEnumerate(), 0);
  EXPECT_FALSE(N4Bdll_GetFirstID(&id));
}

TEST_F(StartupServices, WithoutTheLibraryStartUpGoesOnAndPrintsNothingOfIt) {
  InstallApp();
  testing::internal::CaptureStdout();
  OrvanelStart();
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out.find("libn4blocks"), std::string::npos);
  EXPECT_EQ(dwDynaLink, nullptr);
  EXPECT_NE(pDB, nullptr);
}

TEST_F(StartupServices, ThePanelsStopClosesTheLog) {
  InstallApp();
  OrvanelStart();
  N4LOG_Open(0x201);
  N4EVSTRACE("traced %d", 7);
  OrvanelStop();
  std::vector<uint8_t> log = root_.Read("/mnt/cfg/iec/n4.log");
  EXPECT_NE(std::string(log.begin(), log.end()).find("[N4TRACE] traced 7"), std::string::npos);
  N4LOG_Trace("after the stop");  // the log is closed: nothing more is written
  EXPECT_EQ(root_.Read("/mnt/cfg/iec/n4.log"), log);
}

TEST_F(StartupServices, TheFirstCycleReportsTheScanBits) {
  InstallApp();
  OrvanelStart();
  plc_reg[65] = 0x02;
  testing::internal::CaptureStdout();
  n4::_VMThread();
  n4::_VMThread();
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "_VMThread\ns_reg(res_scn) is 1\ns_reg(sus_scn) is 0\n");  // the first cycle only
}

TEST_F(StartupServices, DeletingTheApplicationStopsItAndRemovesItsFiles) {
  InstallApp();
  OrvanelStart();
  root_.Write("/mnt/cfg/n4.ret", "retained");
  ASSERT_TRUE(root_.Exists("/mnt/cfg/n4.cod"));
  DelOrvanelFile();
  EXPECT_EQ(pDB, nullptr);
  EXPECT_EQ(OrvanelRuntime, 0);
  EXPECT_FALSE(root_.Exists("/mnt/cfg/n4.cod"));
  EXPECT_FALSE(root_.Exists("/mnt/cfg/n4.ret"));  // rewritten by the stop, then deleted
  root_.Write("/mnt/cfg/n4.cod", "kept");
  DelOrvanelFile();  // no IEC application in the program: nothing happens
  EXPECT_TRUE(root_.Exists("/mnt/cfg/n4.cod"));
}

class SlotRequests : public StartupServices {
 protected:
  void SetUp() override {
    StartupServices::SetUp();
    InstallApp();
    OrvanelStart();
    ASSERT_NE(pDB, nullptr);
    plat::TraceEnable(true);
    plat::TraceClear();
  }
  void TearDown() override {
    n4hook::SetCommStandIn(nullptr);
    plat::TraceEnable(false);
    StartupServices::TearDown();
  }
  // The return codes sent to a slot, in order.
  static std::vector<int64_t> ReturnCodes() {
    std::vector<int64_t> codes;
    for (const plat::TraceEntry& e : plat::TraceSnapshot())
      if (std::string(e.name) == "N4CS_SendRC") codes.push_back(e.b);
    return codes;
  }
  uint8_t answer_[1036] = {};
};

TEST_F(SlotRequests, DebuggerAndModbusRequestsAreAnsweredOrRefusedWithOne) {
  const uint8_t vm[] = {'N', '4', 0, 3, 1, 0x10, 0x20};
  n4hook::CommStandIn slot{3, vm, sizeof vm, answer_, 99};
  EXPECT_EQ(N4Def_ServeVMRequest(nullptr, Db(), 2), 1);  // nothing in slot 2
  n4hook::SetCommStandIn(&slot);
  EXPECT_EQ(N4Def_ServeVMRequest(nullptr, Db(), 3), 0);
  EXPECT_EQ(slot.sent, 0u);  // the debug server (still to come) answers no data
  EXPECT_EQ(plat::TraceCountOf("N4VM_Serve"), 1u);
  EXPECT_EQ(N4Def_ServeVMRequestEx(nullptr, Db(), 3, 9001), 0);
  EXPECT_EQ(plat::TraceCountOf("N4VM_ServeEx"), 1u);

  const uint8_t modbus[] = {0, 1, 0, 0, 0, 6, 1, 3, 0, 0, 0, 1};
  slot = {3, modbus, sizeof modbus, answer_, 99};
  EXPECT_EQ(N4Def_ServeVMRequest(nullptr, Db(), 3), 1);  // not a VM request
  EXPECT_EQ(N4Def_ServeModbusRequest(nullptr, Db(), 17, 3), 0);
  EXPECT_EQ(slot.sent, 0u);
  EXPECT_EQ(N4Def_ServeModbusRequest(nullptr, nullptr, 17, 3), 1);  // no application
  // A stopped VM refuses Modbus.
  uint8_t* flags = N4VM_AreaPtr(Db(), kArStatus) + kStFlags;
  flags[0] |= kStsStopped;
  EXPECT_EQ(N4Def_ServeModbusRequest(nullptr, Db(), 17, 3), 1);
  EXPECT_EQ(ReturnCodes(), (std::vector<int64_t>{1, 1, 1, 1}));
}

TEST_F(SlotRequests, AClockSyncRequestSetsTheThreeStatusWords) {
  uint8_t sync[] = {'N', '4', 0, 13, 24, 0x11, 0x22, 0x33, 0x44, 0, 0, 0, 5, 0xDE, 0xAD, 0xBE, 0xEF};
  n4hook::CommStandIn slot{1, sync, sizeof sync, answer_, 0};
  n4hook::SetCommStandIn(&slot);
  uint8_t* db = Db();
  EXPECT_EQ(N4Def_ServeSyncRequest(nullptr, &db, 1), 0);
  EXPECT_EQ(N4VM_Status32(db, kStCopied), 0x11223344u);
  EXPECT_EQ(N4VM_Status32(db, kStCopied + 4), 5u);
  EXPECT_EQ(N4VM_Status32(db, kStCopied + 8), 0xDEADBEEFu);

  sync[4] = 23;  // another request
  EXPECT_EQ(N4Def_ServeSyncRequest(nullptr, &db, 1), 1);
  sync[4] = 24;
  sync[3] = 12;  // too short for three words
  EXPECT_EQ(N4Def_ServeSyncRequest(nullptr, &db, 1), 1);
  uint8_t* none = nullptr;
  sync[3] = 13;
  EXPECT_EQ(N4Def_ServeSyncRequest(nullptr, &none, 1), 1);
  EXPECT_EQ(N4Def_ServeSyncRequest(nullptr, &db, 2), 1);  // nothing in that slot
  EXPECT_TRUE(ReturnCodes().empty());                   // the sync answers nothing
}

}  // namespace
