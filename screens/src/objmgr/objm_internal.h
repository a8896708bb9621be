#pragma once
// Private parts of the object manager: the page header and where a page's records lie.

#include <cstdint>

#include "graphics/dc.h"
#include "ground/tablestore.h"
#include "screens/objm.h"

namespace objm {

// Page header fields.
inline constexpr uint32_t kPageIndex = 0;       // u16, screen number - 1
inline constexpr uint32_t kPageFault = 2;       // s16, negative: the fault display
inline constexpr uint32_t kPageCount = 4;       // u16 object count
inline constexpr uint32_t kPageBackground = 6;  // u16 colour
inline constexpr uint32_t kPageVersion = 8;     // u16
inline constexpr uint32_t kPageExtRef = 10;     // u32 offset from the program base
inline constexpr uint32_t kPageScanList = 14;   // u32 (version 1 on), 0 none
inline constexpr uint32_t kPageFlags = 22;      // u16 (version 2 on), bit 0 gradient
inline constexpr uint32_t kGradStart = 24;
inline constexpr uint32_t kGradEnd = 26;
inline constexpr uint32_t kGradLeadIn = 28;
inline constexpr uint32_t kGradLeadOut = 30;
// The first record, by header version.
inline constexpr uint32_t kFirstV0 = 14;
inline constexpr uint32_t kFirstV1 = 22;
inline constexpr uint32_t kFirstV2 = 24;
inline constexpr uint32_t kFirstGradient = 32;

// The class row of a code below kObjClasses.
const ObjClass& ClassRow(uint16_t code);

struct PageLayout {
  bool valid;  // the whole header lies inside the program
  uint16_t count;
  uint16_t version;
  bool gradient;
  uint32_t first;      // offset of the first record
  const uint8_t* end;  // end of the screen program holding the page; null for the firmware's own pages
};
PageLayout Layout(const uint8_t* page);
const uint8_t* PageEnd(const uint8_t* page);
// The record after this one, or null when this one is not a whole record of a known
// class inside end (when end is given).
const uint8_t* NextRecord(const uint8_t* record, const uint8_t* end);

inline const ObjInstance* InstanceOf(const OCB& ocb) { return static_cast<const ObjInstance*>(ocb.instance); }

// Clip to an inclusive rectangle.
inline void ClipTo(DC* dc, const int16_t r[4]) {
  const int16_t clip[4] = {r[0], r[1], int16_t(r[2] + 1), int16_t(r[3] + 1)};
  GDI_SetClipRect(dc, clip, nullptr);
}
inline void ClipWhole(DC* dc) { ClipTo(dc, dc->bounds); }

// The page's objects and an open pop-up above them. Re-read every time: an input event
// may open or close the pop-up.
inline int LiveObjects() { return num_dobjs + (fPopup ? 1 : 0); }

// Morphs (objm_morph.cpp). Opening runs the requested class over the object's record;
// false when it was refused (nothing requested, a pop-up open, the stack full). Closing
// puts the innermost morph's object back; nothing when no morph is open.
bool OpenMorph(int object);
void CloseMorph();
// Every object under a morph gets its own control block back at once, without signals
// or paints: the page is being closed.
void PutBackMorphedObjects();

// An event (touch code as the objects get it) while the message box is open: 1 when its
// OK button closed it, which drops the focus and repaints the page.
int MessageBoxEvent(int code, int x, int y);

}  // namespace objm

// Opens the message box with text over the display (objm_mesg.cpp).
void OBJM_DisplayMesg(DC* dc, const char* text);
