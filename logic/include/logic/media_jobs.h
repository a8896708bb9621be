#pragma once
// The logic's long media jobs: a copy (file block 249) and a delete (file block 253) each
// run one shell command in a child process started from a detached thread. The job record
// keeps that child's process id beside the job's result word, so a job can be stopped
// without touching any other process of the system (another media job, a copy of the
// system screens).
//
// Threads: the job's thread stores the child's pid once the child runs and the outcome
// with MediaJobFinish; the main thread reads the result and stops jobs. The fields are
// atomics; nothing here blocks or allocates.

#include <sys/types.h>

#include <atomic>
#include <cstdint>

inline constexpr uint16_t kMediaJobCopy = 249;
inline constexpr uint16_t kMediaJobDelete = 253;

// Result words of a job (the file block shows them as its status).
inline constexpr int32_t kMediaJobRunning = -2;
inline constexpr int32_t kMediaJobStopped = -4;

struct MediaJob {
  std::atomic<uint16_t> code{0};   // 0 no job, else kMediaJobCopy or kMediaJobDelete
  std::atomic<pid_t> pid{0};       // the child running the command; 0 while none runs
  std::atomic<int32_t> result{0};  // kMediaJobRunning, then 0 done, 5 command failed, -4 stopped
};

extern MediaJob RmCopyJob;
extern MediaJob RmDeleteJob;

// Stores a finished command's result, unless the job was stopped meanwhile (its -4 then
// stays). True when stored.
bool MediaJobFinish(MediaJob& job, int32_t result);

// The controller goes Idle: a running copy and a running delete are stopped (SIGTERM to
// their own child only), their result becomes -4 and their record is cleared. A delete
// that is recorded but has no child yet is forgotten (record cleared, result untouched).
void File_AbortMediaJobs();
