// The shape object: a line, rectangle, ellipse or rounded rectangle, plain or with a
// gradient fill, recoloured, shown, hidden and flashed by its attribute register.
#include <algorithm>

#include "attribute.h"
#include "graphics/dc.h"
#include "graphics/draw.h"
#include "screens/objm.h"
#include "shape_common.h"

using namespace objrec;

namespace {

constexpr uint32_t kPenStyle = 26;
constexpr uint32_t kPenWidth = 27;
constexpr uint32_t kKind = 29;
constexpr uint32_t kInsets = 22;  // lines: four unsigned bytes in place of the text offset
constexpr uint32_t kAlternates = 32;
constexpr uint32_t kCovered = 0x000F;
constexpr uint32_t kFlagVertical = 1u << 4;
constexpr uint32_t kFlagHorizontal = 1u << 5;

enum Kind : uint8_t { kLineDown, kLineUp, kRectangle, kEllipse, kRoundRect };

struct ShapeInstance {
  ObjInstance hdr;
  AttrLink attr;
  uint16_t fill;  // fill, or the gradient's start colour
  uint16_t end;
  uint8_t filled;
  uint8_t shown;
};

ShapeInstance& Inst(void* p) { return *static_cast<ShapeInstance*>(p); }

}  // namespace

int16_t SHAPE_Create(const uint8_t* rec, void* instance) {
  ShapeInstance& s = Inst(instance);
  for (int i = 0; i < 4; ++i) s.hdr.rect[i] = S16(rec, kRect + 2 * i);
  const uint8_t* g = OBJ_Gradient(rec);
  const bool has_fill = g || S16(rec, kFill) != -1;
  s.fill = g ? U16(g, kGradStart) : uint16_t(S16(rec, kFill));
  s.end = g ? U16(g, kGradEnd) : 0;
  s.filled = rec[kKind] >= kRectangle && has_fill;
  s.attr = {s.filled ? s.fill : U16(rec, kPen), nullptr, 0};
  s.shown = (FlagsOf(rec) & kFlagShown) ? 1 : 0;
  s.hdr.state = s.shown ? kStateShown : 0;
  if (!has_fill) s.hdr.state |= kStatePassThrough;
  ATTR_Link(rec, s.attr);
  if (s.attr.rcb && (U16(rec, kAttrMask) & kFlagShown)) s.hdr.state |= kStatePassThrough;
  return int16_t(sizeof(ShapeInstance));
}

uint16_t SHAPE_Signal(const uint8_t* rec, void* instance, int code, int) {
  if (code != kSignalUpdate) return 0;
  ShapeInstance& s = Inst(instance);
  const uint16_t normal = s.filled ? s.fill : U16(rec, kPen);
  const AttrResult a = ATTR_Evaluate(rec, s.hdr, s.attr, normal, kAlternates, kCovered, s.shown);
  uint16_t bits = a.bits;
  if (a.phase_changed && s.shown) bits |= s.attr.phase ? 0x2020 : 0x1020;
  return bits;
}

void SHAPE_Paint(const uint8_t* rec, void* instance, int) {
  ShapeInstance& s = Inst(instance);
  DC* dc = s.hdr.dc;
  if (!dc || s.attr.phase) return;
  const int16_t width = rec[kPenWidth];
  GDI_SetPen(dc, rec[kPenStyle], width, s.filled ? U16(rec, kPen) : s.attr.colour);
  GDI_SetFillColor(dc, s.filled ? s.attr.colour : s.fill);
  int16_t l = S16(rec, kRect), t = S16(rec, kRect + 2), r = S16(rec, kRect + 4), b = S16(rec, kRect + 6);
  const uint8_t* in = rec + kInsets;
  const uint8_t kind = rec[kKind];
  if (kind == kLineDown) {
    l = int16_t(l + in[0]), t = int16_t(t + in[1]), r = int16_t(r - in[2]), b = int16_t(b - in[3]);
    GDI_MoveTo(dc, l, t);
    const uint32_t flags = FlagsOf(rec);
    if (flags & kFlagVertical)
      GDI_LineTo(dc, l, b);
    else if (flags & kFlagHorizontal)
      GDI_LineTo(dc, r, t);
    else
      GDI_LineTo(dc, r, b);
    return;
  }
  if (kind == kLineUp) {
    r = int16_t(r - in[0]), t = int16_t(t + in[1]), l = int16_t(l + in[2]), b = int16_t(b - in[3]);
    GDI_MoveTo(dc, l, b);
    GDI_LineTo(dc, r, t);
    return;
  }
  if (kind > kRoundRect) return;
  const int16_t half = int16_t(width / 2);
  l = int16_t(l + half), t = int16_t(t + half), r = int16_t(r - half), b = int16_t(b - half);
  if (width % 2 == 0) r = int16_t(r + 1), b = int16_t(b + 1);
  const uint8_t* g = OBJ_Gradient(rec);
  if (g) {
    GDI_SetGradient(dc, uint8_t(U16(g, kGradMode)));
    GDI_SetEndColor(dc, s.end);
  }
  const int16_t lead_in = g ? S16(g, kGradLeadIn) : 0, lead_out = g ? S16(g, kGradLeadOut) : 0;
  if (kind == kRectangle) {
    g ? GDI_GradientRect(dc, lead_in, lead_out, l, t, r, b) : GDI_Rectangle(dc, l, t, r, b);
  } else if (kind == kEllipse) {
    g ? GDI_GradEllipse(dc, lead_in, lead_out, l, t, r, b) : GDI_Ellipse(dc, l, t, r, b);
  } else {
    const int smaller = std::min(r - l, b - t);
    const int16_t radius = int16_t(smaller > 74 ? 25 : smaller / 3);
    g ? GDI_GradRoundRect(dc, lead_in, lead_out, l, t, r, b, radius, radius)
      : GDI_RoundRect(dc, l, t, r, b, radius, radius);
  }
}

void SHAPE_Destroy(const uint8_t*, void*) {}
