// The variable map: items built from the image's map records, three hash chains (index,
// numeric tag, symbol), typed access through the conversion rules and the extended
// status of the items that carry it. Every record is checked against the image before
// an item is made of it.
#include "iec_runtime/var_map.h"

#include <cstring>

#include "iec_library/iec_string.h"
#include "iec_runtime/code_image.h"
#include "iec_runtime/conversions.h"
#include "iec_runtime/os_services.h"
#include "le_bytes.h"

namespace {

enum : uint32_t { kItRecord = 0, kItData = 4, kItLock = 8, kItNextIndex = 12, kItNextSymbol = 16, kItNextTag = 20,
                  kItVsi = 24 };
enum : uint16_t { kRfName = 0x01, kRfTag = 0x02, kRfProps = 0x04, kRfProfile = 0x08, kRfCt = 0x100, kRfVsi = 0x200 };
constexpr uint32_t kHeads = 49, kTagHeads = 16, kSymbolHeads = 32;

const uint8_t* Code(uint8_t* db) { return N4VM_GetCode(db); }
const uint8_t* Record(uint8_t* db, N4MapItem item) { return Code(db) + le::U32(item + kItRecord); }
uint16_t RecType(const uint8_t* r) { return le::U16(r + 2); }
uint16_t RecFlags(const uint8_t* r) { return le::U16(r + 14); }
uint32_t* Heads(uint8_t* db) { return reinterpret_cast<uint32_t*>(N4VM_AreaPtr(db, kArMapHash)); }

int Fold(int type) {
  switch (type & 0x7F) {
    case 14: return (type & 0x80) | 10;
    case 15: return (type & 0x80) | 11;
    case 16: return (type & 0x80) | 2;
    case 17: return (type & 0x80) | 12;
    default: return type;
  }
}
bool Basic(int t) { return (t >= 1 && t <= 5) || (t >= 10 && t <= 17); }

char Upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }
uint32_t SymbolBucket(const char* name) {
  uint32_t h = 0;
  for (; *name; ++name) h = (h * 33 + uint8_t(Upper(*name))) & 0xFFFF;
  return h % 17;
}

uint8_t LockMask(int type) {
  if (type & 0x80) return 0x80;
  switch (type) {
    case 1: case 10: case 14: return 0x01;
    case 11: case 15: return 0x02;
    case 2: case 3: case 16: return 0x04;
    case 12: case 13: case 17: return 0x08;
    case 4: return 0x10;
    case 5: return 0x20;
    default: return 0;
  }
}

// The map section when valid: head in the image, the 0x8000 mark and a first record.
const uint8_t* Section(const uint8_t* code) {
  const uint8_t* m = N4VMCode_GetPublishedList(code);
  if (m == nullptr || le::U16(m + 14) != 0x8000) return nullptr;
  return m;
}

// Walks the records; false when one does not lie whole inside the image.
template <typename F>
bool EachRecord(const uint8_t* code, uint32_t code_size, F f) {
  const uint8_t* m = Section(code);
  if (m == nullptr || le::U16(m) == 0) return true;
  uint64_t at = uint64_t(m - code) + le::U16(m);
  for (;;) {
    if (at + 2 > code_size) return false;
    uint16_t len = le::U16(code + at);
    if (len == 0) return true;
    if (len < 16 || at + len > code_size) return false;
    const uint8_t* r = code + at;
    if ((RecFlags(r) & kRfName) && memchr(r + 16, 0, len - 16u) == nullptr) return false;
    uint16_t ext = le::U16(r + 10);
    uint32_t need = ((RecFlags(r) & kRfCt) ? 8u : 0u) + ((RecFlags(r) & kRfProfile) ? 16u : 0u);
    if ((RecFlags(r) & (kRfCt | kRfProfile | kRfProps)) && (ext < 16 || ext + need > len)) return false;
    if (!f(r)) return true;
    at += len;
  }
}

uint8_t* ItemAt(uint8_t* db, uint32_t n) { return N4VM_Item(db, kArMap, n); }

uint32_t DataOffset(uint8_t* db, const uint8_t* r) {
  const int type = RecType(r);
  const uint16_t index = le::U16(r + 4);
  int area;
  if (type & 0x80) area = kArXV;
  else if (type == 127) {
    const DbAreaDesc* ct = N4VM_Area(db, kArCt);
    uint32_t off = le::U32(r + le::U16(r + 10));
    return off < ct->raw_size ? ct->address + off : 0;
  } else {
    switch (type) {
      case 1: case 10: case 14: area = kArData8; break;
      case 11: case 15: area = kArData16; break;
      case 2: case 3: case 16: area = kArData32; break;
      case 12: case 13: case 17: area = kArData64; break;
      case 4: area = kArTime; break;
      case 5: area = kArStringPtrs; break;
      default: return 0;
    }
  }
  const uint8_t* item = N4VM_Item(db, area, index);
  // An array's last element must lie inside the area too.
  uint32_t dim = le::U16(r + 6);
  if (item == nullptr || (dim > 1 && N4VM_Item(db, area, index + dim - 1u) == nullptr)) return 0;
  return uint32_t(item - db);
}

