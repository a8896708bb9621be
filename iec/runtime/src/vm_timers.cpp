// Running TIME variables: each cycle adds the elapsed milliseconds of the runtime's day
// tick, so a running timer wraps after one day like the tick itself.
#include "iec_runtime/retain.h"
#include "iec_runtime/vm_db.h"
#include "le_bytes.h"

namespace {
constexpr uint32_t kDayMs = 86'400'000;

uint16_t Running(uint8_t* db) { return N4VM_Status16(db, kStTimers); }
void SetRunning(uint8_t* db, uint16_t n) { le::Put16(N4VM_AreaPtr(db, kArStatus) + kStTimers, n); }
uint8_t* Entry(uint8_t* db, uint32_t i) { return N4VM_AreaPtr(db, kArTimers) + 8 * i; }
uint32_t OffsetOf(uint8_t* db, uint8_t* var) { return uint32_t(var - db); }
}  // namespace

int N4VMTmr_StartTimer(uint8_t* db, uint8_t* var) {
  uint32_t off = OffsetOf(db, var);
  uint16_t n = Running(db);
  for (uint16_t i = 0; i < n; ++i)
    if (le::U32(Entry(db, i)) == off) return 1;
  uint16_t alloc = N4VM_Area(db, kArTimers)->allocated;
  if (alloc == 0 || n >= alloc - 1) return 0;
  le::Put32(Entry(db, n), off);
  le::Put32(Entry(db, n) + 4, N4VM_Status32(db, kStLastTick));
  SetRunning(db, uint16_t(n + 1));
  return 1;
}

void N4VMTmr_StopTimer(uint8_t* db, uint8_t* var) {
  uint32_t off = OffsetOf(db, var);
  uint16_t n = Running(db);
  for (uint16_t i = 0; i < n; ++i) {
    if (le::U32(Entry(db, i)) != off) continue;
    for (uint16_t j = i; j + 1 < n; ++j)
      for (int k = 0; k < 8; ++k) Entry(db, j)[k] = Entry(db, j + 1)[k];
    SetRunning(db, uint16_t(n - 1));
    return;
  }
}

void N4VMTmr_UpdateTimers(uint8_t* db) {
  uint32_t now = N4VM_Status32(db, kStLastTick);
  uint16_t n = Running(db);
  DbAreaDesc* time = N4VM_Area(db, kArTime);
  for (uint16_t i = 0; i < n; ++i) {
    uint8_t* e = Entry(db, i);
    uint32_t last = le::U32(e + 4), off = le::U32(e);
    if (last == now) continue;
    // Only TIME variables of this database are counted.
    if (off < time->address || off + 4 > time->address + 4u * time->allocated) continue;
    uint8_t* v = db + off;
    // now - last is taken modulo the day: the tick itself wraps once a day.
    uint64_t value = (uint64_t(le::U32(v)) + (uint64_t(now) + kDayMs - last) % kDayMs) % kDayMs;
    le::Put32(v, uint32_t(value));
    le::Put32(e + 4, now);
  }
}

void N4VMTmr_HotRestartTimers(uint8_t* db) {
  SetRunning(db, 0);
  uint32_t now = N4VM_Status32(db, kStLastTick);
  DbAreaDesc* steps = N4VM_Area(db, kArSteps);
  for (uint32_t i = 0; i < steps->allocated; ++i) {
    uint8_t* s = N4VM_Item(db, kArSteps, i);
    if (s != nullptr && le::U16(s + 8) == 1) le::Put32(s + 4, now);
  }
}
