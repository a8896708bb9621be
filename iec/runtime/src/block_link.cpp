// Linking of function-block classes, their instances and custom functions by name: the
// built-in standard blocks first, then the panel's block table, then the optional block
// library, so that a built-in hides a panel block of the same name and a panel block a
// library block.
#include <cstring>

#include "iec_library/block_tables.h"
#include "iec_runtime/blocks.h"
#include "iec_runtime/code_image.h"
#include "iec_runtime/os_services.h"
#include "iec_runtime/vm_db.h"
#include "le_bytes.h"

namespace {

// The handler table behind the handles in the database's records. Built-ins and the
// panel table always take the same handles; the library's follow them.
constexpr uint32_t kMaxHandlers = 1024;
N4BlockHandler g_handlers[kMaxHandlers];
uint32_t g_handler_count = 0;

uint32_t HandleOf(N4BlockHandler h) {
  if (h == nullptr) return 0;
  for (uint32_t i = 0; i < g_handler_count; ++i)
    if (g_handlers[i] == h) return i + 1;
  if (g_handler_count == kMaxHandlers) return 0;
  g_handlers[g_handler_count++] = h;
  return g_handler_count;
}

uint32_t Round8(uint32_t n) { return (n + 7) & ~7u; }

// Presents the blocks in linking order; f(name, handler) answers false to stop.
template <typename F>
void EachBlock(bool built_in, F f) {
  if (built_in) {
    for (unsigned i = 0; i < N4StdBlocks_Count(); ++i)
      if (!f(N4StdBlocks_Name(i), N4StdBlocks_Handler(i))) return;
    return;
  }
  uint32_t id;
  for (bool more = N4Blocks_GetFirstID(&id); more; more = N4Blocks_GetNextID(&id))
    if (!f(N4Blocks_GetName(id), N4Blocks_GetProc(id))) return;
  if (!N4Bdll_StartEnumerate()) return;
  for (bool more = N4Bdll_GetFirstID(&id); more; more = N4Bdll_GetNextID(&id)) {
    auto h = reinterpret_cast<N4BlockHandler>(N4Bdll_GetProc(id));
    const char* name = N4Bdll_GetName(id);
    if (h != nullptr && name != nullptr && !f(name, h)) break;
  }
  N4Bdll_StopEnumerate();
}
template <typename F>
void EachBlockAll(F f) {
  bool go = true;
  EachBlock(true, [&](const char* n, N4BlockHandler h) { return go = f(n, h); });
  if (go) EachBlock(false, f);
}

bool SameName(const char* a, const char* b) { return std::strncmp(a, b, 15) == 0; }

// An image list (custom functions or classes): u16 max index, u16 entries, then 20-byte
// entries {u16 id, u16 required, char[16] name}.
const uint8_t* ListEntry(const uint8_t* list, uint32_t k) { return list + 4 + 20 * k; }
uint32_t ListCount(const uint8_t* list) { return le::U16(list + 2); }
const char* EntryName(const uint8_t* e) { return reinterpret_cast<const char*>(e + 4); }

void SetStatusFlag(uint8_t* db, uint16_t flag) {
  uint8_t* s = N4VM_AreaPtr(db, kArStatus) + kStFlags;
  le::Put16(s, uint16_t(le::U16(s) | flag));
}

uint8_t* ClassRec(uint8_t* db, uint32_t k) { return N4VM_Item(db, kArClasses, k); }
uint8_t* InstanceRec(uint8_t* db, uint32_t k) { return N4VM_Item(db, kArInstances, k); }
uint8_t* DataAt(uint8_t* db, uint32_t off) { return off ? db + off : nullptr; }

int Call(uint8_t* db, uint32_t handle, int command, uint8_t* cd, uint8_t* id, const uint16_t* args) {
  N4BlockHandler h = N4VMFbl_Handler(handle);
  return h ? h(command, db, cd, id, args) : 0;
}

// The registered class whose image class id is `id`, or nullptr.
uint8_t* ClassById(uint8_t* db, uint16_t id) {
  DbAreaDesc* a = N4VM_Area(db, kArClasses);
  for (uint32_t k = 0; k < a->used && id != 0; ++k)
    if (le::U16(ClassRec(db, k) + 34) == id) return ClassRec(db, k);
  return nullptr;
}

const char* ImageClassName(const uint8_t* code, uint16_t id) {
  const uint8_t* list = N4VMCode_GetClassList(code);
  for (uint32_t k = 0; k < ListCount(list); ++k)
    if (le::U16(ListEntry(list, k)) == id) return EntryName(ListEntry(list, k));
  return nullptr;
}

// The instance names of the image: one per instance, in order.
const char* NextName(const char*& names) {
  if (names == nullptr || *names == 0) return nullptr;
  const char* n = names;
  names += std::strlen(names) + 1;
  return n;
}

}  // namespace

