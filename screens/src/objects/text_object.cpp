// The text object: a text of the program strings in a filled, gradient or transparent
// box, with an optional border or 3D frame, recoloured, shown, hidden and flashed by its
// attribute register.
#include "graphics/dc.h"
#include "graphics/draw.h"
#include "graphics/text.h"
#include "graphics/util.h"
#include "attribute.h"
#include "program_text.h"
#include "screens/objm.h"
#include "shape_common.h"

using namespace objrec;

namespace {

constexpr uint32_t kAlternates = 32;
constexpr uint32_t kCovered = 0x000F;
constexpr uint16_t kNoFrameFace = 0xC638;

struct TextInstance {
  ObjInstance hdr;
  AttrLink attr;
  uint16_t fill;  // fill, or the gradient's start colour
  uint16_t end;   // the gradient's end colour
  uint8_t shown;
};

TextInstance& Inst(void* p) { return *static_cast<TextInstance*>(p); }

bool HasFill(const uint8_t* rec) { return (U16(rec, kType) & kTypeGradient) || S16(rec, kFill) != -1; }

// The box: gradient or fill colour, the pen outline as set by the caller.
void FillBox(const uint8_t* rec, const TextInstance& t, DC* dc, const int16_t r[4]) {
  if (const uint8_t* g = OBJ_Gradient(rec)) {
    GDI_SetGradient(dc, uint8_t(U16(g, kGradMode)));
    GDI_SetFillColor(dc, t.fill);
    GDI_SetEndColor(dc, t.end);
    GDI_GradientRect(dc, S16(g, kGradLeadIn), S16(g, kGradLeadOut), r[0], r[1], r[2], r[3]);
  } else {
    GDI_SetFillColor(dc, t.fill);
    GDI_Rectangle(dc, r[0], r[1], r[2], r[3]);
  }
}

}  // namespace

int16_t TEXT_Create(const uint8_t* rec, void* instance) {
  TextInstance& t = Inst(instance);
  const uint32_t flags = FlagsOf(rec);
  for (int i = 0; i < 4; ++i) t.hdr.rect[i] = S16(rec, kRect + 2 * i);
  const int16_t inset = (flags & (kFlagRaised3D | kFlagSunken3D)) ? 3 : (flags & kFlagBorder) ? 1 : 0;
  t.hdr.rect[0] = int16_t(t.hdr.rect[0] + inset);
  t.hdr.rect[1] = int16_t(t.hdr.rect[1] + inset);
  t.hdr.rect[2] = int16_t(t.hdr.rect[2] - inset);
  t.hdr.rect[3] = int16_t(t.hdr.rect[3] - inset);
  t.attr = {U16(rec, kPen), nullptr, 0};
  t.shown = (flags & kFlagShown) ? 1 : 0;
  t.hdr.state = t.shown ? kStateShown : 0;
  if (!HasFill(rec)) t.hdr.state |= kStatePassThrough;
  ATTR_Link(rec, t.attr);
  if (t.attr.rcb && (U16(rec, kAttrMask) & kFlagShown)) t.hdr.state |= kStatePassThrough;
  t.fill = uint16_t(S16(rec, kFill));
  t.end = 0;
  if (const uint8_t* g = OBJ_Gradient(rec)) {
    t.fill = U16(g, kGradStart);
    t.end = U16(g, kGradEnd);
  }
  return int16_t(sizeof(TextInstance));
}

uint16_t TEXT_Signal(const uint8_t* rec, void* instance, int code, int argument) {
  if (code != kSignalUpdate) return 0;
  TextInstance& t = Inst(instance);
  const AttrResult a = ATTR_Evaluate(rec, t.hdr, t.attr, U16(rec, kPen), kAlternates, kCovered, t.shown);
  uint16_t bits = a.bits;
  if (a.phase_changed && t.shown) {
    if (HasFill(rec)) {
      bits |= kResultRepaint;
    } else if (t.attr.phase) {
      t.hdr.state &= uint16_t(~kStateShown);
      bits |= 0x2020;
    } else {
      t.hdr.state |= kStateShown;
      bits |= 0x1020;
    }
  }
  if (argument == 1) bits |= kResultRepaint;
  return bits;
}

void TEXT_Paint(const uint8_t* rec, void* instance, int parts) {
  TextInstance& t = Inst(instance);
  DC* dc = t.hdr.dc;
  if (!dc) return;
  const uint32_t flags = FlagsOf(rec);
  const int16_t box[4] = {S16(rec, kRect), S16(rec, kRect + 2), int16_t(S16(rec, kRect + 4) + 1),
                          int16_t(S16(rec, kRect + 6) + 1)};
  if (parts == kPaintStatic) {
    GDI_SetPen(dc, (flags & kFlagBorder) ? 1 : 0, 1, U16(rec, kPen));
    FillBox(rec, t, dc, box);
    if (flags & (kFlagRaised3D | kFlagSunken3D)) {
      uint16_t light = 0, dark = 0;
      const bool sunken = (flags & kFlagSunken3D) != 0;
      UTIL_3DShades(sunken, HasFill(rec) ? t.fill : kNoFrameFace, &light, &dark);
      UTIL_ShadeRect(dc, box, light, dark, 0);
    }
    return;
  }
  if (!(flags & kFlagTextPresent)) return;
  const int16_t r[4] = {int16_t(box[0] + 4), int16_t(box[1] + 4), int16_t(box[2] - 1 - 5), int16_t(box[3] - 1 - 5)};
  if (t.attr.phase) {
    GDI_SetPen(dc, 1, 1, U16(rec, kPen));
    FillBox(rec, t, dc, r);
    return;
  }
  const char* text = OBJ_ProgramText(U32(rec, kText));
  if (!text) return;
  GDI_SelectFont(dc, rec[kFont], nullptr, nullptr);
  GDI_SetTextColor(dc, t.attr.colour);
  const uint16_t old_fill = GDI_SetFillColor(dc, 0xFFFF);  // transparent
  GDI_RectTextOut(dc, rec[kAlign], r, text);
  GDI_SetFillColor(dc, old_fill);
}

void TEXT_Destroy(const uint8_t*, void*) {}
