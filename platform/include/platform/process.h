#pragma once
// Signals to the unit's own child processes (the shell commands of long media jobs).
// A job keeps the process id of the child it started and stops only that child; nothing
// is ever signalled by name, so other copies and deletes of the system keep running.
//
// Callers: the main thread (run control stops a job when the controller goes to Idle).
// Nothing blocks. Tests install a recording signaller, so no real process is touched.

#include <sys/types.h>

namespace plat {

// Results of SignalProcess.
inline constexpr int kSignalSent = 0;
inline constexpr int kSignalRefused = -1;  // no single child named (pid 0 or negative)
inline constexpr int kSignalFailed = -2;   // the process is gone or may not be signalled

class ProcessSignaller {
 public:
  virtual ~ProcessSignaller() = default;
  // Sends sig to pid, a positive process id; kSignalSent or kSignalFailed.
  virtual int Signal(pid_t pid, int sig) = 0;
};

// Installs a signaller; nullptr restores the host one. Returns the previous one.
ProcessSignaller* SetProcessSignaller(ProcessSignaller* signaller);

// Sends sig to exactly one process. A pid of 0 or below would name a process group or
// every process the unit may signal: it is refused before anything is sent.
int SignalProcess(pid_t pid, int sig);

}  // namespace plat
