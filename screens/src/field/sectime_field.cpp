// Seconds-based timer fields: a u32 count of seconds, tenths, hundredths or milliseconds
// shown as hours, minutes, seconds and a fraction, edited digit by digit.
#include <cstdio>
#include <cstring>

#include "field_internal.h"
#include "screens/keys.h"

namespace {

constexpr const char* sec_time_tbl[16] = {"M:S", "H:M:S", "", "H:M", "M:S.s", "H:M:S.s", "", "", "M:S.u", "H:M:S.u"};
constexpr uint32_t kUnitsPerSecond[4] = {1, 10, 100, 1000};
constexpr uint32_t kHoursMax[4] = {1193046, 119304, 11930, 1193};
constexpr uint32_t kMinutesMax[4] = {71582788, 7158278, 715827, 71582};

const char* Pattern(const FldContext& f) { return (f.decimals >> 4) < 4 ? sec_time_tbl[f.decimals & 0xF] : ""; }
uint32_t Units(const FldContext& f) { return (f.decimals >> 4) < 4 ? kUnitsPerSecond[f.decimals >> 4] : 0; }
bool HasHours(const FldContext& f) { return f.decimals & 1; }

int Digits(uint64_t n) {
  int d = 1;
  while (n >= 10) {
    n /= 10;
    ++d;
  }
  return d;
}

int FieldSize(const FldContext& f, char c) {
  const uint64_t ups = Units(f);
  switch (c) {
    case 'H': return Digits(f.maximum / (3600 * ups));
    case 'M': return HasHours(f) ? 2 : Digits(f.maximum / (60 * ups));
    case 'S': return 2;
    case 's': return 1;
    case 'u': return 3;
    default: return 0;
  }
}

void Render(FldContext& f, uint32_t value, bool edit) {
  const char* pattern = Pattern(f);
  const uint64_t ups = Units(f);
  std::size_t at = 0;
  if (ups != 0) {
    uint64_t rest = value;
    const uint64_t hours = HasHours(f) ? rest / (3600 * ups) : 0;
    rest -= hours * 3600 * ups;
    const uint64_t minutes = rest / (60 * ups);
    rest -= minutes * 60 * ups;
    const uint64_t seconds = rest / ups, fraction = rest % ups;
    bool after_hours = false;
    for (const char* p = pattern; *p; ++p) {
      uint64_t n;
      switch (*p) {
        case 'H': n = hours; break;
        case 'M': n = minutes; break;
        case 'S': n = seconds; break;
        case 's': n = fraction * 10 / ups; break;
        case 'u': n = fraction * 1000 / ups; break;
        default:
          if (at < kFldTextMax) f.text[at++] = *p;
          continue;
      }
      const int width = FieldSize(f, *p);
      const bool pad = edit || (*p != 'H' && (*p != 'M' || after_hours));
      char digits[24];
      const auto wide = static_cast<unsigned long long>(n);
      if (pad) std::snprintf(digits, sizeof digits, "%0*llu", width, wide);
      else std::snprintf(digits, sizeof digits, "%llu", wide);
      for (const char* d = digits; *d && at < kFldTextMax; ++d) f.text[at++] = *d;
      after_hours = after_hours || *p == 'H';
    }
  }
  f.text[at] = '\0';
  f.length = uint8_t(at);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

void MoveCursor(FldContext& f, int step) {
  if (f.length == 0) return;
  int at = f.cursor;
  for (int n = 0; n < f.length; ++n) {
    at += step;
    if (at < 1) at = f.length;
    if (at > f.length) at = 1;
    if (IsDigit(f.text[at - 1])) break;
  }
  f.cursor = uint8_t(at);
}

// The edited text read back by the pattern's letters, in 64 bits, the total clamped to
// what the register holds.
uint32_t Parse(const FldContext& f) {
  const char* pattern = Pattern(f);
  const unsigned unit = f.decimals >> 4;
  if (unit >= 4) return 0;
  uint64_t part[128] = {};
  const char* t = f.text;
  for (const char* p = pattern; *p && *t; ++p) {
    if (*p == ':' || *p == '.') {
      if (*t) ++t;
      continue;
    }
    uint64_t n = 0;
    while (IsDigit(*t)) n = n * 10 + uint64_t(*t++ - '0');
    part[uint8_t(*p)] = n;
  }
  uint64_t hours = part['H'], minutes = part['M'];
  if (hours > kHoursMax[unit]) hours = kHoursMax[unit];
  if (!HasHours(f) && minutes > kMinutesMax[unit]) minutes = kMinutesMax[unit];
  const uint64_t ups = kUnitsPerSecond[unit];
  uint64_t total = (hours * 3600 + minutes * 60 + part['S']) * ups;
  if (unit >= 1) total += part['s'] * (ups / 10);
  if (unit == 3) total += part['u'];
  return total > UINT32_MAX ? UINT32_MAX : uint32_t(total);
}

}  // namespace

void FLD_SecTimeUpdate(FldContext& f, uint32_t value, bool start_edit) {
  fld::BeginUpdate(f, start_edit, kFldSelecting, 1);
  if (start_edit) f.value = f.start = value;
  if (fld::NoDataShown(f)) {
    Render(f, value, true);
    for (uint8_t i = 0; i < f.length; ++i)
      if (IsDigit(f.text[i])) f.text[i] = '*';
    return;
  }
  Render(f, value, start_edit);
}

void FLD_TimeConvert(FldContext& f) { f.value = Parse(f); }

uint16_t FLD_SecTimeEdit(FldContext& f, uint32_t* out, uint8_t key) {
  uint8_t k = key;
  KeyFilter(f.last_key, f.tap, k, kFldUnsigned);
  if (k == 0 || f.length == 0) return kFldUnused;
  char& under = f.text[f.cursor >= 1 && f.cursor <= f.length ? f.cursor - 1 : 0];
  switch (k) {
    case kKeyEnter: {
      const uint32_t v = Parse(f);
      // Outside the limits nothing is written.
      if (v < f.minimum || v > f.maximum) return kFldRefused;
      f.value = v;
      if (out) *out = v;
      f.state = kFldDisplay;
      return kFldAccept;
    }
    case kKeyEsc: f.state = kFldDisplay; return kFldCancel;
    case kKeyLeft:
    case kKeyRight: MoveCursor(f, k == kKeyLeft ? -1 : 1); return kFldChanged;
    case kKeyUp:
    case kKeyDown:
      if (!IsDigit(under)) return kFldUnused;
      under = char('0' + (under - '0' + (k == kKeyUp ? 1 : 9)) % 10);
      return kFldChanged;
    default:
      if (k < kKeyDigit0 || k > kKeyDigit0 + 9 || !IsDigit(under)) return kFldUnused;
      under = char('0' + k - kKeyDigit0);
      MoveCursor(f, 1);
      return kFldChanged;
  }
}
