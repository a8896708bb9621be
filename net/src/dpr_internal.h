#pragma once
// What the Ethernet configuration's files share.
#include <cstdint>

#include "net/dpr.h"

namespace dpr {

inline uint16_t Get16(std::size_t at) { return uint16_t(DprMap[at] | DprMap[at + 1] << 8); }
inline void Put16(std::size_t at, uint16_t v) {
  DprMap[at] = uint8_t(v);
  DprMap[at + 1] = uint8_t(v >> 8);
}
inline void Put32(std::size_t at, uint32_t v) {
  Put16(at, uint16_t(v));
  Put16(at + 2, uint16_t(v >> 16));
}

// Token bases from the loaded program's token form.
void SetTokenBases();
// NTP: enabled once an NTP item of the wired interface was parsed.
extern bool ntp_enabled;
// Adds an EGD status request to the map; false when the map's table is full.
bool AddEgdStatus(uint32_t token, uint16_t position);

// The security table of the register image into the map.
void CopySecurity();
// Forget the last configuration seen, and the channel's read position.
void ResetChangeTracking();
void ResetChannel();

}  // namespace dpr
