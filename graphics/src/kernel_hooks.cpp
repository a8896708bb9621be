// Hooks of the parts of the graphics subsystem that are not built yet: the pixel
// pipeline, still images and video playback. Each records its call in the platform call
// trace. The pipeline's presentation does slightly more, so that a
// unit on a pixel-pipeline kernel shows its pages: it copies the active page into the
// display frame as 32-bit pixels, the key colour 0x0001 showing black.
#include "graphics/video.h"
#include "graphics/playback.h"
#include "graphics/pxp.h"
#include "graphics/stills.h"
#include "platform/trace.h"

uint8_t StillOpened = 0;

int PXP_Init(void* const*, uint32_t display_size) {
  plat::TraceCall("PXP_Init", display_size);
  return 1;
}
int PXP_buf_next() {
  plat::TraceCall("PXP_buf_next");
  auto* frame = static_cast<uint32_t*>(framebuffer_array[7]);
  if (frame == nullptr || pCurrentMem == nullptr) return 1;
  for (uint32_t i = 0; i < DisplaySize; ++i) {
    const uint32_t p = pCurrentMem[i] == 0x0001 ? 0 : pCurrentMem[i];
    const uint32_t r = p >> 11, g = (p >> 5) & 0x3F, b = p & 0x1F;
    frame[i] = ((r << 3 | r >> 2) << 16) | ((g << 2 | g >> 4) << 8) | (b << 3 | b >> 2);
  }
  return 1;
}
int PXP_Exit() {
  plat::TraceCall("PXP_Exit");
  return 1;
}
void PXP_WaitUpdate() { plat::TraceCall("PXP_WaitUpdate"); }
void VIDM_Init() { plat::TraceCall("VIDM_Init"); }
void VIDM_Update() { plat::TraceCall("VIDM_Update"); }
void VideoPlayStreamInit() { plat::TraceCall("VideoPlayStreamInit"); }
void VideoStop() { plat::TraceCall("VideoStop"); }
