// The VM database: sizing from the code image, the cold build, the cycle and the
// shutdown. The areas are reached only through their descriptors.
#include <cstring>

#include "iec_runtime/code_image.h"
#include "iec_runtime/blocks.h"
#include "iec_runtime/heap.h"
#include "iec_runtime/interpreter.h"
#include "iec_runtime/retain.h"
#include "iec_runtime/var_map.h"
#include "iec_runtime/vm_db.h"
#include "hot_forms.h"
#include "le_bytes.h"
#include "pending_vm_parts.h"

namespace {

constexpr uint32_t kDayMs = 86'400'000;

// The code image of the database last built (one database runs at a time).
const uint8_t* g_code = nullptr;
uint32_t g_code_size = 0;
const uint8_t* g_code_db = nullptr;
N4Heap g_malloc_heap = nullptr;
const uint8_t* g_malloc_heap_db = nullptr;

// 64 bits: an area of almost 4 GiB must not round to nothing.
uint64_t Round8(uint64_t n) { return (n + 7) & ~uint64_t(7); }
uint64_t AreaBytes(const DbAreaDesc& d) { return d.raw_size ? d.raw_size : uint64_t(d.item_size) * d.allocated; }

void SetItems(DbAreaDesc* t, int area, uint16_t item, uint32_t count) {
  t[area].item_size = item;
  t[area].allocated = uint16_t(count > 0xFFFF ? 0xFFFF : count);
}
void SetRaw(DbAreaDesc* t, int area, uint32_t bytes) {
  t[area].raw_size = bytes;
  t[area].item_size = 1;
}

uint8_t* Status(uint8_t* db) { return N4VM_AreaPtr(db, kArStatus); }
uint8_t* Private(uint8_t* db) { return N4VM_AreaPtr(db, kArPrivate); }
void SetFlags(uint8_t* db, uint16_t set, uint16_t clear) {
  uint8_t* s = Status(db) + kStFlags;
  le::Put16(s, uint16_t((le::U16(s) & ~clear) | set));
}

// Stores the initial values of one list: an index below the used count, and (unless
// full) at or above the boundary.
template <typename Store>
void ApplyList(const uint8_t* list, uint32_t entry, const DbAreaDesc& d, bool full, uint16_t boundary, Store store) {
  for (const uint8_t* e = list; e && le::U16(e) != 0; e += entry) {
    uint16_t i = le::U16(e);
    if (i < d.used && (full || i >= boundary)) store(i, e);
  }
}

int SizeArea(const uint8_t* code, uint8_t* db, CodeArea a, int area, int error) {
  CodeSizing s = N4VMCode_GetSizing(code, a);
  DbAreaDesc* d = N4VM_Area(db, area);
  if (s.used >= d->allocated) return error;
  d->used = uint16_t(s.used + 1);  // the sizing block gives the highest used index
  d->boundary = uint16_t(s.boundary + 1);
  return 0;
}

void ApplyInits(const uint8_t* code, uint8_t* db, bool full, const uint16_t* boundary) {
  struct {
    InitList list;
    int area;
    uint32_t entry, value_at, bytes;
  } const kLists[] = {{InitList::kData8, kArData8, 4, 2, 1},   {InitList::kData16, kArData16, 4, 2, 2},
                      {InitList::kData32, kArData32, 8, 4, 4}, {InitList::kData64, kArData64, 12, 4, 8},
                      {InitList::kTime, kArTime, 8, 4, 4}};
  for (int k = 0; k < 5; ++k) {
    const auto& l = kLists[k];
    DbAreaDesc* d = N4VM_Area(db, l.area);
    ApplyList(N4VMCode_GetInitList(code, l.list), l.entry, *d, full, boundary[k], [&](uint16_t i, const uint8_t* e) {
      std::memcpy(N4VM_Item(db, l.area, i), e + l.value_at, l.bytes);
    });
  }
  // Strings: {u16 index, byte length, text, NUL, pad}; cut to the record's capacity.
  DbAreaDesc* sp = N4VM_Area(db, kArStringPtrs);
  const uint8_t* e = N4VMCode_GetInitList(code, InitList::kString);
  while (e && le::U16(e) != 0) {
    uint16_t i = le::U16(e);
    uint8_t len = e[2];
    if (i < sp->used && (full || i >= boundary[5])) {
      uint32_t rec = le::U32(N4VM_Item(db, kArStringPtrs, i));
      if (rec != 0) {
        uint8_t* r = db + rec;
        uint8_t n = len < r[0] ? len : r[0];
        r[1] = n;
        std::memcpy(r + 2, e + 3, n);
        r[2 + n] = 0;
      }
    }
    uint32_t size = 3u + len + 1;
    e += size + (size & 1);
  }
}

int StringPointers(const uint8_t* code, uint8_t* db) {
  uint32_t bufsize = 0;
  uint16_t n = N4VMCode_GetNbString(code, &bufsize);
  DbAreaDesc* buf = N4VM_Area(db, kArStringBuf);
  const uint8_t* caps = N4VMCode_GetInitList(code, InitList::kStringCaps);
  uint32_t pos = 0;
  bool ended = false;
  for (uint32_t i = 1; i < n; ++i) {
    uint8_t cap = (!ended && caps) ? caps[i - 1] : 0;
    if (cap == 0) ended = true;
    if (uint64_t(pos) + cap + 3 > buf->raw_size) return 20;
    uint8_t* rec = db + buf->address + pos;
    if (rec[0] != cap) {  // a hot build keeps the values of unchanged records
      rec[0] = cap;
      rec[1] = 0;
      rec[2] = 0;
    }
    le::Put32(N4VM_Item(db, kArStringPtrs, i), buf->address + pos);
    pos += cap + 3u;
  }
  return 0;
}

void ProgramPointers(const uint8_t* code, uint8_t* db, bool activate) {
  DbAreaDesc* progs = N4VM_Area(db, kArPrograms);
  uint16_t depth = N4VMCode_GetCallStackSize(code);
  uint32_t stack_items = N4VM_Area(db, kArCallStack)->allocated, slice = 0;
  uint32_t k = 1;
  for (const uint8_t* e = N4VMCode_GetProgramList(code); le::U32(e) != 0 && k < progs->allocated; e += 12, ++k) {
    uint8_t* r = N4VM_Item(db, kArPrograms, k);
    le::Put32(r, le::U32(e));
    le::Put32(r + 4, le::U32(e + 4));
    uint16_t kind = le::U16(e + 8);
    le::Put16(r + 14, kind);
    le::Put16(r + 16, 0);
    uint16_t offset = 0;
    if (kind == 0 && slice + 2u * depth <= stack_items) {
      slice += depth;
      offset = uint16_t(slice);
    }
    le::Put16(r + 18, offset);
    if (activate && le::U16(r + 12) == 0) le::Put16(r + 12, 1);
  }
  progs->used = uint16_t(k);
}

int AllocHeap(const uint8_t* code, uint8_t* db, bool hot) {
  int32_t size = N4VMCode_GetHeapSize(code);
  uint8_t* pv = Private(db);
  if (size > 0) {
    uint8_t* buf = pv + kPrivateSize;
    N4Heap h = hot ? N4Heap_RelocateHeapBuffer(buf, uint32_t(size)) : N4Heap_CreateHeapBuffer(buf, uint32_t(size), 0);
    if (h == nullptr) return 71;
    le::Put32(pv + kPvHeap, uint32_t(static_cast<uint8_t*>(h) - db));
  } else {
    le::Put32(pv + kPvHeap, 0);
    if (size < 0 && hot) return 71;
    if (size < 0) {
      // A heap from the C allocator cannot live in the database: the running database
      // keeps its handle on the side.
      if (g_malloc_heap) N4Heap_DeleteHeap(g_malloc_heap);
      g_malloc_heap = N4Heap_CreateHeapMalloc(uint32_t(-int64_t(size) / 64));
      g_malloc_heap_db = db;
      if (g_malloc_heap == nullptr) return 71;
    }
  }
  return 0;
}

int TaskList(const uint8_t* code, uint8_t* db) {
  DbAreaDesc* tasks = N4VM_Area(db, kArTasks);
  const uint8_t* t = N4VMCode_GetTaskList(code);
  uint16_t n = 0;
  while (le::U16(t) != 0) {
    if (n == 8) return 36;
    uint8_t* slot = N4VM_Item(db, kArTasks, n);
    le::Put32(slot, uint32_t(t + 4 - code));
    le::Put32(slot + 4, uint32_t(t + le::U16(t + 2) - code));
    ++n;
    t += le::U16(t);
  }
  tasks->used = n;
  return 0;
}

int ExternalVariables(const uint8_t* code, uint8_t* db) {
  DbAreaDesc* xv = N4VM_Area(db, kArXV);
  uint32_t k = 1;
  for (const uint8_t* e = N4VMCode_GetExtVarList(code); le::U16(e + 2) != 0; e += 4, ++k) {
    if (k >= xv->allocated) return 34;
    int area;
    switch (le::U16(e)) {
      case 1: case 10: area = kArData8; break;
      case 11: area = kArData16; break;
      case 2: case 3: area = kArData32; break;
      case 4: area = kArTime; break;
      case 5: area = kArStringPtrs; break;
      case 12: case 13: area = kArData64; break;
      default: return 1;
    }
    uint8_t* item = N4VM_Item(db, area, le::U16(e + 2));
    if (item == nullptr) return 1;
    le::Put32(N4VM_Item(db, kArXV, k), uint32_t(item - db));
  }
  xv->used = uint16_t(k);
  return 0;
}

void StatusFromImage(const uint8_t* code, uint8_t* db) {
  uint8_t* s = Status(db);
  std::memset(s + kStName, 0, 16);
  std::strncpy(reinterpret_cast<char*>(s + kStName), N4VMCode_GetAppName(code), 15);
  le::Put32(s + kStCycleTime, N4VMCode_GetCycleTime(code));
  const uint8_t* app = code + N4VMCode_GetHeaderWord(code, 2);
  le::Put32(s + kStCopied, le::U32(app + 16));
  le::Put32(s + kStCopied + 4, le::U32(app + 20));
  le::Put32(s + kStCopied + 8, le::U32(code + le::U32(app + 28) - 4));
  le::Put32(s + kStCopied + 12, le::U16(app + 34));
  le::Put32(s + kStCopied + 16, N4VMCode_GetHeaderWord(code, 15));
}

void CtInit(const uint8_t* code, uint8_t* db, uint32_t from) {
  const uint8_t* def = N4VMCode_GetCTSegDef(code);
  DbAreaDesc* ct = N4VM_Area(db, kArCt);
  if (def == nullptr) return;
  for (const uint8_t* r = def + 8; r[0] != 0; r += 5 + r[0]) {
    uint32_t off = le::U32(r + 1);
    if (off >= from && uint64_t(off) + r[0] <= ct->raw_size) std::memcpy(db + ct->address + off, r + 5, r[0]);
  }
}

}  // namespace

