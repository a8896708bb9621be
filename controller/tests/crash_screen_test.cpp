// The system initialisation's fault handler and the crash screen: cause texts, the
// countdown and the two buttons, and whole crashes as death tests.
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <string>

#include "crash_screen.h"
#include "ground/regimage.h"
#include "controller/retentive.h"
#include "ground/sysservices.h"
#include "testsupport/reg_fixture.h"
#include "testsupport/stepping_clock.h"
#include "testsupport/temp_root.h"

namespace {

constexpr int kFaultSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

class CrashScreen : public ts::RegImageTest {};

TEST_F(CrashScreen, CauseBySignal) {
  struct Case {
    int signal;
    const char* cause;
  };
  const Case kCases[] = {
      {SIGSEGV, "Invalid Memory Access Fault"}, {SIGBUS, "Memory Alignment Fault"},
      {SIGILL, "Illegal Code execution"},       {SIGABRT, "Buffer Overflow error"},
      {SIGFPE, "Erroneous Arithmetic Operation performed"},
  };
  for (const Case& c : kCases) EXPECT_STREQ(crash::CauseText(c.signal), c.cause) << c.signal;
}

TEST_F(CrashScreen, CountsDownOnceASecondAndRestartsAtZero) {
  crash::Countdown c{.last_tick = 0xFFFFF000u};  // across the tick wrap
  EXPECT_EQ(crash::Step(c, 0xFFFFF000u + 9999, false, 0, 0), crash::Action::kNone);
  EXPECT_EQ(c.seconds, 59);
  plat::TraceClear();
  EXPECT_EQ(crash::Step(c, 0xFFFFF000u + 10000, false, 0, 0), crash::Action::kNone);
  EXPECT_EQ(c.seconds, 58);
  EXPECT_EQ(plat::TraceCountOf("GDI_ByteTextOut"), 1u);  // the two digits redrawn
  EXPECT_EQ(crash::Step(c, 0xFFFFF000u + 58 * 10000 + 5, false, 0, 0), crash::Action::kNone);
  EXPECT_EQ(c.seconds, 1);
  EXPECT_EQ(crash::Step(c, 0xFFFFF000u + 59 * 10000, false, 0, 0), crash::Action::kRestart);
}

TEST_F(CrashScreen, ButtonsEraseOrRestart) {
  struct Case {
    int x, y;
    crash::Action action;
  };
  const Case kCases[] = {
      {200, 300, crash::Action::kErase},   {309, 281, crash::Action::kErase},
      {410, 300, crash::Action::kRestart}, {519, 329, crash::Action::kRestart},
      {310, 300, crash::Action::kNone},    {360, 300, crash::Action::kNone},
      {250, 279, crash::Action::kNone},    {250, 330, crash::Action::kNone},
  };
  for (const Case& c : kCases) {
    crash::Countdown countdown{.last_tick = 0};
    EXPECT_EQ(crash::Step(countdown, 0, true, c.x, c.y), c.action) << c.x << "," << c.y;
    EXPECT_EQ(crash::Step(countdown, 0, false, c.x, c.y), crash::Action::kNone);  // only a touch acts
  }
}

TEST_F(CrashScreen, DrawsTheFaultOrTheBootFailure) {
  crash::Draw(SIGSEGV);
  const auto with_buttons = Calls("GDI_ByteTextOut").size();
  plat::TraceClear();
  crash::Draw(0);
  // The boot failure has no choice to offer: three lines, no buttons, no countdown.
  EXPECT_EQ(Calls("GDI_ByteTextOut").size(), 3u);
  EXPECT_EQ(with_buttons, 7u);  // title, cause, two prompt lines, two buttons, countdown
}

TEST_F(CrashScreen, SysInitInstallsTheHandlerAndGivesTheSignOn) {
  struct sigaction saved[std::size(kFaultSignals)];
  for (std::size_t i = 0; i < std::size(kFaultSignals); ++i) sigaction(kFaultSignals[i], nullptr, &saved[i]);
  char signon[kSignonBytes];
  std::memset(signon, 'x', sizeof signon);
  fwload_set_def = 1;
  EXPECT_EQ(SYS_Init(signon), 1);
  fwload_set_def = 0;
  EXPECT_EQ(SYS_Init(signon), 0);
  EXPECT_STREQ(signon, "Controller: 01.00");
  EXPECT_EQ(SrGet(37), 573);
  for (std::size_t i = 0; i < std::size(kFaultSignals); ++i) {
    struct sigaction now;
    sigaction(kFaultSignals[i], nullptr, &now);
    EXPECT_EQ(now.sa_handler, &ExceptionISR) << kFaultSignals[i];
    EXPECT_EQ(now.sa_flags & (SA_SIGINFO | SA_RESTART | SA_NODEFER | SA_RESETHAND | SA_ONSTACK), 0) << kFaultSignals[i];
    sigaction(kFaultSignals[i], &saved[i], nullptr);
  }
}

// A whole crash, in a child process: the handler shows the screen, nobody touches it, the
// countdown runs out on a clock that steps with every reading, and the unit restarts.
void CrashBy(int signal) {
  ts::TempRoot root;
  ts::SteppingClock clock(1'000'000);  // 1 ms per reading
  char signon[kSignonBytes];
  SYS_Init(signon);
  std::raise(signal);
}

TEST(CrashScreenDeathTest, FaultSignalsRestartAfterTheCountdown) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(CrashBy(SIGSEGV), ::testing::ExitedWithCode(kCrashExitStatus),
              "System Exception Occurred: Invalid Memory Access Fault(.|\n)*restarting");
  EXPECT_EXIT(CrashBy(SIGBUS), ::testing::ExitedWithCode(kCrashExitStatus), "Memory Alignment Fault");
  EXPECT_EXIT(CrashBy(SIGABRT), ::testing::ExitedWithCode(kCrashExitStatus), "Buffer Overflow error");
}

TEST(CrashScreenDeathTest, CalledDirectly) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        ts::TempRoot root;
        ts::SteppingClock clock(1'000'000);
        ExceptionISR(SIGFPE);
      },
      ::testing::ExitedWithCode(kCrashExitStatus), "Erroneous Arithmetic Operation performed");
}

}  // namespace
