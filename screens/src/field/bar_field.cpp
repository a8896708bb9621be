// Bar fields (menu items): the value drawn as a row of block glyphs, five steps to a
// character, stepped with the arrow keys and written at once.
#include "field_internal.h"
#include "screens/keys.h"

namespace {

constexpr char kFullBlock = 14;
constexpr char kPartialBlock = 9;  // + 1..4 steps

uint32_t Steps(const FldContext& f) { return uint32_t(f.width) * 5; }

void Draw(FldContext& f, uint32_t position) {
  const std::size_t cells = f.width < kFldTextMax ? f.width : kFldTextMax;
  for (std::size_t i = 0; i < cells; ++i) {
    const uint32_t filled = position > i * 5 ? position - uint32_t(i * 5) : 0;
    f.text[i] = filled >= 5 ? kFullBlock : filled > 0 ? char(kPartialBlock + filled) : ' ';
  }
  f.text[cells] = '\0';
  f.length = uint8_t(cells);
}

}  // namespace

void FLD_BarUpdate(FldContext& f, uint32_t value, bool start_edit) {
  fld::BeginUpdate(f, start_edit, kFldEntered, 0);
  const uint64_t span = uint64_t(f.maximum) - f.minimum;
  uint32_t position = 0xFFFF;
  if (f.maximum > f.minimum) {
    const uint64_t above = value > f.minimum ? uint64_t(value) - f.minimum : 0;
    position = uint32_t((span / 2 + Steps(f) * above) / span);
  }
  if (start_edit) {
    f.value = position;
    f.start = value;
  }
  Draw(f, position);
}

uint16_t FLD_BarEdit(FldContext& f, uint32_t* out, uint8_t key) {
  switch (key) {
    case kKeyEnter: f.state = kFldDisplay; return kFldAccept;
    case kKeyEsc:
      if (out) *out = f.start;
      f.state = kFldDisplay;
      return kFldCancel;
    case kKeyLeft:
    case kKeyDown:
    case kKeyRight:
    case kKeyUp: {
      if (f.maximum <= f.minimum) return kFldUnused;
      const bool up = key == kKeyRight || key == kKeyUp;
      if (f.value > Steps(f)) f.value = Steps(f);
      if (up ? f.value >= Steps(f) : f.value == 0) return kFldUnused;
      f.value += up ? 1 : -1;
      if (out) *out = uint32_t(uint64_t(f.value) * (uint64_t(f.maximum) - f.minimum) / Steps(f) + f.minimum);
      Draw(f, f.value);
      return kFldChanged;
    }
    default: return kFldUnused;
  }
}
