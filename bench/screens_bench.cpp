// The object manager on a page of 200 text and shape objects (a 20 x 10 grid of filled
// texts and rectangles, ellipses and rounded rectangles): one update pass in which the
// attribute registers of 10 of them change their colour, the same pass with nothing
// changed, and the whole page open (create, poll and paint every object).
//
// Besides the time, each benchmark counts once, outside the timed loop, the pixels the
// drawing wrote (through a device context whose driver operations count every pixel of
// a scan line, a single pixel and a picture block) and the pixels whose colour the pass
// changed (the surface compared before and after): written_px and changed_px per pass.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstring>
#include <vector>

#include "graphics/dc.h"
#include "graphics/video.h"
#include "controller/poweron.h"
#include "ground/rcb.h"
#include "ground/regaccess.h"
#include "ground/regimage.h"
#include "controller/screenloop.h"
#include "ground/tablestore.h"
#include "platform/root.h"
#include "screens/objm.h"
#include "screens/services.h"
#include "testsupport/screen_program.h"

namespace {

constexpr int kColumns = 20, kRows = 10, kChanging = kRows;

struct Rig {
  DC* dc = nullptr;
  const uint8_t* page = nullptr;
};

// The token of register Rn.
uint32_t RToken(int n) { return reg::kTokR + 16 * uint32_t(n - 1); }

// Text n (even) or shape n (odd) of the grid; the first object of each row (the second
// on odd rows) follows an attribute register R1..R10 (bit 4: alternate colour 1).
ts::ObjectRecord GridObject(int n, const ts::ScreenProgram& p) {
  const int16_t x = int16_t(40 + (n % kColumns) * 32), y = int16_t((n / kColumns) * 48);
  const std::vector<int16_t> rect{x, y, int16_t(x + 29), int16_t(y + 45)};
  ts::ObjectRecord r = ts::ObjectRecord::Of(n % 2 ? 0 : 1, rect).Flags(ts::kObjShown);
  r.fill = int16_t(0x0010 + 0x0841 * (n % 7));
  r.pen = 0xFFFF;
  if (n % 2 == 0) {
    r.flags |= ts::kObjText | ts::kObjBorder;
    r.text = p.StringOffset(std::size_t(n / 2 % 4));
    r.font = 1;
    r.align = 0x24;
  } else {
    r.align = 1;  // solid pen, width 1
    r.font = 1;
    r.ByteAt(29, uint8_t(2 + n / 2 % 3));
  }
  r.U16At(32, 0xF800).U16At(34, 0x07E0).U16At(36, 0xFFE0).U16At(38, 0x001F).Length(40);
  const int row = n / kColumns;
  if (n % kColumns == row % 2) {  // a text on even rows, a shape on odd ones
    r.attr_reg = uint16_t(RToken(1 + row));
    r.attr_mask = 0x0010;
  }
  return r;
}

// The display on a scratch device root (one 16-bit page drawn into directly) and the
// page installed and opened as the open user screen.
const Rig& Setup() {
  static Rig rig = [] {
    Rig r;
    char dir[] = "/tmp/panel-bench-XXXXXX";
    if (::mkdtemp(dir) == nullptr) return r;
    plat::SetDeviceRoot(dir);
    KernelPowerOnReset();
    SrSet(204, uint16_t('2' << 8));
    SrSet(205, uint16_t('4'));
    if (GDI_Init() == 0) return r;
    r.dc = GDI_GetDisplayDC();
    static ts::ScreenProgram prog;
    prog.strings = {{"Pump", "Valve", "Tank", "Motor"}};
    ts::Page& page = prog.AddPage(0);
    page.version = 2;
    for (int n = 0; n < kColumns * kRows; ++n) page.objects.push_back(GridObject(n, prog));
    prog.Install();
    pPGM_Strings = string_table_bl + kTableHeader + 8;
    OBJM_Init();
    SYS_ResetRCBs(1);
    r.page = vtn_pgm + prog.PageOffset(0);
    OBJM_ScanPage(r.dc, r.page);
    if (OBJM_OpenPage(r.dc, r.page) != 1) r.dc = nullptr;
    PAGE_current = 1;
    return r;
  }();
  return rig;
}

// Counts what the drawing writes through the display context's driver.
DriverOps g_real;
uint64_t g_written = 0;
int CountPixel(DC* dc, int16_t x, int16_t y, uint16_t colour) {
  ++g_written;
  return g_real.set_pixel(dc, x, y, colour);
}
void CountScan(DC* dc, int16_t x, int16_t y, int16_t count, uint16_t colour) {
  g_written += uint64_t(count > 0 ? count : 0);
  g_real.scan_line(dc, x, y, count, colour);
}
void CountBlock(DC* dc, int16_t x, int16_t y, int16_t w, int16_t h, int16_t sx, int16_t sy, const DIB* dib) {
  g_written += uint64_t(w > 0 && h > 0 ? w * h : 0);
  g_real.write_dib(dc, x, y, w, h, sx, sy, dib);
}

// Runs step once with the counting driver; reports the pixels written and changed.
template <typename Step>
void CountPixels(benchmark::State& state, DC* dc, Step step) {
  const std::size_t n = std::size_t(scr_wdt) * std::size_t(scr_hgt);
  std::vector<uint16_t> before(dc->surface, dc->surface + n);
  g_real = dc->ops;
  dc->ops.set_pixel = CountPixel;
  dc->ops.scan_line = CountScan;
  dc->ops.write_dib = CountBlock;
  g_written = 0;
  step();
  dc->ops = g_real;
  std::size_t changed = 0;
  for (std::size_t i = 0; i < n; ++i) changed += before[i] != dc->surface[i];
  state.counters["written_px"] = double(g_written);
  state.counters["changed_px"] = double(changed);
}

// Flips bit 4 of R1..R10: each of the ten objects takes its other colour.
void Toggle(uint16_t& value) {
  value ^= 0x0010;
  for (int i = 1; i <= kChanging; ++i) PlcReg_Set(RToken(i), &value, 16);
}

void BM_ObjmUpdateTenOf200Change(benchmark::State& state) {
  const Rig& rig = Setup();
  if (rig.dc == nullptr) {
    state.SkipWithError("the page did not open");
    return;
  }
  static uint16_t value = 0;
  OBJM_Update(rig.dc);
  CountPixels(state, rig.dc, [&] {
    Toggle(value);
    OBJM_Update(rig.dc);
  });
  for (auto _ : state) {
    state.PauseTiming();
    Toggle(value);
    state.ResumeTiming();
    OBJM_Update(rig.dc);
  }
}
BENCHMARK(BM_ObjmUpdateTenOf200Change);

void BM_ObjmUpdateNothingChanges(benchmark::State& state) {
  const Rig& rig = Setup();
  if (rig.dc == nullptr) {
    state.SkipWithError("the page did not open");
    return;
  }
  OBJM_Update(rig.dc);
  CountPixels(state, rig.dc, [&] { OBJM_Update(rig.dc); });
  for (auto _ : state) OBJM_Update(rig.dc);
}
BENCHMARK(BM_ObjmUpdateNothingChanges);

void BM_OpenPageOf200(benchmark::State& state) {
  const Rig& rig = Setup();
  if (rig.dc == nullptr) {
    state.SkipWithError("the page did not open");
    return;
  }
  CountPixels(state, rig.dc, [&] {
    OBJM_DestroyPage();
    OBJM_OpenPage(rig.dc, rig.page);
  });
  for (auto _ : state) {
    OBJM_DestroyPage();
    benchmark::DoNotOptimize(OBJM_OpenPage(rig.dc, rig.page));
  }
}
BENCHMARK(BM_OpenPageOf200);

}  // namespace
