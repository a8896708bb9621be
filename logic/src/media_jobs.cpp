// Stopping the logic's media jobs by the process id of their own child.
#include "logic/media_jobs.h"

#include <csignal>

#include "platform/process.h"

MediaJob RmCopyJob;
MediaJob RmDeleteJob;

namespace {

void ClearRecord(MediaJob& job) {
  job.pid.store(0);
  job.code.store(0);
}

// A job whose child runs: the child alone is signalled. The result is taken over first,
// so that the job's thread, seeing its command fail from the signal, does not report 5.
// False when no child runs.
bool StopRunning(MediaJob& job) {
  const pid_t pid = job.pid.load();
  if (pid <= 0) return false;
  job.result.store(kMediaJobStopped);
  plat::SignalProcess(pid, SIGTERM);
  ClearRecord(job);
  return true;
}

}  // namespace

bool MediaJobFinish(MediaJob& job, int32_t result) {
  int32_t running = kMediaJobRunning;
  const bool stored = job.result.compare_exchange_strong(running, result);
  job.pid.store(0);
  return stored;
}

void File_AbortMediaJobs() {
  StopRunning(RmCopyJob);
  // One look at the delete job's child: one that ends meanwhile still has its record
  // cleared.
  if (!StopRunning(RmDeleteJob) && RmDeleteJob.code.load() != 0) ClearRecord(RmDeleteJob);
}
