#include <gtest/gtest.h>

#include <string>

#include "ground/regimage.h"
#include "platform/trace.h"
#include "startup_selftest.h"
#include "testsupport/reg_fixture.h"
#include "testsupport/stepping_clock.h"
#include "ground/power_on.h"

namespace {

using SelfTest = ts::RegImageTest;

// SR31 = 0 masks the network bits 0x10, 0x20 and 0x80 out of the result; a memory error
// fails either way. Each failure bit set in SR4 shows its lines with a beep.
TEST_F(SelfTest, ResultAndReport) {
  struct Case {
    uint16_t sr4, sr31;
    uint16_t sr55;
    int beeps;
    const char* verdict;
  };
  const Case cases[] = {
      {0x0000, 0, 0x0000, 0, "*** Self-Test Passed ***"},
      {0x0010, 0, 0x0000, 0, "*** Self-Test Passed ***"},
      {0x0010, 1, 0x0010, 1, "*** Self-Test FAILED ***"},
      {0x0008, 0, 0x0008, 1, "*** Self-Test FAILED ***"},
      {0x0008, 1, 0x0008, 1, "*** Self-Test FAILED ***"},
      {0x00B0, 0, 0x0000, 0, "*** Self-Test Passed ***"},
      {0x1018, 0, 0x1008, 3, "*** Self-Test FAILED ***"},
  };
  TimebaseRestart();
  ts::SteppingClock clock(1'000'000);  // the 300 ms waits pass in a few hundred readings
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sr4);
    SrSet(4, c.sr4);
    SrSet(31, c.sr31);
    plat::TraceClear();
    testing::internal::CaptureStdout();
    SelfTestReport(nullptr, "Controller: 01.00");
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(SrGet(55), c.sr55);
    EXPECT_EQ(plat::TraceCountOf("TCH_Beep"), std::size_t(c.beeps));
    EXPECT_NE(out.find(c.verdict), std::string::npos) << out;
    EXPECT_NE(out.find("Controller: 01.00"), std::string::npos);
  }
  TimebaseRestart();
}

TEST_F(SelfTest, FailureLinesComeInTheirOrder) {
  TimebaseRestart();
  ts::SteppingClock clock(1'000'000);
  SrSet(4, 0x1000 | 0x0040 | 0x0008);
  testing::internal::CaptureStdout();
  SelfTestReport(nullptr, "S");
  const std::string out = testing::internal::GetCapturedStdout();
  const auto ram = out.find("Static RAM"), io = out.find("I/O Module"), battery = out.find("Missing or Low Voltage");
  ASSERT_NE(battery, std::string::npos);
  EXPECT_LT(ram, io);
  EXPECT_LT(io, battery);
  TimebaseRestart();
}

}  // namespace
