// The screen loop's pass: the mailbox and panel services, the status pop-up, the page
// choice from SR1, SR2 and SR3 and the page's update.
#include "graphics/stills.h"
#include "ground/mailbox.h"
#include "controller/mainloop.h"
#include "ground/rcb.h"
#include "ground/regimage.h"
#include "controller/retentive.h"
#include "controller/runctl.h"
#include "controller/screenloop.h"
#include "controller/startup.h"
#include "ground/sysservices.h"
#include "ground/touch.h"
#include "platform/trace.h"
#include "screenloop_internal.h"
#include "screens/services.h"
#include "storage/services.h"
#include "sysscreens/services.h"

uint8_t PGM_state = 0;

namespace pgm {

State g;

namespace {

constexpr uint16_t kStatusRunningOk = 0x11;
constexpr uint8_t kPopupShown = 3;
constexpr uint16_t kAlarmScreenLimit = 1024;  // SR2 values from here count as 0
constexpr uint16_t kCalibration = 21;
constexpr uint16_t kBoot = 22;
constexpr uint16_t kRecovery = 23;
constexpr uint16_t kAutoLoadScreen = 13;
constexpr uint16_t kCloneScreen = 20;
constexpr uint32_t kCardSettleSeconds = 5;
// SR164 commands and reports.
constexpr uint16_t kStoreBackup = 0x40;
constexpr uint16_t kEraseBackup = 0x80;
constexpr uint16_t kCloneFromCard = 0x100;
constexpr uint16_t kCloneFromStick = 0x200;
constexpr int kPagePool = 0;
constexpr int kSystemPool = 1;

bool InRun(uint16_t mode) { return mode == kModeRun || mode == kModeRunFaulted; }

void PopupAnswer(int answer, void*) { PGM_SetPopupState(answer); }

void WatchStatus() {
  if (g.popup_state > 2) return;
  if (g.popup_mode == 0) {
    g.last_status = kStatusOff;
    return;
  }
  const uint8_t status = uint8_t(SYS_GetOkLed() | (SYS_GetRunLed() << 4));
  if (status == g.last_status) return;
  if (status != kStatusRunningOk || g.popup_mode == 2) g.popup_state = g.last_status == kStatusNone ? 1 : 2;
  g.last_status = status;
}

void ShowPendingPopup() {
  if (g.popup_state != 1 && g.popup_state != 2) return;
  const int kind = g.popup_state;
  g.popup_state = kPopupShown;
  OBJM_CreatePopup(pDisplayDC, nullptr, PopupAnswer, reinterpret_cast<void*>(intptr_t(kind)));
}

// Opens page as the page on screen; false when the object manager refuses it.
bool Open(const uint8_t* page, int16_t number, uint8_t mode) {
  OBJM_DestroyPage();
  g.open_page = page;
  PAGE_current = number;
  PAGE_mode = mode;
  return OBJM_OpenPage(pDisplayDC, page) != 0;
}

// SR164: the register backup's commands, and the clone requests once the card is up.
void MenuCommands() {
  uint16_t sr164 = SrGet(164);
  if (sr164 & kStoreBackup) StoreBBRAM();
  if (sr164 & kEraseBackup) {
    EraseBackupData();
    SrSet(164, uint16_t(SrGet(164) & ~kEraseBackup));
  }
  sr164 = SrGet(164);
  const bool card_up = Sys_CFinitTime > kCardSettleSeconds;
  if (!(sr164 & kCloneFromCard)) Clon_McInited = 0;
  if (!(sr164 & kCloneFromStick)) Clon_McLinited = 0;
  if (((sr164 & kCloneFromCard) && !Clon_McInited) || ((sr164 & kCloneFromStick) && !Clon_McLinited)) {
    if (card_up) SYS_WriteSys(3, kCloneScreen);
  }
}

uint16_t ChosenSystemScreen() {
  uint16_t n = SrGet(3);
  if (BootMode) {
    if (n != kCalibration) n = kBoot;
  } else if (n == kBoot) {
    n = 0;
  }
  if (RecoverMode && n != kCalibration) n = kRecovery;
  return n;
}

void UserScreens(bool entered_run) {
  if (PGM_state == kPgmFault) {
    if (PAGE_mode != kModeFault) {
      OBJM_Init();
      SYS_ResetRCBs(kSystemPool);
      SYS_ResetRCBs(kPagePool);
      Open(PGM_FaultPage, -1, kModeFault);
    }
    ShowPendingPopup();
    return;
  }
  const uint16_t alarm = SrGet(2) < kAlarmScreenLimit ? SrGet(2) : 0;
  if (alarm != 0) {
    if ((PAGE_mode != kModeAlarm || PAGE_current != int16_t(alarm)) &&
        !Open(PGM_PageOf(alarm), int16_t(alarm), kModeAlarm))
      Fault(kFaultAlarmScreen);
  } else {
    const uint16_t screen = SrGet(1);
    if (PAGE_current != int16_t(screen) || PAGE_mode != kModeUser || (entered_run && ExternalRegOnPage)) {
      // A screen change that the screens did not make themselves.
      if (screen != SYS_LastUserScreen()) OBJM_FlushUserScreens();
      if (!Open(PGM_PageOf(screen), int16_t(screen), kModeUser)) Fault(kFaultUserScreen);
    }
  }
  if (PGM_state != kPgmFault) ShowPendingPopup();
}

void SystemScreens(uint16_t n) {
  if (PAGE_mode == kModeSystem && n == g.system_screen) {
    // The menu's own page changes are followed in SR3, without a re-open.
    const int menu = MENU_GetPage();
    if (n != kCalibration && n != kBoot && n != kRecovery && menu > 0 && menu != n) {
      g.system_screen = uint16_t(menu);
      SrSet(3, uint16_t(menu));
    }
  } else {
    TCH_TickleSaver();
    g.system_screen = n;
    const uint8_t* page = n == kCalibration ? calTchPage
                          : n == kBoot      ? BootPage
                          : n == kRecovery  ? RecoverPage
                          : MENU_SetPage(n) ? sysPage
                                            : PGM_InvalidPage;
    if (!Open(page, int16_t(n), kModeSystem)) Fault(kFaultSystemScreen);
  }
  g.popup_state = 0;
}

}  // namespace

void Reset() {
  g = State{};
  PGM_state = 0;
  PGM_fault = 0;
}

}  // namespace pgm

