// The operator's register backup: a copy of the register image in the backup block,
// kept in bkpreg.dta, stored and restored from the system screens (or by the SR164 store
// request), beside the IEC application's retained variables. And the start-up copy of
// every table's CRC and size into its mirror registers.
#include <cstring>

#include "ground/cfg_file.h"
#include "graphics/vdr.h"
#include "iec_runtime/services.h"
#include "ground/file_info.h"
#include "ground/regimage.h"
#include "controller/retentive.h"
#include "controller/startup.h"
#include "ground/sysservices.h"
#include "ground/touch.h"
#include "platform/trace.h"
#include "retentive_internal.h"
#include "storage/crc16.h"



namespace retentive {

alignas(8) uint8_t crcsize_tbl[kBackupBlockSize];

namespace {

uint32_t BlockLength() {
  uint32_t length;
  std::memcpy(&length, crcsize_tbl + 4, 4);
  return length;
}

bool BlockImageGood() {
  uint16_t crc;
  std::memcpy(&crc, crcsize_tbl, 2);
  return BlockLength() == kImageLength && crc16(crcsize_tbl + kHeader, reg::kImageSize) == crc;
}

void EraseBlock() { std::memset(crcsize_tbl, 0xFF, sizeof crcsize_tbl); }

void SetSr164(uint16_t set, uint16_t clear) { SrSet(164, uint16_t((SrGet(164) | set) & ~clear)); }

}  // namespace

void ResetBackupState() { EraseBlock(); }

}  // namespace retentive

using namespace retentive;

int BkpRegisters() {
  plat::TraceCall("BkpRegisters");
  const uint32_t length = BlockLength();
  if (length > kBackupBodyMax - 8) return 0;
  CfgWriter out(kBackupFile);
  const std::size_t n = kHeader + length + 8;
  return out.open() && out.Write(crcsize_tbl, n) == n && out.Commit(false) ? 1 : 0;
}

int LoadRegisters() {
  plat::TraceCall("LoadRegisters");
  CfgReader in(kBackupFile);
  if (!in.open()) {
    crcsize_tbl[kFileMark] = 0xFF;
    return 0;
  }
  if (in.Read(crcsize_tbl, kHeader) != kHeader) return 0;
  const uint32_t length = BlockLength();
  const std::size_t body = length > kBackupBodyMax - 8 ? kBackupBodyMax : std::size_t(length) + 8;
  return in.Read(crcsize_tbl + kHeader, body) == body ? 1 : 0;
}

int StoreBBRAM() {
  plat::TraceCall("StoreBBRAM");
  SetSr164(0, kSr164StoreRequest);
  EraseBlock();
  TCH_BeepOvrd(0);
  std::memcpy(crcsize_tbl + kHeader, plc_reg, reg::kImageSize);
  const uint16_t crc = crc16(crcsize_tbl + kHeader, reg::kImageSize), unused = 0;
  std::memcpy(crcsize_tbl, &crc, 2);
  std::memcpy(crcsize_tbl + 2, &unused, 2);
  std::memcpy(crcsize_tbl + 4, &kImageLength, 4);
  SetSr164(kSr164BackupPresent, kSr164RestoreDone);
  crcsize_tbl[kStoredMark] = kStoredMarkValue;
  if (OrvanelRuntime) n4_reg_store_backup();
  return BkpRegisters();
}

void RestoreBBRAM(int request) {
  plat::TraceCall("RestoreBBRAM", request);
  if (!BlockImageGood()) return;
  TCH_BeepOvrd(0);
  const uint16_t present = SrGet(164) & kSr164BackupPresent;
  const uint16_t mode = SrGet(5);
  std::memcpy(plc_reg, crcsize_tbl + kHeader, reg::kImageSize);
  if (OrvanelRuntime) n4_reg_load_backup();
  SrSet(5, mode & 0xFF);
  if (present) SetSr164(kSr164BackupPresent, 0);
  if (request == 1) {
    SetSr164(kSr164RestoreDone, 0);
    crcsize_tbl[kFileMark] = 0;
  }
  VDR_Close(pDisplayDC);
  if (request == 1) BkpRegisters();
  AutoSaveRegisters();
  SYS_WarmReset();
}

int ClrRegFile() {
  plat::TraceCall("ClrRegFile");
  crcsize_tbl[kFileMark] = 0xFF;
  crcsize_tbl[kStoredMark] = 0;
  if (OrvanelRuntime) DelOrvanelRetentiveFile();
  return FileExists(kBackupFile) && CfgRemove(kBackupFile) ? 1 : 0;
}

int EraseBackupData() {
  plat::TraceCall("EraseBackupData");
  if (BlockLength() != 0xFFFFFFFF) {
    EraseBlock();
    TCH_BeepOvrd(0);
    SetSr164(0, kSr164BackupPresent | kSr164RestoreDone);
  }
  return ClrRegFile();
}

void RestoreSRReg() {
  plat::TraceCall("RestoreSRReg");
  LoadRegisters();
  TCH_BeepOvrd(0);
  for (const FileInfo& f : file_info) {
    if (f.data != nullptr) WriteMirrors(f);
  }
}
