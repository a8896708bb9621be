// The service's start, its status update on every screen pass (media status registers,
// the selected-name output) and the safe-removal handshake.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "cfm_internal.h"
#include "ground/rcb.h"
#include "ground/regimage.h"
#include "ground/timebase.h"
#include "net/services.h"
#include "platform/trace.h"
#include "web/services.h"

CfmStatus cfm;

namespace {

// SR174 bits.
constexpr uint16_t kRemovalRequested = 0x0001;
constexpr uint16_t kSafeToRemove = 0x0002;
// Storage status codes of the removal.
constexpr int32_t kStatusRemovable = 6;
constexpr int32_t kStatusRemoving = 7;
// The status refresh runs every second of the time base (0.1 ms ticks).
constexpr uint32_t kRefreshTicks = 10000;
constexpr uint32_t kNameFrame = 31;
constexpr uint8_t kWebStopRequested = 0;
constexpr uint8_t kWebStartRequested = 2;

enum RemoveState { kRemoveNone, kRemoveWaiting, kRemoveGranted };
RemoveState remove_state = kRemoveNone;
int updt_state = 0;
uint32_t g_refresh_start = 0;
int32_t g_poll_result = 0;

// The selected-name output.
struct SelectedName {
  uint16_t length;
  char text[512];
};
SelectedName selname;
bool g_name_waiting = false;
uint32_t g_name_sent = 0;
uint32_t g_select_holder = 0;  // resolved output token, 0 when none is linked
int g_dmem_corrupt = 0;
CfmProgramLinks g_links{};

void WriteStatus(int32_t status) {
  cfm.status = status;
  SrSet(175, uint16_t(status));
}

// The removal handshake; false when this pass ends here.
bool SafeRemoval() {
  const uint16_t control = SrGet(174);
  if (remove_state == kRemoveNone && (control & kRemovalRequested)) {
    cfm.free_kib = cfm.total_kib = 0;
    WriteStatus(kStatusRemoving);
    CFM_CancelReq(pUpdtCFCB);
    // The cancelled job's poll would answer 97, which is no media status: the refresh
    // starts over instead of reporting it over the removal's status.
    if (updt_state == 11 || updt_state == 1) updt_state = 0;
    remove_state = kRemoveWaiting;
  }
  if (remove_state == kRemoveWaiting) {
    if ((control & kRemovalRequested) == 0) {
      remove_state = kRemoveNone;
      WriteStatus(0);
      return false;
    }
    if (CFM_IsAllHalted()) {
      WriteStatus(kStatusRemovable);
      SrSet(174, kRemovalRequested | kSafeToRemove);
      remove_state = kRemoveGranted;
    }
  } else if (remove_state == kRemoveGranted) {
    if ((control & kRemovalRequested) == 0) {
      SrSet(174, 0);
      CFM_CancelReq(pUpdtCFCB);
      remove_state = kRemoveNone;
      updt_state = 0;
    } else if (control == kRemovalRequested) {
      SrSet(174, kRemovalRequested | kSafeToRemove);
    }
  }
  return true;
}

// One frame of the selected name; true when the whole name (and its NUL) is out.
bool SendNameFrame() {
  const uint32_t total = uint32_t(selname.length) + 1;
  const uint32_t n = std::min(total - g_name_sent, kNameFrame);
  SYS_WriteRogueRCB(&g_select_holder, (2 + g_name_sent) * 8, n * 8, selname.text + g_name_sent);
  g_name_sent += n;
  return g_name_sent >= total;
}

void StatusUpdate() {
  switch (updt_state) {
    case 0:
      if (remove_state == kRemoveGranted) {
        // However long the grant took, the status then follows the card.
        updt_state = 9;
      } else if (SrGet(174) == 0 && CFM_IsBlkReady(pUpdtCFCB)) {
        CFM_LoadReq(pUpdtCFCB, 0, kOpFreeSpace, &cfm.total_kib, &cfm.free_kib);
        updt_state = 11;
      }
      break;
    case 11:
      CfmFirmwareUpdateStep();
      updt_state = 1;
      break;
    case 1:
      if (CFM_PollReq(pUpdtCFCB, &g_poll_result) == kCfmPending) break;
      if (g_poll_result != 0) {
        // No usable card: the web server, whose folder is on it, stops.
        QuorvServerState = kWebStopRequested;
        QuorvFtping = 0;
        cfm.free_kib = cfm.total_kib = 0;
      } else if (QuorvServerState < kWebStartRequested && !QuorvFtping && QuorvHttp) {
        QuorvServerState = kWebStartRequested;
      }
      cfm.status = g_poll_result;
      updt_state = 2;
      break;
    case 2:
      SrSet(175, uint16_t(cfm.status));
      updt_state = 3;
      break;
    case 3:
      SrSet32(176, cfm.free_kib);
      updt_state = 4;
      break;
    case 4:
      SrSet32(178, cfm.total_kib);
      g_refresh_start = FPGA_GetFrt();
      updt_state = g_name_waiting ? 5 : 8;
      break;
    case 5:
    case 6:
      updt_state = SendNameFrame() ? 7 : 6;
      break;
    case 7: {
      SYS_WriteRogueRCB(&g_select_holder, 0, 16, &selname.length);
      selname = {};
      g_name_waiting = false;
      g_name_sent = 0;
      updt_state = 8;
      break;
    }
    case 8:
      if (g_name_waiting) {
        updt_state = 5;
      } else if (remove_state == kRemoveGranted) {
        updt_state = 9;
      } else if (FPGA_GetFrt() - g_refresh_start >= kRefreshTicks) {
        updt_state = 0;
      }
      break;
    case 9:
      CFM_LoadReq(pUpdtCFCB, 0, kOpFreeSpace, &cfm.total_kib, &cfm.free_kib);
      updt_state = 10;
      break;
    case 10:
      if (CFM_PollReq(pUpdtCFCB, &g_poll_result) == kCfmPending) break;
      WriteStatus(g_poll_result == 0 ? kStatusRemovable : g_poll_result);
      updt_state = 9;
      break;
    default:
      updt_state = 0;
  }
}

}  // namespace

