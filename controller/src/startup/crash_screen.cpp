// The crash screen: what a fault signal shows, the two buttons and the countdown.
#include "crash_screen.h"

#include <csignal>
#include <cstdio>
#include <cstring>

#include "graphics/dc.h"
#include "graphics/draw.h"
#include "graphics/text.h"
#include "graphics/video.h"
#include "ground/bbram.h"
#include "ground/tablestore.h"

namespace crash {
namespace {

constexpr uint16_t kBackground = 0xFFDF;
constexpr uint16_t kBlack = 0x0000;
constexpr uint16_t kRed = 0xF800;
constexpr uint16_t kBlue = 0x001F;
constexpr int kSystemFont = 32;
constexpr int16_t kUserLeft = 40;    // user pages use columns 40..679; the rest is black
constexpr int16_t kUserRight = 680;
constexpr uint32_t kTicksPerSecond = 10000;
constexpr int16_t kSmallScreen = 240;  // screens this high or lower get the short layout

struct Button {
  int16_t left, right;
  const char* label;
};
constexpr Button kYes{200, 310, "Yes"};
constexpr Button kNo{410, 520, "No"};

// Rows of the two layouts (top of each text line, and the buttons' band).
struct Layout {
  int16_t title, cause, reset, question, question2, button_top, button_bottom, countdown;
};
constexpr Layout kTall{.title = 60, .cause = 110, .reset = 170, .question = 210, .question2 = 0,
                       .button_top = 280, .button_bottom = 330, .countdown = 380};
constexpr Layout kShort{.title = 10, .cause = 35, .reset = 65, .question = 90, .question2 = 115,
                        .button_top = 145, .button_bottom = 180, .countdown = 200};

const Layout& CurrentLayout() { return scr_hgt <= kSmallScreen ? kShort : kTall; }

constexpr char kCountdownText[] = "Reset in:59";
constexpr int16_t kCountdownX = 300;
constexpr int kCountdownDigits = 9;  // the "59" starts after "Reset in:"
int16_t g_char_width = 16;

DC* Display() { return GDI_GetDisplayDC(); }

void Text(int16_t x, int16_t y, uint16_t colour, const char* text) {
  GDI_SetTextColor(Display(), colour);
  GDI_ByteTextOut(Display(), x, y, text);
}

void DrawButton(const Button& b, const Layout& l) {
  DC* dc = Display();
  GDI_SetPen(dc, 1, 1, kBlack);
  GDI_SetFillColor(dc, kBackground);
  GDI_Rectangle(dc, b.left, l.button_top, b.right, l.button_bottom);
  const int16_t width = int16_t(std::strlen(b.label) * g_char_width);
  Text(int16_t((b.left + b.right - width) / 2), int16_t(l.button_top + 12), kBlue, b.label);
}

void DrawSeconds(int seconds) {
  char digits[3];
  std::snprintf(digits, sizeof digits, "%02d", seconds < 0 ? 0 : seconds % 100);
  const int16_t x = int16_t(kCountdownX + kCountdownDigits * g_char_width);
  const int16_t y = CurrentLayout().countdown;
  DC* dc = Display();
  GDI_SetPen(dc, 0, 0, kBackground);
  GDI_SetFillColor(dc, kBackground);
  GDI_Rectangle(dc, x, y, int16_t(x + 2 * g_char_width), int16_t(y + 25));
  Text(x, y, kBlue, digits);
}

bool Inside(const Button& b, const Layout& l, int x, int y) {
  return x >= b.left && x < b.right && y >= l.button_top && y < l.button_bottom;
}

}  // namespace

const char* CauseText(int signal) {
  switch (signal) {
    case SIGSEGV: return "Invalid Memory Access Fault";
    case SIGBUS: return "Memory Alignment Fault";
    case SIGILL: return "Illegal Code execution";
    case SIGABRT: return "Buffer Overflow error";
    default: return "Erroneous Arithmetic Operation performed";
  }
}

void Draw(int signal) {
  DC* dc = Display();
  const Layout& l = CurrentLayout();
  GDI_SetPen(dc, 0, 0, kBackground);
  GDI_SetFillColor(dc, kBackground);
  GDI_Rectangle(dc, 0, 0, int16_t(scr_wdt), int16_t(scr_hgt));
  GDI_SetFillColor(dc, kBlack);
  GDI_Rectangle(dc, 0, 0, kUserLeft, int16_t(scr_hgt));
  GDI_Rectangle(dc, kUserRight, 0, int16_t(scr_wdt), int16_t(scr_hgt));
  int16_t width = 0;
  GDI_SelectFont(dc, kSystemFont, &width, nullptr);
  if (width > 0) g_char_width = width;

  const int16_t x = 100;
  if (signal == 0) {
    // A boot failure: nothing to choose, the screen stays until the power is cycled.
    Text(x, l.title, kRed, "BOOT FAILURE");
    char code[12 + kMacTextLen + 1] = "Error Code:";
    std::memcpy(code + 11, tinyImage + kTinyMacText0, kMacTextLen);
    Text(x, l.cause, kBlack, code);
    Text(x, l.reset, kBlue, "Please Contact Factory for further details");
    return;
  }
  Text(x, l.title, kRed, "System Exception Occurred");
  Text(x, l.cause, kBlack, CauseText(signal));
  Text(x, l.reset, kBlue, "System will Reset!");
  if (l.question2) {
    Text(x, l.question, kBlue, "Would you like to erase");
    Text(x, l.question2, kBlue, "the Application Program ?");
  } else {
    Text(x, l.question, kBlue, "Would you like to erase the Application Program ?");
  }
  DrawButton(kYes, l);
  DrawButton(kNo, l);
  Text(kCountdownX, l.countdown, kBlue, kCountdownText);
}

Action Step(Countdown& c, uint32_t now, bool touched, int x, int y) {
  const Layout& l = CurrentLayout();
  if (touched && Inside(kYes, l, x, y)) return Action::kErase;
  if (touched && Inside(kNo, l, x, y)) return Action::kRestart;
  bool counted = false;
  while (c.seconds > 0 && uint32_t(now - c.last_tick) >= kTicksPerSecond) {
    c.last_tick += kTicksPerSecond;
    --c.seconds;
    counted = true;
  }
  if (counted) DrawSeconds(c.seconds);
  return c.seconds <= 0 ? Action::kRestart : Action::kNone;
}

}  // namespace crash
