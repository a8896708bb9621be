#pragma once
// A fixture for run control and the scan: a zeroed register image and table store, the
// default logic program, a test clock with the time base restarted on it (the first tick
// is 0), empty I/O slots, no IEC application, no talk session, no media job, a temporary
// device root and the run-control state of a unit that has just started.

#include <csignal>
#include <cstring>
#include <string>
#include <vector>

#include "fieldbus/services.h"
#include "iec_runtime/services.h"
#include "ground/cmdproto.h"
#include "ground/regimage.h"
#include "controller/runctl.h"
#include "ground/tablestore.h"
#include "ground/timebase.h"
#include "logic/media_jobs.h"
#include "platform/clock.h"
#include "platform/io_boards.h"
#include "platform/trace.h"
#include "ground/power_on.h"
#include "runctl_internal.h"
#include "testsupport/program_image.h"
#include "testsupport/reg_fixture.h"
#include "testsupport/temp_root.h"

namespace rc_test {

class RunCtlTest : public ts::RegImageTest {
 protected:
  void SetUp() override {
    RegImageTest::SetUp();
    ts::ClearTableStore();
    InstallProgram({0x09, 0x00});  // end of program
    TimebaseRestart();
    rtc::ResetState();
    ResetUnit();
  }
  void TearDown() override {
    ResetUnit();
    TimebaseRestart();
    RegImageTest::TearDown();
  }

  static void ResetUnit() {
    runctl::ResetState();
    plat::IoBoardsReset();
    for (uint16_t& id : io_init) id = 255;
    std::memset(io_cfg, 0, sizeof io_cfg);
    std::memset(io_force, 0, sizeof io_force);
    std::memset(TalkOpenedStandIn, 0, sizeof TalkOpenedStandIn);
    OrvanelRuntime = 0;
    orvanel_variables_enumerateded = 0;
    OrvanelFirstRun = 0;
    OrvanelS9 = 0;
    iVmAlive = 0;
    OLPMode = 0;
    Cmd_Override = 0;
    for (MediaJob* job : {&RmCopyJob, &RmDeleteJob}) {
      job->code = 0;
      job->pid = 0;
      job->result = 0;
    }
  }

  // The logic table holds exactly these bytes (CRC of the test's own).
  static void InstallProgram(const std::vector<uint8_t>& data) {
    std::memcpy(ladder, data.data(), data.size());
    SetBlockSize(ladder_bl, uint32_t(data.size()));
    SetBlockCrc(ladder_bl, ts::Crc16(data));
  }

  // The I/O configuration table (download type 5): per slot {u16 module id, u16 data
  // length, data padded to 4 bytes}.
  struct SlotConfig {
    uint16_t module;
    std::vector<uint8_t> data;
  };
  static void WriteIoConfig(const std::vector<SlotConfig>& slots) {
    std::vector<uint8_t> t;
    for (const SlotConfig& s : slots) {
      Put16(t, s.module);
      Put16(t, uint16_t(s.data.size()));
      t.insert(t.end(), s.data.begin(), s.data.end());
      while (t.size() % 4) t.push_back(0);
    }
    std::memcpy(io_config_bl + kTableHeader, t.data(), t.size());
    SetBlockSize(io_config_bl, uint32_t(t.size()));
  }
  // Puts a board into a slot of the I/O board model.
  static plat::IoBoardModel& Board(int slot, uint16_t id, const char* name, uint16_t di_bits = 0,
                                   uint16_t ai_words = 0, uint16_t do_bits = 0, uint16_t ao_words = 0) {
    plat::IoBoardModel& b = plat::IoBoard(slot);
    b.id = id;
    std::memset(b.name, 0, sizeof b.name);
    std::memcpy(b.name, name, strnlen(name, sizeof b.name - 1));
    b.di_bits = di_bits;
    b.ai_words = ai_words;
    b.do_bits = do_bits;
    b.ao_words = ao_words;
    return b;
  }
  // The configuration data of the bus-slave module: u32 fields node address, input-bit
  // token, input bits, output-bit token, output bits, input-word token, input words,
  // output-word token, output words, status-register token.
  static std::vector<uint8_t> BusSlaveData(uint32_t node, uint32_t in_bits, uint32_t out_bits, uint32_t in_words,
                                           uint32_t out_words, uint32_t status) {
    std::vector<uint8_t> d;
    for (uint32_t f : {node, in_bits, 8u, out_bits, 8u, in_words, 1u, out_words, 1u, status}) Put32(d, f);
    return d;
  }
  static void Put16(std::vector<uint8_t>& v, uint16_t x) {
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
  }
  static void Put32(std::vector<uint8_t>& v, uint32_t x) {
    Put16(v, uint16_t(x));
    Put16(v, uint16_t(x >> 16));
  }

  // Moves the test clock by ticks of 0.1 ms and runs one scan.
  void ScanAfter(int64_t ticks) {
    clock_->AdvanceTicks(ticks);
    PlcScan();
  }

  // The names of the recorded calls that are in keep, in order.
  static std::vector<std::string> TraceOf(const std::vector<std::string>& keep) {
    std::vector<std::string> out;
    for (const std::string& n : plat::TraceNames())
      for (const std::string& k : keep)
        if (n == k) out.push_back(n);
    return out;
  }

  plat::ScopedTestClock clock_;
  ts::TempRoot root_;
};

}  // namespace rc_test
