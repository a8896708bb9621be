// Start-up of the IEC application from the panel program, its cycles, the run-control
// modes, the retain file across a stop and a start, and online changes.
#include <sys/stat.h>

#include <cstring>

#include "drivers/services.h"
#include "testsupport/iec_asm.h"
#include "iec_runtime/os_services.h"
#include "iec_runtime/retain.h"
#include "controller/orvanel.h"
#include "controller/retentive.h"
#include "ground/regimage.h"
#include "controller/runctl.h"
#include "platform/trace.h"
#include "runtime_fixture.h"

namespace {

class Startup : public RuntimeTest {
 protected:
  static ts::IecImage RetainingApp() {
    ts::IecImage img;
    img.init32 = {{1, 5}, {2, 6}, {4, 1}};
    img.retain.n32 = 2;
    img.retain.first32 = 1;
    img.code = {ts::IecAssemble("ADD.D 3, 3, 4|RET")};  // counts its cycles in d3
    return img;
  }
  static void InstallApp(const ts::IecImage& img) {
    ts::ProgramImage p;
    p.logic = ts::Table::Of(ts::IecLogic(img.Build()));
    p.Install();
  }
  static uint8_t* Db() { return static_cast<uint8_t*>(pDB); }
};

TEST_F(Startup, RunControlStartsStopsAndRestartsWithRetainedValues) {
  InstallApp(RetainingApp());
  SrSet(5, 0);
  OrvanelStart();  // the program load at power-up
  ASSERT_NE(pDB, nullptr);
  EXPECT_EQ(iVmAlive, 1);
  EXPECT_EQ(OrvanelRuntime, 1);
  EXPECT_EQ(orvanel_variables_enumerateded, 1);
  EXPECT_EQ(plc_reg[64] & 1, 1);  // first scan bit
  EXPECT_EQ(SrGet(1), 1);
  EXPECT_EQ(Dint(Db(), 1), 5u);
  EXPECT_FALSE(N4VM_Status32(Db(), kStBuildFlags) & kBfRetainsLoaded);  // no file yet

  n4::_VMThread();
  EXPECT_EQ(OrvanelFirstRun, 0);
  EXPECT_EQ(Dint(Db(), 3), 1u);
  SetDint(Db(), 1, 777);

  SetPlcMode(1);  // leaving Idle: stop (retains written), then a warm start
  ASSERT_NE(pDB, nullptr);
  EXPECT_EQ(iVmAlive, 1);
  EXPECT_EQ(root_.Read("/mnt/cfg/n4.ret").size(), 4u + 8);
  EXPECT_EQ(Dint(Db(), 1), 777u);
  EXPECT_EQ(Dint(Db(), 2), 6u);
  EXPECT_TRUE(N4VM_Status32(Db(), kStBuildFlags) & kBfRetainsLoaded);
  n4::_VMThread();
  n4::_VMThread();
  EXPECT_EQ(plc_reg[64] & 1, 0);  // cleared before every later cycle
  EXPECT_EQ(Dint(Db(), 3), 2u);   // not retained: counted again from its start

  SetPlcMode(0);  // Idle: the bound runtime is told, cycles stop
  EXPECT_EQ(iVmAlive, 3);
  n4::_VMThread();
  EXPECT_EQ(Dint(Db(), 3), 2u);
  SetDint(Db(), 2, 888);
  SetPlcMode(1);
  ASSERT_NE(pDB, nullptr);
  EXPECT_EQ(Dint(Db(), 1), 777u);
  EXPECT_EQ(Dint(Db(), 2), 888u);
}

TEST_F(Startup, AnImageThatFailsItsCheckLeavesNothingLoaded) {
  ts::IecImage img;
  std::vector<uint8_t> code = img.Build();
  code.resize(code.size() - 8);  // the extension block is cut
  ts::ProgramImage p;
  p.logic = ts::Table::Of(ts::IecLogic(code));
  p.Install();
  OrvanelStart();
  EXPECT_EQ(pDB, nullptr);
  EXPECT_EQ(pCode, nullptr);
  EXPECT_EQ(iVmAlive, 0);
  EXPECT_EQ(n4::MemoryManager().code.flags, 0);
  n4::_VMThread();  // no database: nothing runs
  EXPECT_EQ(plat::TraceCountOf("N4VMTic_Run"), 0u);
}

TEST_F(Startup, AStopRequestCompletesOnTheNextScan) {
  InstallApp(RetainingApp());
  OrvanelStart();
  ASSERT_NE(pDB, nullptr);
  EXPECT_EQ(n4::_ServeKind(7, (const uint8_t*)"\0\0", 2), 1);  // hot start while running
  EXPECT_EQ(n4::_ServeKind(5, nullptr, 0), 0);
  EXPECT_EQ(iVmAlive, 2);
  EXPECT_EQ(pDB, nullptr);
  EXPECT_EQ(N4_init, 1);
  n4::_VMThread();
  EXPECT_EQ(iVmAlive, 0);
  EXPECT_EQ(N4_init, 0);
  EXPECT_TRUE(root_.Exists("/mnt/cfg/iec/n4.hot"));
  // The saved database starts again hot, with its values.
  EXPECT_EQ(n4::_ServeKind(7, (const uint8_t*)"\0\0", 2), 0);
  ASSERT_NE(pDB, nullptr);
  EXPECT_EQ(iVmAlive, 1);
}

TEST_F(Startup, ADownloadStartsTheNewApplicationAtItsEnd) {
  std::vector<uint8_t> code = RetainingApp().Build();
  std::vector<uint8_t> piece = {1};
  N4MM_Open(&n4::MemoryManager(), "");  // as the runtime's start-up opens it
  EXPECT_EQ(n4::_ServeKind(2, piece.data(), 1), 0);
  EXPECT_EQ(n4::_ServeKind(4, piece.data(), 1), 1);  // nothing written: refused
  EXPECT_FALSE(root_.Exists("/mnt/cfg/n4.cod"));
  EXPECT_EQ(n4::_ServeKind(2, piece.data(), 1), 0);
  for (std::size_t at = 0; at < code.size(); at += 100) {
    piece.assign(1, 1);
    piece.insert(piece.end(), code.begin() + long(at), code.begin() + long(std::min(code.size(), at + 100)));
    EXPECT_EQ(n4::_ServeKind(3, piece.data(), uint32_t(piece.size())), 0);
    EXPECT_FALSE(root_.Exists("/mnt/cfg/n4.cod"));  // nothing half-written where a start looks
  }
  piece.assign(1, 1);
  EXPECT_EQ(n4::_ServeKind(4, piece.data(), 1), 0);
  EXPECT_EQ(root_.Read("/mnt/cfg/n4.cod"), code);
  EXPECT_NE(pDB, nullptr);
  EXPECT_EQ(iVmAlive, 1);
}

class OnlineChange : public Startup {
 protected:
  void SetUp() override {
    Startup::SetUp();
    base_ = RetainingApp();
    base_.d32_max = 6;
    base_.used_delta = -2;
    InstallApp(base_);
    OrvanelStart();
    ASSERT_NE(pDB, nullptr);
    SetDint(Db(), 1, 4242);
  }
  ts::IecImage base_;
};

TEST_F(OnlineChange, AnAcceptedChangeKeepsValuesAndReplacesTheCode) {
  ts::IecImage next = base_;
  next.used_delta = -1;
  next.init32 = {{5, 55}};
  root_.Write("/mnt/cfg/n4.upd", next.Build());
  N4VM_Area(Db(), kArData32)->boundary = 5;
  EXPECT_EQ(n4::_Change(), 0);
  EXPECT_EQ(Dint(Db(), 1), 4242u);
  EXPECT_EQ(Dint(Db(), 5), 55u);
  EXPECT_EQ(plc_reg[0xD400 * 2] & 3, 3);
  EXPECT_EQ(OLPMode, 1);
  EXPECT_EQ(n4::MemoryManager().change.flags, 0);
  EXPECT_EQ(n4::MemoryManager().code.changed, 1);
  OLPMode = 0;
}

TEST_F(OnlineChange, ARejectedOrFailedChangeKeepsTheRunningApplication) {
  struct Case {
    const char* what;
    void (*change)(ts::IecImage&);
    int error;
  };
  const Case cases[] = {
      {"another build", [](ts::IecImage& i) { i.build_stamp ^= 1; }, 26},
      {"another retain layout", [](ts::IecImage& i) { i.retain.crc ^= 1; }, 28},
      {"fails while building", [](ts::IecImage& i) { i.used_delta = 1; }, 9},
  };
  for (const Case& c : cases) {
    ts::IecImage next = base_;
    c.change(next);
    root_.Write("/mnt/cfg/n4.upd", next.Build());
    clock_->AdvanceMs(50);  // a change that went through would stamp the database with this tick
    void* code = pCode;
    std::vector<uint8_t> before(Db(), Db() + n4::MemoryManager().db.size);
    int err = n4::_Change();
    EXPECT_NE(err, 0) << c.what;
    ASSERT_NE(pDB, nullptr) << c.what;
    EXPECT_EQ(pCode, code) << c.what;
    EXPECT_EQ(iVmAlive, 1) << c.what;
    EXPECT_EQ(n4::MemoryManager().change.flags, 0) << c.what;
    // Only the error log may differ.
    std::vector<uint8_t> after(Db(), Db() + n4::MemoryManager().db.size);
    uint32_t log = N4VM_Area(Db(), kArErrorLog)->address;
    std::memset(before.data() + log, 0, 128);
    std::memset(after.data() + log, 0, 128);
    std::memset(before.data() + N4VM_Area(Db(), kArStatus)->address + kStErrors, 0, 2);
    std::memset(after.data() + N4VM_Area(Db(), kArStatus)->address + kStErrors, 0, 2);
    std::memset(before.data() + N4VM_Area(Db(), kArStatus)->address + kStFlags, 0, 2);
    std::memset(after.data() + N4VM_Area(Db(), kArStatus)->address + kStFlags, 0, 2);
    EXPECT_EQ(before, after) << c.what;
    EXPECT_EQ(Dint(Db(), 1), 4242u);
    n4::_VMThread();
  }
}

}  // namespace

