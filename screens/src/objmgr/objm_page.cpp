// Pages of the screen program as live objects: the scan for background objects at
// program start, opening a page (its objects' instances in the page pool, background
// objects shared with their own entries), painting it, and releasing it.
#include <algorithm>
#include <cstring>

#include "fieldbus/services.h"
#include "graphics/dc.h"
#include "graphics/draw.h"
#include "graphics/playback.h"
#include "graphics/vdr.h"
#include "ground/loop.h"
#include "ground/rcb.h"
#include "ground/regimage.h"
#include "ground/screen_program.h"
#include "ground/sysmsg.h"
#include "platform/trace.h"
#include "objm_internal.h"
#include "screens/keys.h"
#include "screens/objm.h"
#include "screens/objm_bodies.h"
#include "screens/services.h"
#include "storage/cfm.h"

using namespace objrec;

namespace objm {
namespace {

constexpr uint16_t kClassMenu = 3;
constexpr uint16_t kClassPage = 5;
constexpr uint16_t kClassNull = 22;
constexpr uint8_t kUserScreenMode = 1;
constexpr uint32_t kScanListBytes = 8 * 12;

alignas(kInstanceAlign) uint8_t dmem_pool[kDmemPoolBytes];
alignas(kInstanceAlign) uint8_t smem_pool[kSmemPoolBytes];

// The instance of a background object that has no entry of its own (its creation was
// skipped for lack of pool): hidden and transparent to touches, so the page still opens
// without it.
ObjInstance g_absent{nullptr, kStatePassThrough, {0, 0, -1, -1}};

uint32_t AlignUp(uint32_t n) { return (n + kInstanceAlign - 1) & ~(kInstanceAlign - 1); }

void StartInstance(void* instance, DC* dc) {
  ObjInstance header{dc, 0, {0, 0, 0, 0}};
  std::memcpy(instance, &header, sizeof header);
}

void FromClass(OCB& ocb, const ObjClass& row, const uint8_t* record) {
  ocb = {row.create, row.paint, row.signal, row.destroy, record, nullptr, 0, 0, 0};
}

void FocusList() {
  selectNumObjs = 0;
  selectIndex = 0;
  int best_sum = 0;
  bool menu_chosen = false;
  for (int i = 0; i < num_dobjs; ++i) {
    const uint8_t* rec = doTbl[i].record;
    const uint32_t flags = FlagsOf(rec);
    if (!(flags & kFlagFocusList)) continue;
    const int x = (S16(rec, kRect) + S16(rec, kRect + 4)) / 2;
    const int y = (S16(rec, kRect + 2) + S16(rec, kRect + 6)) / 2;
    const int entry = selectNumObjs++;
    scb[entry] = {uint16_t(i), uint16_t(x), uint16_t(y)};
    const bool menu = ClassOf(rec) == kClassMenu && (flags & kFlagInitialFocus);
    if (menu) {
      menu_chosen = true;
      fSelectFocus = 1;
    } else if (menu_chosen || (selectObject != -1 && x + y >= best_sum)) {
      continue;
    }
    selectObject = i;
    selectIndex = entry;
    best_sum = x + y;
  }
}

}  // namespace

PageLayout Layout(const uint8_t* page) {
  PageLayout l{};
  l.end = PageEnd(page);
  // Each header field is read only once the header is known to reach it.
  const auto fits = [&](uint32_t n) { return !l.end || (page <= l.end && uint32_t(l.end - page) >= n); };
  if (!fits(kFirstV0)) return l;
  l.count = U16(page, kPageCount);
  l.version = U16(page, kPageVersion);
  l.first = kFirstV0;
  if (l.version >= 1) l.first = kFirstV1;
  if (l.version >= 2) {
    if (!fits(kFirstV2)) return l;
    l.gradient = (U16(page, kPageFlags) & 1) != 0;
    l.first = l.gradient ? kFirstGradient : kFirstV2;
  }
  l.valid = fits(l.first);
  return l;
}

const uint8_t* PageEnd(const uint8_t* page) {
  const uint32_t cap = uint32_t(kVtnPgmCap - kTableHeader);
  const uint32_t size = std::min(BlockSize(vtn_pgm_bl), cap);
  if (page >= vtn_pgm && page < vtn_pgm + size) return vtn_pgm + size;
  return nullptr;  // one of the firmware's own pages
}

const ObjClass& ClassRow(uint16_t code) {
  return g_objm_bodies.classes ? g_objm_bodies.classes[code] : oDefTbl[code];
}

const uint8_t* NextRecord(const uint8_t* record, const uint8_t* end) {
  if (end && (record > end || end - record < std::ptrdiff_t(kHeaderBytes))) return nullptr;
  const uint16_t cls = ClassOf(record);
  const bool own = (FlagsOf(record) & kFlagOwnLength) != 0;
  // A record of an unknown class can only be stepped over by its own length.
  if (cls >= kObjClasses && !own) return nullptr;
  // The own length lies past the common header: the program must hold it.
  if (own && end && end - record < std::ptrdiff_t(kOwnLength + 2)) return nullptr;
  const uint32_t length = own ? U16(record, kOwnLength) : ClassRow(cls).length;
  if (length < kOwnLength + 2) return nullptr;
  // A class reads its record up to its default length whatever the record claims.
  const uint32_t span = cls < kObjClasses ? std::max(length, ClassRow(cls).length) : length;
  if (end && uint32_t(end - record) < span) return nullptr;
  return record + length;
}

}  // namespace objm

