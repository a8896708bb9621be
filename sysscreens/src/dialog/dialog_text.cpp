#include "dialog_text.h"

#include <cstdio>

#include "sysscreens/dialog.h"

namespace dlg {

namespace {

constexpr const char* kMonths[13] = {"00",  "JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                     "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
constexpr int kLine = 25;

void Add(Lines& out, int row, const char* format, const char* date = nullptr) {
  if (out.count >= kMaxLines) return;
  std::snprintf(out.text[out.count], kLineBytes, format, date);
  out.row[out.count++] = row;
}

}  // namespace

void FormatDate(char out[kDateBytes], uint16_t day, uint16_t month, uint16_t year) {
  std::snprintf(out, kDateBytes, "%02d-%s-%04d", day, kMonths[month <= 12 ? month : 0], year);
}

const char* Title(int kind) {
  switch (kind) {
    case kDialogAutosaveFailed: return "Autosave Failed";
    case kDialogAutoRun:
    case kDialogNoAutoRun: return "Register Backup Issue Detected";
    default: return "";
  }
}

void BodyLines(int kind, const char* date, Lines& out) {
  out.count = 0;
  if (kind == kDialogAutosaveFailed) {
    Add(out, 0, "Load from Backup?");
    return;
  }
  if (kind != kDialogAutoRun && kind != kDialogNoAutoRun) return;
  int row = 0;
  Add(out, row, "Retained values are from %s", date);
  Add(out, row += kLine, "Check Battery");
  Add(out, row += kLine, "");
  if (kind == kDialogAutoRun) {
    Add(out, row += kLine, "No Register Backup / AUTORUN Enabled");
    Add(out, row += kLine, "Using Registers value from %s", date);
    Add(out, row += kLine, "");
    // The countdown line sits between, at kCountdownRow; the last part starts below it.
    row = kCountdownRow + 14;
    Add(out, row, "");
  } else {
    Add(out, row += kLine, "No Register Backup");
    Add(out, row += kLine, "AUTORUN Disabled");
    Add(out, row += kLine, "");
  }
  Add(out, row += kLine, "Press OK:RUN with registers");
  Add(out, row += kLine, "from %s", date);
  Add(out, row += kLine, "Press Cancel:Go to IDLE Mode");
}

}  // namespace dlg
