// Full-page rectangle fills and block copies through the device context and the video
// driver, beside memset and memcpy of the same 768,000 bytes in the same run: the
// bytes-per-second figures compare directly. The pages are the driver's RAM pages
// (surfaces 1 and 2), so all four move the same kind of memory. Then the figure
// primitives as a screen pass uses them: a full-page gradient (bytes per second against
// the flat fill), a page of 200 outlined and filled figures, and dashed lines.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstring>
#include <string>

#include "graphics/dc.h"
#include "graphics/dib.h"
#include "graphics/draw.h"
#include "graphics/vdr.h"
#include "graphics/video.h"
#include "ground/regimage.h"
#include "platform/root.h"

namespace {

constexpr std::size_t kPageBytes = 800 * 480 * 2;

struct Pages {
  DC* from = nullptr;
  DC* to = nullptr;
};

// The display on a scratch device root, with a direct-page kernel build.
const Pages& Setup() {
  static Pages pages = [] {
    char dir[] = "/tmp/panel-bench-XXXXXX";
    if (::mkdtemp(dir) != nullptr) plat::SetDeviceRoot(dir);
    SrSet(204, uint16_t('2' << 8));
    SrSet(205, uint16_t('4'));
    Pages p;
    if (GDI_Init() == 0) return p;
    p.from = GDI_CreateDC(0, 1);
    p.to = GDI_CreateDC(0, 2);
    return p;
  }();
  return pages;
}

void FillPage(benchmark::State& state, int rop) {
  const Pages& p = Setup();
  if (p.to == nullptr) {
    state.SkipWithError("display did not start");
    return;
  }
  VDR_Ioctl(p.to, kIoctlRop, rop);
  uint16_t colour = 0;
  for (auto _ : state) {
    ++colour;
    for (int16_t y = 0; y < 480; ++y) GDI_ScanLine(p.to, y, 0, 799, colour);
    benchmark::ClobberMemory();
  }
  VDR_Ioctl(p.to, kIoctlRop, kRopCopy);
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kPageBytes));
}

void BM_FillPage(benchmark::State& state) { FillPage(state, kRopCopy); }
BENCHMARK(BM_FillPage);

void BM_FillPageXor(benchmark::State& state) { FillPage(state, kRopXor); }
BENCHMARK(BM_FillPageXor);

void BM_MemsetPage(benchmark::State& state) {
  static uint16_t page[kPageBytes / 2];
  uint16_t* dst = page;
  int value = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(dst);
    std::memset(dst, ++value & 0xFF, kPageBytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kPageBytes));
}
BENCHMARK(BM_MemsetPage);

void BlitPage(benchmark::State& state, int rop) {
  const Pages& p = Setup();
  if (p.to == nullptr) {
    state.SkipWithError("display did not start");
    return;
  }
  VDR_Ioctl(p.to, kIoctlRop, rop);
  for (auto _ : state) {
    benchmark::DoNotOptimize(GDI_BitBlt(p.to, 0, 0, 800, 480, p.from, 0, 0));
    benchmark::ClobberMemory();
  }
  VDR_Ioctl(p.to, kIoctlRop, kRopCopy);
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kPageBytes));
}

void BM_BlitPage(benchmark::State& state) { BlitPage(state, kRopCopy); }
BENCHMARK(BM_BlitPage);

void BM_BlitPageXor(benchmark::State& state) { BlitPage(state, kRopXor); }
BENCHMARK(BM_BlitPageXor);

void BM_MemcpyPage(benchmark::State& state) {
  static uint16_t from[kPageBytes / 2], to[kPageBytes / 2];
  uint16_t* src = from;
  uint16_t* dst = to;
  for (auto _ : state) {
    benchmark::DoNotOptimize(src);
    benchmark::DoNotOptimize(dst);
    std::memcpy(dst, src, kPageBytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kPageBytes));
}
BENCHMARK(BM_MemcpyPage);

void BM_GradientPage(benchmark::State& state) {
  const Pages& p = Setup();
  if (p.to == nullptr) {
    state.SkipWithError("display did not start");
    return;
  }
  GDI_SetPen(p.to, 0, 1, 0);
  GDI_SetFillColor(p.to, 0x001F);
  GDI_SetEndColor(p.to, 0xFFE0);
  GDI_SetGradient(p.to, 2);
  for (auto _ : state) {
    GDI_GradientRect(p.to, 0, 0, 0, 0, 800, 480);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kPageBytes));
}
BENCHMARK(BM_GradientPage);

// 200 figures of 72 x 40 pixels in a 10 x 20 grid: rectangles, ellipses, rounded
// rectangles with a 3-pixel pen and gradient rectangles, each filled and outlined.
void BM_FiguresPage(benchmark::State& state) {
  const Pages& p = Setup();
  if (p.to == nullptr) {
    state.SkipWithError("display did not start");
    return;
  }
  DC* dc = p.to;
  GDI_SetEndColor(dc, 0xFFE0);
  GDI_SetGradient(dc, 1);
  for (auto _ : state) {
    for (int i = 0; i < 200; ++i) {
      const int16_t x = int16_t(i % 10 * 80 + 4), y = int16_t(i / 10 * 24), r = int16_t(x + 72), b = int16_t(y + 40);
      GDI_SetPen(dc, 1, i % 4 == 2 ? 3 : 1, 0x0000);
      GDI_SetFillColor(dc, uint16_t(0x0841 * (i % 8)));
      switch (i % 4) {
        case 0: GDI_Rectangle(dc, x, y, r, b); break;
        case 1: GDI_Ellipse(dc, x, y, r, b); break;
        case 2: GDI_RoundRect(dc, x, y, r, b, 16, 16); break;
        default: GDI_GradientRect(dc, 0, 0, x, y, r, b); break;
      }
    }
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * 200);
}
BENCHMARK(BM_FiguresPage);

// 100 dashed thin lines across the page, pixel by pixel through the pattern.
void BM_DashedLines(benchmark::State& state) {
  const Pages& p = Setup();
  if (p.to == nullptr) {
    state.SkipWithError("display did not start");
    return;
  }
  DC* dc = p.to;
  GDI_SetPen(dc, 3, 1, 0x0000);
  GDI_SetFillColor(dc, 0xFFFF);
  int64_t pixels = 0;
  for (auto _ : state) {
    for (int i = 0; i < 100; ++i) {
      GDI_MoveTo(dc, 0, int16_t(i * 4));
      GDI_LineTo(dc, 799, int16_t(479 - i * 4));
      pixels += 799;
    }
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(pixels);
}
BENCHMARK(BM_DashedLines);

}  // namespace
