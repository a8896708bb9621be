// The panel's display is 800 x 480; the video driver confirms the geometry when it opens
// the framebuffer.
#include "graphics/video.h"

uint16_t scr_wdt = 800;
uint16_t scr_hgt = 480;
