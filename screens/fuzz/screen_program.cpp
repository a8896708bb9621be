// A downloaded screen program on the screen loop: the start-up scan walks every page's
// header and object records, then screens 1..8 are opened as the user screen and updated
// for two passes each, texts taken from the program's string table. Whatever lies past
// either table's size is poisoned, so that a read of stale block bytes is reported.
//
// Input: u16 n (little-endian), n bytes of string table (fewer when the input ends),
// then the screen table.
#include <sanitizer/asan_interface.h>
#include <stdlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "graphics/dc.h"
#include "controller/poweron.h"
#include "ground/regimage.h"
#include "controller/screenloop.h"
#include "controller/startup.h"
#include "ground/tablestore.h"
#include "platform/framebuffer.h"
#include "platform/root.h"

namespace {

// The table's bytes into its block, and the rest of the block poisoned.
void Put(uint8_t* block, std::size_t capacity, const uint8_t* bytes, std::size_t n) {
  std::memcpy(block + kTableHeader, bytes, n);
  SetBlockSize(block, uint32_t(n));
  ASAN_POISON_MEMORY_REGION(block + kTableHeader + n, capacity - kTableHeader - n);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static const bool rooted = [] {
    char dir[] = "/tmp/panel-fuzz-XXXXXX";
    if (::mkdtemp(dir) == nullptr) return false;
    plat::SetDeviceRoot(dir);
    return true;
  }();
  if (!rooted || size < 2) return 0;
  const std::size_t n = std::min<std::size_t>(data[0] | (data[1] << 8), size - 2);
  const uint8_t* strings = data + 2;
  const uint8_t* screens = strings + n;
  const std::size_t m = size - 2 - n;
  if (m + kTableHeader > kVtnPgmCap || n + kTableHeader > kStringTableCap) return 0;

  KernelPowerOnReset();
  plat::FbReset();
  SrSet(204, uint16_t('2' << 8));  // kernel build 24: one page drawn into directly
  SrSet(205, '4');
  if (!GDI_Init()) return 0;
  pDisplayDC = GDI_GetDisplayDC();
  SrSet(34, 1);
  Put(vtn_pgm_bl, kVtnPgmCap, screens, m);
  Put(string_table_bl, kStringTableCap, strings, n);
  PGM_Create(1);
  PGM_TheLoop();
  for (uint16_t screen = 1; screen <= 8; ++screen) {
    SrSet(1, screen);
    PGM_TheLoop();
    PGM_TheLoop();
  }
  ASAN_UNPOISON_MEMORY_REGION(vtn_pgm_bl, kVtnPgmCap);
  ASAN_UNPOISON_MEMORY_REGION(string_table_bl, kStringTableCap);
  return 0;
}