DbAreaDesc* N4VM_Area(uint8_t* db, int area) { return reinterpret_cast<DbAreaDesc*>(db) + area; }
uint8_t* N4VM_AreaPtr(uint8_t* db, int area) { return db + N4VM_Area(db, area)->address; }
uint8_t* N4VM_Item(uint8_t* db, int area, uint32_t index) {
  DbAreaDesc* d = N4VM_Area(db, area);
  if (index >= d->allocated || uint64_t(index + 1) * d->item_size > AreaBytes(*d)) return nullptr;
  return db + d->address + uint64_t(index) * d->item_size;
}
void* N4VM_GetHeap(uint8_t* db) {
  uint32_t heap = le::U32(Private(db) + kPvHeap);
  if (heap != 0) return db + heap;
  return g_malloc_heap_db == db ? g_malloc_heap : nullptr;
}
const uint8_t* N4VM_GetCode(const uint8_t* db) { return db == g_code_db ? g_code : nullptr; }
uint32_t N4VM_GetCodeSize(const uint8_t* db) { return db == g_code_db ? g_code_size : 0; }
uint32_t N4VM_GetDBBytes(uint8_t* db) {
  const DbAreaDesc& last = *N4VM_Area(db, kDbAreas - 1);
  return uint32_t(last.address + AreaBytes(last));
}
uint16_t N4VM_Status16(uint8_t* db, uint32_t f) { return le::U16(Status(db) + f); }
uint32_t N4VM_Status32(uint8_t* db, uint32_t f) { return le::U32(Status(db) + f); }

