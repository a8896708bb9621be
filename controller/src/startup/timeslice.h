#pragma once
// The slice timer and its SIGALRM handler.

#include <cstdint>

// Installs TimerIRQ for SIGALRM with no flags: SIGALRM stays blocked while the handler
// runs, and a slow system call of the main thread may return EINTR while slices run.
void InstallTimerIRQ();
// The handler: runs one sliced pass while the storage and screen loops are busy (Vint),
// keeping errno, and re-arms; otherwise it only disarms.
void TimerIRQ(int signal);
// One-shot ITIMER_REAL of SR167 ms, and its disarm. Both are async-signal-safe.
void ArmSliceTimer();
void DisarmSliceTimer();
