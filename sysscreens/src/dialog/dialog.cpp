// The status dialog's class operations for the start-up restore's questions. The layout
// is fixed in pixels (system font, 25-pixel lines); kind 10 is centred vertically on the
// screen, kinds 11 and 12 fill the record's rectangle. The dates are the clock date of
// the register image just restored (SR47 day, SR48 month, SR49 year).
#include "sysscreens/dialog.h"

#include <cstdint>

#include "dialog_instance.h"
#include "dialog_text.h"
#include "graphics/dc.h"
#include "graphics/draw.h"
#include "graphics/text.h"
#include "graphics/util.h"
#include "ground/regimage.h"
#include "ground/timebase.h"
#include "screens/objm.h"

namespace {

using namespace objrec;

constexpr uint16_t kFace = 0xC638;
constexpr uint16_t kTitleBar = 0x003F;
constexpr uint16_t kTitleInk = 0xFFDF;
constexpr uint16_t kInk = 0x0000;
constexpr uint16_t kNoColour = 0xFFFF;  // glyph background left as it is
constexpr int kLine = 25;               // the system font's line pitch
constexpr int kButtonDrop = 10;         // buttons are drawn this much below their touch rectangle
constexpr int kReachAbove = 20;         // a button's touch area reaches above ...
constexpr int kReachBelow = 10;         // ... and below its rectangle
constexpr uint32_t kTicksPerSecond = 10000;

DialogInstance& Inst(void* instance) { return *static_cast<DialogInstance*>(instance); }

void Set(int16_t r[4], int left, int top, int right, int bottom) {
  r[0] = int16_t(left);
  r[1] = int16_t(top);
  r[2] = int16_t(right);
  r[3] = int16_t(bottom);
}

bool Asks(int kind) { return kind == kDialogAutosaveFailed || kind == kDialogAutoRun || kind == kDialogNoAutoRun; }

constexpr std::size_t kCountDigits = 26;  // where "30" stands in b17Text

void WriteCountdown(int seconds) {
  b17Text[kCountDigits] = char('0' + seconds / 10 % 10);
  b17Text[kCountDigits + 1] = char('0' + seconds % 10);
}

void Answer(DialogInstance& d, int answer) {
  if (d.popup.callback != nullptr) d.popup.callback(answer, d.popup.parameter);
}

void Text(DC* dc, int align, int x, int y, const char* text, uint16_t ink, uint16_t background) {
  GDI_SetTextColor(dc, ink);
  GDI_SetFillColor(dc, background);
  GDI_SetTextAlign(dc, align);
  GDI_ByteTextOut(dc, int16_t(x), int16_t(y), text);
}

// A face in the dialog's colour with a raised 3D edge; r inclusive.
void RaisedFace(DC* dc, const int16_t r[4], uint16_t face) {
  GDI_SetPen(dc, 0, 0, face);
  GDI_SetFillColor(dc, face);
  GDI_Rectangle(dc, r[0], r[1], int16_t(r[2] + 1), int16_t(r[3] + 1));
  uint16_t light = 0, dark = 0;
  UTIL_3DShades(0, face, &light, &dark);
  const int16_t edge[4] = {r[0], r[1], int16_t(r[2] + 1), int16_t(r[3] + 1)};
  UTIL_ShadeRect(dc, edge, light, dark, 0);
}

void Button(DC* dc, const int16_t area[4], const char* label) {
  int16_t r[4];
  Set(r, area[0], area[1] + kButtonDrop, area[2], area[3] + kButtonDrop);
  RaisedFace(dc, r, kFace);
  Text(dc, kAlignCentre, (r[0] + r[2] + 1) / 2, (r[1] + r[3] + 1 - kLine) / 2, label, kInk, kNoColour);
}

// The countdown line of kind 11 over its own background, so the new digits replace the
// old ones.
void PaintCountdown(DC* dc, const DialogInstance& d) {
  Text(dc, kAlignLeft, d.body[0], d.body[1] + dlg::kCountdownRow, b17Text, kInk, kFace);
}

void PaintStatic(DC* dc, const uint8_t* record, DialogInstance& d) {
  const uint16_t face = uint16_t(S16(record, kFill)) == kNoColour ? kFace : uint16_t(S16(record, kFill));
  RaisedFace(dc, d.frame, face);
  GDI_SetPen(dc, 0, 0, kTitleBar);
  GDI_SetFillColor(dc, kTitleBar);
  GDI_Rectangle(dc, d.title[0], d.title[1], int16_t(d.title[2] + 1), int16_t(d.title[3] + 1));
  GDI_SelectFont(dc, kSystemFont, nullptr, nullptr);
  const int title_y = (d.title[1] + d.title[3] + 1 - kLine) / 2;
  Text(dc, kAlignCentre, (d.title[0] + d.title[2] + 1) / 2, title_y, dlg::Title(d.kind), kTitleInk, kNoColour);

  char date[dlg::kDateBytes];
  dlg::FormatDate(date, SrGet(47), SrGet(48), SrGet(49));
  dlg::Lines lines{};
  dlg::BodyLines(d.kind, date, lines);
  if (d.kind == kDialogAutosaveFailed) {
    // One line, centred in the band.
    const int y = (d.body[1] + d.body[3] + 1 - kLine) / 2;
    Text(dc, kAlignCentre, (d.body[0] + d.body[2] + 1) / 2, y, lines.text[0], kInk, kNoColour);
  } else {
    for (int i = 0; i < lines.count; ++i)
      Text(dc, kAlignLeft, d.body[0], d.body[1] + lines.row[i], lines.text[i], kInk, kNoColour);
    if (d.kind == kDialogAutoRun) PaintCountdown(dc, d);
  }
  Button(dc, d.ok, "OK");
  Button(dc, d.cancel, "Cancel");
}

bool InArea(const int16_t r[4], int x, int y) {
  return x >= r[0] && x <= r[2] && y >= r[1] - kReachAbove && y <= r[3] + kReachBelow;
}

}  // namespace

