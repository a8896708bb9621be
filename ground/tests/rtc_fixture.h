#pragma once
// A fixture for the clock: zeroed register image, a test clock (wall time
// 2023-11-14 22:13:20 UTC), a fresh clock chip model, no OS time requests, an idle
// command protocol and a clock that has not been read since "power on".

#include <array>

#include "ground/cmdproto.h"
#include "ground/rtc.h"
#include "platform/clock.h"
#include "platform/rtc_model.h"
#include "platform/systime.h"
#include "rtc_state.h"
#include "testsupport/reg_fixture.h"

namespace rtc_test {

// year, month, day, hour, minute, second: compares and prints readably.
using Fields = std::array<int, 6>;

template <class Record>
Fields F(const Record& r) {
  return {r.year, r.month, r.day, r.hour, r.minute, r.second};
}

inline RtcRecord Local(int y, int mo, int d, int h, int mi, int s) {
  return {uint16_t(s), uint16_t(mi), uint16_t(h), uint16_t(d), uint16_t(mo), uint16_t(y), 0};
}
inline UtcRecord Utc(int y, int mo, int d, int h, int mi, int s) {
  return {uint16_t(s), uint16_t(mi), uint16_t(h), uint16_t(d), uint16_t(mo), uint16_t(y)};
}
inline plat::RtcTime Chip(int y, int mo, int d, int h, int mi, int s) {
  return {s, mi, h, d, mo - 1, y - 1900, 0, 0, 0};
}

class RtcTest : public ts::RegImageTest {
 protected:
  void SetUp() override {
    RegImageTest::SetUp();
    plat::rtc_model::Reset();
    plat::systime_model::Reset();
    rtc::ResetState();
    CmdRun = 255;
  }
  void TearDown() override {
    plat::rtc_model::Reset();
    rtc::ResetState();
    RegImageTest::TearDown();
  }

  // The clock registers SR44..SR49 and the day of week SR50.
  static Fields ClockRegs() { return {SrGet(49), SrGet(48), SrGet(47), SrGet(46), SrGet(45), SrGet(44)}; }
  static Fields UtcRegs() { return {SrGet(217), SrGet(216), SrGet(215), SrGet(214), SrGet(213), SrGet(212)}; }
  static void SetUtcRegs(const Fields& f) {
    for (int i = 0; i < 6; ++i) SrSet(217 - i, uint16_t(f[i]));
  }
  static Fields ChipFields(const plat::RtcTime& t) {
    return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
  }
  static Fields Now() {
    RtcRecord r{};
    EXPECT_EQ(RtcGet(r), 1);
    return F(r);
  }
  // Powers the unit on with the chip holding a time: the clock is read at start-up.
  void StartWith(int y, int mo, int d, int h, int mi, int s) {
    plat::rtc_model::Hold(Chip(y, mo, d, h, mi, s));
    rtc::ResetState();
    RtcStartup();
  }
  void AdvanceSeconds(int64_t s) { clock->AdvanceTicks(s * 10000); }

  plat::ScopedTestClock clock;
};

}  // namespace rtc_test
