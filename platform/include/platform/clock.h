#pragma once
// The platform clock: the one source of time for the unit (the 0.1 ms time base, the
// wall clock behind the real-time clock, the monotonic clocks of the web server and the
// IEC runtime). Tests install a TestClock and advance it explicitly.
// Reading the clock is async-signal-safe (the time-slice handler reads it).

#include <atomic>
#include <cstdint>

namespace plat {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual int64_t MonotonicNs() = 0;  // never goes back
  virtual int64_t WallNs() = 0;       // nanoseconds since 1970-01-01 UTC
  // Told before a busy wait of ns: a clock that moves only when told (a test's) moves by
  // ns, so that the wait ends; a real clock lets the time pass by itself.
  virtual void WaitingNs(int64_t ns) { (void)ns; }
};

// Installs a clock; nullptr restores the host clock. Returns the previous one.
Clock* SetClock(Clock* clock);
Clock& GetClock();

inline int64_t MonotonicNs() { return GetClock().MonotonicNs(); }
inline int64_t WallNs() { return GetClock().WallNs(); }

// A clock that only moves when a test moves it. Both readings advance together.
class TestClock final : public Clock {
 public:
  explicit TestClock(int64_t mono_ns = 1'000'000'000'000LL, int64_t wall_ns = 1'700'000'000'000'000'000LL)
      : mono_(mono_ns), wall_(wall_ns) {}
  int64_t MonotonicNs() override { return mono_.load(std::memory_order_relaxed); }
  int64_t WallNs() override { return wall_.load(std::memory_order_relaxed); }
  void AdvanceNs(int64_t ns) {
    mono_.fetch_add(ns, std::memory_order_relaxed);
    wall_.fetch_add(ns, std::memory_order_relaxed);
  }
  void AdvanceTicks(int64_t ticks) { AdvanceNs(ticks * 100'000); }  // 0.1 ms ticks
  void AdvanceMs(int64_t ms) { AdvanceNs(ms * 1'000'000); }
  void WaitingNs(int64_t ns) override { AdvanceNs(ns); }
  void SetMonotonicNs(int64_t ns) { mono_.store(ns, std::memory_order_relaxed); }
  void SetWallNs(int64_t ns) { wall_.store(ns, std::memory_order_relaxed); }

 private:
  std::atomic<int64_t> mono_;
  std::atomic<int64_t> wall_;
};

// Installs a TestClock for the lifetime of the guard.
class ScopedTestClock {
 public:
  ScopedTestClock() : prev_(SetClock(&clock_)) {}
  ~ScopedTestClock() { SetClock(prev_); }
  TestClock& operator*() { return clock_; }
  TestClock* operator->() { return &clock_; }

 private:
  TestClock clock_;
  Clock* prev_;
};

}  // namespace plat
