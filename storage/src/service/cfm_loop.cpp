// CFM_TheLoop: runs the jobs handed over in the request queue against the file API and
// answers each in the answer queue.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "cfm_internal.h"
#include "ground/coop.h"
#include "ground/timebase.h"
#include "platform/trace.h"
#include "storage/csv.h"
#include "sysscreens/services.h"

CfmDirRecord CfmDirTable[kCfmDirRecords];
CfmDirRecord* CfmDirIndex[kCfmDirRecords];
int CfmDirCount = 0;

namespace {

constexpr uint32_t kStartupJobs = 6;
// The drive and base path of the last list, for deleting what it returned.
int g_list_drive = 0;
std::string g_list_base;

int32_t FileJob(int opcode, void* p1) {
  auto* job = static_cast<CfmFileJob*>(p1);
  if (job == nullptr || job->file == nullptr) return kCfInvalid;
  switch (opcode) {
    case kOpOpen:
      return CF_Open(job->file, static_cast<const char*>(job->data), job->mode_or_length);
    case kOpRead: {
      uint32_t n = 0;
      const int status = CF_Read(job->file, job->data, uint32_t(job->mode_or_length), &n);
      if (job->count) *job->count = n;
      return status;
    }
    case kOpWrite: {
      uint32_t n = 0;
      const int status = CF_Write(job->file, job->data, uint32_t(job->mode_or_length), &n);
      if (job->count) *job->count = n;
      return status;
    }
    default:
      return CF_Close(job->file);
  }
}

bool RecordBefore(const CfmDirRecord* a, const CfmDirRecord* b) {
  const bool a_dir = a->attributes & kCfAttrDirectory;
  const bool b_dir = b->attributes & kCfAttrDirectory;
  if (a_dir != b_dir) return a_dir;
  const int names = std::strncmp(a->name, b->name, 8);
  if (names != 0) return names < 0;
  return std::strncmp(a->extension, b->extension, 3) < 0;
}

int32_t GetDirectory(int drive, CfmListRequest* request) {
  CfmDirCount = 0;
  if (request == nullptr || request->pattern == nullptr) return kCfInvalid;
  request->count = 0;
  const int status = CF_GetStatus(drive);
  if (status != kCfOk) return status;
  // The base path: the pattern's directory part, up to its first "*".
  const char* pattern = request->pattern + (request->pattern[0] && request->pattern[1] == ':' ? 2 : 0);
  std::string base = pattern;
  base = base.substr(0, base.find('*'));
  const std::size_t last = base.find_last_of("\\/");
  base = last == std::string::npos ? std::string() : base.substr(0, last);
  while (!base.empty() && (base[0] == '\\' || base[0] == '/')) base.erase(0, 1);
  g_list_base = "\\" + base;
  g_list_drive = drive;

  static constexpr const char* kLetters[kCfDrives] = {"A:", "B:", "Z:"};
  const std::string full = std::string(kLetters[drive]) + pattern;
  CfDirEntry entry;
  int rc = CF_GetFirst(drive, &entry, full.c_str());
  if (rc == kCfExists) return kCfmListNoMatch;
  bool more = false;
  for (; rc == kCfOk; rc = CF_GetNext(drive, &entry)) {
    if (std::strcmp(entry.name, ".") == 0 || (entry.attributes & kCfAttrVolume)) continue;
    if (std::strcmp(entry.name, "..") == 0 && !request->include_parent) continue;
    if (CfmDirCount == kCfmDirRecords) {
      more = true;
      break;
    }
    CfmDirRecord& r = CfmDirTable[CfmDirCount];
    r = {};
    std::snprintf(r.name, sizeof r.name, "%s", entry.base);
    std::snprintf(r.extension, sizeof r.extension, "%s", entry.extension);
    r.attributes = entry.attributes;
    r.used = 1;
    r.time = entry.time;
    r.date = entry.date;
    r.size = entry.size;
    CfmDirIndex[CfmDirCount] = &r;
    ++CfmDirCount;
  }
  CF_GetDone(drive, &entry);
  if (rc != kCfOk && rc != kCfExists) {
    CfmDirCount = 0;
    return rc;
  }
  int sorted = CfmDirCount;
  if (more) {
    // The last record says that more entries were there; it stays last.
    CfmDirTable[CfmDirCount - 1].attributes = kCfmDirMore;
    --sorted;
  }
  std::sort(CfmDirIndex, CfmDirIndex + sorted, RecordBefore);
  request->count = uint32_t(CfmDirCount);
  return CfmDirCount == 0 ? kCfmListEmpty : kCfOk;
}

int32_t DeleteListed() {
  static constexpr const char* kLetters[kCfDrives] = {"A:", "B:", "Z:"};
  for (int i = 0; i < CfmDirCount; ++i) {
    const CfmDirRecord& r = *CfmDirIndex[i];
    if (r.attributes == kCfmDirMore) continue;
    std::string path = std::string(kLetters[g_list_drive]) + g_list_base + "\\" + r.name;
    if (r.extension[0]) path += std::string(".") + r.extension;
    if (r.attributes & kCfAttrDirectory) {
      if (std::strcmp(r.name, "..") != 0) CF_RemoveDir(g_list_drive, path.c_str());
    } else if ((r.attributes & kCfAttrVolume) == 0) {
      CF_DeleteFile(g_list_drive, path.c_str());
    }
  }
  return kCfOk;
}

int32_t FreeSpace(int drive, void* p1, void* p2) {
  auto* total = static_cast<uint32_t*>(p1);
  auto* free = static_cast<uint32_t*>(p2);
  uint32_t t = 0;
  uint32_t f = 0;
  if (drive == 0) {
    // The stick is looked at too, so that its figures are fresh for its clients.
    if (CF_GetStatus(1) == kCfOk) CF_GetFreeSpace(1, &t, &f);
  }
  int status = CF_GetStatus(drive);
  t = f = 0;
  if (status == kCfOk) status = CF_GetFreeSpace(drive, &t, &f);
  if (status != kCfOk) t = f = 0;
  if (total) *total = t;
  if (free) *free = f;
  return status;
}

}  // namespace