void N4VM_LogError(uint8_t* db, uint16_t code, uint16_t argument, uint32_t position) {
  uint8_t* s = Status(db);
  uint16_t n = le::U16(s + kStErrors);
  SetFlags(db, kStsError, 0);
  if (n >= 16) return;
  uint8_t* e = N4VM_AreaPtr(db, kArErrorLog) + 8 * n;
  le::Put16(e, code);
  le::Put16(e + 2, argument);
  le::Put32(e + 4, position);
  le::Put16(s + kStErrors, uint16_t(n + 1));
}

bool N4VM_LogErrorOnce(uint8_t* db, uint16_t code, uint16_t argument, uint32_t position) {
  uint16_t n = le::U16(Status(db) + kStErrors);
  const uint8_t* e = N4VM_AreaPtr(db, kArErrorLog);
  for (uint16_t i = 0; i < n && i < 16; ++i)
    if (le::U16(e + 8 * i) == code && le::U16(e + 8 * i + 2) == argument) return false;
  N4VM_LogError(db, code, argument, position);
  return true;
}

int N4VM_GetDBSize(const uint8_t* code, uint32_t code_size, DbAreaDesc* t) {
  if (N4VMCode_CheckCode(code, code_size) != 0 || N4VMCode_GetVarTypeList(code) == nullptr) return 1;
  std::memset(t, 0, sizeof(DbAreaDesc) * kDbAreas);
  SetItems(t, kArStatus, 248, 1);
  SetRaw(t, kArErrorLog, 128);
  SetItems(t, kArExecBuffer, 1, 1024);
  int32_t heap = N4VMCode_GetHeapSize(code);
  SetRaw(t, kArPrivate, kPrivateSize + (heap > 0 ? uint32_t(heap) : 0));
  SetItems(t, kArPrograms, 24, N4VMCode_GetNbProgAlloc(code) + 1u);
  SetItems(t, kArLocks, 1, N4VMCode_GetNbLockFlags(code));
  SetItems(t, kArData8, 1, N4VMCode_GetNbData8(code));
  SetItems(t, kArData16, 2, N4VMCode_GetNbData16(code));
  SetItems(t, kArData32, 4, N4VMCode_GetNbData32(code));
  SetItems(t, kArData64, 8, N4VMCode_GetNbData64(code));
  SetItems(t, kArTime, 4, N4VMCode_GetNbTime(code));
  SetItems(t, kArTimers, 8, N4VMCode_GetNbActiveTime(code));
  SetItems(t, kArClasses, kClassRecord, N4VMFbl_GetNbClass());
  SetItems(t, kArInstances, kInstanceRecord, N4VMCode_GetNbFBInstance(code));
  SetRaw(t, kArClassData, N4VMFbl_GetClassDataSize());
  SetRaw(t, kArInstanceData, N4VMFbl_GetInstanceDataSize(code));
  SetItems(t, kArCustomFuncs, 24, N4VMCode_GetNbCustomFunc(code));
  uint32_t bufsize = 0;
  SetItems(t, kArStringPtrs, 4, N4VMCode_GetNbString(code, &bufsize));
  SetRaw(t, kArStringBuf, bufsize);
  SetItems(t, kArResources, 12, 128);
  SetItems(t, kArSteps, 12, N4VMCode_GetNbStep(code));
  SetItems(t, kArTrans, 4, N4VMCode_GetNbTrans(code));
  SetItems(t, kArUnresolved, 16, 16);
  N4MapSizing map;
  if (N4VMMap_GetSizing(&map, code) == 0) SetItems(t, kArMap, map.item_size, map.capacity);
  SetItems(t, kArMapHash, 4, 49);
  SetItems(t, kArXV, 4, N4VMCode_GetNbXV(code));
  SetItems(t, kArSampler, 960, 1);
  SetItems(t, kArTasks, 8, 8);
  SetItems(t, kArCallStack, 4, N4VMCode_GetCallStackAllocSize(code));
  SetItems(t, kArWork, 64, 1024);
  SetRaw(t, kArCt, N4VMCode_GetCTSegAllocSize(code));
  return 0;
}

