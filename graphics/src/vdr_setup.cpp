// The driver's set-up: the page scheme by kernel build, the framebuffer mapping, the
// surfaces, surface binding and raster-operation selection, page presentation and the
// bitmap work memory.
#include <linux/fb.h>

#include "graphics/pxp.h"
#include "graphics/vdr.h"
#include "graphics/video.h"
#include "ground/regaccess.h"
#include "ground/regimage.h"
#include "ground/upcalls.h"
#include "platform/framebuffer.h"
#include "platform/trace.h"
#include "vdr_internal.h"

uint16_t scr_wdt = 800;
uint16_t act_wdt = 800;
uint16_t scr_hgt = 480;
uint32_t DisplaySize = 800 * 480;
uint16_t KernelBuild = 0;
uint8_t fPxpEnable = 0;
uint16_t* iVideo = nullptr;
uint16_t* iVideo2 = nullptr;
uint16_t* iVideo3 = nullptr;
uint16_t* iVideo4 = nullptr;
uint16_t* iVideo5 = nullptr;
uint16_t* iVideo6 = nullptr;
uint16_t* iVideo7 = nullptr;
uint16_t* pCurrentMem = nullptr;
void* framebuffer_array[8] = {};

namespace vdr {
namespace {

alignas(16) uint8_t dbuf1[kBufferBytes];
alignas(16) uint8_t dbuf2[kBufferBytes];
alignas(16) uint8_t dbuf3[kBufferBytes];
alignas(16) uint8_t dbuf5[kBufferBytes];
alignas(16) uint8_t image_buf[kBufferBytes];

// The open display: kept so that a second set-up (a test, a restart of the display)
// releases the first.
int g_fd = -1;
uint8_t* g_map = nullptr;
std::size_t g_map_bytes = 0;

// The bitmap work memory. It stands where the media-image loader's 6 MiB download image
// lies on the unit; it is only valid while no download is in progress.
constexpr std::size_t kWorkBytes = 6 * 1024 * 1024;
alignas(16) uint8_t dnld_image[kWorkBytes];
std::size_t g_work_next = 0;

uint16_t* Surface(uint8_t* buffer) { return reinterpret_cast<uint16_t*>(buffer); }

void Release() {
  plat::FbUnmap(g_map, g_map_bytes);
  plat::FbClose(g_fd);
  g_map = nullptr;
  g_map_bytes = 0;
  g_fd = -1;
}

// The kernel build from the two version characters the system services keep in the
// register image (high byte of SR204 the tens, SR205 the units).
uint16_t KernelBuildFromRegisters() {
  uint16_t tens = 0, units = 0;
  PlcReg_Get(&tens, reg::SrToken(204), 16);
  PlcReg_Get(&units, reg::SrToken(205), 16);
  return uint16_t(units + 10 * (tens >> 8) - 528);
}

}  // namespace

uint8_t* WorkImage() { return image_buf; }

}  // namespace vdr

using namespace vdr;

