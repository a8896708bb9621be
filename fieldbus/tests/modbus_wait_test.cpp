// The port service's wait between passes: it ends when the frame's gap has passed, so a
// request is answered at its gap, not when a long wait (or a coarse poll) runs out.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "modbus_rig.h"

namespace {

using mbt::Bytes;
using mbt::WithCrc;

// Kernel builds 3555 (the tty driver times the gap) and 0 (a receive-gap timer does).
void SetKernelBuild(bool driver_gap) {
  SrSet(203, driver_gap ? 3 | 5 << 8 : 0);
  SrSet(204, driver_gap ? 5 << 8 : 0);
  SrSet(205, driver_gap ? 5 : 0);
}

struct GapCase {
  bool driver_gap;
  int64_t gap_us;  // the silence that ends a frame at 115200 baud on that build
};
constexpr GapCase kGapCases[] = {{true, 303}, {false, 26700}};

class PortWait : public ::testing::TestWithParam<GapCase> {
 protected:
  void SetUp() override { std::memset(plc_reg, 0, reg::kImageSize); }
  void TearDown() override { SetKernelBuild(false); }
};

TEST_P(PortWait, ALongWaitEndsAtTheFrameGapAndTheNextPassAnswers) {
  const GapCase c = GetParam();
  SetKernelBuild(c.driver_gap);
  mbt::Rig rig;
  const Bytes request = WithCrc({1, 3, 0x02, 0x00, 0, 1});
  rig.Send(request);
  // The pass takes the bytes; the gap is then measured from the last of them.
  for (int i = 0; i < 5000 && Vcomm_Drv[0].count_rx() < int(request.size()); ++i) ::usleep(100);
  ModbusExecute(0);
  EXPECT_TRUE(rig.Receive(0).empty());
  const int64_t before = plat::MonotonicNs();
  EXPECT_EQ(ModbusWait(0, 10'000'000), 0);
  const int64_t waited_us = (plat::MonotonicNs() - before) / 1000;
  // The gap (the timer's resolution of one tick at the most on top), not the 10 s given.
  EXPECT_GE(waited_us, c.gap_us - 100);
  EXPECT_LE(waited_us, c.gap_us + 200);
  ModbusExecute(0);
  EXPECT_EQ(rig.Receive(), WithCrc({1, 3, 2, 0, 0}));
}

TEST_P(PortWait, ARequestOnTheRealClockIsAnsweredSoonAfterItsGap) {
  const GapCase c = GetParam();
  SetKernelBuild(c.driver_gap);
  mbt::Rig rig(1, 3, false);
  const Bytes request = WithCrc({1, 3, 0x02, 0x00, 0, 1});
  const auto start = std::chrono::steady_clock::now();
  rig.Send(request);
  const uint16_t answered = ModbusPortCounters(0).slave_messages;
  // Each wait may last 5 s; one that ignored the gap would hold the answer that long.
  while (ModbusPortCounters(0).slave_messages == answered &&
         std::chrono::steady_clock::now() - start < std::chrono::seconds(20)) {
    ModbusWait(0, 5'000'000);
    ModbusExecute(0);
  }
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(rig.Receive(), WithCrc({1, 3, 2, 0, 0}));
  // Generous for a loaded host, far below the wait given.
  EXPECT_LT(took, std::chrono::milliseconds(1500));
  EXPECT_GE(took, std::chrono::microseconds(c.gap_us - 100));
}

INSTANTIATE_TEST_SUITE_P(Builds, PortWait, ::testing::ValuesIn(kGapCases),
                         [](const auto& info) { return info.param.driver_gap ? "DriverGap" : "TimerGap"; });

}  // namespace
