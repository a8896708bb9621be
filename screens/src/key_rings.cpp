// The function-key ring and the event ring, and their consumer KEY_Check: function keys
// go to the key registers and the System key to the system functions; events go to the
// screens' callback.
#include "ground/regimage.h"
#include "ground/sysservices.h"
#include "ground/touch.h"
#include "key_press.h"
#include "platform/trace.h"
#include "screens/keys.h"
#include "storage/services.h"

namespace {

struct KeyEntry {
  uint16_t code;
  uint16_t sub;
};
struct Event {
  uint16_t code;
  uint16_t x;
  uint16_t y;
};

// Empty when in equals out, full when in + 1 equals out; the producer writes the slot,
// then in (time slices produce while a screen pass consumes).
template <typename T, uint16_t N>
struct Ring {
  T slot[N];
  uint16_t in = 0;
  uint16_t out = 0;

  static uint16_t Next(uint16_t i) { return uint16_t((i + 1) % N); }
  bool Empty() const { return in == out; }
  bool Full() const { return Next(in) == out; }
  bool Put(const T& value) {
    if (Full()) return false;
    slot[in] = value;
    in = Next(in);
    return true;
  }
  void ReplaceNewest(const T& value) { slot[uint16_t((in + N - 1) % N)] = value; }
  void Clear() { out = in; }
};

constexpr uint16_t kStateReady = 0;
constexpr uint16_t kStateRetry = 1;  // the head entry was refused: retried without its actions
constexpr uint16_t kSystemMenu = 1;
constexpr uint16_t kCalibrationPage = 21;
constexpr int kClick = 3;

Ring<KeyEntry, kFunctionKeySlots> KEY_key;
Ring<Event, kEventSlots> TCH_action;
uint16_t KEY_state = kStateReady;

void SystemKey(uint16_t sub) {
  if (sub == 0) {
    TCH_Beep(kClick);
    SYS_WriteSys(3, kSystemMenu);
    return;
  }
  if (!SYS_KeyEnabled()) return;
  switch (sub) {
    case 1:
      TCH_Beep(kClick);
      SYS_WriteSys(3, kCalibrationPage);
      break;
    case 2:
      TCH_BeepEnable(1);
      TCH_Beep(kClick);
      SYS_WarmReset();
      break;
    case 4:
      TCH_BeepEnable(1);
      TCH_Beep(kClick);
      SYS_VDG();
      break;
    default:
      break;
  }
}

void FunctionKeyEntry() {
  if (KEY_key.Empty()) return;
  const KeyEntry entry = KEY_key.slot[KEY_key.out];
  if (KEY_state == kStateReady) {
    if (entry.code == kKeySystem) {
      if (!Sys_AutoLoad) SystemKey(entry.sub);
    } else if (entry.code != kKeyRelease && !Sys_AutoLoad) {
      TCH_Beep(kClick);
    }
  }
  if (SYS_KeyPut(uint16_t(entry.code & 0xFF))) {
    KEY_key.out = KEY_key.Next(KEY_key.out);
    KEY_state = kStateReady;
  } else {
    KEY_state = kStateRetry;
  }
}

}  // namespace

int KEY_Press(int code, int x, int y) {
  if (code >= kEventTouchUp || code == kEventScreenKey) {
    const Event e{uint16_t(code), uint16_t(x), uint16_t(y)};
    if (!TCH_action.Put(e) && code == kEventTouchUp) TCH_action.ReplaceNewest(e);
  } else {
    const KeyEntry k{uint16_t(code), uint16_t(x)};
    if (!KEY_key.Put(k) && code == kKeyRelease) KEY_key.ReplaceNewest(k);
  }
  return code;
}

int KEY_Check(KeyEventCallback callback) {
  FunctionKeyEntry();
  if (TCH_action.Empty()) return 0;
  const Event e = TCH_action.slot[TCH_action.out];
  TCH_action.out = TCH_action.Next(TCH_action.out);
  return callback ? callback(e.code, e.x, e.y) : 0;
}

void KEY_Init() {
  plat::TraceCall("KEY_Init");
  KEY_key.Clear();
  TCH_action.Clear();
  KEY_state = kStateReady;
  TCH_Open(KEY_Press);
}

void KEY_Flush() {
  plat::TraceCall("KEY_Flush");
  KEY_key.Clear();
  KEY_state = kStateReady;
}

void KEY_FlushTouch() { TCH_action.Clear(); }

void KEY_FlushDowns() {
  // Leading downs go; the newest entry always stays.
  while (!TCH_action.Empty() && TCH_action.Next(TCH_action.out) != TCH_action.in &&
         TCH_action.slot[TCH_action.out].code == kEventTouchDown)
    TCH_action.out = TCH_action.Next(TCH_action.out);
}

void KeyRingsReset() {
  KEY_key = {};
  TCH_action = {};
  KEY_state = kStateReady;
  PressKeyimageON = 0;
  PressKeyimageOFF = 0;
  PressKeyON = 0;
  KeyPressReset();
}
