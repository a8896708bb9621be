// Enumeration fields: the register value shown as the text of the first entry whose
// value is not below it, and edited by stepping through the entries. The table and its
// strings come from the program: every offset and count is checked against their sizes.
#include <cstring>

#include "field_internal.h"
#include "screens/keys.h"

namespace {

const char* const* g_firmware_strings = nullptr;
std::size_t g_firmware_count = 0;

struct Entry {
  uint32_t value;
  uint32_t string;
};

// The entries that lie inside the table; 0 when the table itself does not.
struct Table {
  const uint8_t* entries = nullptr;
  uint16_t count = 0;
  int16_t mode = 0;
};

Table Open(const FldContext& f) {
  Table t;
  const auto* source = static_cast<const FldEnumTable*>(f.table);
  if (source == nullptr || source->table == nullptr || f.extra1 > source->table_size ||
      source->table_size - f.extra1 < 4) {
    return t;
  }
  const uint8_t* at = source->table + f.extra1;
  uint16_t count;
  std::memcpy(&t.mode, at, 2);
  std::memcpy(&count, at + 2, 2);
  const std::size_t room = (source->table_size - f.extra1 - 4) / 8;
  t.count = uint16_t(count < room ? count : room);
  t.entries = at + 4;
  return t;
}

Entry At(const Table& t, uint16_t i) {
  Entry e;
  std::memcpy(&e.value, t.entries + 8 * i, 4);
  std::memcpy(&e.string, t.entries + 8 * i + 4, 4);
  return e;
}

uint16_t Shown(const Table& t, uint32_t value) {
  for (uint16_t i = 0; i < t.count; ++i)
    if (At(t, i).value >= value) return i;
  return uint16_t(t.count - 1);
}

void EnumToStr(FldContext& f, const Table& t, uint16_t index) {
  const std::size_t max = f.width < kFldTextMax ? f.width : kFldTextMax;
  std::size_t n = 0;
  if (t.count != 0) {
    const auto* source = static_cast<const FldEnumTable*>(f.table);
    const uint32_t string = At(t, index).string;
    if (t.mode == -1) {
      const char* s = string < g_firmware_count ? g_firmware_strings[string] : "";
      for (; n < max && s[n]; ++n) {
        if (f.wide) reinterpret_cast<uint16_t*>(f.text)[n] = uint8_t(s[n]);
        else f.text[n] = s[n];
      }
    } else if (source->strings != nullptr && string < source->strings_size) {
      const uint8_t* s = source->strings + string;
      const std::size_t room = source->strings_size - string;
      if (f.wide) {
        for (; n < max && 2 * n + 1 < room; ++n) {
          uint16_t c;
          std::memcpy(&c, s + 2 * n, 2);
          if (c == 0) break;
          reinterpret_cast<uint16_t*>(f.text)[n] = c;
        }
      } else {
        for (; n < max && n < room && s[n]; ++n) f.text[n] = char(s[n]);
      }
    }
  }
  if (fld::NoDataShown(f)) {
    for (std::size_t i = 0; i < n; ++i) {
      if (f.wide) reinterpret_cast<uint16_t*>(f.text)[i] = '*';
      else f.text[i] = '*';
    }
  }
  if (f.wide) reinterpret_cast<uint16_t*>(f.text)[n] = 0;
  else f.text[n] = '\0';
  f.length = uint8_t(n);
}

}  // namespace

void FLD_SetFirmwareStrings(const char* const* strings, std::size_t count) {
  g_firmware_strings = strings;
  g_firmware_count = strings ? count : 0;
}

void FLD_EnumUpdate(FldContext& f, uint32_t value, bool start_edit) {
  fld::BeginUpdate(f, start_edit, kFldEntered, 0);
  const Table t = Open(f);
  const uint16_t index = t.count ? Shown(t, value) : 0;
  if (start_edit) {
    f.value = index;
    f.start = value;
  }
  EnumToStr(f, t, index);
}

uint16_t FLD_EnumEdit(FldContext& f, uint32_t* out, uint8_t key) {
  const Table t = Open(f);
  switch (key) {
    case kKeyEnter:
      if (t.count == 0) return kFldRefused;
      if (out) *out = At(t, uint16_t(f.value < t.count ? f.value : 0)).value;
      f.state = kFldDisplay;
      return kFldAccept;
    case kKeyEsc: f.state = kFldDisplay; return kFldCancel;
    case kKeyUp:
    case kKeyDown:
      if (t.count == 0) return kFldUnused;
      if (f.value >= t.count) f.value = 0;
      f.value = key == kKeyUp ? (f.value + 1) % t.count : (f.value + t.count - 1) % t.count;
      EnumToStr(f, t, uint16_t(f.value));
      return kFldChanged;
    default: return kFldUnused;
  }
}