uint32_t N4VM_GetTotalDBSize(const DbAreaDesc* t) {
  uint64_t total = kDbHead;
  for (int i = 0; i < kDbAreas; ++i) total += Round8(AreaBytes(t[i]));
  return total > 0xFFFFFFF0u ? 0 : uint32_t(total);
}

void N4VM_BuildDBMainLinks(uint8_t* db) {
  uint32_t at = kDbHead;
  for (int i = 0; i < kDbAreas; ++i) {
    DbAreaDesc* d = N4VM_Area(db, i);
    d->address = at;
    at += uint32_t(Round8(AreaBytes(*d)));
  }
}

int N4VM_CheckDBImage(const uint8_t* code, uint32_t code_size, const uint8_t* db, uint32_t db_size) {
  DbAreaDesc need[kDbAreas];
  if (db_size < kDbHead || N4VM_GetDBSize(code, code_size, need) != 0) return 29;
  DbAreaDesc have[kDbAreas];
  std::memcpy(have, db, sizeof have);
  if (N4VM_GetTotalDBSize(have) != db_size) return 29;
  // Every area must hold at least what this code addresses in it, with the same item
  // size (a hot build writes the fixed records and clears the work area in place). After
  // an online change the code may need less than the database holds, never more.
  for (int i = 0; i < kDbAreas; ++i) {
    const DbAreaDesc &h = have[i], &n = need[i];
    if (h.item_size != n.item_size || h.allocated < n.allocated || h.raw_size < n.raw_size ||
        AreaBytes(h) < AreaBytes(n) || uint64_t(h.item_size) * h.allocated > AreaBytes(h) ||
        h.used > h.allocated || h.boundary > h.allocated)
      return 29;
  }
  return 0;
}

