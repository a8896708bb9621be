// Morphs: a class such as a keypad takes over an object for a while. It runs on the
// object's own record (and its instance, unless the request brings a block of its own),
// and the object's control block waits on a stack until the morph is done. Morphs nest:
// a keypad may open a further keypad over itself.
#include "graphics/dc.h"
#include "graphics/playback.h"
#include "objm_internal.h"
#include "platform/trace.h"
#include "screens/objm.h"
#include "screens/services.h"

using namespace objm;

namespace {

constexpr int kSignalMorphClosed = 2;
constexpr uint16_t kResultFocus = 0x0001;

int requestObj = -1;           // the class asked for, -1 none
void* requestData = nullptr;   // its instance block, or none
int morfObject[kMorphDepth];   // the page-table entry each saved control block belongs to

}  // namespace

void OBJM_MorfObj(int object_class, void* parameter_block) {
  plat::TraceCall("OBJM_MorfObj", object_class);
  requestObj = object_class;
  requestData = parameter_block;
  if (parameter_block) *static_cast<DC**>(parameter_block) = GDI_GetDisplayDC();
}

OCB* OBJM_GetRootOCB() { return morfIndex > 0 ? &pushOCB[morfIndex - 1] : nullptr; }

void MorphPowerOnReset() {
  requestObj = -1;
  requestData = nullptr;
}

namespace objm {

bool OpenMorph(int object) {
  flag_draw = 1;
  const int cls = requestObj;
  void* block = requestData;
  requestObj = -1;  // a request is acted on once
  requestData = nullptr;
  // The stack holds 16 saved objects; a 17th open would run past it.
  if (cls < 0 || cls >= kObjClasses || fPopup || morfIndex >= kMorphDepth) {
    plat::TraceCall("OBJM_MorphRefused", cls, morfIndex);
    return false;
  }
  VideoStop();
  fSelectMorf = 1;
  OCB& o = doTbl[object];
  DC* dc = static_cast<ObjInstance*>(o.instance)->dc;
  morfObject[morfIndex] = object;
  pushOCB[morfIndex++] = o;
  if (block) o.instance = block;
  const ObjClass& row = ClassRow(uint16_t(cls));
  o.paint = row.paint;
  o.signal = row.signal;
  row.create(o.record, o.instance);
  ClipWhole(dc);
  o.paint(o.record, o.instance, kPaintStatic);
  o.repaint = 1;
  return true;
}

void PutBackMorphedObjects() {
  while (morfIndex > 0) {
    --morfIndex;
    doTbl[morfObject[morfIndex]] = pushOCB[morfIndex];
  }
  fSelectMorf = 0;
}

void CloseMorph() {
  if (morfIndex == 0) return;
  flag_draw = 1;
  const int object = morfObject[--morfIndex];
  OCB& o = doTbl[object];
  o = pushOCB[morfIndex];
  if (morfIndex == 0) {
    fSelectFocus = 0;
    fSelectMorf = 0;
  }
  if (o.signal(o.record, o.instance, kSignalMorphClosed, 0) & kResultFocus) {
    selectObject = object;
    fSelectFocus = 1;
  }
  DC* dc = static_cast<ObjInstance*>(o.instance)->dc;
  if (morfIndex > 0) {
    ClipWhole(dc);
    o.paint(o.record, o.instance, kPaintStatic);
    o.repaint = 1;
  } else {
    OBJM_PaintPage(dc);
  }
}

}  // namespace objm
