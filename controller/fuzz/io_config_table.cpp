// The I/O configuration table (download type 5) as a download leaves it, read by the slot
// configuration against the modules in the slots, then one exchange of the scan's I/O.
// Bytes 0..2: the module of slots 0..2 (low two bits: none, MOD32, BSL100, AO4; the rest
// scales the sizes it reports); the rest is the table.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "controller/poweron.h"
#include "controller/runctl.h"
#include "dnld.h"
#include "dnld_end.h"
#include "ground/file_info.h"
#include "ground/tablestore.h"
#include "platform/io_boards.h"
#include "runctl_internal.h"

namespace {

constexpr uint8_t kTypeIoConfig = 5;
constexpr std::size_t kSlots = 3;

void PlaceModule(int slot, uint8_t b) {
  struct Kind {
    uint16_t id;
    const char* name;
  };
  static constexpr Kind kKinds[] = {{0, ""}, {0xA00F, "MOD32"}, {0x9F0F, "BSL100"}, {0x8F0F, "AO4"}};
  const Kind& k = kKinds[b & 3];
  if (k.id == 0) return;
  plat::IoBoardModel& m = plat::IoBoard(slot);
  m.id = k.id;
  std::strncpy(m.name, k.name, sizeof m.name - 1);
  const uint16_t scale = b >> 2;
  m.di_bits = uint16_t(scale * 16);
  m.do_bits = uint16_t(scale * 16);
  m.ai_words = uint16_t(scale * 4);
  m.ao_words = uint16_t(scale * 4);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < kSlots) return 0;
  KernelPowerOnReset();
  plat::IoBoardsReset();
  for (std::size_t slot = 0; slot < kSlots; ++slot) PlaceModule(int(slot), data[slot]);
  const uint8_t* table = data + kSlots;
  const uint32_t n = uint32_t(std::min<std::size_t>(size - kSlots, DnldCapacity(kTypeIoConfig)));
  const FileInfo& f = file_info[kTypeIoConfig];
  nv_write(f.data, table, n);
  DnldEnd(kTypeIoConfig, BitmapTarget{.valid = true, .map = false, .slot = 0}, n, nullptr);
  IoConfig();
  runctl::ReadInputs();
  runctl::WriteOutputs();
  plat::IoBoardsReset();
  return 0;
}