namespace {
void DropMallocHeap(const uint8_t* db) {
  if (g_malloc_heap_db != db) return;
  N4Heap_DeleteHeap(g_malloc_heap);
  g_malloc_heap = nullptr;
  g_malloc_heap_db = nullptr;
}
int BuildCold(const uint8_t* code, uint32_t code_size, uint8_t* db);
}  // namespace

int N4VM_Build(const uint8_t* code, uint32_t code_size, uint8_t* db) {
  n4vm::DropHotForms(db);
  int err = BuildCold(code, code_size, db);
  // A failed build is freed without a shutdown: nothing may stay behind.
  if (err != 0) DropMallocHeap(db);
  else n4vm::CheckHotForms(code, code_size, db);
  return err;
}

namespace {
int BuildCold(const uint8_t* code, uint32_t code_size, uint8_t* db) {
  if (N4VMCode_CheckCode(code, code_size) != 0) return 1;
  DbAreaDesc* res = N4VM_Area(db, kArResources);
  res->used = res->boundary = res->allocated;
  g_code = code;
  g_code_size = code_size;
  g_code_db = db;

  StatusFromImage(code, db);
  uint8_t* s = Status(db);
  uint16_t flags = kStsBuilt;
  if (N4VMCode_GetStartMode(code) == 0) flags |= kStsCycling;
  if (N4VMCode_GetCTSegUsedSize(code) != 0) flags |= kStsCt;
  le::Put16(s + kStFlags, flags);
  uint32_t bf = N4VMCode_IsCCPure(code) ? 0u : uint32_t(kBfNotPureC);
  uint32_t init_flags = N4VMCode_GetInitFlags(code);
  if (init_flags & 1) bf |= 0x08;
  if (init_flags & 2) bf |= 0x80;
  if (init_flags & 4) bf |= 0x200;
  uint32_t f2 = N4VMCode_GetExtSlot(code, 21);
  if (f2 & 1) bf |= 0x20;
  if (N4VMCode_GetExtVersion(code) >= 20 && (f2 & 2)) bf |= 0x100;
  le::Put32(s + kStBuildFlags, bf);
  le::Put16(s + kStCallDepth, N4VMCode_GetCallStackSize(code));
  s[kStSeparator] = ';';
  s[kStDecimal] = '.';
  le::Put32(s + kStRunSeconds, 0);
  le::Put32(s + kStRunMs, 0);

  uint8_t* pv = Private(db);
  le::Put32(pv + kPvMarker, kDbMarker);
  le::Put32(pv + kPvBuildStamp, N4VMCode_GetFullBuildStamp(code));
  le::Put32(pv + kPvSfcCrc, N4VMCode_GetSfcCrc(code));
  le::Put32(pv + kPvTypeList, uint32_t(N4VMCode_GetVarTypeList(code) - code));
  le::Put32(pv + kPvPassword, N4VMCode_GetPassword(code));
  le::Put32(pv + kPvCtUsed, N4VMCode_GetCTSegUsedSize(code));
  le::Put32(pv + kPvStringIndex, N4VMCode_GetDefStringTable(code) ? 1 : 0);

  ProgramPointers(code, db, true);
  int err = AllocHeap(code, db, false);
  if (err == 0) err = SizeArea(code, db, CodeArea::kData8, kArData8, 9);
  if (err == 0) err = SizeArea(code, db, CodeArea::kData16, kArData16, 10);
  if (err == 0) err = SizeArea(code, db, CodeArea::kData32, kArData32, 11);
  if (err == 0) err = SizeArea(code, db, CodeArea::kData64, kArData64, 19);
  if (err == 0) err = SizeArea(code, db, CodeArea::kTime, kArTime, 13);
  if (err == 0) err = SizeArea(code, db, CodeArea::kString, kArStringPtrs, 20);
  if (err == 0) err = StringPointers(code, db);
  if (err != 0) return err;

  static const uint16_t kNoBoundary[6] = {};
  ApplyInits(code, db, true, kNoBoundary);
  CtInit(code, db, 0);

  // A map whose records do not fit the image (or its own capacity) is a bad image.
  if (N4VMMap_Build(db, code) != 0) return 1;
  N4VMFbl_Link(code, db, 0);
  err = n4hook::OpenIo(code, db);
  if (err != 0) return err;

  N4VMWarm_PrepareData(code, db);
  err = ExternalVariables(code, db);
  if (err == 0) err = TaskList(code, db);
  if (err != 0) {
    n4hook::CloseIo(db);
    return err;
  }
  N4VM_Area(db, kArCallStack)->used = 0;
  return 0;
}
}  // namespace

