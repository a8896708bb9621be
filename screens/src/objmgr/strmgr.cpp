// The language segment of the program strings that object texts are taken from, chosen
// by the language-select register.
#include <algorithm>

#include "ground/rcb.h"
#include "ground/screen_program.h"
#include "ground/tablestore.h"
#include "platform/trace.h"
#include "screens/objm.h"
#include "screens/services.h"

namespace {

constexpr uint8_t kUnsigned16 = 0x40 | 16;
constexpr uint32_t kSegmentsStart = 8;

uint32_t maxIndex = 0;
uint32_t lastIndex = 0;
uint32_t segment_size = 0;
RCB* pStrRcb = nullptr;

const uint8_t* StringTable() { return string_table_bl + kTableHeader; }
uint32_t StringTableSize() { return std::min<uint32_t>(BlockSize(string_table_bl), kStringTableCap - kTableHeader); }

}  // namespace

void STR_Init(uint32_t language_reg, uint32_t languages) {
  plat::TraceCall("STR_Init", language_reg, languages);
  maxIndex = languages == 0 ? 0 : languages - 1;
  pStrRcb = nullptr;
  if (languages <= 1) return;
  const uint32_t size = StringTableSize();
  const uint32_t total = size >= 4 ? objrec::U32(StringTable(), 0) : 0;
  segment_size = total >= 4 ? (total - 4) / languages : 0;
  lastIndex = 0;
  pStrRcb = SYS_32LinkReg(language_reg, kUnsigned16);
}

int STR_Update() {
  if (!pStrRcb) return 0;
  uint16_t value = 0;
  SYS_ReadReg(&value, pStrRcb, sizeof value);
  if (value > maxIndex || value == lastIndex) return 0;
  // A segment the table does not hold whole is never chosen.
  const uint64_t begin = kSegmentsStart + uint64_t(value) * segment_size;
  if (begin + segment_size > StringTableSize()) return 0;
  lastIndex = value;
  pPGM_Strings = StringTable() + begin;
  return 1;
}

void StrPowerOnReset() {
  maxIndex = lastIndex = segment_size = 0;
  pStrRcb = nullptr;
}
