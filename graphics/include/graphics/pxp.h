#pragma once
// The SoC pixel pipeline. Main thread only.

// Makes the next page presentation wait until the running composition has finished.
void PXP_WaitUpdate();