void PGM_SetSlice(uint16_t value) { plat::TraceCall("PGM_SetSlice", value); }

void PGM_SetPopupMode(uint8_t mode) {
  plat::TraceCall("PGM_SetPopupMode", mode);
  pgm::g.popup_mode = mode;
}

uint8_t PGM_GetPopupMode() { return pgm::g.popup_mode; }

void PGM_SetPopupState(int state) {
  if (state == 4) {
    const uint16_t run = kModeRun;
    if (pgm::g.run_control) SYS_WriteReg(pgm::g.run_control, &run, sizeof run);
    state = 0;
  }
  pgm::g.popup_state = uint8_t(state);
}

void PGM_InitRunCtrl() {
  plat::TraceCall("PGM_InitRunCtrl");
  pgm::g.run_control = SYS_LinkReg(reg::SrToken(5), 16);
}

void PGM_Create(int exception) {
  plat::TraceCall("PGM_Create", exception);
  if (exception) {
    pgm::g.last_status = pgm::kStatusNone;
    pgm::g.last_mode = SrGet(5);
  }
  // After an aborted download the first pass checks what the abort left (state 6).
  if (PGM_state != kPgmAborted) PGM_state = kPgmNew;
}

void PGM_Destroy() {
  plat::TraceCall("PGM_Destroy");
  OBJM_DestroyPage();
  pgm::g.open_page = nullptr;
  SrSet(57, 255);
  BKLT_Ctrl(1, 255);
  TCH_ScreenSaver(0);
  TCH_BeepOvrd(0);
  PGM_state = kPgmStopped;
}

void PGM_TheLoop() {
  using namespace pgm;
  plat::TraceCall("PGM_TheLoop");
  if (PGM_state != kPgmFault && PGM_state != kPgmRunning) StartProgram();

  SYS_Update();
  WatchStatus();
  const uint16_t mode = SrGet(5);
  const bool entered_run = InRun(mode) && !InRun(g.last_mode);
  g.last_mode = mode;
  if (entered_run && PGM_state == kPgmRunning) {
    OBJM_FlushUserScreens();
    OBJM_SwitchUserScreen(g.first_screen, 0);
    if (ExternalRegOnPage) PAGE_mode = kModeReopen;
  }
  CFM_Update();
  if (Sys_AutoLoad && Sys_CFinitTime > kCardSettleSeconds) SYS_WriteSys(3, kAutoLoadScreen);
  MenuCommands();

  const uint16_t n = ChosenSystemScreen();
  if (n == 0 || (n == kRecovery && !RecoverMode))
    UserScreens(entered_run);
  else
    SystemScreens(n);

  OBJM_Update(pDisplayDC);
  if (InRun(SrGet(5))) ALRM_Update();
  USRMGR_Update();
  VIDM_Update();
  if (STR_Update()) PAGE_mode = kModeReopen;
}