int N4VM_CanHOTStart(const uint8_t* code, uint32_t code_size, uint8_t* db) {
  auto fail = [&](int e, uint16_t logged) {
    N4VM_LogError(db, logged, 0, 0);
    return e;
  };
  if (N4VMCode_CheckCode(code, code_size) != 0) return fail(43, 43);
  uint8_t* pv = Private(db);
  if (le::U32(pv + kPvMarker) != kDbMarker) return fail(29, 29);
  if (le::U32(Status(db) + kStCopied + 16) != N4VMCode_GetHeaderWord(code, 15)) return fail(76, 76);
  if (std::strncmp(reinterpret_cast<char*>(Status(db)), N4VMCode_GetAppName(code), 15) != 0) return fail(44, 1);
  uint32_t stamp = N4VMCode_GetFullBuildStamp(code);
  if (stamp == 0 || stamp != le::U32(pv + kPvBuildStamp)) return fail(26, 26);
  uint16_t flags = N4VM_Status16(db, kStFlags);
  if ((flags & 0x2008) == 0x2008) return fail(72, 72);
  if (flags & kStsStep) return fail(73, 73);
  if (N4VMCode_GetSfcCrc(code) != le::U32(pv + kPvSfcCrc)) return fail(27, 27);
  // Open files, sockets and arrays belong to the running code: {handle, size, u16 id, u16 kind}.
  for (uint32_t i = 0; i < N4VM_Area(db, kArResources)->allocated; ++i) {
    const uint8_t* r = N4VM_Item(db, kArResources, i);
    if (r != nullptr && le::U16(r + 8) != 0) return fail(23, 23);
  }
  if (N4VMCode_GetNbActiveTime(code) > N4VM_Area(db, kArTimers)->allocated) return fail(25, 25);
  if (N4VMCode_GetCTSegAllocSize(code) > N4VM_Area(db, kArCt)->raw_size) return fail(46, 46);
  if (N4VMWarm_CanUpdatePointers(code, db) != 0) return fail(28, 28);
  unsigned tasks = 0;
  for (const uint8_t* t = N4VMCode_GetTaskList(code); le::U16(t) != 0 && tasks < 9; t += le::U16(t)) ++tasks;
  if (tasks > 8) return fail(49, 49);
  if (N4VMCode_GetCallStackAllocSize(code) > N4VM_Area(db, kArCallStack)->allocated) return fail(37, 37);
  // Areas a hot build cannot grow.
  struct {
    uint16_t need;
    int area;
  } const kAreas[] = {{N4VMCode_GetNbData8(code), kArData8},   {N4VMCode_GetNbData16(code), kArData16},
                      {N4VMCode_GetNbData32(code), kArData32}, {N4VMCode_GetNbData64(code), kArData64},
                      {N4VMCode_GetNbTime(code), kArTime},     {N4VMCode_GetNbString(code, nullptr), kArStringPtrs},
                      {N4VMCode_GetNbProgAlloc(code), kArPrograms}, {N4VMCode_GetNbLockFlags(code), kArLocks}};
  for (const auto& a : kAreas)
    if (a.need > N4VM_Area(db, a.area)->allocated) return fail(48, 48);
  uint32_t bufsize = 0;
  N4VMCode_GetNbString(code, &bufsize);
  if (bufsize > N4VM_Area(db, kArStringBuf)->raw_size) return fail(48, 48);
  int32_t heap = N4VMCode_GetHeapSize(code);
  if (heap > 0 && uint32_t(heap) + kPrivateSize != N4VM_Area(db, kArPrivate)->raw_size) return fail(48, 48);
  return 0;
}

