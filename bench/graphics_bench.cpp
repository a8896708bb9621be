// Full-page rectangle fills and block copies through the device context and the video
// driver, beside memset and memcpy of the same 768,000 bytes in the same run: the
// bytes-per-second figures compare directly. The pages are the driver's RAM pages
// (surfaces 1 and 2), so all four move the same kind of memory.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstring>
#include <string>

#include "graphics/dc.h"
#include "graphics/dib.h"
#include "graphics/vdr.h"
#include "graphics/video.h"
#include "kernel/regimage.h"
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

}  // namespace
