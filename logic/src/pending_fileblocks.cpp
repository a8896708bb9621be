// Hooks of the logic's file blocks until they are built.
#include "file_blocks.h"

#include "platform/trace.h"

void File_Init() { plat::TraceCall("File_Init"); }