using namespace objm;

uint32_t OBJM_Init() {
  plat::TraceCall("OBJM_Init");
  initSelect = -1;
  num_dobjs = 0;
  num_sobjs = 0;
  smem_index = 0;
  morfIndex = 0;
  pCurPgHdr = nullptr;
  // The page table is empty, and with it goes a pop-up left open above it (the start-up
  // questions leave theirs to the screen set-up that follows).
  fPopup = 0;
  saveSelect = -1;
  pPUCallback = nullptr;
  HistoryPowerOnReset();
  return 0;
}

const uint8_t* OBJM_ScanPage(DC* dc, const uint8_t* page) {
  if (g_objm_bodies.scan_page) return g_objm_bodies.scan_page(dc, page);
  flag_draw = 1;
  const PageLayout l = Layout(page);
  if (!l.valid) return nullptr;
  // References in the Creates resolve against this page's table.
  SYS_SetPageRefTable(U32(page, kPageExtRef));
  const uint8_t* rec = page + l.first;
  for (uint16_t i = 0; i < l.count; ++i) {
    const uint8_t* next = NextRecord(rec, l.end);
    if (!next) return nullptr;  // the rest of the program cannot be trusted to follow
    const uint32_t flags = FlagsOf(rec);
    const uint16_t cls = ClassOf(rec);
    if ((flags & kFlagBackground) && cls < kObjClasses && cls != kClassPage && num_sobjs < kObjTableSize) {
      smem_index = AlignUp(smem_index);
      // The same reserve as the page pool, so that no Create can run past the pool's end.
      if (smem_index <= kSmemPoolBytes - kInstanceReserve) {
        OCB& ocb = soTbl[num_sobjs];
        FromClass(ocb, ClassRow(cls), rec);
        ocb.owner = uint16_t(U16(page, kPageIndex) + 1);
        ocb.instance = smem_pool + smem_index;
        ++num_sobjs;
        StartInstance(ocb.instance, dc);
        smem_index += uint32_t(std::max<int16_t>(ocb.create(rec, ocb.instance), 0));
      }
    }
    rec = next;
  }
  return rec;
}

