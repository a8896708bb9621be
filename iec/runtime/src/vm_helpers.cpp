// Helpers of the interpreter's opcodes that the debugger also uses: variable locks, the
// CT-segment copies and SFC breakpoints.
#include <cstring>

#include "iec_runtime/interpreter.h"
#include "iec_runtime/vm_db.h"
#include "le_bytes.h"

namespace {

uint8_t* StatusAt(uint8_t* db, uint32_t f) { return N4VM_AreaPtr(db, kArStatus) + f; }

void SetStatusFlag(uint8_t* db, uint16_t flag, bool on) {
  uint8_t* s = StatusAt(db, kStFlags);
  le::Put16(s, on ? uint16_t(le::U16(s) | flag) : uint16_t(le::U16(s) & ~flag));
}

// The CT range [offset held in a 32-bit variable + displacement, + width).
uint8_t* CtRange(uint8_t* db, uint32_t offset_var, uint32_t displacement, uint32_t width) {
  const uint8_t* v = N4VM_Item(db, kArData32, offset_var);
  const DbAreaDesc* ct = N4VM_Area(db, kArCt);
  if (v == nullptr) return nullptr;
  uint64_t at = uint64_t(le::U32(v)) + displacement;
  if (at + width > ct->raw_size) return nullptr;
  return db + ct->address + at;
}

// The item of a type code, its width and lock bit (a string: its record).
uint8_t* TypedItem(uint8_t* db, uint16_t type, uint32_t index, uint32_t* width, uint8_t* lock) {
  int area;
  switch (type) {
    case 1: case 10: case 14: area = kArData8; *lock = 0x01; break;
    case 11: case 15: area = kArData16; *lock = 0x02; break;
    case 2: case 3: case 16: area = kArData32; *lock = 0x04; break;
    case 12: case 13: case 17: area = kArData64; *lock = 0x08; break;
    case 4: area = kArTime; *lock = 0x10; break;
    default: return nullptr;
  }
  *width = N4VM_Area(db, area)->item_size;
  return N4VM_Item(db, area, index);
}

}  // namespace

void N4VMTic_LockVar(uint8_t* db, uint32_t index, uint8_t bit) {
  uint8_t* lock = N4VM_Item(db, kArLocks, index);
  if (lock == nullptr || (*lock & bit)) return;
  *lock |= bit;
  uint8_t* count = StatusAt(db, kStLocked);
  le::Put32(count, le::U32(count) + 1);
  SetStatusFlag(db, kStsLocked, true);
}

void N4VMTic_UnlockVar(uint8_t* db, uint32_t index, uint8_t bit) {
  uint8_t* lock = N4VM_Item(db, kArLocks, index);
  if (lock == nullptr || !(*lock & bit)) return;
  *lock &= uint8_t(~bit);
  uint8_t* count = StatusAt(db, kStLocked);
  uint32_t n = le::U32(count);
  if (n > 0) le::Put32(count, --n);
  if (n == 0) SetStatusFlag(db, kStsLocked, false);
}

void N4VMTic_UnlockAllVars(uint8_t* db) {
  DbAreaDesc* locks = N4VM_Area(db, kArLocks);
  uint8_t* p = N4VM_AreaPtr(db, kArLocks);
  // The write protection of external variables is not a debugger lock.
  for (uint32_t i = 0; i < locks->allocated; ++i) p[i] &= 0x80;
  le::Put32(StatusAt(db, kStLocked), 0);
  SetStatusFlag(db, kStsLocked, false);
}

bool N4VMTic_CTMemcpy(uint8_t* db, uint32_t dst_var, uint32_t src_var, uint32_t len_var) {
  const uint8_t* len = N4VM_Item(db, kArData32, len_var);
  if (len == nullptr) return false;
  uint32_t n = le::U32(len);
  uint8_t* dst = CtRange(db, dst_var, 0, n);
  uint8_t* src = CtRange(db, src_var, 0, n);
  if (dst == nullptr || src == nullptr) return false;
  std::memmove(dst, src, n);
  return true;
}

bool N4VMTic_SetCTSegItem(uint8_t* db, uint16_t type, uint32_t index, uint32_t offset_var, uint32_t displacement) {
  uint32_t width = 0;
  uint8_t lock = 0;
  uint8_t* item = TypedItem(db, type, index, &width, &lock);
  uint8_t* at = item ? CtRange(db, offset_var, displacement, width) : nullptr;
  if (at == nullptr) return false;
  std::memcpy(at, item, width);
  return true;
}

bool N4VMTic_GetCTSegItem(uint8_t* db, uint16_t type, uint32_t index, uint32_t offset_var, uint32_t displacement) {
  uint32_t width = 0;
  uint8_t lock = 0;
  uint8_t* item = TypedItem(db, type, index, &width, &lock);
  uint8_t* at = item ? CtRange(db, offset_var, displacement, width) : nullptr;
  if (at == nullptr) return false;
  const uint8_t* flags = N4VM_Item(db, kArLocks, index);
  if (flags == nullptr || !(*flags & lock)) std::memcpy(item, at, width);
  return true;
}

namespace {
void SetBreak(uint8_t* db, int area, uint32_t item_size, uint32_t at, uint32_t index, int on) {
  DbAreaDesc* d = N4VM_Area(db, area);
  for (uint32_t i = index == 0 ? 0 : index; i < d->allocated && (index == 0 || i == index); ++i)
    le::Put16(N4VM_AreaPtr(db, area) + item_size * i + at, on ? 1 : 0);
}
}  // namespace

void N4VMTic_SetSfcBreakS(uint8_t* db, uint32_t step, int on) { SetBreak(db, kArSteps, 12, 10, step, on); }
void N4VMTic_SetSfcBreakT(uint8_t* db, uint32_t transition, int on) { SetBreak(db, kArTrans, 4, 2, transition, on); }
