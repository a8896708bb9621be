#include "program_text.h"

#include <algorithm>
#include <cstring>

#include "ground/screen_program.h"
#include "ground/tablestore.h"

const char* OBJ_ProgramText(uint32_t offset) {
  const uint8_t* table = string_table_bl + kTableHeader;
  const uint32_t size = std::min<uint32_t>(BlockSize(string_table_bl), kStringTableCap - kTableHeader);
  if (!pPGM_Strings || pPGM_Strings < table || pPGM_Strings >= table + size) return nullptr;
  const uint32_t at = uint32_t(pPGM_Strings - table) + offset;
  if (at < offset || at < 1 || at >= size) return nullptr;
  if (!std::memchr(table + at, 0, size - at)) return nullptr;
  return reinterpret_cast<const char*>(table + at);
}