int VDR_Init(DC* dc) {
  // A second set-up drops the first mapping: nothing may keep drawing into it.
  Release();
  iVideo = iVideo2 = iVideo3 = iVideo4 = iVideo5 = iVideo6 = iVideo7 = pCurrentMem = nullptr;
  for (void*& area : framebuffer_array) area = nullptr;
  dc->surface = nullptr;
  KernelBuild = KernelBuildFromRegisters();
  fPxpEnable = KernelBuild > kLastDirectPageBuild ? 1 : 0;
  g_fd = plat::FbOpen(plat::kFramebufferDevice);
  if (g_fd < 0) return 0;
  fb_fix_screeninfo fix{};
  fb_var_screeninfo var{};
  if (plat::FbIoctl(g_fd, FBIOGET_FSCREENINFO, &fix) != 0 || plat::FbIoctl(g_fd, FBIOGET_VSCREENINFO, &var) != 0) {
    Release();
    return 0;
  }
  // Surfaces are addressed two pixels a word and the RAM pages hold at most 800 x 480:
  // a display the buffers cannot hold is refused rather than drawn past their end.
  if (var.xres == 0 || var.yres == 0 || (var.xres & 1) || var.xres > kMaxRowPixels || std::size_t(var.xres) * var.yres > kMaxPixels) {
    Release();
    return 0;
  }
  act_wdt = scr_wdt = uint16_t(var.xres);
  scr_hgt = uint16_t(var.yres);
  DisplaySize = uint32_t(var.xres) * var.yres;
  const std::size_t area = std::size_t(DisplaySize) * 4;
  g_map_bytes = KernelBuild <= kLastRamPageBuild ? DisplaySize : KernelBuild <= kLastDirectPageBuild ? area / 2 : area * 8;
  g_map = static_cast<uint8_t*>(plat::FbMap(g_fd, g_map_bytes));
  if (g_map == nullptr) {
    g_map_bytes = 0;
    Release();
    return 0;
  }
  if (fix.visual != FB_VISUAL_TRUECOLOR) return 0;  // the device stays open

  iVideo2 = Surface(dbuf2);
  iVideo3 = Surface(dbuf3);
  iVideo5 = Surface(dbuf5);
  iVideo6 = iVideo7 = nullptr;
  if (KernelBuild <= kLastRamPageBuild) {
    // Such kernels show dbuf1 by means outside this system; the small mapping is kept
    // but never drawn into.
    iVideo = Surface(dbuf1);
    iVideo4 = Surface(g_map);
  } else if (KernelBuild <= kLastDirectPageBuild) {
    iVideo = Surface(g_map);
    iVideo4 = Surface(g_map + DisplaySize);
  } else {
    iVideo = Surface(g_map + area);
    iVideo2 = Surface(g_map + 2 * area);
    iVideo3 = Surface(g_map + 3 * area);
    iVideo4 = Surface(g_map + 4 * area);
    iVideo6 = Surface(g_map + 6 * area);
    iVideo7 = Surface(g_map + 7 * area);
    for (int i = 0; i < 7; ++i) framebuffer_array[i] = g_map + std::size_t(i + 1) * area;
    framebuffer_array[7] = g_map;
  }
  pCurrentMem = iVideo;

  dc->bounds[0] = dc->bounds[1] = 0;
  dc->bounds[2] = int16_t(scr_wdt - 1);
  dc->bounds[3] = int16_t(scr_hgt - 1);
  dc->bits_per_pixel = 16;
  dc->rop_mode = kRopCopy;
  dc->rop = RopCopy;
  dc->surface = iVideo;
  dc->surface_number = 0;
  if (fPxpEnable) PXP_Init(framebuffer_array, DisplaySize);
  return 1;
}

int VDR_Ioctl(DC* dc, int code, int value) {
  if (code == kIoctlRop) {
    const RopFunction f = RopByCode(value);
    if (f == nullptr) return -1;
    const int previous = dc->rop_mode;
    dc->rop_mode = uint16_t(value);
    dc->rop = f;
    return previous;
  }
  if (code == kIoctlSurface) {
    switch (value) {
      case 0: dc->surface = iVideo; return 0;
      case 1: dc->surface = iVideo3; return 0;
      case 2: dc->surface = iVideo2; return 0;
      case 4: dc->surface = iVideo5; return 0;
      case 5: dc->surface = nullptr; return 0;
      default: return -1;
    }
  }
  if (code == kIoctlSurface3) {
    dc->surface = iVideo3;
    return 0;
  }
  return -1;
}

int VDR_Close(DC*) {
  if (fPxpEnable) return PXP_Exit();
  return 1;
}

namespace {
int CopyActivePage() {
  if (fPxpEnable) return PXP_buf_next();
  if (pCurrentMem != nullptr && iVideo != nullptr && pCurrentMem != iVideo)
    memcpy_local(iVideo, pCurrentMem, std::size_t(DisplaySize) * 2);
  return 1;
}
}  // namespace

int VDR_CopyPage() {
  plat::TraceCall("VDR_CopyPage");
  return CopyActivePage();
}

int VDR_SetActiveFrame(DC* dc) {
  plat::TraceCall("VDR_SetActiveFrame");
  if (dc != nullptr && dc->surface != nullptr && (KernelBuild <= kLastRamPageBuild || fPxpEnable))
    pCurrentMem = dc->surface;
  return CopyActivePage();
}

int VDR_GetActiveFrame() { return 0; }
int VDR_IsPageCopied() { return 1; }

void VDR_BmpClrMem() { g_work_next = 0; }

uint8_t* VDR_BmpGetMem(uint32_t n) {
  const std::size_t rounded = (std::size_t(n) + 3) & ~std::size_t(3);
  if (rounded > kWorkBytes - g_work_next) return nullptr;
  uint8_t* p = dnld_image + g_work_next;
  g_work_next += rounded;
  return p;
}

void memcpy_local(void* dst, const void* src, std::size_t n) {
  if (dst == nullptr || src == nullptr || n == 0) return;
  std::memmove(dst, src, n);
}
