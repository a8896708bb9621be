// The relocatable heap. Compaction slides the first movable block after a hole down into
// it, so the hole travels up until it reaches the top; a locked block pins the hole
// before it until it is unlocked.
#include "iec_runtime/heap.h"

#include <cstdlib>
#include <cstring>

#include "le_bytes.h"

namespace {

constexpr uint32_t kLocked = 0x80000000u, kFreed = 0x40000000u, kSizeMask = 0x3FFFFFFFu;
constexpr uint32_t kMallocFlag = 0x80000000u;

// Control record fields (u32 each): data start, used, capacity, flags, slots, freed.
enum { kCtlStart = 0, kCtlUsed = 1, kCtlCap = 2, kCtlFlags = 3, kCtlSlots = 4, kCtlFreed = 5 };

uint32_t Get(N4Heap h, int f) { return le::U32(static_cast<uint8_t*>(h) + 4 * f); }
void Set(N4Heap h, int f, uint32_t v) { le::Put32(static_cast<uint8_t*>(h) + 4 * f, v); }
bool IsMalloc(N4Heap h) { return (Get(h, kCtlFlags) & kMallocFlag) != 0; }

// The buffer of a buffer heap, found back from its control record (L = capacity + 36).
uint8_t* Base(N4Heap h) { return static_cast<uint8_t*>(h) + 24 - (Get(h, kCtlCap) + 36); }
uint8_t* Slot(N4Heap h, uint32_t n) { return static_cast<uint8_t*>(h) - 8 * n; }
uint32_t SlotWord(N4Heap h, uint32_t n) { return le::U32(Slot(h, n)); }
uint32_t SlotAddr(N4Heap h, uint32_t n) { return le::U32(Slot(h, n) + 4); }
void SetSlot(N4Heap h, uint32_t n, uint32_t word, uint32_t addr) {
  le::Put32(Slot(h, n), word);
  le::Put32(Slot(h, n) + 4, addr);
}

struct MallocHeap {
  uint32_t ctl[6];  // same field positions as the buffer heap's control record
  void** first;
};
uint32_t TableSize(N4Heap h) { return Get(h, kCtlSlots); }

// Entry k (from 1) of the malloc heap's chain; grow adds tables as needed.
void** Entry(MallocHeap* m, uint32_t k, bool grow) {
  uint32_t t = TableSize(m);
  void*** link = &m->first;
  while (true) {
    if (*link == nullptr) {
      if (!grow) return nullptr;
      *link = static_cast<void**>(std::calloc(t + 1, sizeof(void*)));
      if (*link == nullptr) return nullptr;
    }
    if (k <= t) return &(*link)[k - 1];
    k -= t;
    link = reinterpret_cast<void***>(&(*link)[t]);
  }
}

}  // namespace

N4Heap N4Heap_CreateHeapBuffer(void* buffer, uint32_t length, uint32_t flags) {
  length &= ~3u;
  if (buffer == nullptr || length < kHeapMinBuffer) return nullptr;
  uint8_t* b = static_cast<uint8_t*>(buffer);
  std::memset(b, 0, length);
  std::memcpy(b, "N4SH", 4);
  le::Put32(b + 4, length);
  le::Put32(b + 8, uint32_t(reinterpret_cast<uintptr_t>(b)));
  N4Heap h = b + length - 24;
  Set(h, kCtlStart, 12);
  Set(h, kCtlCap, length - 36);
  Set(h, kCtlFlags, flags & ~kMallocFlag);
  return h;
}

N4Heap N4Heap_CreateHeapMalloc(uint32_t table_size) {
  auto* m = static_cast<MallocHeap*>(std::calloc(1, sizeof(MallocHeap)));
  if (m == nullptr) return nullptr;
  Set(m, kCtlFlags, kMallocFlag);
  Set(m, kCtlSlots, table_size < 3 ? 3 : table_size);
  return m;
}

