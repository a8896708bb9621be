// The runtime's clock, CRC and database helpers.
#include <cstdio>
#include <cstring>
#include <ctime>

#include "iec_runtime/os_services.h"
#include "iec_runtime/vm_db.h"
#include "le_bytes.h"
#include "platform/clock.h"

namespace {
bool Now(int local, std::tm& tm, uint32_t& ms) {
  int64_t ns = plat::WallNs();
  std::time_t s = std::time_t(ns / 1'000'000'000);
  ms = uint32_t((ns / 1'000'000) % 1000);
  tzset();
  return (local ? localtime_r(&s, &tm) : gmtime_r(&s, &tm)) != nullptr;
}
uint32_t Date(const std::tm& tm) { return uint32_t(tm.tm_year + 1900) << 16 | uint32_t(tm.tm_mon + 1) << 8 | uint32_t(tm.tm_mday); }
uint32_t Time(const std::tm& tm, uint32_t ms) { return uint32_t((tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec) * 1000) + ms; }
}  // namespace

uint32_t N4RtClk_GetCurTimeStamp() {
  std::tm tm{};
  uint32_t ms = 0;
  return Now(1, tm, ms) ? Time(tm, ms) : 0;
}
uint32_t N4RtClk_GetCurDateStamp() {
  std::tm tm{};
  uint32_t ms = 0;
  return Now(1, tm, ms) ? Date(tm) : 0;
}
void N4RtClk_GetCurDateTimeStamp(int local, uint32_t* date, uint32_t* time, uint32_t* flag) {
  std::tm tm{};
  uint32_t ms = 0;
  Now(local, tm, ms);
  if (date) *date = Date(tm);
  if (time) *time = Time(tm, ms);
  if (flag) *flag = 0;
}
int N4RtClk_GetString(int kind, char* text) {
  static const char* const kDays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
  std::tm tm{};
  uint32_t ms = 0;
  Now(1, tm, ms);
  if (kind == 1) return std::sprintf(text, "%02u:%02u:%02u", unsigned(tm.tm_hour), unsigned(tm.tm_min), unsigned(tm.tm_sec));
  if (kind == 2) return std::sprintf(text, "%s", kDays[tm.tm_wday % 7]);
  return std::sprintf(text, "%04u/%02u/%02u", unsigned(tm.tm_year + 1900), unsigned(tm.tm_mon + 1), unsigned(tm.tm_mday));
}

uint16_t N4Tools_Crc16(const uint8_t* data, uint16_t length) {
  uint16_t crc = 0xFFFF;
  for (uint16_t i = 0; i < length; ++i) {
    crc ^= data[i];
    for (int b = 0; b < 8; ++b) crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
  }
  return crc;
}

namespace {
struct TypeArea {
  int area;
  uint8_t lock;
};
bool AreaOf(int type, TypeArea& t) {
  switch (type) {
    case 1: case 10: case 14: t = {kArData8, 0x01}; return true;
    case 11: case 15: t = {kArData16, 0x02}; return true;
    case 2: case 3: case 16: t = {kArData32, 0x04}; return true;
    case 12: case 13: case 17: t = {kArData64, 0x08}; return true;
    case 4: t = {kArTime, 0x10}; return true;
    case 5: t = {kArStringPtrs, 0x20}; return true;
    default: return false;
  }
}
}  // namespace

uint8_t* N4Tools_GetAnyParam(uint8_t* db, int type, uint32_t index, int* locked, uint32_t* size) {
  TypeArea t;
  if (db == nullptr || !AreaOf(type, t)) return nullptr;
  uint8_t* item = N4VM_Item(db, t.area, index);
  if (item == nullptr) return nullptr;
  uint32_t bytes = N4VM_Area(db, t.area)->item_size;
  if (type == 5) {
    uint32_t rec = le::U32(item);
    if (rec == 0) return nullptr;
    item = db + rec;
    bytes = item[0] + 3u;
  }
  if (locked) {
    uint8_t* lock = N4VM_Item(db, kArLocks, index);
    *locked = lock != nullptr && (*lock & t.lock) != 0;
  }
  if (size) *size = bytes;
  return item;
}

uint8_t* N4Tools_GetCTParam(uint8_t* db, uint32_t index) {
  DbAreaDesc* ct = N4VM_Area(db, kArCt);
  uint8_t* off = N4VM_Item(db, kArData32, index);
  if (ct->raw_size == 0 || off == nullptr) return nullptr;
  uint32_t o = le::U32(off);
  // An offset computed by the application must still lie inside the segment.
  return o < ct->raw_size ? db + ct->address + o : nullptr;
}

uint8_t* N4Tools_GetAnyArray(uint8_t* db, int type, uint32_t index) {
  if (N4VM_Area(db, kArCt)->raw_size != 0) return N4Tools_GetCTParam(db, index);
  TypeArea t;
  return AreaOf(type, t) ? N4VM_Item(db, t.area, index) : nullptr;
}

uint8_t* N4Tools_GetD8Array(uint8_t* db, uint32_t index) { return N4Tools_GetAnyArray(db, 1, index); }
uint8_t* N4Tools_GetD16Array(uint8_t* db, uint32_t index) { return N4Tools_GetAnyArray(db, 11, index); }
uint8_t* N4Tools_GetD32Array(uint8_t* db, uint32_t index) { return N4Tools_GetAnyArray(db, 2, index); }
uint8_t* N4Tools_GetD64Array(uint8_t* db, uint32_t index) { return N4Tools_GetAnyArray(db, 12, index); }
uint8_t* N4Tools_GetTimeArray(uint8_t* db, uint32_t index) { return N4Tools_GetAnyArray(db, 4, index); }
uint8_t* N4Tools_GetStringArray(uint8_t* db, uint32_t index, int* from_ct) {
  bool ct = N4VM_Area(db, kArCt)->raw_size != 0;
  if (from_ct) *from_ct = ct ? 1 : 0;
  return ct ? N4Tools_GetCTParam(db, index) : N4VM_Item(db, kArStringPtrs, index);
}
