// Small services of the runtime: the event server's port, the trace, the (empty) sleep,
// shell commands through the unit's command runner, and the I/O-driver hooks of the VM.
#include <cstdarg>
#include <cstdio>

#include "iec_runtime/os_services.h"
#include "iec_runtime/runtime.h"
#include "platform/runner.h"

namespace {
uint32_t g_ios_counters[2];
}

int N4EVSPORT() { return 9000; }
void N4_Sleep(uint32_t) {}
int N4_SysCmd(const char* command) { return command ? plat::RunCommand({"sh", "-c", command}) : -1; }

void N4EVSTRACE(const char* format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  // The event server (not built yet) would get the text as a trace event.
  std::fputs(text, stdout);
  N4LOG_Trace(text);
}

uint32_t N4Ios_GetMemorySizing() { return 0; }
int N4Ios_Open() { return 0; }
int N4Ios_CanHotRestart() { return 0; }
int N4Ios_Exchange() { return 0; }
void N4Ios_HotRestart() { g_ios_counters[0] = g_ios_counters[1] = 0; }
void N4Ios_Close() { g_ios_counters[0] = g_ios_counters[1] = 0; }
