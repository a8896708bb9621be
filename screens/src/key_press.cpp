// The key-press instructions of the ladder and of the IEC runtime: a key held through a
// register. Function keys enter the key image (which the key scan reads) and the
// function-key ring; Enter, Esc and the arrows repeat as screen keys in the event ring.
#include <iterator>

#include "fieldbus/talk.h"
#include "ground/regaccess.h"
#include "ground/touch.h"
#include "key_press.h"
#include "screens/keys.h"

uint32_t PressKeyimageON = 0;
uint32_t PressKeyimageOFF = 0;
uint8_t PressKeyON = 0;

namespace {

constexpr uint16_t kTrailerMark = 1023;
constexpr uint32_t kFirstToken = 1025;
constexpr uint32_t kLastToken = 0x10030FFE;
constexpr uint16_t kFirstDelay = 125;  // calls before the first repeat
constexpr uint16_t kRepeatDelay = 50;  // calls between further repeats

struct ImageKey {
  uint16_t key;  // key code
  uint32_t bit;
};
constexpr ImageKey kImage[] = {{1, 0x2},         {2, 0x4},         {3, 0x8},          {4, 0x10},
                               {5, 0x20},        {6, 0x40},        {7, 0x80},         {kKeyEnter, 0x40000},
                               {kKeyDown, 0x80000}, {kKeyUp, 0x100000}, {kKeyLeft, 0x400000}, {kKeyRight, 0x800000},
                               {kKeyEsc, 0x1000000}};
static_assert(std::size(kImage) == 13);

bool Repeats(uint16_t key) { return key >= kKeyEsc || key == kKeyEnter; }

// The auto-repeat of one producer.
struct Repeat {
  uint16_t counter = 0;
  uint16_t delay = 0;
  uint16_t last = 0;
};
Repeat g_ladder;
Repeat g_iec;

int Process(Repeat& r, uint16_t key, bool pressed) {
  const ImageKey* entry = nullptr;
  for (const ImageKey& k : kImage)
    if (k.key == key) entry = &k;
  if (!entry) return 0;
  if (!pressed) {
    if (!(PressKeyimageON & entry->bit)) return 0;
    PressKeyimageON &= ~entry->bit;
    PressKeyimageOFF |= entry->bit;
    KEY_Press(kKeyRelease, 0, 0);
    r.counter = r.delay = 0;
    return 1;
  }
  PressKeyimageON |= entry->bit;
  if (!Repeats(key)) {
    KEY_Press(key, 0, 0);
    return 1;
  }
  if (r.counter > 0) --r.counter;
  if (r.counter == 0) {
    KEY_Press(kEventScreenKey, key, 0);
    PressKeyON = 1;
    const uint16_t reload = key == r.last && r.delay != 0 ? kRepeatDelay : kFirstDelay;
    r.counter = r.delay = reload;
    r.last = key;
  }
  return 1;
}

}  // namespace

int PressKeyProcess(BlockCursor& c, int power) {
  const uint16_t key = c.Next();
  uint32_t token = c.Next();
  if (!c.form16) token |= uint32_t(c.Next()) << 16;
  if (c.Peek() == kTrailerMark) {
    c.Next();
    const uint16_t n = c.Next();
    for (uint16_t i = 0; i < n && !c.overrun; ++i) c.Next();
  }
  if (!power || c.overrun || token < kFirstToken || token > kLastToken) return 0;
  uint8_t bit = 0;
  PlcReg_Get(&bit, token, 1);
  return Process(g_ladder, key, (bit & 1) != 0);
}

int N4_PressKeyProcess(uint16_t key, int pressed) { return Process(g_iec, key, pressed != 0); }

void KeyPressReset() {
  g_ladder = {};
  g_iec = {};
}