namespace {
int BuildHot(const uint8_t* code, uint32_t code_size, uint8_t* db, uint32_t now) {
  if (N4VMCode_CheckCode(code, code_size) != 0) return 1;
  uint8_t* s = Status(db);
  std::memset(s + kStDebug1, 0, 6);
  std::memset(s + kStDebugTable, 0, 128);
  le::Put32(s + kStLastTick, now);
  SetFlags(db, 0, kStsHot);
  uint8_t* pv = Private(db);
  if (le::U32(pv + kPvMarker) != kDbMarker) return 29;
  int err = N4VM_CanHOTStart(code, code_size, db);
  if (err != 0) return err;
  const int kAreasOrder[6] = {kArData8, kArData16, kArData32, kArData64, kArTime, kArStringPtrs};
  uint16_t previous[6];
  for (int i = 0; i < 6; ++i) previous[i] = N4VM_Area(db, kAreasOrder[i])->boundary;

  g_code = code;
  g_code_size = code_size;
  g_code_db = db;
  StatusFromImage(code, db);
  le::Put32(pv + kPvTypeList, uint32_t(N4VMCode_GetVarTypeList(code) - code));
  le::Put32(pv + kPvPassword, N4VMCode_GetPassword(code));
  ProgramPointers(code, db, true);
  if (!(le::U32(s + kStBuildFlags) & kBfChange) && AllocHeap(code, db, true) != 0) return 71;
  static const struct {
    CodeArea a;
    int area, error;
  } kSizing[] = {{CodeArea::kData8, kArData8, 9},   {CodeArea::kData16, kArData16, 10},
                 {CodeArea::kData32, kArData32, 11}, {CodeArea::kData64, kArData64, 19},
                 {CodeArea::kTime, kArTime, 13},     {CodeArea::kString, kArStringPtrs, 20}};
  for (const auto& z : kSizing)
    if ((err = SizeArea(code, db, z.a, z.area, z.error)) != 0) return err;
  if ((err = StringPointers(code, db)) != 0) return err;
  if (N4VMMap_HotRestart(db, code) != 0) return 48;
  SetFlags(db, 0, kStsUnresolved);
  N4VMFbl_Link(code, db, 1);
  N4VMTmr_HotRestartTimers(db);
  // Only variables at or above the previous boundaries are new: they get their initial values.
  ApplyInits(code, db, false, previous);
  uint32_t ct_used = le::U32(pv + kPvCtUsed);
  CtInit(code, db, ct_used);
  le::Put32(pv + kPvCtUsed, N4VMCode_GetCTSegUsedSize(code));
  if ((err = N4VMWarm_UpdatePointers(code, db)) != 0) return err;
  if ((err = ExternalVariables(code, db)) != 0) return err;
  if ((err = TaskList(code, db)) != 0) return err;
  std::memset(N4VM_AreaPtr(db, kArWork), 0, 64 * 1024);
  return 0;
}

}  // namespace

int N4VM_BuildHOT(const uint8_t* code, uint32_t code_size, uint8_t* db, uint32_t now) {
  n4vm::DropHotForms(db);
  int err = BuildHot(code, code_size, db, now);
  if (err == 0) n4vm::CheckHotForms(code, code_size, db);
  return err;
}

int N4VM_Cycle(uint8_t* db, uint32_t now) {
  uint16_t flags = N4VM_Status16(db, kStFlags);
  if (flags & kStsStopped) return 1;
  if (flags & kStsUnresolved) {
    SetFlags(db, kStsStopped, kStsCycling);
    return 1;
  }
  uint8_t* s = Status(db);
  uint32_t last = le::U32(s + kStLastTick);
  bool first = last == 0;
  if (!first) {
    uint32_t elapsed = uint32_t((uint64_t(now) + kDayMs - last) % kDayMs);
    uint32_t ms = le::U32(s + kStRunMs) + elapsed;
    le::Put32(s + kStRunSeconds, le::U32(s + kStRunSeconds) + ms / 1000);
    le::Put32(s + kStRunMs, ms % 1000);
  }
  le::Put32(s + kStLastTick, now);
  N4VMTmr_UpdateTimers(db);
  if (first) {
    unsigned begin = 0;
    if (N4VM_FindTask(db, "@@B", &begin) == 0) n4hook::RunTask(db, begin, now);
  }
  // Cycling, or one cycle asked by the debugger.
  flags = N4VM_Status16(db, kStFlags);
  if ((flags & kStsCycling) || (flags & kStsOneCycle)) {
    if (N4VM_Area(db, kArTasks)->used > 0) {
      n4hook::RunTask(db, 0, now);
      n4hook::ProcessExecBuffer(db);
    } else {
      // Programs that run or wait for their first run, in order, until one stops the cycle.
      DbAreaDesc* progs = N4VM_Area(db, kArPrograms);
      for (unsigned p = 1; p < progs->used; ++p) {
        uint16_t state = le::U16(N4VM_Item(db, kArPrograms, p) + 12);
        if (!(state & 0x11) || (state & 0x02)) continue;
        if (N4VMTic_Run(db, g_code, g_code_size, p) == 0) break;
        if (!(N4VM_Status16(db, kStFlags) & (kStsCycling | kStsOneCycle))) break;
      }
    }
    if (flags & kStsOneCycle) SetFlags(db, 0, kStsOneCycle);
  }
  uint32_t heap = le::U32(Private(db) + kPvHeap);
  if (heap != 0) N4Heap_Compact(db + heap, 32);
  return 0;
}

