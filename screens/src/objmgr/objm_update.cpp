// The update pass: once per screen pass every object is polled, and only what changed is
// repainted, together with the objects lying over it. One input event is serviced after
// every poll and every dynamic repaint so that touches stay responsive on full pages.
// Events go to the focused object, or else to the topmost object that takes them.
#include <algorithm>

#include "graphics/dc.h"
#include "graphics/draw.h"
#include "ground/regimage.h"
#include "ground/sysmsg.h"
#include "ground/timebase.h"
#include "objm_internal.h"
#include "platform/trace.h"
#include "screens/keys.h"
#include "screens/objm.h"
#include "screens/objm_bodies.h"
#include "screens/services.h"

using namespace objrec;
using namespace objm;

namespace {

constexpr uint16_t kResultFocus = 0x0001;
constexpr uint16_t kResultDone = 0x0002;
constexpr uint16_t kResultBack = 0x0080;
constexpr uint16_t kResultMorph = 0x0400;
constexpr uint16_t kResultVisible = 0x1000;
constexpr uint16_t kResultHidden = 0x2000;
constexpr uint16_t kResultStatic = 0x4000;
constexpr uint16_t kResultDenied = 0x8000;
constexpr int kSignalSelect = 1;
constexpr int kSignalKey = 16;
constexpr int kSignalPress = 256;
constexpr int kSignalRelease = 512;

struct Rect {
  int16_t r[4];  // inclusive
};

Rect RecordRect(const OCB& o) {
  Rect x;
  for (int i = 0; i < 4; ++i) x.r[i] = S16(o.record, kRect + 2 * uint32_t(i));
  return x;
}
Rect InstanceRect(const OCB& o) {
  Rect x;
  std::copy_n(InstanceOf(o)->rect, 4, x.r);
  return x;
}
bool Meets(const Rect& a, const Rect& b) {
  return a.r[0] <= b.r[2] && b.r[0] <= a.r[2] && a.r[1] <= b.r[3] && b.r[1] <= a.r[3];
}
Rect Union(const Rect& a, const Rect& b) {
  return {{std::min(a.r[0], b.r[0]), std::min(a.r[1], b.r[1]), std::max(a.r[2], b.r[2]), std::max(a.r[3], b.r[3])}};
}
Rect Intersection(const Rect& a, const Rect& b) {
  return {{std::max(a.r[0], b.r[0]), std::max(a.r[1], b.r[1]), std::min(a.r[2], b.r[2]), std::min(a.r[3], b.r[3])}};
}

bool Shown(const OCB& o) { return InstanceOf(o)->state & kStateShown; }
// Objects that may lie over later ones; while a pop-up is open everything may.
bool Overlaps(const OCB& o) { return (FlagsOf(o.record) & kFlagOverlap) || fPopup; }
void Paint(OCB& o, int parts) { o.paint(o.record, o.instance, parts); }
uint16_t Signal(OCB& o, int code, int argument) { return o.signal(o.record, o.instance, code, argument); }

int ServiceInput() { return KEY_Check(OBJM_Keypress); }
void DropFocus() {
  selectObject = -1;
  fSelectFocus = 0;
}
// An object is done: it closes the innermost morph, or else gives up the focus.
void Done() {
  if (fSelectMorf) {
    CloseMorph();
  } else {
    DropFocus();
  }
}
void AccessDenied(const OCB& o) { OBJM_DisplayMesg(InstanceOf(o)->dc, "ACCESS DENIED"); }

// An object that has just become visible: its static part now, its dynamic part with the
// repaint loop; objects lying over it are brought back on top.
void ShowNow(DC* dc, int i) {
  OCB& o = doTbl[i];
  const Rect area = RecordRect(o);
  ClipTo(dc, area.r);
  Paint(o, kPaintStatic);
  o.repaint = 1;
  if (!Overlaps(o)) return;
  for (int k = i + 1; k < LiveObjects(); ++k) {
    OCB& later = doTbl[k];
    if (!Meets(RecordRect(later), area) || !Shown(later)) continue;
    Paint(later, kPaintStatic);
    later.repaint = 1;
  }
}

// An object that was hidden or has a new static part: the page background comes back in
// its rectangle and everything there is painted again in page order.
void EraseAndRestore(DC* dc, int i, bool repaint_static) {
  OCB& o = doTbl[i];
  const Rect area = RecordRect(o);
  ClipTo(dc, area.r);
  // The gradient itself is the graphics library's; until it draws one the page shows its
  // start colour, as the page paint does.
  if (pCurPgHdr) {  // a pop-up may stand alone, before any page
    const PageLayout l = Layout(pCurPgHdr);
    GDI_SetPen(dc, 0, 0, 0xFFFF);
    GDI_SetFillColor(dc, l.gradient ? FillColor : U16(pCurPgHdr, kPageBackground));
    GDI_Rectangle(dc, area.r[0], area.r[1], int16_t(area.r[2] + 1), int16_t(area.r[3] + 1));
  }
  for (int k = 0; k < LiveObjects(); ++k) {
    OCB& other = doTbl[k];
    if (k == i) {
      if (repaint_static) {
        Paint(o, kPaintStatic);
        o.repaint = 1;
      }
      if (!Overlaps(o)) return;
      continue;
    }
    if (k < i && !(FlagsOf(other.record) & kFlagOverlap)) continue;
    if (!Meets(RecordRect(other), area) || !Shown(other)) continue;
    Paint(other, kPaintStatic);
    Paint(other, kPaintDynamic);
  }
}

// Dynamic repaints of the pending objects; an overlapping object also repaints the later
// objects over its clip (the clip grows over those already pending). Ends at the first
// handled input event, leaving the rest pending for the next pass.
void RepaintPending(DC* dc) {
  for (int j = 0; j < LiveObjects() && !fDispMesg; ++j) {
    OCB& o = doTbl[j];
    if (!o.repaint) continue;
    flag_draw = 1;
    o.repaint = 0;
    if (!Shown(o)) continue;
    Rect clip = InstanceRect(o);
    ClipTo(dc, clip.r);
    Paint(o, kPaintDynamic);
    if (ServiceInput()) return;
    if (!Overlaps(o)) continue;
    for (int k = j + 1; k < LiveObjects(); ++k) {
      OCB& later = doTbl[k];
      if (!Meets(RecordRect(later), clip)) continue;
      const Rect own = InstanceRect(later);
      const bool was_pending = later.repaint;
      if (was_pending) {
        clip = Union(clip, own);
      } else if (Meets(own, clip)) {
        later.repaint = 1;
      }
      if (Shown(later)) {
        ClipTo(dc, clip.r);
        Paint(later, kPaintStatic);
      }
      if (!later.repaint) continue;
      later.repaint = 0;
      if (!Shown(later)) continue;
      const Rect dyn = was_pending ? own : Intersection(own, clip);
      ClipTo(dc, dyn.r);
      Paint(later, kPaintDynamic);
    }
  }
}

void GoBack() {
  if (PAGE_mode == 1) OBJM_PopUserScreen();
}

void PollPage(DC* dc) {
  for (int i = 0; i < LiveObjects(); ++i) {
    OCB& o = doTbl[i];
    const uint16_t result = Signal(o, kSignalUpdate, 0);
    if (i >= LiveObjects()) break;  // the pop-up closed itself
    const bool overlay_open = fSelectMorf || fDispMesg;
    if (result & kResultRepaint) {
      flag_draw = 1;
      if ((result & kResultVisible) && !overlay_open) {
        ShowNow(dc, i);
      } else if ((result & (kResultHidden | kResultStatic)) && !overlay_open) {
        EraseAndRestore(dc, i, result & kResultStatic);
      } else {
        o.repaint = 1;
      }
    }
    if (result & kResultBack) {
      flag_draw = 1;
      GoBack();
    }
    if (result & kResultFocus) {
      flag_draw = 1;
      if (!(Signal(o, kSignalSelect, 0) & kResultDone)) {
        selectObject = i;
        fSelectFocus = 1;
        o.repaint = 1;
      }
    }
    if (result & kResultDone) {
      flag_draw = 1;
      Done();
    }
    if (result & kResultMorph) {
      selectObject = i;
      fSelectFocus = 1;
      OpenMorph(i);
    }
    ServiceInput();
  }
}

// The object below the finger (or, for a key, any object) that takes the event, from
// the topmost down; the result as OBJM_Keypress's.
int RouteUnfocused(int code, int argument, int x, int y) {
  for (int i = LiveObjects() - 1; i >= 0; --i) {
    OCB& o = doTbl[i];
    if (code != kSignalKey) {
      const Rect r = RecordRect(o);
      if (x < r.r[0] || x > r.r[2] || y < r.r[1] || y > r.r[3]) continue;
    }
    if (InstanceOf(o)->state & kStatePassThrough) continue;
    const uint32_t flags = FlagsOf(o.record);
    if (!(flags & (kFlagFocusList | kFlagTouchActive))) {
      if (Shown(o)) return 0;  // a shown object absorbs what falls on it
      continue;
    }
    if (flags & kFlagFocusList) {
      if (code == kSignalRelease) return 0;  // the select happened on the press
    } else {
      const uint16_t result = Signal(o, code, argument);
      if (i >= LiveObjects()) return 0;  // the pop-up closed itself
      if (result & kResultDenied) AccessDenied(o);
      if (!(result & kResultFocus)) {
        if (result & kResultRepaint) o.repaint = 1;
        if (result & kResultBack) {
          GoBack();
          return 1;
        }
        if (result & kResultMorph) {
          selectObject = i;
          fSelectFocus = 1;
          return OpenMorph(i) ? 1 : 0;
        }
        return 0;
      }
    }
    if (code == kSignalKey && PressKeyON == 1) return 0;  // a held key selects nothing
    const uint16_t result = Signal(o, kSignalSelect, argument);
    if (i >= LiveObjects()) return 0;
    if (result & kResultDenied) AccessDenied(o);
    if ((result & kResultDone) && !fDispMesg) continue;  // refused: the object beneath may take it
    if (result & kResultRepaint) o.repaint = 1;
    selectObject = i;
    fSelectFocus = 1;
    if (result & kResultMorph) return OpenMorph(i) ? 1 : 0;
    return 0;
  }
  return 0;
}

void Present() {
  if (!flag_draw) return;
  VID_Update();
  flag_draw = 0;
}

}  // namespace

