#include <array>

#include "graphics/dc.h"
#include "graphics/draw.h"
#include "graphics/pxp.h"
#include "graphics/video.h"
#include "controller/screenloop.h"
#include "ground/sysmsg.h"
#include "ground/sysservices.h"

namespace {

struct TableName {
  int type;
  const char* text;
};

constexpr std::array kTableNames{
    TableName{.type = 0, .text = "Master Logic"},     TableName{.type = 5, .text = "I/O Config"},
    TableName{.type = 7, .text = "Graphic Objects"},  TableName{.type = 8, .text = "String Objects"},
    TableName{.type = 9, .text = "Bitmap Objects"},   TableName{.type = 10, .text = "Texttbl Objects"},
    TableName{.type = 11, .text = "Fonts"},           TableName{.type = 20, .text = "Protocols"},
    TableName{.type = 21, .text = "SMS Config"},      TableName{.type = 22, .text = "Data Log Config"},
    TableName{.type = 23, .text = "CANOpen Config"},  TableName{.type = 24, .text = "Report Config"},
    TableName{.type = 25, .text = "Recipe Config"},   TableName{.type = 29, .text = "Login Config"},
    TableName{.type = 33, .text = "Mqtt Config"},
};
static_assert(kTableNames.size() == 15);

constexpr int kBoxes = 8;
constexpr uint16_t kBoxOff = 0xFFDF;
constexpr uint16_t kNoFill = 0xFFFF;

const char* NameOf(int type) {
  for (const auto& row : kTableNames)
    if (row.type == type) return row.text;
  return nullptr;
}

// The progress bar's top-left corner, centred on the screen.
int16_t BarX() { return int16_t((scr_wdt - 295) / 2); }
int16_t BarY() { return int16_t((scr_hgt - 43) / 2); }

uint16_t BoxOn() { return SYS_fGrayScale ? 0x0000 : 0x07E0; }

void PaintBox(DC* dc, int i, uint16_t colour) {
  const int16_t x = int16_t(BarX() + 7 + 36 * i);
  const int16_t y = int16_t(BarY() + 7);
  GDI_SetFillColor(dc, colour);
  GDI_Rectangle(dc, x, y, int16_t(x + 30), int16_t(y + 30));
}

int g_lit_box = 0;
int g_update_calls = 0;

}  // namespace

void VID_DnldMsg(int type) {
  DC* dc = GDI_GetDisplayDC();
  PXP_WaitUpdate();
  VID_Update();
  GDI_SetPen(dc, 0, 1, 0x0000);
  GDI_SetFillColor(dc, 0x0000);
  GDI_Rectangle(dc, 0, 0, 40, 480);
  GDI_Rectangle(dc, 680, 0, 800, 480);
  const char* name = NameOf(type);
  if (name == nullptr) return;
  SystemMsg(dc, "LOADING PROGRAM", name);
  GDI_SetPen(dc, 1, 1, 0x0000);
  GDI_SetFillColor(dc, kNoFill);
  GDI_Rectangle(dc, BarX(), BarY(), int16_t(BarX() + 296), int16_t(BarY() + 44));
  for (int i = 0; i < kBoxes; ++i) PaintBox(dc, i, i == 0 ? BoxOn() : kBoxOff);
  g_lit_box = 0;
}

void VID_DnldUpdate() {
  if (++g_update_calls % 10 != 0) return;
  g_update_calls = 0;
  DC* dc = GDI_GetDisplayDC();
  TickleWatchdogReal();
  WaitPageCopied();
  PaintBox(dc, g_lit_box, kBoxOff);
  g_lit_box = (g_lit_box + 1) % kBoxes;
  PaintBox(dc, g_lit_box, BoxOn());
  PXP_WaitUpdate();
  VID_Update();
}

void DnldScreenReset() {
  g_lit_box = 0;
  g_update_calls = 0;
}

void VID_DnldHalted() {
  SystemMsg(GDI_GetDisplayDC(), "DOWNLOAD ABORTED", "Program/Graphics may be invalid");
  PGM_state = 6;
}
