#pragma once
// The framebuffer driver's page presentation and its bitmap work memory. Main thread only.

#include <cstdint>

struct DC;

// Presents the drawn page; 1 when a copy was made or started, 0 while the pixel
// pipeline is busy.
int VDR_CopyPage();
// Makes dc's surface the active frame and presents it.
int VDR_SetActiveFrame(DC* dc);
// 1 once the last page copy has completed.
int VDR_IsPageCopied();
// The bitmap work memory: ClrMem starts it afresh, GetMem takes n bytes (rounded up to
// a multiple of 4) and answers nullptr when they do not fit.
void VDR_BmpClrMem();
uint8_t* VDR_BmpGetMem(uint32_t n);