// The variable itself: a string's record, an external variable's target.
uint8_t* Target(uint8_t* db, N4MapItem item, int* type) {
  const uint8_t* r = Record(db, item);
  *type = RecType(r);
  uint32_t off = le::U32(item + kItData);
  if (off == 0 || !Basic(*type)) return nullptr;
  if (*type == 5) return N4VMStr_Record(db, le::U16(r + 4));
  return db + off;
}

uint8_t* Vsi(uint8_t* db, N4MapItem item) {
  return item && (RecFlags(Record(db, item)) & kRfVsi) ? item + kItVsi : nullptr;
}

}  // namespace

int N4VMMap_GetSizing(N4MapSizing* sizing, const uint8_t* code) {
  const uint8_t* m = code ? Section(code) : nullptr;
  if (m == nullptr) return 1;
  sizing->item_size = (le::U16(m + 6) & kRfVsi) ? 40 : 24;
  sizing->count = le::U16(m + 4);
  sizing->capacity = le::U16(m + 2);
  return 0;
}

int N4VMMap_Build(uint8_t* db, const uint8_t* code) {
  uint32_t* heads = Heads(db);
  std::memset(heads, 0, 4 * kHeads);
  DbAreaDesc* area = N4VM_Area(db, kArMap);
  area->used = 0;
  const uint8_t* m = Section(code);
  if (m == nullptr) return 0;
  const uint32_t code_size = N4VM_GetCodeSize(db);
  uint8_t* pv = N4VM_AreaPtr(db, kArPrivate);
  const bool same_stamp = le::U32(pv + kPvMapStamp) == le::U32(m + 8);
  le::Put32(pv + kPvMapStamp, le::U32(m + 8));
  uint32_t n = 0;
  bool full = false;
  bool ok = EachRecord(code, code_size, [&](const uint8_t* r) {
    uint8_t* it = ItemAt(db, n);
    if (it == nullptr) {
      full = true;
      return false;
    }
    const uint16_t type = RecType(r), index = le::U16(r + 4);
    le::Put32(it + kItRecord, uint32_t(r - code));
    le::Put32(it + kItData, DataOffset(db, r));
    const uint8_t* lock = N4VM_Item(db, kArLocks, index);
    le::Put32(it + kItLock, lock ? uint32_t(lock - db) : 0);
    const uint32_t self = uint32_t(it - db);
    uint32_t& bi = heads[index & 15];
    le::Put32(it + kItNextIndex, bi);
    bi = self;
    le::Put32(it + kItNextTag, 0);
    le::Put32(it + kItNextSymbol, 0);
    if (RecFlags(r) & kRfTag) {
      uint32_t& bt = heads[kTagHeads + (le::U16(r + 12) & 15)];
      le::Put32(it + kItNextTag, bt);
      bt = self;
    }
    if (RecFlags(r) & kRfName) {
      uint32_t& bs = heads[kSymbolHeads + SymbolBucket(reinterpret_cast<const char*>(r + 16))];
      le::Put32(it + kItNextSymbol, bs);
      bs = self;
    }
    if ((RecFlags(r) & kRfVsi) && !same_stamp) std::memset(it + kItVsi, 0, 16);
    (void)type;
    ++n;
    return true;
  });
  area->used = uint16_t(n);
  return (ok && !full) ? 0 : 1;
}

int N4VMMap_CanHotRestart(uint8_t* db, const uint8_t* code) {
  N4MapSizing s;
  if (N4VMMap_GetSizing(&s, code) != 0) return 0;
  const DbAreaDesc* a = N4VM_Area(db, kArMap);
  return (s.item_size != a->item_size || s.capacity != a->allocated) ? 1 : 0;
}

int N4VMMap_HotRestart(uint8_t* db, const uint8_t* code) {
  std::memset(Heads(db), 0, 4 * kHeads);
  N4MapSizing s;
  if (N4VMMap_GetSizing(&s, code) != 0) {
    N4VM_Area(db, kArMap)->used = 0;
    return 0;
  }
  if (N4VMMap_CanHotRestart(db, code)) return 1;
  return N4VMMap_Build(db, code);
}

