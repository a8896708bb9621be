#pragma once
// The register mailbox dpram: one static array in which producers and consumers that run
// at different rates hand data over through request and acknowledge bytes, never waiting
// for each other. Each byte has one writer: the producer writes the toggle or request,
// the consumer the acknowledge. A slot is busy while request differs from acknowledge.
//
// Main thread only: Dpram_Service runs on every main-loop pass (time slices included),
// SYS_Update on every screen pass; a sliced Dpram_Service may run in the middle of
// SYS_Update.
//
// Layout (byte offsets):
//   0     alarm-bit window: u8 toggle, u8 acknowledge, 2 spare, u32 register token,
//         u32 bit count (a multiple of 8), 256-byte buffer
//   268   the logic's file-request data area (up to the file-request slot)
//   8464  storage job slots, one per client, kSlotBytes apart, in client order; each
//         begins with a StorageMailboxSlot, the client's job fields follow
//   after the slots: the programming-port hand-back slot

#include <cstddef>
#include <cstdint>

inline constexpr std::size_t kDpramBytes = 74468;
alignas(4) extern uint8_t dpram[kDpramBytes];

inline constexpr uint32_t kAlarmWindow = 0;
inline constexpr uint32_t kAlarmBufferBytes = 256;
inline constexpr uint32_t kFileDataArea = 268;

// The common head of a storage job slot.
struct StorageMailboxSlot {
  uint8_t request;
  uint8_t acknowledge;
  uint8_t operation;
  uint8_t sub_operation;
  uint32_t status;  // written by the storage service while the job runs
};
static_assert(sizeof(StorageMailboxSlot) == 8);

// Storage clients, in the order SYS_Update serves them.
enum class MailboxClient : uint8_t {
  kLogicFile,
  kDataLogger,
  kReport,
  kRecipe,
  kAlarmLog,
  kEmail,
  kTrendLog,
  kTrendRead,
  kWebTrendRead,
  kDebugLog,
};
inline constexpr int kMailboxClients = 10;
inline constexpr uint32_t kFirstSlot = 8464;
inline constexpr uint32_t kSlotBytes = 6400;  // head and job fields of one client
inline constexpr uint32_t kHandBackSlot = kFirstSlot + kMailboxClients * kSlotBytes;
static_assert(kHandBackSlot + 4 <= kDpramBytes);

// A client's slot (its job fields follow the head).
StorageMailboxSlot* Dpram_Slot(MailboxClient client);

// Programming-port hand-back slot: u8 request, u8 acknowledge, u8 unused, u8 status
// (2: the port stays with the panel's protocol, 0: it was handed back).
inline constexpr uint32_t kHandBackStatus = kHandBackSlot + 3;

// Start-up: clears the alarm window (its toggle then differs from the acknowledge, so the
// first screen pass takes a copy), the hand-back slot and every job slot.
void Dpram_Init();
// Every main-loop pass: refreshes the alarm window (not during a download) and answers
// the programming-port hand-back.
void Dpram_Service();
// Every screen pass: the alarm window's copy to the alarm manager, one step of each
// storage client's job (posted to the storage service, polled until it is finished),
// then the panel services.
void SYS_Update();

// Points the alarm-bit window at token for bits (a multiple of 8); (0, 0) closes it. A
// window of more bytes than its buffer holds is not refreshed.
void Dpram_SetAlarmWindow(uint32_t token, uint32_t bits);
// Returns every storage client's job state to idle (at the start of a screen program).
void Dpram_ResetJobStates();
