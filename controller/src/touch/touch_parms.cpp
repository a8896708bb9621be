// The touch calibration parameter table of the system screens, kept in the retentive
// store's calibration file.
#include <cstring>

#include "controller/retentive.h"
#include "ground/sysservices.h"

namespace {
uint16_t g_table[kParmTblWords];
}  // namespace

// Without a readable calibration file the table reads as no calibration, never as what an
// earlier read left in it.
uint16_t* SYS_GetParmTbl() {
  if (!ReadTchClb(g_table)) std::memset(g_table, 0, sizeof g_table);
  return g_table;
}

int SYS_SaveParmTbl(const uint16_t* table) {
  if (!table) return 0;
  if (table != g_table) std::memcpy(g_table, table, sizeof g_table);
  return StrTchClb(g_table);
}
