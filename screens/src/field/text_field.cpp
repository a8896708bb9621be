// Text fields: the caller's buffer edited in place, character by character, with a cursor
// and backspace. The width counts the NUL, so the text holds at most width - 1 characters.
#include <cstring>

#include "field_internal.h"
#include "screens/keys.h"

namespace {

// A refusal at a cursor limit: while the keypad asks for it (tap index 254), beeped only
// the first time in a row.
uint8_t g_refused_in_row = 0;

uint16_t LimitRefusal(const FldContext& f) {
  if (f.tap != 254) return kFldRefused;
  return g_refused_in_row++ == 0 ? kFldRefused : kFldUnused;
}

uint8_t Length(const FldContext& f) {
  const std::size_t n = strnlen(f.text, f.width);
  return uint8_t(n);
}

}  // namespace

void FLD_LitUpdate(FldContext& f, bool start_edit) {
  fld::BeginUpdate(f, start_edit, kFldEntered, 0);
  if (f.text == nullptr || f.width == 0) return;
  f.text[f.width - 1] = '\0';
  f.length = Length(f);
  g_refused_in_row = 0;
}

uint16_t FLD_LitEdit(FldContext& f, uint8_t key) {
  if (f.text == nullptr || f.width == 0) return kFldUnused;
  uint8_t k = key;
  KeyFilter(f.last_key, f.tap, k, f.kind);
  if (k == 0) return kFldUnused;
  const uint8_t capacity = uint8_t(f.width - 1);
  f.length = Length(f);
  if (k >= 32 && k <= 128) {
    if (f.state == kFldEntered) {
      f.text[0] = '\0';
      f.length = 0;
      f.cursor = 1;
    } else if (f.state == kFldTyping) {
      if (f.cursor >= capacity) return LimitRefusal(f);
      ++f.cursor;
    } else if (f.cursor >= f.width || f.cursor < 1) {
      return LimitRefusal(f);
    }
    if (f.length >= capacity) return kFldRefused;
    if (f.cursor > f.length + 1) f.cursor = uint8_t(f.length + 1);
    char* at = f.text + f.cursor - 1;
    std::memmove(at + 1, at, std::size_t(f.length - (f.cursor - 1)) + 1);
    *at = char(k);
    ++f.length;
    f.state = kFldTyping;
    g_refused_in_row = 0;
    return kFldChanged;
  }
  switch (k) {
    case kKeyBackspace:
      if (f.state == kFldEntered) {
        f.text[0] = '\0';
        f.length = 0;
        f.state = kFldCursor;
        f.cursor = 1;
        return kFldChanged;
      }
      if (f.state == kFldTyping) {
        if (f.cursor >= 1 && f.cursor <= f.length) {
          std::memmove(f.text + f.cursor - 1, f.text + f.cursor, std::size_t(f.length - f.cursor) + 1);
          --f.length;
        }
        if (f.cursor <= 1) f.state = kFldCursor;
        else --f.cursor;
        return kFldChanged;
      }
      if (f.cursor <= 1) return LimitRefusal(f);
      std::memmove(f.text + f.cursor - 2, f.text + f.cursor - 1, std::size_t(f.length - (f.cursor - 1)) + 1);
      --f.length;
      --f.cursor;
      return kFldChanged;
    case kKeyLeft:
    case kKeyRight: {
      if (f.state == kFldEntered || f.state == kFldTyping) f.state = kFldCursor;
      f.last_key = 0;  // ends a multi-tap
      const int next = f.cursor + (k == kKeyLeft ? -1 : 1);
      if (next < 1 || next > f.length + 1 || next >= f.width) return LimitRefusal(f);
      f.cursor = uint8_t(next);
      return kFldChanged;
    }
    case kKeyEnter: f.state = kFldDisplay; return kFldAccept;
    case kKeyEsc: f.state = kFldDisplay; return kFldCancel;
    default: return kFldUnused;
  }
}
