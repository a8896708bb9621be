// The single pop-up: an object of its own above the page's objects (a status dialog, a
// start-up question), holding the focus until it closes itself. It may open before any
// page, over the display alone.
#include <cstring>

#include "graphics/dc.h"
#include "objm_internal.h"
#include "platform/trace.h"
#include "screens/objm.h"
#include "screens/services.h"

using namespace objm;

PopupCallback pPUCallback = nullptr;

namespace {

alignas(kInstanceAlign) uint8_t pmem_pool[kPmemPoolBytes];
static_assert(sizeof(PopupInstance) <= kPmemPoolBytes);

}  // namespace

void OBJM_CreatePopup(DC* dc, const void* dialog_object, PopupCallback callback, void* parameter) {
  plat::TraceCall("OBJM_CreatePopup", fPopup, fSelectMorf);
  flag_draw = 1;
  const auto* record = static_cast<const uint8_t*>(dialog_object);
  if (fPopup || fSelectMorf || !dc || !record) return;
  const uint16_t cls = objrec::ClassOf(record);
  if (cls >= kObjClasses) return;
  const ObjClass& row = ClassRow(cls);
  auto* instance = reinterpret_cast<PopupInstance*>(pmem_pool);
  std::memset(pmem_pool, 0, sizeof pmem_pool);
  instance->header.dc = dc;
  instance->parameter = parameter;
  instance->callback = callback;
  OCB& ocb = doTbl[num_dobjs];
  ocb = {row.create, row.paint, row.signal, row.destroy, record, instance, 0, 0, 0};
  saveSelect = selectObject >= 0 && fSelectFocus ? selectObject : -1;
  pPUCallback = callback;
  fPopup = 1;
  ocb.create(record, instance);
  const uint16_t poll = ocb.signal(record, instance, kSignalUpdate, 1);
  ClipWhole(dc);
  ocb.paint(record, instance, kPaintStatic);
  if (poll & kResultRepaint) {
    ClipTo(dc, instance->header.rect);
    ocb.paint(record, instance, kPaintDynamic);
  }
  selectObject = num_dobjs;
  fSelectFocus = 1;
}

void OBJM_DestroyPopup(DC* dc) {
  plat::TraceCall("OBJM_DestroyPopup", fPopup);
  if (!fPopup) return;
  // The entry itself stays as it was: the pop-up's own Signal is still running when it
  // closes itself, and no one reaches the entry once the flag is clear.
  fPopup = 0;
  pPUCallback = nullptr;
  selectObject = saveSelect;
  fSelectFocus = saveSelect >= 0 ? 1 : 0;
  saveSelect = -1;
  OBJM_PaintPage(dc);
}
