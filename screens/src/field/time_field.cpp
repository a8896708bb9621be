// Date and time-of-day fields: three u16 words shown through a format of letters, each
// letter a sub-field that Up and Down step (digit keys are not used).
#include <cstdio>
#include <cstring>
#include <iterator>

#include "field_internal.h"
#include "screens/keys.h"

uint8_t timezoneAdvance = 0;
uint8_t timezoneModField = 0;
uint8_t timezonechanged = 0;
uint8_t negativeValues = 0;

namespace {

constexpr const char* time_tbl[] = {"", "A:M", "A:M:S", "H:M X", "H:M:S X", "sA:M"};
constexpr const char* date_tbl[] = {"", "m/d/y", "m/d/k", "d-o-y", "d-o-k", "d-m-y", "d-m-k", "y-m-d", "k-m-d"};
constexpr const char* month_tbl[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

const char* Format(const FldContext& f) {
  if (f.decimals < 16) return f.decimals < std::size(time_tbl) ? time_tbl[f.decimals] : "";
  const unsigned n = f.decimals >> 4;
  return n < std::size(date_tbl) ? date_tbl[n] : "";
}

int LetterWidth(char c) {
  switch (c) {
    case 'A': case 'H': case 'M': case 'S': case 'd': case 'm': case 'y': return 2;
    case 'k': return 4;
    case 'o': return 3;
    case 'X': case 's': return 1;
    default: return 0;
  }
}

struct Words {
  uint16_t w[3];
};
Words Get(const FldContext& f) { return {{uint16_t(f.value), uint16_t(f.value >> 16), uint16_t(f.start)}}; }
void Put(FldContext& f, const Words& v) {
  f.value = v.w[0] | uint32_t(v.w[1]) << 16;
  f.start = v.w[2];
}

int Magnitude(uint16_t v) { return int16_t(v) < 0 ? -int16_t(v) : int16_t(v); }

// The text of one letter for words v (date: day, month, year; time: s, min, h).
void Letter(char c, const Words& v, bool no_data, char* out) {
  const bool time = c == 'A' || c == 'H' || c == 'M' || c == 'S' || c == 'X';
  const int hours = Magnitude(v.w[2]), minutes = Magnitude(v.w[1]), seconds = v.w[0];
  const int day = v.w[0], month = v.w[1], year = v.w[2];
  auto two = [&](int n, int hi, bool low_marks) {
    if (no_data) std::strcpy(out, "**");
    else if (low_marks && n == 0) std::strcpy(out, "<<");
    else if (n > hi) std::strcpy(out, ">>");
    else std::snprintf(out, 8, "%02d", n);
  };
  (void)time;
  switch (c) {
    case 'A': two(hours, 23, false); return;
    case 'H': {
      const int h = hours == 0 ? 12 : hours > 12 ? hours - 12 : hours;
      two(h, hours > 23 ? -1 : 12, false);
      return;
    }
    case 'M': two(minutes, 59, false); return;
    case 'S': two(seconds, 59, false); return;
    case 'X': std::strcpy(out, no_data ? "*M" : hours > 11 ? "PM" : "AM"); return;
    case 'd': two(day, 31, true); return;
    case 'm': two(month, 12, true); return;
    case 'o':
      if (no_data) std::strcpy(out, "***");
      else if (month == 0) std::strcpy(out, "<<<");
      else if (month > 12) std::strcpy(out, ">>>");
      else std::strcpy(out, month_tbl[month - 1]);
      return;
    case 'y':
      if (no_data) std::strcpy(out, "**");
      else if (year < 1996) std::strcpy(out, "<<");
      else if (year > 2095) std::strcpy(out, ">>");
      else std::snprintf(out, 8, "%02d", year % 100);
      return;
    case 'k':
      if (no_data) std::strcpy(out, "****");
      else if (year < 1996) std::strcpy(out, "<<<<");
      else if (year > 2195) std::strcpy(out, ">>>>");
      else std::snprintf(out, 8, "%04d", year);
      return;
    case 's': std::strcpy(out, timezoneAdvance ? "+" : "-"); return;
    default: out[0] = c; out[1] = '\0'; return;
  }
}

// Renders the whole text; the 1-based position of the letter at index into cursor.
void Render(FldContext& f, const Words& v, int cursor_letter) {
  const char* format = Format(f);
  std::size_t at = 0;
  for (int i = 0; format[i] != '\0'; ++i) {
    char piece[8];
    Letter(format[i], v, fld::NoDataShown(f), piece);
    if (i == cursor_letter) f.cursor = uint8_t(at + 1);
    for (const char* p = piece; *p && at < kFldTextMax; ++p) f.text[at++] = *p;
  }
  f.text[at] = '\0';
  f.length = uint8_t(at);
}

int Wrap(int v, int lo, int hi) { return v < lo ? hi : v > hi ? lo : v; }

void ModTimeField(FldContext& f, Words& v, char c, int step) {
  auto positive = [&](int word, uint8_t bit) {
    if (int16_t(v.w[word]) < 0) {
      v.w[word] = uint16_t(-int16_t(v.w[word]));
      negativeValues |= bit;
    }
  };
  switch (c) {
    case 'A': positive(2, 1); v.w[2] = uint16_t(Wrap(v.w[2] + step, 0, 23)); break;
    case 'M': positive(1, 2); v.w[1] = uint16_t(Wrap(v.w[1] + step, 0, 59)); break;
    case 'S': v.w[0] = uint16_t(Wrap(v.w[0] + step, 0, 59)); break;
    case 'd': v.w[0] = uint16_t(Wrap(v.w[0] + step, 1, 31)); break;
    case 'm':
    case 'o': v.w[1] = uint16_t(Wrap(v.w[1] + step, 1, 12)); break;
    case 'k': v.w[2] = uint16_t(Wrap(v.w[2] + step, 1996, 2095)); break;
    case 'y': {
      int year = v.w[2] < 2000 ? 2000 : v.w[2] > 2095 ? 2095 : v.w[2];
      year += step;
      v.w[2] = uint16_t(year < 2000 ? 2000 : year > 2095 ? 2095 : year);
      break;
    }
    case 'H': {
      const int hours = v.w[2] % 24, half = hours >= 12 ? 12 : 0;
      v.w[2] = uint16_t(half + Wrap(hours - half + step, 0, 11));
      break;
    }
    case 'X': v.w[2] = uint16_t((v.w[2] % 24 + 12) % 24); break;
    case 's':
      timezoneModField ^= 1;
      timezonechanged = 1;
      break;
    default: break;
  }
  (void)f;
}

}  // namespace

void FLD_TimeUpdate(FldContext& f, const uint16_t value[3], bool start_edit) {
  fld::BeginUpdate(f, start_edit, kFldCursor, 1);
  const Words v{{value[0], value[1], value[2]}};
  if (start_edit) {
    Put(f, v);
    f.count_b = 0;
    f.count_a = uint8_t(LetterWidth(Format(f)[0]));
  }
  Render(f, v, start_edit ? 0 : -1);
  if (start_edit) f.cursor = 1;
}

uint16_t FLD_TimeEdit(FldContext& f, uint16_t out[3], uint8_t key) {
  uint8_t k = key;
  KeyFilter(f.last_key, f.tap, k, kFldTime);
  const char* format = Format(f);
  const int letters = int(std::strlen(format));
  Words v = Get(f);
  switch (k) {
    case kKeyEnter:
      if (timezonechanged && timezoneModField != timezoneAdvance) {
        v.w[1] = uint16_t(-int16_t(v.w[1]));
        v.w[2] = uint16_t(-int16_t(v.w[2]));
        timezoneAdvance = timezoneModField;
      }
      if (negativeValues & 1) v.w[2] = uint16_t(-int16_t(v.w[2]));
      if (negativeValues & 2) v.w[1] = uint16_t(-int16_t(v.w[1]));
      negativeValues = 0;
      timezonechanged = 0;
      if (out) std::memcpy(out, v.w, sizeof v.w);
      Put(f, v);
      f.state = kFldDisplay;
      return kFldAccept;
    case kKeyEsc:
      timezoneModField = timezoneAdvance;
      f.state = kFldDisplay;
      return kFldCancel;
    case kKeyLeft:
    case kKeyRight: {
      if (letters == 0) return kFldUnused;
      int i = f.count_b;
      for (int n = 0; n < letters; ++n) {
        i = (i + (k == kKeyRight ? 1 : letters - 1)) % letters;
        if (LetterWidth(format[i])) break;
      }
      f.count_b = uint8_t(i);
      f.count_a = uint8_t(LetterWidth(format[i]));
      Render(f, v, i);
      return kFldChanged;
    }
    case kKeyUp:
    case kKeyDown:
      if (f.count_b >= letters) return kFldUnused;
      ModTimeField(f, v, format[f.count_b], k == kKeyUp ? 1 : -1);
      Put(f, v);
      Render(f, v, f.count_b);
      return kFldChanged;
    default: return kFldUnused;
  }
}

namespace fld {
void ResetTimeZoneEdit() { timezoneAdvance = timezoneModField = timezonechanged = negativeValues = 0; }
}  // namespace fld
