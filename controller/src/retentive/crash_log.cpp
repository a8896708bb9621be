// The fault handler's record: the symbolic back-trace of the faulting thread in
// /mnt/cfg/logfile, replaced at every fault. Runs inside the fault signal.
#include <execinfo.h>
#include <fcntl.h>
#include <unistd.h>

#include "controller/retentive.h"
#include "platform/root.h"
#include "platform/trace.h"

namespace {
constexpr char kLogFile[] = "/mnt/cfg/logfile";
constexpr int kFrames = 32;
}  // namespace

int GenLogFile() {
  plat::TraceCall("GenLogFile");
  char path[1024];
  if (!plat::MapPath(kLogFile, path, sizeof path)) return 0;
  void* frames[kFrames];
  const int n = backtrace(frames, kFrames);
  const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return 0;
  backtrace_symbols_fd(frames, n, fd);
  const bool synced = ::fdatasync(fd) == 0;
  return ::close(fd) == 0 && synced ? 1 : 0;
}
