#pragma once
// The operator of the start-up questions, for the kernel's tests: the display up on a
// kernel build with the pressure touch reader, a stored full-scale touch calibration, and
// a clock that the questions' local loop tells of each 10 ms wait. At the first wait of
// each question it lays that question's taps (press, steady press, lift) into the touch
// device's FIFO, as a finger would; a question without taps is left to its countdown.
//
//   QuestionFinger finger(root);
//   finger.taps = {{Ok(10)}, {Cancel(12)}};  // the first question asked, the second ...
//   AutoLoadRegisters();
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "graphics/dc.h"
#include "ground/regimage.h"
#include "controller/startup.h"
#include "platform/clock.h"
#include "platform/framebuffer.h"
#include "platform/trace.h"
#include "testsupport/temp_root.h"
#include "testsupport/touch_writer.h"

namespace qf {

struct Tap {
  int x, y;
};
// Button centres: question 10 on a 480-line screen, questions 11 and 12 on the full dialog.
inline Tap Ok(int id) { return id == 10 ? Tap{280, 276} : Tap{285, 390}; }
inline Tap Cancel(int id) { return id == 10 ? Tap{440, 276} : Tap{444, 390}; }

// The questions asked so far, by id, from the call trace.
inline std::vector<int64_t> Asked() {
  std::vector<int64_t> ids;
  for (const auto& c : plat::TraceSnapshot())
    if (std::string(c.name) == "AskLoadQuestion") ids.push_back(c.a);
  return ids;
}

// Kernel build 3549 in the version characters of SR203..SR205: the pressure touch reader,
// and the display's page scheme of build 49.
inline void PutKernelBuild(uint8_t* image) {
  const uint16_t v[3] = {uint16_t('3' | ('5' << 8)), uint16_t('4' << 8), uint16_t('9')};
  for (int i = 0; i < 3; ++i) std::memcpy(image + reg::SrOffset(203 + i), &v[i], 2);
}

class QuestionFinger final : public plat::Clock {
 public:
  explicit QuestionFinger(ts::TempRoot& root) : finger_(root.Host("/dev/input/ts0")) {
    // Full scale 800 x 480 with the default offsets and scales: the raw point (x, 480 - y)
    // is the screen point (x, y).
    const int32_t cal[6] = {800, 480, 0, 0, 800, 480};
    root.Write("/mnt/cfg/cal.dta",
               std::vector<uint8_t>(reinterpret_cast<const uint8_t*>(cal), reinterpret_cast<const uint8_t*>(cal) + 24));
    PutKernelBuild(plc_reg);
    plat::FbReset();
    EXPECT_TRUE(GDI_Init());
    pDisplayDC = GDI_GetDisplayDC();
    prev_ = plat::SetClock(this);
  }
  ~QuestionFinger() override {
    plat::SetClock(prev_);
    plat::FbReset();
  }

  int64_t MonotonicNs() override { return mono_; }
  int64_t WallNs() override { return 1'700'000'000'000'000'000LL + mono_; }
  void WaitingNs(int64_t ns) override {
    mono_ += ns;
    waited_ns += ns;
    const int asked = int(plat::TraceCountOf("AskLoadQuestion"));
    if (asked <= fed_) return;
    fed_ = asked;
    if (asked > int(taps.size())) return;
    if (!finger_.Open(std::chrono::seconds(5))) {
      ADD_FAILURE() << "the touch device is not open";
      return;
    }
    for (const Tap& t : taps[asked - 1]) {
      EXPECT_TRUE(finger_.Report(t.x, 480 - t.y, 100));
      EXPECT_TRUE(finger_.Report(t.x, 480 - t.y, 100));
      EXPECT_TRUE(finger_.Lift());
    }
  }

  std::vector<std::vector<Tap>> taps;  // per question, in the order they are asked
  int64_t waited_ns = 0;               // time the questions' loop waited

 private:
  ts::TouchWriter finger_;
  int64_t mono_ = 1'000'000'000'000LL;
  int fed_ = 0;
  plat::Clock* prev_;
};

}  // namespace qf
