// The client slots and their scan: posting, polling, cancelling, and the round robin
// that hands one job at a time to CFM_TheLoop through the request queue.
#include <cstdio>
#include <cstring>

#include "cfm_internal.h"
#include "ground/coop.h"
#include "ground/loop.h"
#include "ground/sysmsg.h"

CFCB tCFCB[kCfcbSlots];
CFCB* pUpdtCFCB = &tCFCB[0];
CFCB* pDpramCFCB = &tCFCB[1];
CFCB* pLoggerCFCB = &tCFCB[2];
CFCB* pDirCFCB = &tCFCB[3];
CFCB* pVidCFCB = &tCFCB[4];
CFCB* pReportCFCB = &tCFCB[5];
CFCB* pRecipeCFCB = &tCFCB[6];
CFCB* pAlarmCFCB = &tCFCB[7];
CFCB* pEmailCFCB = &tCFCB[8];
CFCB* pTrendCFCB = &tCFCB[9];
CFCB* pTrendReadCFCB = &tCFCB[10];
CFCB* pQuorvTrendReadCFCB = &tCFCB[11];
CFCB* pDbgLoggerCFCB = &tCFCB[12];
CFCB* pLoadSDFirmwareCFCB = &tCFCB[13];

// The parameters of the job in flight. The request message has room for 32-bit words
// only; it carries 1 and 2 for these (0 for none), and the one message deep queues keep
// them from being overwritten before the job has run.
void* CfmJobParams[2];

namespace {

constexpr uint16_t kNothingInFlight = 0;
constexpr uint16_t kInFlight = 2;
uint16_t client_state = kNothingInFlight;
uint16_t client_offset = 0;

void TakeAnswer() {
  uint32_t answer[2];
  const int rc = tx::_txe_queue_receive(&qcb_cfo, answer);
  if (rc == tx::kTxQueueEmpty) return;
  if (rc != tx::kTxSuccess) {
    char text[48];
    std::snprintf(text, sizeof text, "CompactFlash CFO msg err = %d", rc);
    DebugMsg(text);
    return;
  }
  client_state = kNothingInFlight;
  CFCB& slot = tCFCB[client_offset];
  if (slot.state == kCfcbCancelled) {
    slot.state = kCfcbIdle;
    return;
  }
  if (slot.state != kCfcbInProgress) {
    slot.state = kCfcbFailed;
    return;
  }
  slot.result = int32_t(answer[1]);
  slot.state = kCfcbAnswered;
  client_offset = uint16_t((client_offset + 1) % kCfcbSlots);
}

void HandNextJob() {
  for (int i = 0; i < kCfcbSlots; ++i) {
    const uint16_t n = uint16_t((client_offset + i) % kCfcbSlots);
    CFCB& slot = tCFCB[n];
    if (slot.state != kCfcbPosted) continue;
    slot.state = kCfcbInProgress;
    client_offset = n;
    client_state = kInFlight;
    CfmJobParams[0] = slot.p1;
    CfmJobParams[1] = slot.p2;
    const uint32_t message[4] = {uint32_t(slot.drive), uint32_t(slot.opcode), slot.p1 ? 1u : 0u, slot.p2 ? 2u : 0u};
    const int rc = tx::_txe_queue_send(&qcb_cfi, message);
    if (rc != tx::kTxSuccess) {
      char text[48];
      std::snprintf(text, sizeof text, "CompactFlash CFI msg err = %d", rc);
      DebugMsg(text);
    }
    // A program load runs without time slices.
    if (slot.opcode == kOpLoadPgm) DntTmeSlc = 1;
    return;
  }
}

}  // namespace

void ClientScan() {
  if (client_state == kInFlight) {
    TakeAnswer();
    if (client_state == kInFlight) return;
  }
  if (client_state == kNothingInFlight) {
    HandNextJob();
  } else {
    client_state = kNothingInFlight;
  }
}

void CfmSlotsReset() {
  std::memset(tCFCB, 0, sizeof tCFCB);
  client_state = kNothingInFlight;
  client_offset = 0;
  CfmJobParams[0] = CfmJobParams[1] = nullptr;
}

void CFM_LoadReq(CFCB* slot, int drive, int opcode, void* p1, void* p2) {
  if (slot->state != kCfcbIdle) {
    char text[48];
    std::snprintf(text, sizeof text, "Bad State on %0lx", static_cast<unsigned long>(slot - tCFCB));
    DebugMsg(text);
  }
  slot->drive = drive;
  slot->opcode = opcode;
  slot->p1 = p1;
  slot->p2 = p2;
  slot->result = 0;
  slot->state = kCfcbPosted;
  ClientScan();
}

int CFM_PollReq(CFCB* slot, int32_t* result) {
  ClientScan();
  switch (slot->state) {
    case kCfcbPosted:
    case kCfcbInProgress:
      return kCfmPending;
    case kCfcbAnswered:
      *result = slot->result;
      slot->state = kCfcbIdle;
      return kCfmDone;
    case kCfcbFailed:
      slot->state = kCfcbIdle;
      *result = kCfmNoJob;
      return kCfmDone;
    default:
      *result = kCfmNoJob;
      return kCfmDone;
  }
}

int CFM_IsBlkReady(CFCB* slot) {
  ClientScan();
  if (slot->state == kCfcbInProgress || slot->state == kCfcbCancelled) return 0;
  slot->state = kCfcbIdle;
  return 1;
}

void CFM_CancelReq(CFCB* slot) {
  slot->state = slot->state == kCfcbInProgress || slot->state == kCfcbCancelled ? kCfcbCancelled : kCfcbIdle;
}

int CFM_IsAllHalted() {
  ClientScan();
  for (const CFCB& slot : tCFCB) {
    if (slot.state != kCfcbIdle && slot.state != kCfcbAnswered && slot.state != kCfcbFailed) return 0;
  }
  return 1;
}
