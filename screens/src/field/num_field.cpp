// Integer fields: binary, unsigned and signed decimal, hexadecimal and masked, with an
// inserted decimal point, typed digit by digit, changed digit by digit under a cursor or
// stepped by the digit's weight.
#include <cstring>

#include "field_internal.h"
#include "screens/keys.h"

const uint32_t power_2[33] = {32,      1,       2,       4,        8,        16,       32,        64,       128,
                              256,     512,     1024,    2048,     4096,     8192,     16384,     32768,    65536,
                              131072,  262144,  524288,  1048576,  2097152,  4194304,  8388608,   16777216, 33554432,
                              67108864, 134217728, 268435456, 536870912, 1073741824, 2147483648u};
const uint32_t power_10[11] = {10, 1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};
const uint32_t power_16[9] = {8, 1, 16, 256, 4096, 65536, 1048576, 16777216, 268435456};

const uint32_t* power_fld(uint8_t kind) {
  switch (kind) {
    case kFldBinary: return power_2;
    case kFldUnsigned:
    case kFldSigned:
    case kFldMasked: return power_10;
    case kFldHex: return power_16;
    default: return nullptr;
  }
}

namespace {

const uint32_t* Weights(const FldContext& f) {
  return f.table ? static_cast<const uint32_t*>(f.table) : power_fld(f.kind);
}
uint32_t Weight(const uint32_t* w, int n) { return n >= 1 && uint32_t(n) <= w[0] ? w[n] : 0; }
int Base(uint8_t kind) { return kind == kFldBinary ? 2 : kind == kFldHex ? 16 : 10; }
bool Signed(const FldContext& f) { return f.kind == kFldSigned; }
bool Negative(const FldContext& f) { return Signed(f) && int32_t(f.value) < 0; }
uint32_t Magnitude(const FldContext& f, uint32_t v) {
  return Signed(f) && int32_t(v) < 0 ? 0u - v : v;
}

// The magnitude needs more digit positions than the field has.
bool TooWide(const FldContext& f, uint64_t magnitude) {
  const uint32_t* w = Weights(f);
  return f.width < w[0] && magnitude >= Weight(w, f.width + 1);
}

bool InRange(const FldContext& f, uint32_t v) {
  if (Signed(f)) return int32_t(v) >= int32_t(f.minimum) && int32_t(v) <= int32_t(f.maximum);
  return v >= f.minimum && v <= f.maximum;
}

void IntToStr(FldContext& f, uint32_t value, bool leading_zeros) {
  const uint32_t* w = Weights(f);
  std::size_t at = 0;
  uint32_t rest = value;
  if (Signed(f) && int32_t(value) < 0) {
    f.text[at++] = '-';
    rest = 0u - value;
  }
  bool shown = false;
  for (int n = f.width; n >= 1 && at < kFldTextMax; --n) {
    if (n == f.decimals) {
      f.text[at++] = '.';
      shown = true;
      if (at >= kFldTextMax) break;
    }
    const uint32_t weight = Weight(w, n);
    uint32_t digit = 0;
    if (weight != 0) {
      digit = rest / weight;
      rest %= weight;
    }
    if (digit != 0 || leading_zeros || shown || n == f.decimals + 1) {
      f.text[at++] = char(digit < 10 ? '0' + digit : 'A' + digit - 10);
      shown = shown || digit != 0;
    }
  }
  f.text[at] = '\0';
  f.length = uint8_t(at);
}

// The text of an edit: every digit, or for a masked field one '*' per digit typed.
void EditText(FldContext& f) {
  if (f.kind == kFldMasked) {
    fld::Fill(f, '*', f.state == kFldEntered ? f.width : f.count_a);
    return;
  }
  IntToStr(f, f.value, true);
}

// 1-based text position of digit n (counted from the right) in an edit's text.
uint8_t CharOfDigit(const FldContext& f, int n) {
  int at = (Negative(f) ? 1 : 0) + (f.width - n) + 1;
  if (f.decimals > 0 && n <= f.decimals) ++at;
  return uint8_t(at);
}
int DigitOfChar(const FldContext& f) {
  int n = f.width - (f.cursor - (Negative(f) ? 1 : 0)) + 1;
  if (f.decimals > 0 && f.cursor > CharOfDigit(f, f.decimals) - 1) ++n;
  return n;
}

void SelectDigit(FldContext& f, int n) {
  if (n < 1) n = f.width;
  if (n > f.width) n = 1;
  f.cursor = CharOfDigit(f, n);
  f.weight = int32_t(Weight(Weights(f), n));
}

bool EndsInDigit(const FldContext& f) {
  if (f.length == 0) return false;
  const char c = f.text[f.length - 1];
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// Takes v as the new value when it fits the type and the width.
bool Take(FldContext& f, int64_t v) {
  if (Signed(f) ? (v < INT32_MIN || v > INT32_MAX) : (v < 0 || v > int64_t(UINT32_MAX))) return false;
  const uint64_t magnitude = v < 0 ? uint64_t(-v) : uint64_t(v);
  if (TooWide(f, magnitude)) return false;
  f.value = uint32_t(v);
  return true;
}

int64_t Wide(const FldContext& f, uint32_t v) { return Signed(f) ? int64_t(int32_t(v)) : int64_t(v); }

bool ShiftIn(FldContext& f, int digit) {
  const uint32_t m = Magnitude(f, f.value);
  if (Signed(f)) {
    if (m > 214748364 || (m == 214748364 && digit > (Negative(f) ? 8 : 7))) return false;
  } else {
    const uint32_t* w = Weights(f);
    if (m >= w[w[0]]) return false;
    if ((f.kind == kFldUnsigned || f.kind == kFldMasked) && (m > 429496729 || (m == 429496729 && digit > 5))) return false;
  }
  if (f.kind == kFldMasked && f.count_a >= f.width) return false;
  const int64_t next = int64_t(m) * Base(f.kind) + digit;
  if (!Take(f, Negative(f) ? -next : next)) return false;
  if (f.kind == kFldMasked) ++f.count_a;
  return true;
}

bool ReplaceDigit(FldContext& f, int digit) {
  const int64_t w = f.weight;
  if (w == 0) return false;
  const int64_t m = Magnitude(f, f.value);
  const int64_t old = (m / w) % Base(f.kind);
  const int64_t next = m + w * (digit - old);
  return Take(f, Negative(f) ? -next : next);
}

bool Step(FldContext& f, bool up) {
  int64_t v = Wide(f, f.value);
  const int64_t lo = Wide(f, f.minimum), hi = Wide(f, f.maximum);
  if (up) {
    v = v < lo ? lo : v + f.weight;
    if (v > hi) return false;
  } else {
    v = v > hi ? hi : v - f.weight;
    if (v < lo) return false;
  }
  const int n = DigitOfChar(f);
  if (!Take(f, v)) return false;
  SelectDigit(f, n);  // the sign may have come or gone
  return true;
}

int DigitValue(uint8_t key) {
  if (key >= kKeyDigit0 && key <= kKeyDigit0 + 9) return key - kKeyDigit0;
  if (key >= 'A' && key <= 'F') return key - 'A' + 10;
  return -1;
}

}  // namespace

void FLD_NumUpdate(FldContext& f, uint32_t value, bool start_edit) {
  fld::BeginUpdate(f, start_edit, kFldEntered, 0);
  if (start_edit) {
    f.value = f.start = value;
    f.count_a = 0;
  }
  if (fld::NoDataShown(f)) {
    fld::Fill(f, '*', f.width);
    return;
  }
  if (TooWide(f, Magnitude(f, value))) {
    fld::Fill(f, '+', f.width);
    return;
  }
  if (!start_edit) {
    if (Signed(f) ? int32_t(value) < int32_t(f.minimum) : value < f.minimum) {
      fld::Fill(f, '<', f.width);
      return;
    }
    if (Signed(f) ? int32_t(value) > int32_t(f.maximum) : value > f.maximum) {
      fld::Fill(f, '>', f.width);
      return;
    }
  }
  // A masked field never shows its digits.
  if (f.kind == kFldMasked) {
    fld::Fill(f, '*', f.width);
    return;
  }
  IntToStr(f, value, start_edit || (f.flags & kFldLeadingZeros));
}

uint16_t FLD_NumEdit(FldContext& f, uint32_t* out, uint8_t key) {
  uint8_t k = key;
  const bool new_key = KeyFilter(f.last_key, f.tap, k, f.kind) != 0;
  if (k == 0) return kFldUnused;
  switch (k) {
    case kKeyEnter:
      // An entry outside the limits writes nothing: the register keeps what it holds now.
      if (!InRange(f, f.value)) return kFldRefused;
      if (out) *out = f.value;
      f.state = kFldDisplay;
      return kFldAccept;
    case kKeyEsc: f.state = kFldDisplay; return kFldCancel;
    case kKeySign: {
      if (!Signed(f) || f.value == 0x80000000u) return kFldUnused;
      const int n = f.state == kFldCursor ? DigitOfChar(f) : 0;
      f.value = 0u - f.value;
      if (n) SelectDigit(f, n);
      break;
    }
    case kKeyLeft:
    case kKeyRight:
      if (f.kind == kFldMasked) return kFldUnused;
      if (f.state != kFldCursor) {
        if (!EndsInDigit(f)) return kFldUnused;
        f.state = kFldCursor;
        SelectDigit(f, k == kKeyLeft ? 2 : 1);
      } else {
        SelectDigit(f, DigitOfChar(f) + (k == kKeyLeft ? 1 : -1));
      }
      EditText(f);
      return kFldChanged;
    case kKeyUp:
    case kKeyDown:
      if (f.kind == kFldMasked) return kFldUnused;
      if (f.state != kFldCursor) {
        f.state = kFldCursor;
        SelectDigit(f, 1);
      }
      if (!Step(f, k == kKeyUp)) return kFldUnused;
      break;
    default: {
      const int digit = DigitValue(k);
      if (digit < 0 || digit >= Base(f.kind)) return kFldUnused;
      bool changed;
      if (f.state == kFldEntered) {
        f.value = 0;
        f.count_a = 0;
        f.state = kFldTyping;
        f.weight = 1;
        changed = ShiftIn(f, digit);
      } else if (f.state == kFldTyping && new_key) {
        changed = ShiftIn(f, digit);
      } else {
        changed = ReplaceDigit(f, digit);
      }
      if (!changed) return kFldUnused;
      EditText(f);
      if (f.state == kFldTyping) f.cursor = f.length;
      return kFldChanged;
    }
  }
  EditText(f);
  return kFldChanged;
}
