// Hooks of kernel operations whose own code is not built yet: each only records its
// call in the platform call trace, so that everything links and runs.
#include "kernel/download.h"

uint8_t Cmd_Downloading = 0;
