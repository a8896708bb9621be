#include "timeslice.h"

#include <cerrno>
#include <csignal>
#include <sys/time.h>

#include "controller/mainloop.h"
#include "ground/regimage.h"
#include "platform/trace.h"
#include "screens/services.h"

volatile uint16_t SliceCounter = 0;
volatile uint16_t ISRCountOnOpenPage = 0;

namespace {
// Whether the timer may be running: set by every arm, cleared by a disarm. An idle pass
// then disarms without a system call (the timer is one-shot and only armed here).
volatile uint8_t g_may_be_armed = 0;
}  // namespace

void ArmSliceTimer() {
  const uint32_t us = uint32_t(SrGet(167)) * 1000;
  itimerval v{};
  v.it_value.tv_sec = us / 1'000'000;
  v.it_value.tv_usec = us % 1'000'000;
  g_may_be_armed = 1;
  setitimer(ITIMER_REAL, &v, nullptr);
  plat::TraceCall("SliceTimerArm", us);
}

void DisarmSliceTimer() {
  if (g_may_be_armed) {
    itimerval v{};
    setitimer(ITIMER_REAL, &v, nullptr);
    g_may_be_armed = 0;
  }
  plat::TraceCall("SliceTimerDisarm");
}

void Enable_Interrupt(int on) {
  if (on == 1) {
    ArmSliceTimer();
  } else {
    DisarmSliceTimer();
  }
}

void TimerIRQ(int) {
  if (openPageExec) ISRCountOnOpenPage = uint16_t(ISRCountOnOpenPage + 1);
  if (!Vint) {
    DisarmSliceTimer();
    return;
  }
  SliceCounter = Sliced ? uint16_t(SliceCounter + 1) : 0;
  Sliced = 1;
  const int saved_errno = errno;
  The_Loop();
  ArmSliceTimer();
  errno = saved_errno;
}

void InstallTimerIRQ() {
  struct sigaction sa {};
  sa.sa_handler = TimerIRQ;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = 0;
  sigaction(SIGALRM, &sa, nullptr);
}
