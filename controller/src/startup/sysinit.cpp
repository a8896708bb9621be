// The system initialisation at start-up and the fault-signal handler with its crash
// screen, which takes over the display until the unit restarts.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "crash_screen.h"
#include "graphics/playback.h"
#include "ground/regimage.h"
#include "controller/retentive.h"
#include "ground/sysmsg.h"
#include "ground/sysservices.h"
#include "ground/timebase.h"
#include "ground/touch.h"
#include "ground/version.h"
#include "platform/trace.h"
#include "sysscreens/services.h"
#include "timeslice.h"
#include "web/services.h"

namespace {

constexpr int kTouchPress = 512;
constexpr int kFaultSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
static_assert(std::size(kFaultSignals) == 5);

// The last touch press seen by the crash screen (written by ExcpTch inside the input
// service, read by the screen's loop, both in the fault signal).
volatile sig_atomic_t g_touched = 0;
volatile sig_atomic_t g_touch_x = 0;
volatile sig_atomic_t g_touch_y = 0;

void Tell(const char* a, const char* b) {
  // For a person watching a host run; write() is all a fault signal may safely use.
  char line[160];
  const int n = std::snprintf(line, sizeof line, "%s: %s\n", a, b);
  if (n <= 0) return;
  const ssize_t w = ::write(STDERR_FILENO, line, std::size_t(n < int(sizeof line) ? n : int(sizeof line) - 1));
  (void)w;
}

}  // namespace

int ExcpTch(int event, int x, int y) {
  if (event != kTouchPress) return 0;
  g_touch_x = x;
  g_touch_y = y;
  g_touched = 1;
  return 0;
}

void ExceptionISR(int signal) {
  plat::TraceCall("ExceptionISR", signal);
  DisarmSliceTimer();
  if (signal != 0) GenLogFile();
  VideoStop();
  QuorvServerState = 0;
  Tell(signal ? "System Exception Occurred" : "BOOT FAILURE", signal ? crash::CauseText(signal) : "halted");

  crash::Draw(signal);
  VID_Update();
  StopWatchdog();
  g_touched = 0;
  TCH_Open(ExcpTch);

  if (signal == 0) {
    const timespec pause{0, 10'000'000};
    for (;;) {
      TimerISR();
      nanosleep(&pause, nullptr);
    }
  }
  crash::Countdown countdown{.last_tick = FPGA_GetFrt()};
  for (;;) {
    TimerISR();
    const bool touched = g_touched != 0;
    g_touched = 0;
    const crash::Action action = crash::Step(countdown, FPGA_GetFrt(), touched, g_touch_x, g_touch_y);
    if (action == crash::Action::kErase) {
      Tell("Crash screen", "erasing the application program");
      SYS_VDG();
      break;
    }
    if (action == crash::Action::kRestart) {
      Tell("Crash screen", "restarting");
      SYS_WarmReset();
      break;
    }
  }
  // Only a host gets here: its runner does not reboot.
  _exit(kCrashExitStatus);
}

int SYS_Init(char* signon) {
  plat::TraceCall("SYS_Init");
  if (signon) std::snprintf(signon, kSignonBytes, "Controller: %.5s", kFirmwareVersion);
  SrSet(37, kProductCode);
  struct sigaction sa{};
  sa.sa_handler = ExceptionISR;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = 0;
  for (int s : kFaultSignals) sigaction(s, &sa, nullptr);
  MENU_CopyPages();
  SYS_fGrayScale = 0;  // colour display
  return fwload_set_def ? 1 : 0;
}
