// References of register links: page external-reference table entries, external-object
// conversion with the link status, and link size codes.
#include <cstring>

#include "ground/unaligned.h"
#include "ground/extobjects.h"
#include "ground/tablestore.h"
#include "rcb_internal.h"

namespace rcb {
namespace {

// The page external-reference table: 8-byte entries {u32 token, u32 attributes}; the
// entry of reference r is entry r - 2.
constexpr uint32_t kEntryBytes = 8;
constexpr uint32_t kFirstRef = 2;
constexpr uint32_t kLastRef = 1023;

// Screen-table header fields.
constexpr uint32_t kHdrOptionalMark = 0;  // u32 that must exceed 55 for the optional tables
constexpr uint32_t kHdrLength = 8;        // u16 header length
constexpr uint32_t kHdrRefTable = 44;     // u32 offset of the external-reference table

const uint8_t* g_table = nullptr;
uint32_t g_entries = 0;

// The external-object conversion. Objects are numbered by the token's low 9 bits.
uint32_t ExternalToken(uint32_t entry, uint32_t attributes) {
  const uint32_t token = (entry & 0x80000FFFu) | (((attributes >> 4) & 0x1FFFu) << 12);
  if (attributes & (1u << 16)) return token;
  const uint32_t object = token & 0x1FF;
  if (object >= uint32_t(kExtObjects)) return token;
  ExtObjStatus& st = Ext_Obj_Comm_Status[object];
  uint8_t status = uint8_t(((attributes >> 21) & 0xF0) | (attributes & 0xF));
  // Refinement of the status code (its low nibble): from 5 up, the first of the
  // attribute bits 0x40, 0x80, 0x100 that is set names the code. Position 0 (bit 0x20) is
  // the one that attribute bit 16 selects for skipping, and bit 16 is clear here.
  const uint32_t code = attributes & 0xF;
  if (code > 4) {
    for (uint32_t i = 1; i <= 3; ++i) {
      if (attributes & (0x20u << i)) {
        status = uint8_t(code + 2 * i + 4);
        break;
      }
    }
  }
  st.status = status;
  st.attributes = uint8_t(attributes >> 17);
  return token;
}

}  // namespace

void SelectPageRefTable() {
  g_table = nullptr;
  g_entries = 0;
  const uint32_t cap = uint32_t(kVtnPgmCap - kTableHeader);
  const uint32_t size = BlockSize(vtn_pgm_bl) < cap ? BlockSize(vtn_pgm_bl) : cap;
  if (size < kHdrRefTable + 4) return;
  uint16_t hdr_len;
  std::memcpy(&hdr_len, vtn_pgm + kHdrLength, 2);
  if (UTIL_GetDword(vtn_pgm + kHdrOptionalMark) <= 55 || hdr_len <= 47) return;
  const uint32_t offset = UTIL_GetDword(vtn_pgm + kHdrRefTable);
  if (offset == 0 || offset >= size) return;
  g_table = vtn_pgm + offset;
  g_entries = (size - offset) / kEntryBytes;
}

void SelectPageRefTable(uint32_t offset) {
  const uint32_t cap = uint32_t(kVtnPgmCap - kTableHeader);
  const uint32_t size = BlockSize(vtn_pgm_bl) < cap ? BlockSize(vtn_pgm_bl) : cap;
  if (offset == 0 || offset >= size) return;
  g_table = vtn_pgm + offset;
  g_entries = (size - offset) / kEntryBytes;
}

uint32_t Resolve(uint32_t reference) {
  if (reference < kFirstRef || reference > kLastRef) return reference;
  const uint32_t index = reference - kFirstRef;
  if (!g_table || index >= g_entries) return 0;
  const uint32_t entry = UTIL_GetDword(g_table + index * kEntryBytes);
  const uint32_t attributes = UTIL_GetDword(g_table + index * kEntryBytes + 4);
  if (int32_t(entry) < -0x70000000) return ExternalToken(entry, attributes);
  return entry;
}

LinkSize DecodeSize8(uint8_t size) {
  const uint32_t n = size & 0x3F;
  switch (size >> 6) {
    case 0: return {uint16_t(n), uint8_t(((n + 7) / 8) | 0x80)};
    case 3: return {uint16_t(8 * n), uint8_t(n)};
    default: return {uint16_t(n), uint8_t((n + 7) / 8)};
  }
}

LinkSize DecodeSize16(uint16_t size) {
  if (size & 0x8000) {
    const uint32_t n = size & 0x7F;
    return {uint16_t(8 * n), uint8_t(n)};
  }
  return DecodeSize8(uint8_t(size));
}

}  // namespace rcb