// Class 18, shown, fill 0xC638, the system font. dialogObj is touch-active and gets its
// rectangle from Create; dialogFullObj carries its own.
#define DIALOG_RECORD(flags, l, t, r, b)                                                          \
  {18, 0, uint8_t(flags), uint8_t((flags) >> 8), uint8_t((flags) >> 16), uint8_t((flags) >> 24), \
   0, 0, 0, 0, uint8_t(l), uint8_t((l) >> 8), uint8_t(t), uint8_t((t) >> 8), uint8_t(r),         \
   uint8_t((r) >> 8), uint8_t(b), uint8_t((b) >> 8), 0x38, 0xC6, 0, 0, 0, 0, 0, 0, 0, kSystemFont, \
   0, 0, 0, 0}
const uint8_t dialogObj[32] = DIALOG_RECORD(kFlagShown | kFlagTouchActive, 0, 0, 0, 0);
const uint8_t dialogFullObj[32] = DIALOG_RECORD(kFlagShown, 82, 32, 648, 448);
#undef DIALOG_RECORD

int secsAeNoBck = 30;
char b17Text[34] = "Proceeding to RUN Mode in 30 sec.";
uint32_t tickAeNoBck = 0;

int16_t DIALOG_Create(const uint8_t* record, void* instance) {
  DialogInstance& d = Inst(instance);
  d.kind = int(reinterpret_cast<intptr_t>(d.popup.parameter));
  d.popup.header.state = kStateShown;
  if (d.kind == kDialogAutoRun || d.kind == kDialogNoAutoRun) {
    // The record's rectangle; text 6 pixels in and 56 down; buttons from its centre and
    // bottom.
    for (int i = 0; i < 4; ++i) d.frame[i] = S16(record, kRect + 2 * i);
    const int xc = (d.frame[0] + d.frame[2]) / 2;
    const int bottom = d.frame[3];
    Set(d.body, d.frame[0] + 6, d.frame[1] + 56, d.frame[2] - 6, bottom - 80);
    Set(d.ok, xc - 146, bottom - 79, xc - 13, bottom - 36);
    Set(d.cancel, xc + 13, bottom - 79, xc + 146, bottom - 36);
  } else {
    // Centred on half the screen's height.
    const int m = d.popup.header.dc != nullptr ? (d.popup.header.dc->bounds[3] + 1) / 2 : 240;
    Set(d.frame, 145, m - 95, 575, m + 95);
    Set(d.body, 145, m - 39, 575, m);
    Set(d.ok, 214, m + 15, 347, m + 58);
    Set(d.cancel, 373, m + 15, 506, m + 58);
  }
  // The title bar, 4 pixels in: 36 rows on the small dialog, 35 on the full one.
  Set(d.title, d.frame[0] + 4, d.frame[1] + 4, d.frame[2] - 4, d.frame[1] + (d.kind == kDialogAutosaveFailed ? 39 : 38));
  for (int i = 0; i < 4; ++i) d.popup.header.rect[i] = d.frame[i];
  if (d.kind == kDialogAutoRun) {
    secsAeNoBck = 30;
    WriteCountdown(secsAeNoBck);
  }
  return int16_t(sizeof(DialogInstance));
}

void DIALOG_Paint(const uint8_t* record, void* instance, int parts) {
  DialogInstance& d = Inst(instance);
  DC* dc = d.popup.header.dc;
  if (dc == nullptr || !Asks(d.kind)) return;
  if (parts & kPaintStatic) PaintStatic(dc, record, d);
  else if ((parts & kPaintDynamic) && d.kind == kDialogAutoRun) {
    GDI_SelectFont(dc, kSystemFont, nullptr, nullptr);
    PaintCountdown(dc, d);
  }
}

uint16_t DIALOG_Signal(const uint8_t*, void* instance, int code, int argument) {
  DialogInstance& d = Inst(instance);
  if (!Asks(d.kind)) return 0;
  if (code == kSignalUpdate) {
    if (d.kind != kDialogAutoRun) return 0;
    const uint32_t now = FPGA_GetFrt();
    if (now - tickAeNoBck < kTicksPerSecond) return argument == 1 ? kResultRepaint : 0;
    if (secsAeNoBck <= 0) {
      Answer(d, 1);
      return 0;
    }
    WriteCountdown(--secsAeNoBck);
    tickAeNoBck = now;
    if (secsAeNoBck == 0) Answer(d, 1);
    return kResultRepaint;
  }
  if (code == dlg::kSignalRelease) {
    const int x = int16_t(uint32_t(argument) >> 16);
    const int y = int16_t(argument & 0xFFFF);
    if (InArea(d.ok, x, y)) Answer(d, 1);
    else if (InArea(d.cancel, x, y)) Answer(d, 0);
  }
  return 0;
}

void DIALOG_Destroy(const uint8_t*, void*) {}