N4MapItem N4Map_GetByIndex(uint8_t* db, int type, uint32_t index) {
  if (Code(db) == nullptr) return nullptr;
  const int want = Fold(type);
  for (uint32_t off = Heads(db)[index & 15]; off != 0; off = le::U32(db + off + kItNextIndex)) {
    const uint8_t* r = Record(db, db + off);
    if (le::U16(r + 4) == index && Fold(RecType(r)) == want) return db + off;
  }
  return nullptr;
}

N4MapItem N4Map_GetBySymbol(uint8_t* db, const char* name) {
  if (Code(db) == nullptr || name == nullptr) return nullptr;
  for (uint32_t off = Heads(db)[kSymbolHeads + SymbolBucket(name)]; off != 0;
       off = le::U32(db + off + kItNextSymbol)) {
    if (N4VMStr_ICmp(reinterpret_cast<const char*>(Record(db, db + off) + 16), name) == 0) return db + off;
  }
  return nullptr;
}

N4MapItem N4Map_GetByNumTag(uint8_t* db, uint32_t tag) {
  if (Code(db) == nullptr) return nullptr;
  for (uint32_t off = Heads(db)[kTagHeads + (tag & 15)]; off != 0; off = le::U32(db + off + kItNextTag))
    if (le::U16(Record(db, db + off) + 12) == tag) return db + off;
  return nullptr;
}

N4MapItem N4Map_GetFirst(uint8_t* db, uint32_t* cursor) {
  *cursor = 0;
  return N4Map_GetNext(db, cursor);
}
N4MapItem N4Map_GetNext(uint8_t* db, uint32_t* cursor) {
  if (Code(db) == nullptr || *cursor >= N4VM_Area(db, kArMap)->used) return nullptr;
  return ItemAt(db, (*cursor)++);
}
int N4Map_CheckPointer(uint8_t* db, const uint8_t* item) {
  const DbAreaDesc* a = N4VM_Area(db, kArMap);
  if (item < db + a->address || a->item_size == 0) return 0;
  uint32_t off = uint32_t(item - (db + a->address));
  return off % a->item_size == 0 && off / a->item_size < a->used;
}

N4MapItem N4Map_GetByData(uint8_t* db, const uint8_t* address) {
  uint32_t cursor;
  for (N4MapItem it = N4Map_GetFirst(db, &cursor); it; it = N4Map_GetNext(db, &cursor))
    if (le::U32(it + kItData) != 0 && db + le::U32(it + kItData) == address) return it;
  return nullptr;
}
uint8_t* N4Map_GetVSIByData(uint8_t* db, const uint8_t* address) { return Vsi(db, N4Map_GetByData(db, address)); }

const char* N4Map_GetSymbol(uint8_t* db, N4MapItem item) {
  const uint8_t* r = Record(db, item);
  return (RecFlags(r) & kRfName) ? reinterpret_cast<const char*>(r + 16) : nullptr;
}
uint32_t N4Map_GetIndex(uint8_t* db, N4MapItem item) { return le::U16(Record(db, item) + 4); }
int N4Map_GetType(uint8_t* db, N4MapItem item) { return RecType(Record(db, item)); }
uint32_t N4Map_GetNumTag(uint8_t* db, N4MapItem item) { return le::U16(Record(db, item) + 12); }
uint32_t N4Map_GetDim(uint8_t* db, N4MapItem item) {
  uint32_t d = le::U16(Record(db, item) + 6);
  return d <= 1 ? 0 : d;
}
uint32_t N4Map_GetStringLenth(uint8_t* db, N4MapItem item) {
  const uint8_t* r = Record(db, item);
  return RecType(r) == 5 ? le::U16(r + 8) : 0;
}
uint32_t N4Map_GetPropsSize(uint8_t* db, N4MapItem item) {
  const uint8_t* r = Record(db, item);
  if (!(RecFlags(r) & kRfProps)) return 0;
  int32_t n = int32_t(le::U16(r)) - le::U16(r + 10) - ((RecFlags(r) & kRfProfile) ? 16 : 0) -
              ((RecFlags(r) & kRfCt) ? 8 : 0);
  return n > 0 ? uint32_t(n) : 0;
}
const uint8_t* N4Map_GetProps(uint8_t* db, N4MapItem item) {
  const uint8_t* r = Record(db, item);
  if (!(RecFlags(r) & kRfProps)) return nullptr;
  return r + le::U16(r + 10) + ((RecFlags(r) & kRfCt) ? 8 : 0) + ((RecFlags(r) & kRfProfile) ? 16 : 0);
}
const char* N4Map_GetProfileName(uint8_t* db, N4MapItem item) {
  const uint8_t* r = Record(db, item);
  if (!(RecFlags(r) & kRfProfile)) return nullptr;
  return reinterpret_cast<const char*>(r + le::U16(r + 10) + ((RecFlags(r) & kRfCt) ? 8 : 0));
}
int N4Map_IsLocked(uint8_t* db, N4MapItem item) {
  uint32_t lock = le::U32(item + kItLock);
  return lock != 0 && (db[lock] & LockMask(N4Map_GetType(db, item))) != 0;
}
uint8_t* N4Map_GetData(uint8_t* db, N4MapItem item) {
  uint32_t off = le::U32(item + kItData);
  return off ? db + off : nullptr;
}