uint32_t N4Heap_Alloc(N4Heap h, uint32_t size) {
  if (h == nullptr || size == 0 || size > kSizeMask - 3) return 0;
  if (IsMalloc(h)) {
    auto* m = static_cast<MallocHeap*>(h);
    for (uint32_t k = 1;; ++k) {
      void** e = Entry(m, k, true);
      if (e == nullptr) return 0;
      if (*e == nullptr) {
        *e = std::calloc(size, 1);
        return *e ? k : 0;
      }
    }
  }
  uint32_t n = (size + 3) & ~3u;
  uint64_t used = Get(h, kCtlUsed), slots = Get(h, kCtlSlots);
  if (uint64_t(Get(h, kCtlCap)) < used + 8 * slots + n + 8) return 0;
  uint32_t slot = 0;
  for (uint32_t i = 1; i <= slots && slot == 0; ++i)
    if (SlotWord(h, i) == 0) slot = i;
  if (slot == 0) {
    slot = uint32_t(slots + 1);
    Set(h, kCtlSlots, slot);
  }
  uint32_t addr = Get(h, kCtlStart) + uint32_t(used);
  SetSlot(h, slot, n, addr);
  Set(h, kCtlUsed, uint32_t(used + n));
  std::memset(Base(h) + addr, 0, n);
  return slot;
}

void* N4Heap_Lock(N4Heap h, uint32_t handle) {
  if (h == nullptr || handle == 0) return nullptr;
  if (IsMalloc(h)) {
    void** e = Entry(static_cast<MallocHeap*>(h), handle, false);
    return e ? *e : nullptr;
  }
  if (handle > Get(h, kCtlSlots)) return nullptr;
  uint32_t w = SlotWord(h, handle);
  if (w == 0 || (w & (kFreed | kLocked))) return nullptr;
  le::Put32(Slot(h, handle), w | kLocked);
  return Base(h) + SlotAddr(h, handle);
}

void N4Heap_Unlock(N4Heap h, uint32_t handle) {
  if (h == nullptr || IsMalloc(h) || handle == 0 || handle > Get(h, kCtlSlots)) return;
  uint32_t w = SlotWord(h, handle);
  if (w != 0 && !(w & kFreed)) le::Put32(Slot(h, handle), w & ~kLocked);
}

void N4Heap_Free(N4Heap h, uint32_t handle) {
  if (h == nullptr || handle == 0) return;
  if (IsMalloc(h)) {
    void** e = Entry(static_cast<MallocHeap*>(h), handle, false);
    if (e && *e) {
      std::free(*e);
      *e = nullptr;
    }
    return;
  }
  if (handle > Get(h, kCtlSlots)) return;
  uint32_t w = SlotWord(h, handle);
  if (w == 0 || (w & kFreed)) return;
  le::Put32(Slot(h, handle), (w & kSizeMask) | kFreed);
  Set(h, kCtlFreed, Get(h, kCtlFreed) + 1);
}

uint32_t N4Heap_NbAlloc(N4Heap h) {
  if (h == nullptr) return 0;
  uint32_t n = 0;
  if (IsMalloc(h)) {
    auto* m = static_cast<MallocHeap*>(h);
    for (uint32_t k = 1;; ++k) {
      void** e = Entry(m, k, false);
      if (e == nullptr) return n;
      if (*e) ++n;
    }
  }
  for (uint32_t i = 1; i <= Get(h, kCtlSlots); ++i) {
    uint32_t w = SlotWord(h, i);
    if (w != 0 && !(w & kFreed)) ++n;
  }
  return n;
}

int32_t N4Heap_GetFreeSpace(N4Heap h) {
  if (h == nullptr) return 0;
  if (IsMalloc(h)) return -1;
  int64_t free = int64_t(Get(h, kCtlCap)) - (int64_t(Get(h, kCtlUsed)) + 8 * int64_t(Get(h, kCtlSlots)) + 8);
  return free < 0 ? 0 : int32_t(free);
}

