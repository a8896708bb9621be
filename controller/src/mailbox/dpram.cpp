// The register mailbox: the alarm-bit window and the programming-port hand-back, served
// on every main-loop pass, and the storage clients' job slots, served on every screen
// pass.
#include "ground/mailbox.h"

#include <cstring>

#include "drivers/services.h"
#include "fieldbus/services.h"
#include "ground/cmdproto.h"
#include "controller/download.h"
#include "ground/regaccess.h"
#include "ground/sysservices.h"
#include "platform/trace.h"
#include "storage/services.h"

alignas(4) uint8_t dpram[kDpramBytes];

namespace {

// The alarm-bit window's fields.
constexpr uint32_t kToggle = kAlarmWindow;
constexpr uint32_t kAcknowledge = kAlarmWindow + 1;
constexpr uint32_t kToken = kAlarmWindow + 4;
constexpr uint32_t kBits = kAlarmWindow + 8;
constexpr uint32_t kBuffer = kAlarmWindow + 12;
static_assert(kBuffer + kAlarmBufferBytes == kFileDataArea);
static_assert(kAlarmBufferBytes == kAlarmWindowBytes);

constexpr uint8_t kPortKept = 2;
constexpr uint8_t kJobIdle = 0;
constexpr uint8_t kJobInProgress = 2;
constexpr int kPollFinished = 4;

using LoadCall = int (*)();
constexpr LoadCall kLoad[kMailboxClients] = {
    CFM_LoadDpramReq,  CFM_LoadLoggerReq, CFM_LoadReportReq,    CFM_LoadRecipeReq,         CFM_LoadAlarmReq,
    CFM_LoadEmailReq,  CFM_LoadTrendReq,  CFM_LoadTrendReadReq, CFM_QuorvLoadTrendReadReq, CFM_LoadDBGLoggerReq};

uint8_t g_job_state[kMailboxClients];

uint32_t Get32(uint32_t offset) {
  uint32_t v;
  std::memcpy(&v, dpram + offset, 4);
  return v;
}

// The window's byte count, or 0 when it has no token or would not fit its buffer.
uint32_t WindowBytes() {
  const uint32_t bits = Get32(kBits);
  const uint32_t bytes = bits / 8 + (bits % 8 != 0);
  return Get32(kToken) == 0 || bytes > kAlarmBufferBytes ? 0 : bytes;
}

void RefreshAlarmWindow() {
  const uint32_t bytes = WindowBytes();
  if (bytes == 0) return;
  uint8_t now[kAlarmBufferBytes] = {};
  PlcReg_Get(now, Get32(kToken), Get32(kBits));
  uint8_t* buffer = dpram + kBuffer;
  if (dpram[kToggle] == dpram[kAcknowledge]) {
    // The last copy was taken: start afresh.
    std::memcpy(buffer, now, bytes);
  } else {
    // Not taken yet: a bit set at any time since the last copy stays set.
    for (uint32_t i = 0; i < bytes; ++i) buffer[i] |= now[i];
  }
  dpram[kToggle] = uint8_t(1 - dpram[kAcknowledge]);
}

void HandBack() {
  uint8_t* slot = dpram + kHandBackSlot;
  if (slot[0] == slot[1]) return;
  const bool released = Cmd_Override != 0;
  Cmd_Override = 0;
  dpram[kHandBackStatus] = TalkOpened(ProgrammingPort) || !released ? kPortKept : 0;
  slot[1] = slot[0];
}

void ServeClient(int client) {
  StorageMailboxSlot* slot = Dpram_Slot(MailboxClient(client));
  uint8_t& state = g_job_state[client];
  switch (state) {
    case kJobIdle:
      if (slot->request != slot->acknowledge && kLoad[client]()) state = kJobInProgress;
      break;
    case kJobInProgress: {
      uint32_t result = slot->status;
      const int polled = CFM_PollReq(client, &result);
      slot->status = result;
      if (polled == kPollFinished) {
        slot->acknowledge = slot->request;
        state = kJobIdle;
      }
      break;
    }
    default:
      state = kJobIdle;
  }
}

}  // namespace

StorageMailboxSlot* Dpram_Slot(MailboxClient client) {
  return reinterpret_cast<StorageMailboxSlot*>(dpram + kFirstSlot + uint32_t(client) * kSlotBytes);
}

void Dpram_Init() {
  plat::TraceCall("Dpram_Init");
  std::memset(dpram, 0, kDpramBytes);
  dpram[kToggle] = 1;
  Dpram_ResetJobStates();
}

void Dpram_Service() {
  plat::TraceCall("Dpram_Service");
  if (!Cmd_Downloading) RefreshAlarmWindow();
  HandBack();
}

void SYS_Update() {
  plat::TraceCall("SYS_Update");
  const uint32_t bytes = WindowBytes();
  std::memcpy(ALRM_WindowCopy, dpram + kBuffer, bytes);
  dpram[kAcknowledge] = dpram[kToggle];
  for (int client = 0; client < kMailboxClients; ++client) ServeClient(client);
  SYS_PanelServices();
}

void Dpram_SetAlarmWindow(uint32_t token, uint32_t bits) {
  plat::TraceCall("Dpram_SetAlarmWindow", token, bits);
  std::memcpy(dpram + kToken, &token, 4);
  std::memcpy(dpram + kBits, &bits, 4);
}

void Dpram_ResetJobStates() {
  plat::TraceCall("Dpram_ResetJobStates");
  std::memset(g_job_state, 0, sizeof g_job_state);
}
