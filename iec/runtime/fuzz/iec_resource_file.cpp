// Fuzz target: a resource file checked, its directory and every resource loaded into a
// small heap, and each resource's property tokens walked.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "iec_runtime/heap.h"
#include "iec_runtime/resources.h"
#include "testsupport/temp_root.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ts::TempRoot root;
  if (size > (1u << 16)) return 0;
  std::vector<uint8_t> file(data, data + size);
  // Most inputs are sealed with their CRC, so that the directory and the resources behind
  // the check are reached too; an odd length keeps the input's own CRC.
  if (file.size() >= kRcHeaderSize && file.size() % 2 == 0) {
    uint32_t crc = N4Rc_Crc32(0xFFFFFFFF, file.data() + kRcHeaderSize, uint32_t(file.size() - kRcHeaderSize));
    for (int i = 0; i < 4; ++i) file[12 + i] = uint8_t(crc >> (8 * i));
  }
  root.Write("/mnt/cfg/iec/n4.rsc", file);
  N4Rc_CheckFile(1);
  static uint8_t buffer[8192];
  N4Heap heap = N4Heap_CreateHeapBuffer(buffer, sizeof buffer, 0);
  uint16_t count = 0;
  uint32_t dir = N4Rc_LoadRCDirectory(heap, 1, &count);
  for (uint16_t i = 0; dir != 0 && i < count && i < 64; ++i) {
    uint32_t n = 0;
    uint32_t h = N4Rc_LoadRCByIndex(heap, 1, dir, i, &n);
    auto* r = static_cast<const uint8_t*>(N4Rc_Lock(heap, h));
    if (r == nullptr) continue;
    N4RcsProperty p;
    N4RCS_FindProperty(r, n, kRcsObjectType, &p);
    N4Rc_Unlock(heap, h);
    N4Rc_Free(heap, h);
    N4Rc_Compact(heap);
  }
  return 0;
}
