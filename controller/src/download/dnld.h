#pragma once
// What download, upload and verify share: which download types they serve, the bounds
// of each type's table, and the bitmap store's addressing.

#include <cstdint>

#include "ground/file_info.h"

inline constexpr uint8_t kTypeLogic = 0;
inline constexpr uint8_t kTypeForce = 2;
inline constexpr uint8_t kTypeNone3 = 3;
inline constexpr uint8_t kTypeBitmaps = 9;
inline constexpr uint8_t kTypeScreenSaver = 17;
inline constexpr uint8_t kTypeOnlineLogic = 26;
inline constexpr uint8_t kTypeLast = 33;

// True when the type has a table (a type above 33 has none).
bool DnldHasTable(uint8_t type);
// Types that a table download or verify refuses: those without a table, 3 and the
// screen saver.
inline bool DnldRefused(uint8_t type) { return type == kTypeNone3 || type == kTypeScreenSaver || !DnldHasTable(type); }
// The most data bytes a download of the type may store: the table's capacity, or the
// size the start-up check accepts where that is less (a larger table would be wiped at
// the next start).
uint32_t DnldCapacity(uint8_t type);
// The type's stored size, never above its capacity.
uint32_t DnldStoredSize(uint8_t type);
// Screen-side tables (7..11): an interrupted download re-checks only the screen tables.
inline bool DnldScreenType(uint8_t type) { return type >= 7 && type <= 11; }

// Type 9 addresses the 16 MiB bitmap store by a u32: 0xFFFFFFFF the 520-byte slot map,
// any other value the byte offset of a 256 KiB slot, which must be a whole slot inside
// the store.
inline constexpr uint32_t kBitmapMap = 0xFFFFFFFF;
struct BitmapTarget {
  bool valid;
  bool map;
  uint8_t slot;
};
BitmapTarget DnldBitmapTarget(uint32_t offset);
// Bytes a slot holds as the working map says, never above the slot.
uint32_t DnldSlotSize(uint8_t slot);

// The last download request's type (an interrupted download is re-checked by it).
extern uint8_t DnldType;