int32_t RunJob(int drive, int opcode, void* p1, void* p2) {
  if (drive < 0 || drive >= kCfDrives) drive = 0;
  switch (opcode) {
    case kOpOpen:
    case kOpRead:
    case kOpWrite:
    case kOpClose:
      return FileJob(opcode, p1);
    case kOpRename:
      return p1 ? CF_RenameFile(0, static_cast<const CfRename*>(p1)) : kCfInvalid;
    case kOpReadCsv:
    case kOpReadCsv2:
    case kOpReadCsv3:
      return p1 ? CF_ReadFile(drive, static_cast<const CfReadRequest*>(p1)) : kCfInvalid;
    case kOpFormat:
      return CfStateDecode(Cf_Format(0, drive));
    case kOpMakeDir:
      return p1 ? CF_MakeDir(drive, static_cast<const char*>(p1)) : kCfInvalid;
    case kOpRemoveDir:
      return p1 ? CF_RemoveDir(drive, static_cast<const char*>(p1)) : kCfInvalid;
    case kOpChangeDir:
      return p1 ? CF_ChangeDir(drive, static_cast<const char*>(p1)) : kCfInvalid;
    case kOpList:
      return GetDirectory(drive, static_cast<CfmListRequest*>(p1));
    case kOpDeleteListed:
      return DeleteListed();
    case kOpStatus:
      if (drive == 0) CF_GetStatus(1);
      return CF_GetStatus(drive);
    case kOpFreeSpace:
      return FreeSpace(drive, p1, p2);
    case kOpWriteCsv:
      return p1 ? CF_WriteFile(drive, static_cast<const CfWriteRequest*>(p1)) : kCfInvalid;
    case kOpProgramHeader:
      return CfmProgramHeaderJob(p1);
    case kOpValidatePgm:
      return ValidatePgm(static_cast<const char*>(p1), p2);
    case kOpLoadPgm:
      return LoadPgm();
    case kOpReleaseTransfer:
      return CfmReleaseTransferJob();
    case kOpSavePgm:
      return SavePgm(static_cast<const char*>(p1));
    case kOpSaveCapture:
      return CfmSaveCaptureJob(static_cast<const char*>(p1), p2);
    case kOpReadPicture:
      return CfmReadPictureJob(static_cast<const char*>(p1), p2);
    case kOpWait:
      SYS_Wait(400);
      return kCfOk;
    case kOpRecipe:
      return RecipeBlock(p1);
    case kOpFirmwareDir:
      return GetFirmwareDir(p1, p2);
    default:
      return kCfOk;
  }
}

namespace {
uint32_t g_jobs_run = 0;
}  // namespace

void CfmLoopReset() {
  g_jobs_run = 0;
  CfmDirCount = 0;
  g_list_base.clear();
  g_list_drive = 0;
}

void CFM_TheLoop() {
  plat::TraceCall("CFM_TheLoop");
  for (;;) {
    uint32_t message[4];
    if (tx::_txe_queue_receive(&qcb_cfi, message) != tx::kTxSuccess) return;
    void* p1 = message[2] == 1 ? CfmJobParams[0] : nullptr;
    void* p2 = message[3] == 2 ? CfmJobParams[1] : nullptr;
    const int32_t result = RunJob(int(message[0]), int(message[1]), p1, p2);
    const uint32_t answer[2] = {0, uint32_t(result)};
    tx::_txe_queue_send(&qcb_cfo, answer);
    // Start-up: the first jobs count the seconds the card has been up; after them the
    // manual-load key starts an auto-load.
    if (g_jobs_run < kStartupJobs) {
      ++g_jobs_run;
      ++Sys_CFinitTime;
    } else if (Sys_ManualLoadKey == 1 && Sys_AutoLoad == 0) {
      Sys_AutoLoad = 1;
      Sys_ALstmcInited = 0;
    }
  }
}