namespace {
int32_t Get(uint8_t* db, N4MapItem item, void* out, int as) {
  int type;
  const uint8_t* v = Target(db, item, &type);
  std::memset(out, 0, 8);
  if (v == nullptr || type == 5) return 1;
  N4VMCnv_ConvBin(out, v, as, type);
  return 0;
}
int Set(uint8_t* db, N4MapItem item, const void* in, int from) {
  int type;
  uint8_t* v = Target(db, item, &type);
  if (v == nullptr || type == 5 || N4Map_IsLocked(db, item)) return 1;
  N4VMCnv_ConvBin(v, in, type, from);
  return 0;
}
}  // namespace

int32_t N4Map_GetLongValue(uint8_t* db, N4MapItem item) {
  int32_t v[2];
  Get(db, item, v, 2);
  return v[0];
}
uint32_t N4Map_GetDWordValue(uint8_t* db, N4MapItem item) {
  uint32_t v[2];
  Get(db, item, v, 16);
  return v[0];
}
int64_t N4Map_GetLIntValue(uint8_t* db, N4MapItem item) {
  int64_t v;
  Get(db, item, &v, 12);
  return v;
}
float N4Map_GetRealValue(uint8_t* db, N4MapItem item) {
  float v[2];
  Get(db, item, v, 3);
  return v[0];
}
double N4Map_GetLRealValue(uint8_t* db, N4MapItem item) {
  double v;
  Get(db, item, &v, 13);
  return v;
}
const char* N4Map_GetStringValue(uint8_t* db, N4MapItem item, uint32_t* length) {
  int type;
  const uint8_t* r = Target(db, item, &type);
  if (r == nullptr || type != 5) return nullptr;
  if (length) *length = r[1];
  return reinterpret_cast<const char*>(r + 2);
}
int N4Map_SetLongValue(uint8_t* db, N4MapItem item, int32_t value) { return Set(db, item, &value, 2); }
int N4Map_SetDWordValue(uint8_t* db, N4MapItem item, uint32_t value) { return Set(db, item, &value, 16); }
int N4Map_SetLIntValue(uint8_t* db, N4MapItem item, int64_t value) { return Set(db, item, &value, 12); }
int N4Map_SetRealValue(uint8_t* db, N4MapItem item, float value) { return Set(db, item, &value, 3); }
int N4Map_SetLRealValue(uint8_t* db, N4MapItem item, double value) { return Set(db, item, &value, 13); }
int N4Map_SetStringValue(uint8_t* db, N4MapItem item, const char* text, uint32_t length) {
  int type;
  uint8_t* r = Target(db, item, &type);
  if (r == nullptr || type != 5 || N4Map_IsLocked(db, item) || text == nullptr) return 1;
  if (length == 0) length = uint32_t(strnlen(text, 255));
  if (length > 255) length = 255;
  N4VMStr_AscForce(r, text, length);
  return 0;
}

