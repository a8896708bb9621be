// Online program changes: the scan's answers to the programming tool's requests in SR193,
// and the swap of the new program into the ladder table.
#include <algorithm>
#include <array>
#include <cstring>

#include "ground/cfg_file.h"
#include "ground/unaligned.h"
#include "iec_runtime/services.h"
#include "ground/cmdproto.h"
#include "logic/engine.h"
#include "ground/file_info.h"
#include "controller/orvanel.h"
#include "controller/progstore.h"
#include "ground/regimage.h"
#include "ground/tablestore.h"
#include "runctl_internal.h"
#include "storage/crc16.h"

namespace runctl {

namespace {

constexpr uint32_t kSrOnline = 193;

// SR193: the tool sets the request bits, the scan answers.
enum : uint16_t {
  kRequested = 0x01,   // an online change is under way
  kNewProgram = 0x02,  // the new program waits in the online buffer
  kInUse = 0x04,       // the new program runs and is not saved yet
  kScanPassed = 0x08,  // one scan has passed since the request
  kStepDone = 0x10,    // the scan has done the requested step
  kRevert = 0x20,      // back to the stored program
  kFailed = 0x100,     // the change failed; the ladder table shows what runs
};

const FileInfo& kLadderInfo = file_info[0];
const FileInfo& kOnlineInfo = file_info[26];
constexpr uint32_t kLadderRoom = kLadderCap - kTableHeader;
constexpr uint32_t kOnlineRoom = kLadderOlpCap - kTableHeader;
static_assert(kOnlineRoom == kLadderRoom, "the swap copies the whole online buffer over the ladder");
// A swapped-in program is saved as ladder.pgm; the next start loads only what the
// start-up check accepts, so the swap keeps to the same limit.
constexpr uint32_t kSwapRoom = kLogicCheckedMax;
static_assert(kSwapRoom <= kLadderRoom);

// The IEC container in the online buffer's data: the I/O binding table first, a u32 at
// 25856 that the swap sets to 1, the rest from 25860.
constexpr uint32_t kOnlineFlagAt = kIecBindingBytes;
constexpr uint32_t kOnlineRestAt = kIecBindingBytes + 4;
constexpr uint32_t kContainerCodeLength = 8;
constexpr const char* kUpdateFile = "/mnt/cfg/n4.upd";

bool LadderIsIecContainer() {
  const uint32_t size = BlockSize(ladder_bl);
  return size >= kIecCodeOffset && IsIecContainer({ladder, std::min<std::size_t>(size, kLadderRoom)});
}

// Ladder only: the online buffer, header included, replaces the ladder table.
bool SwapLadder() {
  const uint32_t size = BlockSize(ladder_olp);
  if (size > kSwapRoom) return false;
  std::memcpy(ladder_bl, ladder_olp, kTableHeader + size);
  LogicTableChanged();
  ShowLadder();
  return true;
}

// IEC: the new code image comes from n4.upd and is stored as n4.cod; the binding table
// and the rest of the online data follow it in the ladder table. Nothing changes unless
// all of it fits and n4.cod is written whole: an n4.upd that cannot be opened, or that is
// larger than the table leaves room for, leaves the running application as it was.
bool SwapIec() {
  const uint32_t online = BlockSize(ladder_olp);
  if (online < kOnlineRestAt || online > kOnlineRoom || online + 12 > kSwapRoom) return false;
  // The new table holds online + code + 12 bytes. The code is read first into the
  // online buffer's unused space behind its data, which has at least that room, so that
  // the ladder table stays untouched until the code is known to fit and is stored.
  const uint32_t room = kSwapRoom - 12 - online;
  uint8_t* const staged = ladder_olp + kTableHeader + online;
  CfgReader update(kUpdateFile);
  if (!update.open()) return false;
  const std::size_t code = update.Read(staged, room);
  uint8_t beyond;
  if (update.Read(&beyond, 1) != 0) return false;
  CfgWriter stored(kIecCodeFile);
  if (!stored.open() || stored.Write(staged, code) != code || !stored.Sync() || !stored.Commit(true)) return false;

  uint8_t* const online_data = ladder_olp + kTableHeader;
  uint8_t* const binding = ladder + kIecCodeOffset + code;
  std::memcpy(ladder + kIecCodeOffset, staged, code);
  std::memcpy(binding, online_data, kIecBindingBytes);
  std::memcpy(binding + kIecBindingBytes, online_data + kOnlineRestAt, online - kOnlineRestAt);
  const uint32_t one = 1;
  std::memcpy(online_data + kOnlineFlagAt, &one, 4);
  OrvanelI0_VarLoc = binding;
  UTIL_PutDword(ladder + kContainerCodeLength, uint32_t(code));
  LogicTableChanged();

  const uint32_t size = online + uint32_t(code) + 12;
  SetFileCrcSize(kLadderInfo, crc16(ladder, size), size);
  SetFileCrcSize(kOnlineInfo, crc16(online_data, online), online);
  N4SaveLadderPgm();
  OLPMode = 0;
  SrSet(kSrOnline, SrGet(kSrOnline) & 0xFF00);
  return true;
}

// The new program goes in. A swap that cannot be made leaves the program that runs and
// shows the failure as a fault during online programming does.
void SwapNewProgram() {
  bool swapped = true;
  if (!IecBound()) {
    swapped = SwapLadder();
  } else if (LadderIsIecContainer()) {
    swapped = SwapIec();
  }
  if (!swapped) {
    SrSet(kSrOnline, kFailed);
    ShowLadder();
  }
}

struct Row {
  uint16_t set;       // bits that must be set
  uint16_t clear;     // bits that must be clear
  bool online;        // online programming must be on (else off)
  void (*step)(uint16_t word);
};

// The first matching row answers.
constexpr std::array<Row, 7> kRows = {{
    {kRequested | kNewProgram, kScanPassed | kStepDone, true,
     [](uint16_t w) { SrSet(kSrOnline, w | kScanPassed); }},
    {kRequested | kNewProgram | kScanPassed, 0, true,
     [](uint16_t w) {
       SrSet(kSrOnline, uint16_t((w & ~kScanPassed) | kInUse | kStepDone));
       SwapNewProgram();
     }},
    {kRequested | kNewProgram | kStepDone, 0, true,
     [](uint16_t w) { SrSet(kSrOnline, uint16_t(w & ~(kStepDone | kNewProgram))); }},
    {kRequested | kRevert, kNewProgram | kScanPassed | kStepDone, true,
     [](uint16_t w) { SrSet(kSrOnline, w | kScanPassed); }},
    {kRequested | kRevert | kScanPassed, kNewProgram, true,
     [](uint16_t w) {
       SrSet(kSrOnline, uint16_t((w & ~(kScanPassed | kInUse)) | kStepDone));
       LoadLadder();
       ShowLadder();
     }},
    {kRequested | kRevert | kStepDone, kNewProgram, true,
     [](uint16_t w) { SrSet(kSrOnline, uint16_t(w & kNewProgram)); }},
    {kRequested | kInUse, 0, false,
     [](uint16_t w) {
       SaveLadder();
       SrSet(kSrOnline, uint16_t(w & 0xFF00));
     }},
}};

}  // namespace

void ShowLadder() { WriteMirrors(kLadderInfo); }

void OnlineLogicFault() {
  if (SrGet(kSrOnline) & kInUse) LoadLadder();
  SrSet(kSrOnline, kFailed);
  ShowLadder();
}

void OnlineChange() {
  const uint16_t w = SrGet(kSrOnline);
  const bool online = OLPMode != 0;
  for (const Row& row : kRows) {
    if ((w & row.set) == row.set && (w & row.clear) == 0 && row.online == online) {
      row.step(w);
      return;
    }
  }
}

}  // namespace runctl