namespace {
// One step of compaction; true when something moved or merged.
bool CompactStep(N4Heap h) {
  uint32_t slots = Get(h, kCtlSlots), top = Get(h, kCtlStart) + Get(h, kCtlUsed);
  for (uint32_t i = 1; i <= slots; ++i) {
    uint32_t w = SlotWord(h, i);
    if (!(w & kFreed)) continue;
    uint32_t size = w & kSizeMask, addr = SlotAddr(h, i), end = addr + size;
    if (end == top) {
      Set(h, kCtlUsed, addr - Get(h, kCtlStart));
      SetSlot(h, i, 0, 0);
      Set(h, kCtlFreed, Get(h, kCtlFreed) - 1);
      return true;
    }
    uint32_t f = 0;
    for (uint32_t j = 1; j <= slots && f == 0; ++j)
      if (j != i && SlotWord(h, j) != 0 && SlotAddr(h, j) == end) f = j;
    if (f == 0) continue;
    uint32_t fw = SlotWord(h, f);
    if (fw & kFreed) {
      SetSlot(h, i, (size + (fw & kSizeMask)) | kFreed, addr);
      SetSlot(h, f, 0, 0);
      Set(h, kCtlFreed, Get(h, kCtlFreed) - 1);
      return true;
    }
    if (fw & kLocked) continue;
    uint32_t fsize = fw & kSizeMask;
    std::memmove(Base(h) + addr, Base(h) + end, fsize);
    SetSlot(h, f, fw, addr);
    SetSlot(h, i, w, addr + fsize);
    return true;
  }
  return false;
}
}  // namespace

uint32_t N4Heap_Compact(N4Heap h, uint32_t moves) {
  if (h == nullptr || IsMalloc(h)) return 0;
  if (moves == 0) moves = 1;
  uint32_t done = 0;
  while (done < moves && Get(h, kCtlFreed) != 0 && CompactStep(h)) {
    ++done;
    uint32_t slots = Get(h, kCtlSlots);
    while (slots > 0 && SlotWord(h, slots) == 0) --slots;
    Set(h, kCtlSlots, slots);
  }
  return done;
}

void N4Heap_FreeAll(N4Heap h) {
  if (h == nullptr) return;
  if (IsMalloc(h)) {
    auto* m = static_cast<MallocHeap*>(h);
    uint32_t t = TableSize(h);
    for (void** table = m->first; table != nullptr;) {
      for (uint32_t k = 0; k < t; ++k) std::free(table[k]);
      void** next = static_cast<void**>(table[t]);
      std::free(table);
      table = next;
    }
    m->first = nullptr;
    return;
  }
  std::memset(Slot(h, Get(h, kCtlSlots)), 0, 8 * size_t(Get(h, kCtlSlots)));
  Set(h, kCtlUsed, 0);
  Set(h, kCtlSlots, 0);
  Set(h, kCtlFreed, 0);
}

void N4Heap_DeleteHeap(N4Heap h) {
  if (h == nullptr) return;
  bool m = IsMalloc(h);
  N4Heap_FreeAll(h);
  if (m) std::free(h);
}

N4Heap N4Heap_RelocateHeapBuffer(void* buffer, uint32_t length) {
  length &= ~3u;
  uint8_t* b = static_cast<uint8_t*>(buffer);
  if (b == nullptr || length < kHeapMinBuffer || std::memcmp(b, "N4SH", 4) != 0 || le::U32(b + 4) != length)
    return nullptr;
  // A heap that comes back from a file is taken only when its records are consistent:
  // compaction moves bytes by what the slots say.
  N4Heap h = b + length - 24;
  uint64_t used = Get(h, kCtlUsed), slots = Get(h, kCtlSlots);
  if (Get(h, kCtlStart) != 12 || Get(h, kCtlCap) != length - 36 || used + 8 * slots > length - 36 ||
      (Get(h, kCtlFlags) & kMallocFlag))
    return nullptr;
  uint32_t freed = 0;
  for (uint32_t i = 1; i <= slots; ++i) {
    uint32_t w = SlotWord(h, i), addr = SlotAddr(h, i);
    if (w != 0 && (addr < 12 || uint64_t(addr) + (w & kSizeMask) > 12 + used)) return nullptr;
    if (w & kFreed) ++freed;
  }
  if (freed != Get(h, kCtlFreed)) return nullptr;
  // Slots hold offsets from the buffer: only the recorded address changes.
  le::Put32(b + 8, uint32_t(reinterpret_cast<uintptr_t>(b)));
  return h;
}

uint32_t N4Heap_Used(N4Heap h) { return h ? Get(h, kCtlUsed) : 0; }
uint32_t N4Heap_SlotCount(N4Heap h) { return h && !IsMalloc(h) ? Get(h, kCtlSlots) : 0; }
