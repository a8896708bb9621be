// Hooks of kernel operations whose own code is not built yet: each only records its
// call in the platform call trace, so that everything links and runs.
#include "kernel/rtc.h"
#include "platform/trace.h"

int RtcSet(const RtcRecord& r) {
  plat::TraceCall("RtcSet", r.second | (r.minute << 8) | (int64_t(r.hour) << 16), r.day | (r.month << 8) | (int64_t(r.year) << 16));
  return 1;
}
int RtcTimeSet(const uint16_t t[3]) {
  plat::TraceCall("RtcTimeSet", t[0] | (t[1] << 8) | (int64_t(t[2]) << 16));
  return 1;
}
int RtcDateSet(const uint16_t d[3]) {
  plat::TraceCall("RtcDateSet", d[0] | (d[1] << 8) | (int64_t(d[2]) << 16));
  return 1;
}
void RtcStartup() { plat::TraceCall("RtcStartup"); }
