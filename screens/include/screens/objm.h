#pragma once
// The object manager's tables: the class interface every screen-object class follows,
// the object control block (OCB) of a live object, the object-record header, and the
// page and background tables with their pools. Main thread only, inside the screen pass.
//
// Program-image fields are little-endian and only 2-byte aligned; records are read
// through the accessors below, never cast.

#include <cstdint>
#include <cstring>

struct DC;

// ---- object records ----------------------------------------------------------------

namespace objrec {
inline constexpr uint32_t kType = 0;       // u16: bits 0-11 class, 12-14 access level, 15 gradient fill
inline constexpr uint32_t kFlags = 2;      // u32
inline constexpr uint32_t kAttrMask = 6;   // u16
inline constexpr uint32_t kAttrReg = 8;    // u16 reference, 0 none
inline constexpr uint32_t kRect = 10;      // 4 x s16 left, top, right, bottom (inclusive)
inline constexpr uint32_t kFill = 18;      // s16 fill colour (-1 none) or gradient sub-record offset
inline constexpr uint32_t kPen = 20;       // u16 pen and text colour
inline constexpr uint32_t kText = 22;      // u32 text offset in the active language segment
inline constexpr uint32_t kAlign = 26;     // byte
inline constexpr uint32_t kFont = 27;      // byte
inline constexpr uint32_t kOwnLength = 30; // u16 with flag kFlagOwnLength
inline constexpr uint32_t kHeaderBytes = 28;

inline constexpr uint16_t kTypeClassMask = 0x0FFF;
inline constexpr uint16_t kTypeGradient = 0x8000;

inline constexpr uint32_t kFlagShown = 1u << 0;
inline constexpr uint32_t kFlagFlash = 1u << 1;
inline constexpr uint32_t kFlagBorder = 1u << 2;
inline constexpr uint32_t kFlagTouch = 1u << 3;
inline constexpr uint32_t kFlagRaised3D = 1u << 6;
inline constexpr uint32_t kFlagSunken3D = 1u << 7;
inline constexpr uint32_t kFlagFocusList = 1u << 8;
inline constexpr uint32_t kFlagInitialFocus = 1u << 10;
inline constexpr uint32_t kFlagTextPresent = 1u << 11;
inline constexpr uint32_t kFlagOwnLength = 1u << 12;
inline constexpr uint32_t kFlagBackground = 1u << 13;
inline constexpr uint32_t kFlagTouchActive = 1u << 14;
inline constexpr uint32_t kFlagOverlap = 1u << 15;

inline uint16_t U16(const uint8_t* p, uint32_t at) {
  uint16_t v;
  std::memcpy(&v, p + at, 2);
  return v;
}
inline int16_t S16(const uint8_t* p, uint32_t at) { return int16_t(U16(p, at)); }
inline uint32_t U32(const uint8_t* p, uint32_t at) { return U16(p, at) | (uint32_t(U16(p, at + 2)) << 16); }
inline uint16_t ClassOf(const uint8_t* record) { return U16(record, kType) & kTypeClassMask; }
inline uint32_t FlagsOf(const uint8_t* record) { return U32(record, kFlags); }
}  // namespace objrec

// ---- the class interface -------------------------------------------------------------

// Every instance starts with this header; the class's own fields follow it.
struct ObjInstance {
  DC* dc;
  uint16_t state;    // kStateShown, kStatePassThrough
  int16_t rect[4];   // clips the dynamic part (inclusive)
};
// Instances start at multiples of this in their pool (the header holds a pointer).
inline constexpr uint32_t kInstanceAlign = alignof(ObjInstance);
inline constexpr uint16_t kStateShown = 1u << 0;
inline constexpr uint16_t kStatePassThrough = 1u << 1;  // touches are not caught

// Paint parts.
inline constexpr int kPaintStatic = 1;
inline constexpr int kPaintDynamic = 2;
// The update poll; its argument 1 forces an answer that repaints.
inline constexpr int kSignalUpdate = 64;
// Poll result: paint the dynamic part.
inline constexpr uint16_t kResultRepaint = 0x20;