int OBJM_Update(DC* dc) {
  plat::TraceCall("OBJM_Update");
  if (g_objm_bodies.update) return g_objm_bodies.update(dc);
  const uint32_t start = FPGA_GetFrt();
  if (!VID_WaitUpdate()) return 1;
  ServiceInput();
  if (!dc || (!pCurPgHdr && !fPopup)) return 1;  // no display, or nothing open yet
  for (int i = 0; i < num_sobjs; ++i) {
    OCB& o = soTbl[i];
    if (o.owner != PAGE_current || SrGet(3) != 0 || PAGE_current == 0) {
      Signal(o, kSignalUpdate, 0);
      ServiceInput();
    }
  }
  PollPage(dc);
  int result = 1;
  if (selectObject >= 0 && fSelectFocus && fSelectMorf && !fDispMesg && selectObject < LiveObjects()) {
    // While a morph holds the focus it alone is repainted.
    OCB& morph = doTbl[selectObject];
    if (morph.repaint) {
      morph.repaint = 0;
      flag_draw = 1;
      ClipWhole(dc);
      if (Shown(morph)) Paint(morph, kPaintDynamic);
    }
    result = 0;
  } else {
    RepaintPending(dc);
  }
  Present();
  SrSet(207, uint16_t(FPGA_GetFrt() - start));
  return result;
}

