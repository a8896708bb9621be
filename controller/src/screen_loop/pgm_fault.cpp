// The screen loop's own pages and the fault display.
#include "ground/regimage.h"
#include "controller/screenloop.h"
#include "controller/startup.h"
#include "ground/sysmsg.h"
#include "ground/sysservices.h"
#include "screenloop_internal.h"
#include "screens/services.h"
#include "storage/services.h"

uint16_t PGM_fault = 0;

namespace {

// Page headers without objects (version 0): page index, fault marker, object count,
// background colour, version, external-reference table offset.
constexpr uint8_t kInvalidPage[14] = {0xFF, 0xFF, 0, 0, 0, 0, 0xDF, 0xFF, 0, 0, 0, 0, 0, 0};
// A negative fault marker: the page paints the fault display.
constexpr uint8_t kFaultPage[14] = {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0xDF, 0xFF, 0, 0, 0, 0, 0, 0};

constexpr uint16_t kAutoLoadRun = 0x20;  // SR164

struct FaultText {
  uint16_t code;
  const char* line1;
  const char* line2;
};
constexpr FaultText kFaultTexts[] = {
    {kFaultSystemScreen, "DISPLAY FAULT", "Open System Screen"},
    {kFaultAlarmScreen, "DISPLAY FAULT", "Open Alarm Screen"},
    {kFaultUserScreen, "DISPLAY FAULT", "Open User Screen"},
    {kFaultNoUserScreens, "No User Screens to Display", ""},
    {kFaultGraphicsInvalid, "No User Screens to Display", "User Graphics Invalid"},
};

}  // namespace

const uint8_t* const PGM_InvalidPage = kInvalidPage;
const uint8_t* const PGM_FaultPage = kFaultPage;

void PGM_DisplayFault(DC* dc) {
  const bool no_screens = PGM_fault == kFaultNoUserScreens || PGM_fault == kFaultGraphicsInvalid;
  if (no_screens && (SrGet(164) & kAutoLoadRun) && Sys_AppLoad) {
    SystemMsg(dc, "Absent/Corrupt User Tables", "Initializing Auto-Load-Run...");
    return;
  }
  for (const FaultText& f : kFaultTexts) {
    if (f.code == PGM_fault) {
      SystemMsg(dc, f.line1, f.line2);
      return;
    }
  }
  SystemMsg(dc, "FAULT", "System Halted - View Diags");
}

void PGM_FaultPageRecover() {
  if (pgm::g.open_page == PGM_InvalidPage) SYS_WriteSys(1, pgm::g.first_screen);
}

namespace pgm {

void Fault(uint16_t code) {
  PGM_fault = code;
  PGM_state = kPgmFault;
  g.last_status = kStatusOff;
}

}  // namespace pgm
