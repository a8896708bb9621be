// The server's half-second clock and its timers, on the platform clock.
#include <sys/time.h>
#include <unistd.h>

#include "platform/clock.h"
#include "quorv_context.h"
#include "web/quorv_util.h"

quorv_timer g_quorv_timer;

namespace {

quorv_timer* Pick(quorv_timer* timer) { return timer ? timer : &g_quorv_timer; }

}  // namespace

uint64_t quorv_timer_now() {
  const int64_t ns = plat::MonotonicNs();
  if (ns < 0) return 0;
  return static_cast<uint64_t>(ns / 1'000'000'000) * 2;
}

void quorv_timer_init_imp(quorv_timer* timer) { *Pick(timer) = quorv_timer{}; }

void quorv_timer_start_imp(quorv_timer* timer) {
  timer = Pick(timer);
  if (timer->flags & QUORV_TIMER_PAUSED) {
    quorv_timer_resume_imp(timer);
    return;
  }
  timer->flags = QUORV_TIMER_RUNNING;
  timer->start = quorv_timer_now();
}

void quorv_timer_stop_imp(quorv_timer* timer) {
  timer = Pick(timer);
  timer->stop = quorv_timer_now();
  timer->flags = 0;
}

void quorv_timer_pause_imp(quorv_timer* timer) {
  timer = Pick(timer);
  timer->stop = quorv_timer_now();
  timer->flags |= QUORV_TIMER_PAUSED;
}

void quorv_timer_resume_imp(quorv_timer* timer) {
  timer = Pick(timer);
  timer->flags &= ~QUORV_TIMER_PAUSED;
  timer->start += quorv_timer_now() - timer->stop;
}

uint64_t quorv_timer_elapsed_imp(quorv_timer* timer) {
  timer = Pick(timer);
  // A paused timer counts up to its pause.
  if ((timer->flags & QUORV_TIMER_RUNNING) && !(timer->flags & QUORV_TIMER_PAUSED)) return quorv_timer_now() - timer->start;
  return timer->stop - timer->start;
}

void quorv_timer_state_imp(quorv_timer* timer, int32_t mask, int mode) {
  timer = Pick(timer);
  if (mode == 0)
    timer->flags &= ~mask;
  else if (mode == 1)
    timer->flags |= mask;
  else
    timer->flags = mask;
}

bool quorv_timer_has_state_imp(quorv_timer* timer, int32_t mask) { return (Pick(timer)->flags & mask) == mask; }

uint64_t quorv_sys_get_current_monotonous_time() { return quorv_timer_elapsed_imp(&quorv_global_context.timer); }

uint32_t quorv_sys_get_current_time(uint32_t* nanoseconds) {
  const int64_t ns = plat::WallNs();
  const int64_t seconds = ns / 1'000'000'000;
  if (nanoseconds) *nanoseconds = static_cast<uint32_t>((ns % 1'000'000'000) / 1000 * 1000);
  return static_cast<uint32_t>(seconds);
}

void quorv_sys_sleep(uint32_t milliseconds) { usleep(static_cast<useconds_t>(milliseconds) * 1000); }