N4BlockHandler N4VMFbl_Handler(uint32_t handle) {
  return (handle >= 1 && handle <= g_handler_count) ? g_handlers[handle - 1] : nullptr;
}

int N4VMFbl_null(int command, uint8_t*, uint8_t*, uint8_t*, const uint16_t*) { return command == kFbTypesOk; }

int N4VMFCust_null(int command, uint8_t* db, uint8_t*, uint8_t*, const uint16_t* args) {
  if (command == kFbTypesOk) return 1;
  if (command != kFbExecute || args == nullptr || args[0] < 2 || db == nullptr) return 0;
  // The list ends with the result's index and its type code.
  const uint16_t index = args[args[0] - 1], type = args[args[0]];
  int area;
  switch (type) {
    case 1: case 10: case 14: area = kArData8; break;
    case 11: case 15: area = kArData16; break;
    case 2: case 3: case 16: area = kArData32; break;
    case 12: case 13: case 17: area = kArData64; break;
    case 4: area = kArTime; break;
    case 5: {
      uint8_t* slot = N4VM_Item(db, kArStringPtrs, index);
      uint32_t rec = slot ? le::U32(slot) : 0;
      const DbAreaDesc* buf = N4VM_Area(db, kArStringBuf);
      if (rec >= buf->address && uint64_t(rec) + 3 <= uint64_t(buf->address) + buf->raw_size) {
        db[rec + 1] = 0;
        db[rec + 2] = 0;
      }
      return 0;
    }
    default: return 0;
  }
  if (uint8_t* v = N4VM_Item(db, area, index)) std::memset(v, 0, N4VM_Area(db, area)->item_size);
  return 0;
}

uint32_t N4VMFbl_GetNbClass() {
  uint32_t n = 0;
  EachBlockAll([&](const char*, N4BlockHandler) { return ++n, true; });
  return n;
}

uint32_t N4VMFbl_GetClassDataSize() {
  uint32_t sum = 0;
  EachBlockAll([&](const char*, N4BlockHandler h) {
    sum += Round8(uint32_t(h(kFbClassSize, nullptr, nullptr, nullptr, nullptr)));
    return true;
  });
  return sum;
}

uint32_t N4VMFbl_GetInstanceDataSizeExact(const uint8_t* code) {
  uint64_t sum = 0;
  for (const uint8_t* e = N4VMCode_GetInstanceList(code); le::U16(e + 2) != 0; e += 8) {
    const bool built_in = le::U16(e) != 0;
    const uint16_t id = le::U16(e + 2);
    const char* name = built_in ? nullptr : ImageClassName(code, id);
    if (!built_in && name == nullptr) continue;
    EachBlock(built_in, [&](const char* n, N4BlockHandler h) {
      bool match = built_in ? h(kFbClassId, nullptr, nullptr, nullptr, nullptr) == id : SameName(n, name);
      if (!match) return true;
      sum += Round8(uint32_t(h(kFbInstanceSize, nullptr, nullptr, nullptr, nullptr)));
      return false;
    });
  }
  return sum > 0xFFFFFFF0u ? 0xFFFFFFF0u : uint32_t(sum);
}

uint32_t N4VMFbl_GetInstanceDataSize(const uint8_t* code) {
  uint32_t exact = N4VMFbl_GetInstanceDataSizeExact(code), wished = N4VMCode_GetWishedFBIRawSize(code);
  return exact > wished ? exact : wished;
}

void N4VMLog_RegisterUnresolved(uint8_t* db, const char* name) {
  uint8_t* s = N4VM_AreaPtr(db, kArStatus) + kStUnresolved;
  uint16_t n = le::U16(s);
  uint8_t* slot = N4VM_Item(db, kArUnresolved, n);
  if (slot == nullptr || n >= 16) return;
  std::memset(slot, 0, 16);
  size_t len = strnlen(name, 64);
  if (len <= 15) {
    std::memcpy(slot, name, len);
  } else {
    std::memcpy(slot, name, 13);
    std::memcpy(slot + 13, "..", 2);
  }
  le::Put16(s, uint16_t(n + 1));
}

const char* N4VMLog_GetUnresolved(uint8_t* db, unsigned n) {
  if (n >= N4VM_Status16(db, kStUnresolved)) return nullptr;
  return reinterpret_cast<const char*>(N4VM_Item(db, kArUnresolved, n));
}

