#pragma once
// What the scan uses of the logic's file blocks (not built yet: a hook records the call).

// Frees the file channel at the first scan of a program.
void File_Init();