int N4Map_GetVSIBit(uint8_t* db, N4MapItem item, unsigned bit) {
  uint8_t* v = Vsi(db, item);
  if (v == nullptr || bit > 63) return 0;
  uint32_t word = le::U32(v + (bit >= 32 ? 0 : 4));
  return (word >> (bit % 32)) & 1;
}
int N4Map_SetVSIBit(uint8_t* db, N4MapItem item, unsigned bit, int on) {
  uint8_t* v = Vsi(db, item);
  if (v == nullptr || bit > 63) return 0;
  uint8_t* w = v + (bit >= 32 ? 0 : 4);
  uint32_t m = 1u << (bit % 32);
  le::Put32(w, on ? (le::U32(w) | m) : (le::U32(w) & ~m));
  return 1;
}
int N4Map_ResetSetVSIBits(uint8_t* db, N4MapItem item) {
  uint8_t* v = Vsi(db, item);
  if (v == nullptr) return 0;
  std::memset(v, 0, 8);
  return 1;
}
uint32_t N4Map_GetVSIDate(uint8_t* db, N4MapItem item) {
  uint8_t* v = Vsi(db, item);
  return v ? le::U32(v + 8) : 0;
}
int N4Map_SetVSIDate(uint8_t* db, N4MapItem item, uint32_t date) {
  uint8_t* v = Vsi(db, item);
  if (v == nullptr) return 0;
  le::Put32(v + 8, date);
  return 1;
}
uint32_t N4Map_GetVSITime(uint8_t* db, N4MapItem item) {
  uint8_t* v = Vsi(db, item);
  return v ? le::U32(v + 12) : 0;
}
int N4Map_SetVSITime(uint8_t* db, N4MapItem item, uint32_t time) {
  uint8_t* v = Vsi(db, item);
  if (v == nullptr) return 0;
  le::Put32(v + 12, time);
  return 1;
}
namespace {
int Stamp(uint8_t* db, N4MapItem item, int local) {
  uint8_t* v = Vsi(db, item);
  if (v == nullptr) return 0;
  uint32_t date = 0, time = 0, flag = 0;
  N4RtClk_GetCurDateTimeStamp(local, &date, &time, &flag);
  le::Put32(v + 8, date);
  le::Put32(v + 12, time);
  return 1;
}
}  // namespace
int N4Map_StampVSI(uint8_t* db, N4MapItem item) { return Stamp(db, item, 1); }
int N4Map_StampVSIGMT(uint8_t* db, N4MapItem item) { return Stamp(db, item, 0); }
int N4Map_CopyVSI(uint8_t* db, int type, uint32_t target, uint32_t source, int bits, int stamps) {
  uint8_t* t = Vsi(db, N4Map_GetByIndex(db, type, target));
  uint8_t* s = Vsi(db, N4Map_GetByIndex(db, type, source));
  if (t == nullptr || s == nullptr) return 0;
  if (bits) std::memcpy(t, s, 8);
  if (stamps) std::memcpy(t + 8, s + 8, 8);
  return 1;
}
uint8_t* N4Map_GetVSI(uint8_t* db, N4MapItem item) { return Vsi(db, item); }

int N4Map_SetXVAddress(uint8_t* db, N4MapItem item, uint8_t* address) {
  const uint8_t* r = Record(db, item);
  const int type = RecType(r);
  if (!(type & 0x80) || address == nullptr) return 1;
  uint32_t element;
  switch (type & 0x7F) {
    case 5: element = le::U16(r + 8) + 3u; break;
    default: element = N4VMCnv_Width(type & 0x7F); break;
  }
  const uint32_t index = le::U16(r + 4), dim = le::U16(r + 6) ? le::U16(r + 6) : 1;
  const uint32_t base = uint32_t(address - db);
  le::Put32(item + kItData, base);
  for (uint32_t k = 0; k < dim; ++k) {
    uint8_t* slot = N4VM_Item(db, kArXV, index + k);
    if (slot == nullptr) break;
    le::Put32(slot, base + k * element);
  }
  return 0;
}

uint32_t N4Map_GetDescLength(uint8_t* db, uint32_t n) {
  N4MapItem item = ItemAt(db, n);
  if (item == nullptr || n >= N4VM_Area(db, kArMap)->used) return 12;
  const char* name = N4Map_GetSymbol(db, item);
  if (name == nullptr) return 12;
  uint32_t len = uint32_t(strnlen(name, 255));
  return 11 + len + 1;
}

uint32_t N4Map_GetDesc(uint8_t* db, uint32_t n, uint8_t* b) {
  std::memset(b, 0, 12);
  if (n >= N4VM_Area(db, kArMap)->used) return 12;
  N4MapItem item = ItemAt(db, n);
  const uint8_t* r = Record(db, item);
  le::Put16(b, RecType(r));
  if (RecType(r) == 127) {
    const uint8_t* ext = r + le::U16(r + 10);
    le::Put32(b + 2, le::U32(ext));
    le::Put16(b + 6, uint16_t(le::U32(ext + 4)));
  } else {
    le::Put16(b + 2, le::U16(r + 4));
    le::Put16(b + 4, le::U16(r + 8));
    le::Put16(b + 6, le::U16(r + 6));
  }
  le::Put16(b + 8, RecFlags(r));
  const char* name = N4Map_GetSymbol(db, item);
  if (name == nullptr) return 12;
  uint32_t len = uint32_t(strnlen(name, 255));
  b[10] = uint8_t(len);
  std::memcpy(b + 11, name, len);
  b[11 + len] = 0;
  return 12 + len;
}