namespace {

TEST_F(Startup, TheRegisterBackupStoresAndRestoresTheRetainedValues) {
  InstallApp(RetainingApp());
  OrvanelStart();
  ASSERT_NE(pDB, nullptr);
  SetDint(Db(), 1, 1234);
  n4_reg_store_backup();
  EXPECT_EQ(root_.Read("/mnt/cfg/N4_BKP.RET").size(), 12u);
  SetDint(Db(), 1, 1);
  n4_reg_load_backup();
  EXPECT_EQ(Dint(Db(), 1), 1234u);
  EXPECT_EQ(root_.Read("/mnt/cfg/n4.ret"), root_.Read("/mnt/cfg/N4_BKP.RET"));
  // A second Orvanel_init without the loader clearing N4_init only serves requests.
  void* db = pDB;
  Orvanel_init();
  EXPECT_EQ(pDB, db);
}

}  // namespace

namespace {

uint8_t g_port_mode[6] = {9, 9, 9, 9, 9, 0x56};
uint8_t g_port_applied[6];

TEST_F(Startup, A65SecondSilenceGivesTheSerialLinkBackToThePanel) {
  VcommDriver saved = Vcomm_Drv[2];
  int saved_port = ProgrammingPort;
  Vcomm_Drv[2] = {};
  Vcomm_Drv[2].mode = g_port_mode;
  Vcomm_Drv[2].open = [](const uint8_t* m) {
    std::memcpy(g_port_applied, m, 6);
    return 1;
  };
  ProgrammingPort = 2;
  InstallApp(RetainingApp());
  OrvanelStart();
  N4_Connect_Serial();
  is_n4protocol = 1;
  EXPECT_EQ(IsCommMode_Velan, 0);
  clock_->AdvanceMs(64'000);
  Orvanel_Comm_service();
  EXPECT_EQ(IsCommMode_Velan, 0);  // not yet
  n4_rcv = 1;                      // a frame arrived: the watchdog starts again
  Orvanel_Comm_service();
  clock_->AdvanceMs(64'000);
  Orvanel_Comm_service();
  EXPECT_EQ(IsCommMode_Velan, 0);
  clock_->AdvanceMs(1'100);
  Orvanel_Comm_service();
  EXPECT_EQ(IsCommMode_Velan, 1);
  EXPECT_EQ(is_n4protocol, 0);
  EXPECT_EQ(g_port_applied[0], 5);
  EXPECT_EQ(g_port_applied[5], 0x51);
  Vcomm_Drv[2] = saved;
  ProgrammingPort = saved_port;
  n4runtime_modbusinit = 0;
}

}  // namespace
