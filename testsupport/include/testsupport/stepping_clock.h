#pragma once
// A clock that moves by a fixed step each time the monotonic clock is read, installed
// while alive. For code that busy-waits on the time base (start-up messages, Delay,
// SYS_Wait): the wait ends after a bounded number of readings, with no real time passing.
//
//   ts::SteppingClock clock(100'000);  // 0.1 ms per reading
//   Delay(300);                        // returns after about 3000 readings
//   EXPECT_GE(clock.MonotonicNow() - start, 300'000'000);

#include <atomic>
#include <cstdint>

#include "platform/clock.h"

namespace ts {

class SteppingClock final : public plat::Clock {
 public:
  explicit SteppingClock(int64_t step_ns, int64_t start_ns = 1'000'000'000'000LL)
      : step_(step_ns), mono_(start_ns), prev_(plat::SetClock(this)) {}
  ~SteppingClock() override { plat::SetClock(prev_); }
  SteppingClock(const SteppingClock&) = delete;
  SteppingClock& operator=(const SteppingClock&) = delete;

  int64_t MonotonicNs() override { return mono_.fetch_add(step_, std::memory_order_relaxed) + step_; }
  int64_t WallNs() override { return 1'700'000'000'000'000'000LL + mono_.load(std::memory_order_relaxed); }
  // The current reading, without stepping.
  int64_t MonotonicNow() const { return mono_.load(std::memory_order_relaxed); }

 private:
  int64_t step_;
  std::atomic<int64_t> mono_;
  plat::Clock* prev_;
};

}  // namespace ts