int N4VMFbl_InitInstances(const uint8_t* code, uint8_t* db, int init) {
  int unresolved = 0;
  const DbAreaDesc* data = N4VM_Area(db, kArInstanceData);
  uint32_t position = data->address, end = data->address + data->raw_size;
  const char* names = N4VMCode_GetInstanceNames(code);
  uint32_t k = 1;
  DbAreaDesc* area = N4VM_Area(db, kArInstances);
  for (const uint8_t* e = N4VMCode_GetInstanceList(code); le::U16(e + 2) != 0; e += 8, ++k) {
    uint8_t* rec = InstanceRec(db, k);
    if (rec == nullptr) break;
    const uint8_t* cls = ClassById(db, le::U16(e + 2));
    uint32_t size = cls ? le::U32(cls + 20) : 0;
    const char* name = NextName(names);
    std::memset(rec, 0, kInstanceRecord);
    le::Put32(rec + 16, le::U32(e + 4));
    if (cls == nullptr || uint64_t(position) + size > end) {
      le::Put32(rec + 4, HandleOf(N4VMFbl_null));
      SetStatusFlag(db, kStsUnresolved);
      ++unresolved;
      continue;
    }
    le::Put16(rec, uint16_t((cls - ClassRec(db, 0)) / kClassRecord));
    le::Put16(rec + 2, 1);
    le::Put32(rec + 4, le::U32(cls + 24));
    le::Put32(rec + 8, le::U32(cls + 28));
    le::Put32(rec + 12, size ? position : 0);
    position += size;
    if (!init) continue;
    uint8_t* cd = DataAt(db, le::U32(rec + 8));
    uint8_t* id = DataAt(db, le::U32(rec + 12));
    Call(db, le::U32(rec + 4), kFbInstanceInit, cd, id, nullptr);
    if (name != nullptr && *name != 0) {
      const char* holder = name;
      Call(db, le::U32(rec + 4), kFbName, cd, id, reinterpret_cast<const uint16_t*>(&holder));
    }
    if (Call(db, le::U32(rec + 4), kFbWantsKeepAlive, cd, id, nullptr) != 0) le::Put16(rec + 2, 0x8001);
  }
  area->used = uint16_t(k);
  return unresolved;
}

void N4VMFbl_InitNewInstances(uint8_t* db, uint32_t previous) {
  const DbAreaDesc* area = N4VM_Area(db, kArInstances);
  for (uint32_t k = 1; k < area->used; ++k) {
    uint8_t* rec = InstanceRec(db, k);
    if (!(le::U16(rec + 2) & 1)) continue;
    uint8_t *cd = DataAt(db, le::U32(rec + 8)), *id = DataAt(db, le::U32(rec + 12));
    Call(db, le::U32(rec + 4), k < previous ? kFbKept : kFbInstanceInit, cd, id, nullptr);
    if (k >= previous && Call(db, le::U32(rec + 4), kFbWantsKeepAlive, cd, id, nullptr) != 0)
      le::Put16(rec + 2, 0x8001);
  }
}

int N4VMFbl_InitCustomFunctions(const uint8_t* code, uint8_t* db) {
  const uint8_t* list = N4VMCode_GetCustomFuncList(code);
  DbAreaDesc* area = N4VM_Area(db, kArCustomFuncs);
  int unresolved = 0;
  uint32_t k = 1;
  for (uint32_t i = 0; i < ListCount(list) && k + 1 <= area->allocated; ++i, ++k) {
    const uint8_t* e = ListEntry(list, i);
    uint8_t* rec = N4VM_Item(db, kArCustomFuncs, k);
    std::memset(rec, 0, kCustomRecord);
    std::memcpy(rec, EntryName(e), 15);
    N4BlockHandler found = nullptr;
    EachBlock(false, [&](const char* n, N4BlockHandler h) {
      if (!SameName(n, EntryName(e))) return true;
      found = h;
      return false;
    });
    le::Put32(rec + 16, HandleOf(found ? found : N4VMFCust_null));
    le::Put32(rec + 20, found ? 1 : 0);
    if (found == nullptr) {
      N4VMLog_RegisterUnresolved(db, EntryName(e));
      SetStatusFlag(db, kStsUnresolved);
      ++unresolved;
    }
  }
  area->used = uint16_t(k);
  return unresolved;
}

