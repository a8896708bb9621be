#pragma once
// The children the unit starts itself (the media-space child, the master script) are
// reaped when they end, so none stays a zombie. Only the watched process ids are waited
// for: a command run and waited for elsewhere keeps its own exit status.

#include <sys/types.h>

// Installs the SIGCHLD handler (once). Any thread.
void InstallChildReaper();
// Watches pid until it has ended and been reaped; reaps it now if it has already ended.
void WatchChild(pid_t pid);