int OBJM_Keypress(int event, int x, int y) {
  plat::TraceCall("OBJM_Keypress", event, (int64_t(x) << 16) | y);
  int code;
  switch (event) {
    case kSignalRelease: code = kSignalPress; break;
    case kSignalPress: code = kSignalRelease; break;
    case kSignalKey: code = kSignalKey; break;
    default: return 0;
  }
  flag_draw = 1;
  const int argument = code == kSignalKey && PressKeyON == 1 ? x : int((uint32_t(x) << 16) | uint16_t(y));
  if (fDispMesg) {
    MessageBoxEvent(code, x, y);
    return 0;
  }
  if (selectObject >= 0 && fSelectFocus && selectObject < LiveObjects()) {
    const int focused = selectObject;
    OCB& o = doTbl[focused];
    const uint16_t result = Signal(o, code, argument);
    if (focused >= LiveObjects()) return 0;  // the pop-up closed itself
    if (result & kResultRepaint) o.repaint = 1;
    if (result & kResultDone) Done();
    if ((result & kResultMorph) && OpenMorph(focused)) return 1;
    if ((result & kResultBack) && PAGE_mode == 1) {
      OBJM_PopUserScreen();
      return 1;
    }
    return 0;
  }
  return RouteUnfocused(code, argument, x, y);
}