int N4VMFbl_Link(const uint8_t* code, uint8_t* db, int hot) {
  const uint32_t previous = N4VM_Area(db, kArInstances)->used;
  le::Put16(N4VM_AreaPtr(db, kArStatus) + kStUnresolved, 0);
  // The class table, in linking order.
  DbAreaDesc* classes = N4VM_Area(db, kArClasses);
  classes->used = 0;
  EachBlockAll([&](const char* name, N4BlockHandler h) {
    uint8_t* rec = ClassRec(db, classes->used);
    if (rec == nullptr) return false;
    std::memset(rec, 0, kClassRecord);
    std::strncpy(reinterpret_cast<char*>(rec), name, 15);
    le::Put32(rec + 16, Round8(uint32_t(h(kFbClassSize, nullptr, nullptr, nullptr, nullptr))));
    le::Put32(rec + 20, Round8(uint32_t(h(kFbInstanceSize, nullptr, nullptr, nullptr, nullptr))));
    le::Put32(rec + 24, HandleOf(h));
    le::Put16(rec + 32, 1);
    ++classes->used;
    return true;
  });
  int unresolved = 0;
  const uint8_t* list = N4VMCode_GetClassList(code);
  for (uint32_t i = 0; i < ListCount(list); ++i) {
    const uint8_t* e = ListEntry(list, i);
    bool found = false;
    for (uint32_t k = 0; k < classes->used && !found; ++k) {
      uint8_t* rec = ClassRec(db, k);
      if (!SameName(reinterpret_cast<const char*>(rec), EntryName(e))) continue;
      le::Put16(rec + 34, le::U16(e));
      found = true;
    }
    if (!found && le::U16(e + 2) != 0) {
      N4VMLog_RegisterUnresolved(db, EntryName(e));
      ++unresolved;
    }
  }
  // Class data, then the class init.
  const DbAreaDesc* cdata = N4VM_Area(db, kArClassData);
  uint32_t position = cdata->address, end = cdata->address + cdata->raw_size;
  for (uint32_t k = 0; k < classes->used; ++k) {
    uint8_t* rec = ClassRec(db, k);
    uint32_t size = le::U32(rec + 16);
    if (size != 0 && uint64_t(position) + size <= end) {
      le::Put32(rec + 28, position);
      position += size;
    }
    if (!hot) Call(db, le::U32(rec + 24), kFbClassInit, DataAt(db, le::U32(rec + 28)), nullptr, nullptr);
  }
  if (unresolved) SetStatusFlag(db, kStsUnresolved);
  unresolved += N4VMFbl_InitInstances(code, db, hot ? 0 : 1);
  if (hot) N4VMFbl_InitNewInstances(db, previous);
  unresolved += N4VMFbl_InitCustomFunctions(code, db);
  return unresolved;
}

void N4VMFbl_KeepAlive(uint8_t* db) {
  const DbAreaDesc* area = N4VM_Area(db, kArInstances);
  for (uint32_t k = 1; k < area->used; ++k) {
    uint8_t* rec = InstanceRec(db, k);
    if (le::U16(rec + 2) & 0x8000)
      Call(db, le::U32(rec + 4), kFbKeepAlive, DataAt(db, le::U32(rec + 8)), DataAt(db, le::U32(rec + 12)), nullptr);
  }
}

void N4VMFbl_ShutDown(uint8_t* db) {
  const DbAreaDesc* inst = N4VM_Area(db, kArInstances);
  for (uint32_t k = 1; k < inst->used; ++k) {
    uint8_t* rec = InstanceRec(db, k);
    Call(db, le::U32(rec + 4), kFbInstanceExit, DataAt(db, le::U32(rec + 8)), DataAt(db, le::U32(rec + 12)), nullptr);
  }
  const DbAreaDesc* classes = N4VM_Area(db, kArClasses);
  for (uint32_t k = 0; k < classes->used; ++k) {
    uint8_t* rec = ClassRec(db, k);
    Call(db, le::U32(rec + 24), kFbClassExit, DataAt(db, le::U32(rec + 28)), nullptr, nullptr);
  }
}

uint32_t N4VMFbl_GetInstanceCount(uint8_t* db, const char* class_name) {
  const DbAreaDesc* inst = N4VM_Area(db, kArInstances);
  uint32_t n = 0;
  for (uint32_t k = 1; k < inst->used; ++k) {
    uint8_t* rec = InstanceRec(db, k);
    if (!(le::U16(rec + 2) & 1)) continue;
    const uint8_t* cls = ClassRec(db, le::U16(rec));
    if (cls && SameName(reinterpret_cast<const char*>(cls), class_name)) ++n;
  }
  return n;
}
