// The key filter in front of every field editor but the enumeration and the bar: which
// keys a kind takes, the multi-tap groups of the hexadecimal digits, and for the text
// kinds the shift and caps keys of the ASCII keypad.
#include <array>

#include "screens/field.h"
#include "field_internal.h"

namespace {

constexpr int kRows = 16;
constexpr int kColumns = 56;  // key codes 1..56
constexpr uint8_t kGroupA = 128, kGroupB = 129;

// The multi-tap groups: count, then the characters in tap order.
constexpr uint8_t ext_key[2][10] = {
    {4, 18, 'A', 'B', 'C'},
    {4, 19, 'D', 'E', 'F'},
};

using Row = std::array<uint8_t, kColumns>;

constexpr Row Pass(std::initializer_list<std::pair<int, int>> ranges) {
  Row row{};
  for (auto [from, to] : ranges)
    for (int k = from; k <= to; ++k) row[k - 1] = uint8_t(k);
  return row;
}

constexpr std::array<Row, kRows> key_filter = [] {
  std::array<Row, kRows> t{};
  t[kFldBinary] = Pass({{1, 13}, {16, 17}, {26, 31}});
  t[kFldUnsigned] = Pass({{1, 13}, {16, 31}});
  t[kFldSigned] = Pass({{1, 14}, {16, 31}});
  t[kFldHex] = Pass({{1, 14}, {16, 17}, {20, 32}});
  t[kFldHex][18 - 1] = kGroupA;
  t[kFldHex][19 - 1] = kGroupB;
  t[kFldReal] = t[kFldRealExp] = t[kFldIp] = t[kFldLreal] = Pass({{1, 32}});
  t[kFldMasked] = Pass({{1, 13}, {16, 27}});
  t[kFldTime] = Pass({{1, 13}, {16, 32}});
  t[kFldSecTimer] = t[kFldUnsigned];
  return t;
}();

constexpr char shift_codes[] = ")!@#$%^&*(";

uint8_t g_shift = 0;
uint8_t g_caps = 0;

bool TextKind(uint8_t kind) { return kind == kFldText || kind == kFldText2 || kind == kFldText3; }

uint8_t ShiftedSymbol(uint8_t key) {
  switch (key) {
    case '\'': return '"';
    case ',': return '<';
    case '-': return '_';
    case '.': return '>';
    case '/': return '?';
    case ';': return ':';
    case '=': return '+';
    case '[': return '{';
    case '\\': return '|';
    case ']': return '}';
    default: break;
  }
  if (key >= '0' && key <= '9') return uint8_t(shift_codes[key - '0']);
  return key;
}

void FilterText(uint8_t& tap, uint8_t& key) {
  switch (key) {
    case 254:
      if (tap != 254) g_shift ^= 1;
      key = 0;
      return;
    case 253:
      if (tap != 254) g_caps ^= 1;
      key = 0;
      return;
    case 250:
    case 251:
    case 252: key = 0; return;
    case 8:
    case 255: g_shift = 0; return;
    case 13:
    case 27: g_shift = g_caps = 0; return;
    default: break;
  }
  if (key >= 'A' && key <= 'Z') {
    if ((g_shift ^ g_caps) == 0) key = uint8_t(key - 'A' + 'a');
  } else if (g_shift) {
    key = ShiftedSymbol(key);
  }
}

}  // namespace

uint8_t KeyFilter(uint8_t& last_key, uint8_t& tap, uint8_t& key, uint8_t kind) {
  const bool fresh = tap == 255;
  if (TextKind(kind)) {
    // The keypad's 254 (shift and caps ignored) stays until the keypad changes it.
    if (fresh) tap = 0;
    last_key = key;
    FilterText(tap, key);
    return fresh ? 0 : 1;
  }
  if (fresh) {
    last_key = key;
    tap = 0;
  }
  const bool differs = key != last_key;
  if (differs) {
    last_key = key;
    tap = 0;
  }
  const uint8_t mapped = kind < kRows && key >= 1 && key <= kColumns ? key_filter[kind][key - 1] : 0;
  if (mapped >= kGroupA) {
    const uint8_t* group = ext_key[mapped - kGroupA];
    key = group[1 + tap % group[0]];
    tap = uint8_t((tap + 1) % group[0]);
    return differs ? 1 : 0;
  }
  key = mapped;
  return fresh ? 0 : 1;
}

namespace fld {
void ResetKeyFilter() { g_shift = g_caps = 0; }
}  // namespace fld
