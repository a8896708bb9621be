#pragma once
// The key and touch event rings between the producers of operator input (the input
// service's touch and key scan, the ladder's key-press instruction, the IEC key-press
// block) and the screens, which drain them once per screen pass. Producers and consumer
// run on the main thread (producers also inside time slices); the rings are static and
// take no lock.

#include <cstdint>

struct BlockCursor;  // a block's operand cursor (fieldbus/talk.h)

// Key codes handed to screen objects and field editors (key signal 16).
inline constexpr uint8_t kKeyBackspace = 8;
inline constexpr uint8_t kKeyEnter = 13;
inline constexpr uint8_t kKeySign = 14;
inline constexpr uint8_t kKeyPoint = 15;
inline constexpr uint8_t kKeyDigit0 = 16;  // digits 0..9 are 16..25
inline constexpr uint8_t kKeyEsc = 27;
inline constexpr uint8_t kKeyLeft = 28;
inline constexpr uint8_t kKeyRight = 29;
inline constexpr uint8_t kKeyUp = 30;
inline constexpr uint8_t kKeyDown = 31;
inline constexpr uint8_t kKeyExponent = 32;
// Event codes of the event ring (function keys 1..10, the System key 26 and the release
// 255 go to the function-key ring).
inline constexpr int kEventScreenKey = 16;

inline constexpr int kFunctionKeySlots = 8;  // 7 usable
inline constexpr int kEventSlots = 32;       // 31 usable

// The key image of the key-press instructions, read by the key scan: keys held, and keys
// just released (cleared by the scan).
extern uint32_t PressKeyimageON;
extern uint32_t PressKeyimageOFF;
// 1 when a key-press instruction queued a repeating screen key; readers clear it.
extern uint8_t PressKeyON;

// Empties both rings and opens the touch driver with KEY_Press as its event sink.
void KEY_Init();
// The one producer entry: codes of 256 and above and code 16 go to the event ring (a full
// ring drops them, except a touch up, which replaces the newest entry); the others to the
// function-key ring (full: a release 255 replaces the newest entry, others are dropped).
// Returns code.
int KEY_Press(int code, int x, int y);
// One function-key entry to the system keys and the key registers, then one event to
// callback (when given); the callback's result, else 0.
using KeyEventCallback = int (*)(int event, int x, int y);
int KEY_Check(KeyEventCallback callback);
void KEY_Flush();       // empties the function-key ring
void KEY_FlushTouch();  // empties the event ring
void KEY_FlushDowns();  // drops queued touch downs, never the newest entry

// The ladder's key-press instruction: reads its operands through the cursor (key number,
// register token, optional trailer), returns 1 when it acted, else 0.
int PressKeyProcess(BlockCursor& cursor, int power);
// The IEC runtime's key-press block: the same with the key number and state given.
int N4_PressKeyProcess(uint16_t key, int pressed);

// Back to the power-on state (empty rings, no key held).
void KeyRingsReset();
