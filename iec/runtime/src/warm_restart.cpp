// The warm-restart data: where the retained variables lie in the database, from the code
// image's retain layout, and the retain image stored from and loaded into them.
#include <cstring>

#include "iec_runtime/code_image.h"
#include "iec_runtime/memory.h"
#include "iec_runtime/retain.h"
#include "iec_runtime/vm_db.h"
#include "le_bytes.h"

namespace {

uint8_t* Desc(uint8_t* db) { return N4VM_AreaPtr(db, kArPrivate) + kPvRetain; }

// Fills the six block offsets and sizes and the CT block from the layout.
void Fill(const uint8_t* code, uint8_t* db) {
  uint8_t* d = Desc(db);
  std::memset(d, 0, 52);
  const uint8_t* layout = N4VMCode_GetRetainLayout(code);
  if (layout == nullptr) return;
  // {layout count offset, area, item size}, in the descriptor's order.
  struct Run {
    uint32_t at;
    int area;
    uint32_t item;
  };
  static const Run kRuns[] = {{64, kArData8, 1}, {80, kArData16, 2}, {68, kArData32, 4},
                              {84, kArData64, 8}, {72, kArTime, 4}};
  for (int i = 0; i < 5; ++i) {
    uint16_t count = le::U16(layout + kRuns[i].at), first = le::U16(layout + kRuns[i].at + 2);
    uint8_t* item = count ? N4VM_Item(db, kRuns[i].area, first) : nullptr;
    if (item == nullptr || N4VM_Item(db, kRuns[i].area, first + count - 1u) == nullptr) continue;
    le::Put32(d + kRdOffsets + 4 * i, uint32_t(item - db));
    le::Put16(d + kRdSizes + 2 * i, uint16_t(count * kRuns[i].item));
  }
  uint16_t nstr = le::U16(layout + 76), first = le::U16(layout + 78);
  if (nstr != 0) {
    const uint8_t* caps = N4VMCode_GetInitList(code, InitList::kStringCaps);
    uint8_t* ptrs = N4VM_Item(db, kArStringPtrs, first);
    uint32_t bytes = 0;
    for (uint32_t i = first; caps && i < uint32_t(first) + nstr && caps[i - 1] != 0; ++i) bytes += caps[i - 1] + 3u;
    if (ptrs != nullptr && le::U32(ptrs) != 0 && bytes <= 0xFFFF) {
      le::Put32(d + kRdOffsets + 20, le::U32(ptrs));
      le::Put16(d + kRdSizes + 10, uint16_t(bytes));
    }
  }
  le::Put32(d + kRdCrc, le::U32(layout + 88));
  le::Put32(d + kRdLayout, uint32_t(layout - code));
  if (N4VMCode_GetExtVersion(code) >= 11) {
    uint32_t size = le::U32(layout + 92), off = le::U32(layout + 96);
    DbAreaDesc* ct = N4VM_Area(db, kArCt);
    if (size != 0 && uint64_t(off) + size <= ct->raw_size) {
      le::Put32(d + kRdCtOffset, ct->address + off);
      le::Put32(d + kRdCtSize, size);
    }
  }
}

}  // namespace

void N4VMWarm_PrepareData(const uint8_t* code, uint8_t* db) { Fill(code, db); }

int N4VMWarm_CanUpdatePointers(const uint8_t* code, uint8_t* db) {
  const uint8_t* layout = N4VMCode_GetRetainLayout(code);
  uint32_t crc = layout ? le::U32(layout + 88) : 0;
  return crc == le::U32(Desc(db) + kRdCrc) ? 0 : 28;
}

int N4VMWarm_UpdatePointers(const uint8_t* code, uint8_t* db) {
  if (N4VMWarm_CanUpdatePointers(code, db) != 0) return 28;
  Fill(code, db);
  return 0;
}

N4RetainBlocks N4VMWarm_Blocks(uint8_t* db) {
  N4RetainBlocks r{};
  uint8_t* d = Desc(db);
  for (int i = 0; i < 6; ++i) {
    r.size[i] = le::U16(d + kRdSizes + 2 * i);
    r.block[i] = r.size[i] ? db + le::U32(d + kRdOffsets + 4 * i) : nullptr;
  }
  r.size[6] = le::U32(d + kRdCtSize);
  r.block[6] = r.size[6] ? db + le::U32(d + kRdCtOffset) : nullptr;
  r.crc = le::U32(d + kRdCrc);
  return r;
}

int N4VMWarm_ShutDown(uint8_t* db, const char* path) {
  N4RetainBlocks r = N4VMWarm_Blocks(db);
  if (N4Retain_ShutDown(&r, path) == 0) return 0;
  N4VM_LogError(db, 31, 0, 0);
  return 31;
}

int N4VMWarm_Load(uint8_t* db, const char* path) {
  N4RetainBlocks r = N4VMWarm_Blocks(db);
  return N4Retain_Load(&r, path);
}

int N4VMWarm_CheckFile(uint32_t crc, const char* path) { return N4Retain_CanLoad(crc, path); }
int N4VMWarm_CanStore(uint8_t* db) {
  if (N4Retain_CanStore()) return 1;
  N4VM_LogError(db, 31, 0, 0);
  return 0;
}
int N4VMWarm_CanLoad(const uint8_t* code, const char* path) {
  const uint8_t* layout = N4VMCode_GetRetainLayout(code);
  return layout ? N4Retain_CanLoad(le::U32(layout + 88), path) : 0;
}

// The panel's register backup and clone writer store the retain image as a file of their
// own: the same format, written and read whole.
int N4VMWarm_SaveToFile(void* database, const char* full_path) {
  if (database == nullptr) return 0;
  N4RetainBlocks r = N4VMWarm_Blocks(static_cast<uint8_t*>(database));
  return N4Retain_ShutDown(&r, full_path) == 0 ? 1 : 0;
}
int N4VMWarm_LoadFromFile(void* database, const char* full_path) {
  if (database == nullptr) return 0;
  N4RetainBlocks r = N4VMWarm_Blocks(static_cast<uint8_t*>(database));
  return N4Retain_Load(&r, full_path) == 0 ? 1 : 0;
}