int N4VM_PerformTask(uint8_t* db, unsigned task, uint32_t now, int update_timers) {
  uint16_t flags = N4VM_Status16(db, kStFlags);
  if (task >= N4VM_Area(db, kArTasks)->used || (flags & (kStsStopped | kStsUnresolved))) return 1;
  if (update_timers) {
    le::Put32(Status(db) + kStLastTick, now);
    N4VMTmr_UpdateTimers(db);
  }
  return n4hook::RunTask(db, task, now);
}

unsigned N4VM_GetNbTask(uint8_t* db) { return N4VM_Area(db, kArTasks)->used; }

const char* N4VM_GetTaskName(uint8_t* db, unsigned i) {
  const uint8_t* code = N4VM_GetCode(db);
  if (code == nullptr || i >= N4VM_GetNbTask(db)) return nullptr;
  return reinterpret_cast<const char*>(code + le::U32(N4VM_Item(db, kArTasks, i)));
}

int N4VM_FindTask(uint8_t* db, const char* name, unsigned* task) {
  *task = 0;
  for (unsigned i = 1; i < N4VM_GetNbTask(db); ++i) {
    const char* n = N4VM_GetTaskName(db, i);
    if (n && std::strcmp(n, name) == 0) {
      *task = i;
      return 0;
    }
  }
  return 1;
}

uint32_t N4VM_RegisterCycleTime(uint8_t* db, uint32_t us) {
  uint8_t* s = Status(db);
  if (us > le::U32(s + kStLongestCycle)) le::Put32(s + kStLongestCycle, us);
  le::Put32(s + kStLastCycle, us);
  uint32_t period = le::U32(s + kStCycleTime);
  if (period == 0) return 0;
  if (us > period) {
    le::Put32(s + kStOverruns, le::U32(s + kStOverruns) + 1);
    N4VM_LogError(db, kDbErrCycleOverrun, 0, 0);
  }
  return period - us % period;
}

void N4VM_SetPauseMode(uint8_t* db, int on) {
  if (on) SetFlags(db, 0, kStsCycling);
  else SetFlags(db, kStsCycling, 0);
}

int N4VM_FullIOExchange(uint8_t* db) {
  uint16_t flags = N4VM_Status16(db, kStFlags);
  if (flags & kStsStopped) return 1;
  if ((le::U32(Status(db) + kStBuildFlags) & 0x08) && (flags & kStsStep)) return 0;
  if (!(flags & kStsUnresolved)) {
    N4VMFbl_KeepAlive(db);
    n4hook::ExchangeIo(db);
  }
  return 0;
}

void N4VM_AttachCode(const uint8_t* db, const uint8_t* code, uint32_t code_size) {
  g_code = code;
  g_code_size = code_size;
  g_code_db = db;
  n4vm::CheckHotForms(code, code_size, const_cast<uint8_t*>(db));
}

int N4VM_ShutDown(uint8_t* db, const char* retain_path) {
  unsigned end = 0;
  if (N4VM_FindTask(db, "@@E", &end) == 0) {
    n4hook::RunTask(db, end, N4VM_Status32(db, kStLastTick));
    N4VM_FullIOExchange(db);
  }
  int result = N4VMWarm_ShutDown(db, retain_path);
  N4VMFbl_ShutDown(db);
  n4hook::CloseIo(db);
  uint32_t heap = le::U32(Private(db) + kPvHeap);
  if (heap != 0) N4Heap_DeleteHeap(db + heap);
  DropMallocHeap(db);
  n4vm::DropHotForms(db);
  if (g_code_db == db) {
    g_code = g_code_db = nullptr;
    g_code_size = 0;
  }
  return result;
}
