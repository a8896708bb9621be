// The message box ("ACCESS DENIED"): a box in the middle third of the display with a
// title band, the message and an OK button. While it is open it takes every event; the OK
// button closes it on a release that follows a press inside it.
#include <cstring>

#include "graphics/dc.h"
#include "graphics/draw.h"
#include "graphics/icons.h"
#include "graphics/text.h"
#include "graphics/util.h"
#include "ground/touch.h"
#include "objm_internal.h"
#include "platform/trace.h"
#include "screens/objm.h"

namespace {

constexpr uint16_t kBoxFace = 0xC638;
constexpr uint16_t kBandColour = 0xF820;
constexpr uint16_t kButtonEnd = 0x7BEF;
constexpr int kCentred = 0x20 | 4;  // both ways
constexpr int kCloseBeep = 50;
constexpr int kSignalPress = 256;
constexpr int kSignalRelease = 512;
constexpr std::size_t kTextMax = 64;

struct Box {
  DC* dc;
  int16_t ok[4];  // the OK button, right and bottom exclusive
  bool armed;
};
Box g_box;

// Texts for the multi-line output, whose line count is the byte before the text.
void Write(DC* dc, const int16_t rect[4], const char* text) {
  char lined[kTextMax + 2] = {1};
  std::strncpy(lined + 1, text, kTextMax);
  GDI_RectByteTextOut(dc, kCentred, rect, lined + 1);
}

bool Inside(const int16_t r[4], int x, int y) { return x >= r[0] && x < r[2] && y >= r[1] && y < r[3]; }

}  // namespace

void OBJM_DisplayMesg(DC* dc, const char* text) {
  plat::TraceCall("OBJM_DisplayMesg");
  if (!dc) return;
  fDispMesg = 1;
  flag_draw = 1;
  g_box.dc = dc;
  g_box.armed = false;
  const int w = dc->bounds[2] - dc->bounds[0];
  const int h = dc->bounds[3] - dc->bounds[1];
  const auto left = int16_t(w / 2 - w / 6), right = int16_t(w / 2 + w / 6);
  const auto top = int16_t(h / 2 - h / 6), bottom = int16_t(h / 2 + h / 6);
  objm::ClipWhole(dc);
  GDI_SetPen(dc, 1, 1, 0x0000);
  GDI_SetFillColor(dc, kBoxFace);
  GDI_RoundRect(dc, left, top, right, bottom, 15, 15);

  const int16_t band[4] = {int16_t(left + 4), int16_t(top + 4), int16_t(right - 4), int16_t(top + 39)};
  GDI_SetPen(dc, 0, 0, 0xFFFF);
  GDI_SetFillColor(dc, kBandColour);
  GDI_Rectangle(dc, band[0], band[1], band[2], band[3]);
  const int third = (band[2] - band[0]) / 3;
  const int16_t icon[4] = {int16_t(band[0] + third), int16_t(band[1] + 2), int16_t(band[2] - third),
                           int16_t(band[3] - 2)};
  Draw_alarmIcon(dc, icon[0], icon[1], icon[2], icon[3]);

  const int16_t m = int16_t((bottom - top) / 4);
  const int16_t ok[4] = {int16_t(left + m), int16_t(bottom - 45), int16_t(right - m), int16_t(bottom - 4)};
  std::memcpy(g_box.ok, ok, sizeof ok);
  GDI_SelectFont(dc, kSystemFont, nullptr, nullptr);
  GDI_SetTextColor(dc, 0x0000);
  GDI_SetFillColor(dc, 0xFFFF);  // no glyph background
  const int16_t message[4] = {band[0], band[3], band[2], ok[1]};
  Write(dc, message, text);

  GDI_SetPen(dc, 1, 1, 0x0000);
  GDI_SetFillColor(dc, kBoxFace);
  GDI_SetEndColor(dc, kButtonEnd);
  // Top to bottom, whatever gradient mode the page left in the display context.
  const uint8_t mode = dc->gradient_mode;
  GDI_SetGradient(dc, 2);
  UTIL_GradButton(dc, 0, 0, ok);
  GDI_SetGradient(dc, mode);
  GDI_SetFillColor(dc, 0xFFFF);
  Write(dc, ok, "OK");
}

namespace objm {

int MessageBoxEvent(int code, int x, int y) {
  if (code == kSignalPress) {
    g_box.armed = Inside(g_box.ok, x, y);
    return 0;
  }
  if (code != kSignalRelease) return 0;
  const bool ok = g_box.armed && Inside(g_box.ok, x, y);
  g_box.armed = false;
  if (!ok) return 0;
  TCH_Beep(kCloseBeep);
  fDispMesg = 0;
  selectObject = -1;
  fSelectFocus = 0;
  OBJM_PaintPage(g_box.dc);
  return 1;
}

}  // namespace objm
