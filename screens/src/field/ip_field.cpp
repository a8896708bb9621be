// IPv4 address fields: four octets, most significant first, chosen with Left and Right
// and typed digit by digit or stepped with Up and Down.
#include <cstdio>
#include <initializer_list>

#include "field_internal.h"
#include "screens/keys.h"

namespace {

uint32_t Octet(const FldContext& f) { return (f.value >> (8 * f.count_a)) & 0xFF; }
void SetOctet(FldContext& f, uint32_t v) {
  f.value = (f.value & ~(0xFFu << (8 * f.count_a))) | (v & 0xFF) << (8 * f.count_a);
}

void IPToStr(FldContext& f, bool leading_zeros) {
  if (fld::NoDataShown(f)) {
    fld::Fill(f, '*', 15);
    for (int i : {3, 7, 11}) f.text[i] = '.';
    return;
  }
  const uint32_t v = f.value;
  const int n = std::snprintf(f.text, kFldTextMax + 1, leading_zeros ? "%03u.%03u.%03u.%03u" : "%u.%u.%u.%u",
                              v >> 24, (v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
  f.length = uint8_t(n);
}

void Select(FldContext& f, int octet) {
  f.count_a = uint8_t(octet & 3);
  f.state = kFldSelecting;
  f.cursor = uint8_t(13 - 4 * f.count_a);
}

}  // namespace

void FLD_IPUpdate(FldContext& f, uint32_t value, bool start_edit) {
  fld::BeginUpdate(f, start_edit, kFldSelecting, 1);
  f.value = value;
  if (start_edit) {
    f.start = value;
    f.count_a = 3;
  }
  IPToStr(f, start_edit || (f.flags & kFldLeadingZeros));
}

uint16_t FLD_IPEdit(FldContext& f, uint32_t* out, uint8_t key) {
  uint8_t k = key;
  KeyFilter(f.last_key, f.tap, k, kFldReal);
  switch (k) {
    case kKeyEnter:
      if (out) *out = f.value;
      f.state = kFldDisplay;
      return kFldAccept;
    case kKeyEsc: f.state = kFldDisplay; return kFldCancel;
    case kKeyPoint:
      if (f.state != kFldTyping) return kFldUnused;
      [[fallthrough]];
    case kKeyRight: Select(f, f.count_a - 1); break;
    case kKeyLeft: Select(f, f.count_a + 1); break;
    case kKeyUp: SetOctet(f, Octet(f) + 1); break;
    case kKeyDown: SetOctet(f, Octet(f) - 1); break;
    default: {
      if (k < kKeyDigit0 || k > kKeyDigit0 + 9) return kFldUnused;
      if (f.state != kFldTyping) {
        SetOctet(f, 0);
        f.state = kFldTyping;
        f.count_b = 3;
        f.cursor = 0;  // the whole value is shown as being typed
      }
      const uint32_t v = Octet(f) * 10 + uint32_t(k - kKeyDigit0);
      --f.count_b;
      if (v > 255) {
        SetOctet(f, 255);
        Select(f, f.count_a);
      } else {
        SetOctet(f, v);
        if (f.count_b == 0) Select(f, f.count_a - 1);
      }
    }
  }
  IPToStr(f, true);
  return kFldChanged;
}
