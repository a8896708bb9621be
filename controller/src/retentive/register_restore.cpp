// The start-up restore of the register image: after an orderly stop the saved image;
// after any other stop the operator's register backup or the last saved image, with the
// PLC mode chosen by the options or by the operator's answer; on a first start the
// empty register files. An image is taken only whole and with its CRC matching: a bad
// file leaves the registers as they were (a cold start with an empty force table) or
// falls back to the backup, and is reported in the boot status word and SR4.
#include <cstring>

#include "ground/cfg_file.h"
#include "ground/bbram.h"
#include "ground/bootstatus.h"
#include "ground/regimage.h"
#include "controller/retentive.h"
#include "ground/timebase.h"
#include "platform/trace.h"
#include "retentive_internal.h"
#include "storage/crc16.h"
#include "table_defaults.h"

uint8_t fwload_set_def = 0;
uint8_t AutoregFailed = 0;

namespace retentive {
namespace {

alignas(8) uint8_t g_file_copy[kRegisterFileBytes];
// The reset counter counts a start once, however often start-up retries the restore.
bool g_reset_counted = false;

void LoadBbramFile() {
  CfgReader in(kBbramFile);
  const std::size_t n = in.open() ? in.Read(bbram, kBbramSize) : 0;
  if (n < kBbramSize) std::memset(bbram + n, 0, kBbramSize - n);
}

void TakeImage(const uint8_t* image) { std::memcpy(plc_reg, image, reg::kImageSize); }

// Registers that no file could give: the image stays as start-up left it, with an empty
// force table, so that the program's check still finds its tables whole.
void ColdRegisters() { tables::SetEmptyForceTable(); }

// Whether the backup just taken into the image stays: the options decide, or the
// operator when SR180 asks for the question.
bool BackupKept() {
  const uint16_t options = SrGet(164);
  if (options & kSr164UseBackup) {
    SrSet(5, (options & kSr164AutoRun) ? 2 : 0);
    return true;
  }
  return SrGet(180) == 0 || AskLoadQuestion(10, 0) == 1;
}

int RestoreAfterUnorderlyStop() {
  bool short_read = false;
  const uint8_t* backup = ReadRegisterFile(kBackupFile, short_read);
  const bool have_backup = backup != nullptr;
  if (have_backup) TakeImage(backup);
  int result = have_backup && BackupKept() ? 1 : 0;
  if (result == 0) {
    const uint8_t* image = ReadRegisterFile(kAutoregFile, short_read);
    if (image != nullptr) {
      TakeImage(image);
      if (SrGet(180) != 0) {
        const bool auto_run = SrGet(164) & kSr164AutoRun;
        SrSet(5, AskLoadQuestion(auto_run ? 11 : 12, FPGA_GetFrt()) == 1 ? 2 : 0);
      } else {
        SrSet(5, 2);
      }
      result = 1;
    } else {
      BootStatusOr(short_read ? boot::kAutoregShortRead : boot::kAutoregBadCrc);
      // The backup, even when the operator preferred the saved image, still holds the
      // image; without one the registers start cold.
      if (have_backup) result = 1;
      else ColdRegisters();
    }
  }
  SrSet(4, SrGet(4) | kSr4NotOrderly);
  AutoregFailed = 1;
  return result;
}

int RestoreAfterOrderlyStop() {
  CfgRemove(kSavedFile);
  bool short_read = false;
  const uint8_t* image = ReadRegisterFile(kAutoregFile, short_read);
  int result = 0;
  if (image != nullptr) {
    TakeImage(image);
    result = 1;
  } else {
    BootStatusOr(short_read ? boot::kAutoregShortRead : boot::kAutoregBadCrc);
    ColdRegisters();
  }
  SrSet(4, SrGet(4) & ~kSr4NotOrderly);
  AutoregFailed = 0;
  return result;
}

void CountReset(int result) {
  if (!(BootStatusGet() & boot::kOrderlyShutdown) && !g_reset_counted) {
    ResetCounterSet(ResetCounterGet() + 1);
    g_reset_counted = true;
  }
  SrSet(52, uint16_t(ResetCounterGet()));
  if (result == 1) BootStatusClear(boot::kOrderlyShutdown);
}

}  // namespace

const uint8_t* ReadRegisterFile(const char* unit_path, bool& short_read) {
  CfgReader in(unit_path);
  short_read = true;
  if (!in.open() || in.Read(g_file_copy, kRegisterFileBytes) != kRegisterFileBytes) return nullptr;
  short_read = false;
  uint16_t crc;
  uint32_t length;
  std::memcpy(&crc, g_file_copy, 2);
  std::memcpy(&length, g_file_copy + 4, 4);
  const uint8_t* image = g_file_copy + kHeader;
  return length == kImageLength && crc16(image, reg::kImageSize) == crc ? image : nullptr;
}

void ResetRestoreState() { g_reset_counted = false; }

void ResetRetentive() {
  ResetSaveState();
  ResetRestoreState();
  ResetBackupState();
  ResetQuestions();
}

}  // namespace retentive

using namespace retentive;

int AutoLoadRegisters() {
  plat::TraceCall("AutoLoadRegisters");
  LoadBbramFile();
  int result;
  if (!FileExists(kAutoregFile)) {
    CrtAutoSaveRegFile();
    fwload_set_def = 1;
    result = 1;
  } else {
    result = FileExists(kSavedFile) ? RestoreAfterOrderlyStop() : RestoreAfterUnorderlyStop();
    SrSet(199, uint16_t(BootStatusGet()));
  }
  CountReset(result);
  return result;
}