void CfmUpdateReset() {
  remove_state = kRemoveNone;
  updt_state = 0;
  g_refresh_start = 0;
  g_poll_result = 0;
  selname = {};
  g_name_waiting = false;
  g_name_sent = 0;
  g_select_holder = 0;
  g_links = {};
  g_dmem_corrupt = 0;
}

void CFM_Open() {
  plat::TraceCall("CFM_Open");
  CfmSlotsReset();
  CfmUpdateReset();
  CfmMailboxReset();
  CfmLoopReset();
  cfm = {};
  CF_Init();
}

void CFM_Init() {
  g_select_holder = 0;
  if (g_links.select_reference != 0) SYS_InitRogueRCB(&g_select_holder, g_links.select_reference);
  CfmLinkCounters(g_links);
}

void CFM_Update() {
  const bool go_on = SafeRemoval();
  removeSafe = remove_state != kRemoveNone ? 1 : 0;
  if (go_on) StatusUpdate();
}

void CFM_SetProgramLinks(const CfmProgramLinks& links) { g_links = links; }

int CFM_LoadSelect(const char* name) {
  if (g_select_holder == 0) return 0;
  std::snprintf(selname.text, sizeof selname.text, "%.511s", name);
  selname.length = uint16_t(std::strlen(selname.text));
  g_name_waiting = true;
  g_name_sent = 0;
  return 1;
}

int CFM_GetParm(CfmParm* record) {
  if (record->drive < 0 || record->drive >= kCfDrives) return 0;
  record->status = CF_GetFreeSpace(record->drive, &record->total_kib, &record->free_kib);
  record->activity = record->drive == 0 ? cfm.activity : 0;
  return 1;
}

int CFM_IsDmemCorrupt() { return g_dmem_corrupt; }
void CFM_SetDmemCorrupt(int flag) { g_dmem_corrupt = flag; }
void CFM_LoadPgmException() {}
void CFM_LoadDatException() {}