using ObjCreate = int16_t (*)(const uint8_t* record, void* instance);
using ObjPaint = void (*)(const uint8_t* record, void* instance, int parts);
using ObjSignal = uint16_t (*)(const uint8_t* record, void* instance, int code, int argument);
using ObjDestroy = void (*)(const uint8_t* record, void* instance);

struct ObjClass {
  uint32_t length;  // default record length
  ObjCreate create;
  ObjPaint paint;
  ObjSignal signal;
  ObjDestroy destroy;  // may be null
};
inline constexpr int kObjClasses = 36;
extern const ObjClass oDefTbl[kObjClasses];

// The null class's operations, which classes not built yet use as well.
int16_t NULL_Create(const uint8_t* record, void* instance);
void NULL_Paint(const uint8_t* record, void* instance, int parts);
uint16_t NULL_Signal(const uint8_t* record, void* instance, int code, int argument);
void NULL_Destroy(const uint8_t* record, void* instance);

// Static text, and lines and figures; both with the attribute register.
int16_t TEXT_Create(const uint8_t* record, void* instance);
void TEXT_Paint(const uint8_t* record, void* instance, int parts);
uint16_t TEXT_Signal(const uint8_t* record, void* instance, int code, int argument);
void TEXT_Destroy(const uint8_t* record, void* instance);
int16_t SHAPE_Create(const uint8_t* record, void* instance);
void SHAPE_Paint(const uint8_t* record, void* instance, int parts);
uint16_t SHAPE_Signal(const uint8_t* record, void* instance, int code, int argument);
void SHAPE_Destroy(const uint8_t* record, void* instance);

// The instance of the open pop-up: its parameter and the callback that receives the
// operator's answer are set before its class's Create runs.
struct PopupInstance {
  ObjInstance header;
  void* parameter;
  void (*callback)(int answer, void* parameter);
};

// ---- live objects ----------------------------------------------------------------------

struct OCB {
  ObjCreate create;
  ObjPaint paint;
  ObjSignal signal;
  ObjDestroy destroy;
  const uint8_t* record;
  void* instance;
  uint8_t repaint;  // repaint pending
  uint8_t spare;
  uint16_t owner;   // background table: the owning screen number; page table copy: 255
};
inline constexpr uint16_t kOwnerOnPage = 255;

inline constexpr int kObjTableSize = 1024;
// The page table keeps one entry for a pop-up above the page's own objects.
inline constexpr int kPageObjectsMax = kObjTableSize - 1;
inline constexpr uint32_t kDmemPoolBytes = 524028;
inline constexpr uint32_t kSmemPoolBytes = 262140;
inline constexpr uint32_t kPmemPoolBytes = 256;
// A Create needs at least this many bytes left in its pool: the page is refused, a
// background object is left out.
inline constexpr uint32_t kInstanceReserve = 1025;
inline constexpr int kMorphDepth = 16;
inline constexpr int kHistoryDepth = 16;

struct FocusEntry {
  uint16_t object;
  uint16_t x, y;  // centre
};

extern OCB doTbl[kObjTableSize];
extern OCB soTbl[kObjTableSize];
extern OCB pushOCB[kMorphDepth];
extern FocusEntry scb[kPageObjectsMax];
extern uint16_t pushScreen[kHistoryDepth];
extern uint16_t pushSelect[kHistoryDepth];

extern int num_dobjs;
extern int num_sobjs;
extern uint32_t smem_index;
extern const uint8_t* pCurPgHdr;
extern int selectObject;
extern uint8_t fSelectFocus;
extern uint8_t fSelectMorf;
extern uint8_t fPopup;
extern uint8_t fDispMesg;
extern int morfIndex;
extern int saveSelect;  // the focus a pop-up took, -1 none
extern void (*pPUCallback)(int answer, void* parameter);
extern int initSelect;
extern int selectNumObjs;
extern int selectIndex;
extern int newObject;
extern int newIndex;
extern uint8_t flag_draw;
// The open page's gradient background.
extern uint16_t FillColor, EndColor, LeadInLines, LeadOutLines;

// Repaints the whole open page.
void OBJM_PaintPage(DC* dc);
// Back to the power-on state: the tables empty, no page open, one language.
void ObjmPowerOnReset();
void StrPowerOnReset();
void HistoryPowerOnReset();
void MorphPowerOnReset();