int OBJM_OpenPage(DC* dc, const uint8_t* page) {
  plat::TraceCall("OBJM_OpenPage", page ? int16_t(U16(page, kPageIndex)) : -1);
  if (g_objm_bodies.open_page) return g_objm_bodies.open_page(dc, page);
  openPageExec = 1;
  flag_draw = 1;
  VideoStop();
  SYS_ResetRCBs(0);
  fDispMesg = 0;
  const PageLayout l = Layout(page);
  num_dobjs = 0;
  pCurPgHdr = nullptr;
  const auto refuse = [] {
    num_dobjs = 0;
    openPageExec = 0;
    return 0;
  };
  // One entry of the page table stays free for a pop-up.
  if (l.count > kPageObjectsMax) return refuse();
  if (!l.valid) return refuse();
  SYS_SetPageRefTable(U32(page, kPageExtRef));
  if (l.gradient) {
    FillColor = U16(page, kGradStart);
    EndColor = U16(page, kGradEnd);
    LeadInLines = U16(page, kGradLeadIn);
    LeadOutLines = U16(page, kGradLeadOut);
  }
  if (l.version >= 1) {
    const uint32_t offset = U32(page, kPageScanList);
    const uint8_t* list = nullptr;
    if (offset != 0) {
      const uint32_t size = std::min(BlockSize(vtn_pgm_bl), uint32_t(kVtnPgmCap - kTableHeader));
      // A list that does not lie inside the program counts as none.
      if (offset <= size && size - offset >= kScanListBytes) list = vtn_pgm + offset;
    }
    PMGR_LoadDynamicScanListInfo(list);
    ExternalRegOnPage = list ? 1 : 0;
  }
  VDR_BmpClrMem();

  uint32_t offset = 0;
  const uint8_t* rec = page + l.first;
  for (uint16_t i = 0; i < l.count; ++i) {
    const uint8_t* next = NextRecord(rec, l.end);
    if (!next) return refuse();
    const uint16_t cls = ClassOf(rec);
    if (cls >= kObjClasses) return refuse();
    OCB& ocb = doTbl[i];
    if ((FlagsOf(rec) & kFlagBackground) && cls != kClassPage) {
      const OCB* shared = nullptr;
      for (int s = 0; s < num_sobjs && !shared; ++s)
        if (soTbl[s].record == rec) shared = &soTbl[s];
      if (shared) {
        ocb = *shared;
        ocb.repaint = 0;
      } else {
        FromClass(ocb, oDefTbl[kClassNull], rec);
        ocb.instance = &g_absent;
      }
      ocb.owner = kOwnerOnPage;
    } else {
      FromClass(ocb, ClassRow(cls), rec);
      offset = AlignUp(offset);
      if (offset > kDmemPoolBytes - kInstanceReserve) return refuse();
      ocb.instance = dmem_pool + offset;
      StartInstance(ocb.instance, dc);
      offset += uint32_t(std::max<int16_t>(ocb.create(rec, ocb.instance), 0));
    }
    num_dobjs = i + 1;
    rec = next;
  }

  SYS_LoadRCBs(0);
  fPopup = 0;
  morfIndex = 0;
  selectObject = -1;
  fSelectFocus = 0;
  fSelectMorf = 0;
  FocusList();
  if (PAGE_mode == kUserScreenMode && initSelect != -1) {
    selectObject = initSelect;
    for (int e = 0; e < selectNumObjs; ++e)
      if (scb[e].object == initSelect) selectIndex = e;
  }
  newObject = selectObject;
  newIndex = selectIndex;

  pCurPgHdr = page;
  OBJM_PaintPage(dc);
  KEY_FlushTouch();
  SrSet(206, ISRCountOnOpenPage);
  ISRCountOnOpenPage = 0;
  openPageExec = 0;
  return 1;
}

void OBJM_PaintPage(DC* dc) {
  if (!dc || !pCurPgHdr) return;  // no display brought up
  WaitPageCopied();
  flag_draw = 1;
  const int16_t* b = dc->bounds;
  const int16_t whole[4] = {b[0], b[1], int16_t(b[2] + 1), int16_t(b[3] + 1)};
  GDI_SetClipRect(dc, whole, nullptr);
  const uint8_t* page = pCurPgHdr;
  const PageLayout l = Layout(page);
  GDI_SetPen(dc, 0, 0, 0xFFFF);
  if (S16(page, kPageFault) < 0) {
    PGM_DisplayFault(dc);
  } else {
    // The gradient itself is the graphics library's; until it draws one the page shows
    // its start colour.
    GDI_SetFillColor(dc, l.gradient ? FillColor : U16(page, kPageBackground));
    GDI_Rectangle(dc, whole[0], whole[1], whole[2], whole[3]);
  }
  GDI_SetFillColor(dc, 0);
  GDI_Rectangle(dc, 0, 0, 40, 480);
  GDI_Rectangle(dc, 680, 0, 800, 480);
  for (int i = 0; i < num_dobjs; ++i) {
    OCB& ocb = doTbl[i];
    const uint16_t result = ocb.signal(ocb.record, ocb.instance, kSignalUpdate, 1);
    const ObjInstance* inst = InstanceOf(ocb);
    const bool shown = (inst->state & kStateShown) != 0;
    if (shown) {
      GDI_SetClipRect(dc, whole, nullptr);
      ocb.paint(ocb.record, ocb.instance, kPaintStatic);
    }
    // A hidden object's dynamic part (a text's string) waits until it is shown, as in
    // the update pass.
    if (shown && (result & kResultRepaint)) {
      ClipTo(dc, inst->rect);
      ocb.paint(ocb.record, ocb.instance, kPaintDynamic);
    }
    ocb.repaint = 0;
  }
  GDI_SetClipRect(dc, whole, nullptr);
  CFM_SetDmemCorrupt(0);
}

void OBJM_DestroyPage() {
  plat::TraceCall("OBJM_DestroyPage");
  flag_draw = 1;
  // A Destroy must see its object's own instance, not a morph's block.
  PutBackMorphedObjects();
  const int n = num_dobjs + (fPopup ? 1 : 0);
  for (int i = 0; i < n && i < kObjTableSize; ++i) {
    const OCB& ocb = doTbl[i];
    if (!ocb.record || !ocb.destroy) continue;
    switch (ClassOf(ocb.record)) {
      case 6: case 8: case 10: case 14: case 15: case 33:
        ocb.destroy(ocb.record, ocb.instance);
        break;
      default:
        break;
    }
  }
}
