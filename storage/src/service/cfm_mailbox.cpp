// The mailbox clients: the request functions that SYS_Update calls for the clients that
// run in the PLC scan, their polls, and the data logger's posting calls. A slot's
// parameters are offsets into dpram; each is checked to lie inside it, with room for what
// the job will touch, before it becomes an address.
#include <cstddef>
#include <cstring>

#include "cf_media.h"
#include "cfm_internal.h"
#include "ground/mailbox.h"
#include "ground/regimage.h"
#include "storage/csv.h"

namespace {

constexpr int kNoOp = -1;
// The client slot of each mailbox client, in the mailbox's client order. The debug log
// has a slot of its own, so that its jobs and the data logger's never overwrite each
// other.
constexpr int kClientSlot[kMailboxClients] = {1, 2, 5, 6, 7, 8, 9, 10, 11, 12};

using OpTable = int8_t[8];
constexpr OpTable kLogOps = {kOpStatus, kOpFreeSpace, kOpMakeDir, kOpOpen, kOpWrite, kOpClose, kNoOp, kNoOp};
constexpr OpTable kTrendOps = {kOpStatus, kOpFreeSpace, kOpMakeDir, kOpOpen, kOpWrite, kOpClose, kOpRead, kNoOp};
constexpr OpTable kWebTrendOps = {kOpStatus, kOpFreeSpace, kNoOp, kOpOpen, kNoOp, kOpClose, kOpRead, kNoOp};
constexpr OpTable kEmailOps = {kOpStatus, kNoOp, kNoOp, kOpOpen, kNoOp, kOpClose, kOpRead, kOpList};

// Per client: the answer of a job that was not posted, and the host forms of its
// parameters.
struct ClientJob {
  bool preset;
  int32_t preset_result;
  CfmFileJob file;
  CfmListRequest list;
  CfRename rename;
  CfWriteRequest write;
  CfReadRequest read;
};
ClientJob g_jobs[kMailboxClients];

StorageJobFields* Fields(MailboxClient c) {
  return reinterpret_cast<StorageJobFields*>(reinterpret_cast<uint8_t*>(Dpram_Slot(c)) + sizeof(StorageMailboxSlot));
}

// The address of bytes at an offset of dpram, or nullptr when they do not lie inside it
// (or are misaligned for align).
void* At(uint32_t offset, std::size_t bytes, std::size_t align = 1) {
  if (offset == 0 || offset >= kDpramBytes || bytes > kDpramBytes - offset || offset % align != 0) return nullptr;
  return dpram + offset;
}

// A path: NUL-terminated inside dpram.
char* PathAt(uint32_t offset, std::size_t room = 1) {
  char* p = static_cast<char*>(At(offset, room));
  if (p == nullptr || std::memchr(p, '\0', kDpramBytes - offset) == nullptr) return nullptr;
  return p;
}

// The header row's names are found by offsets from the program: each must lie inside
// dpram, or the header would be read from elsewhere.
bool HeaderNamesInside(const DpramWriteRequest& w, const CfWriteListEntry* list) {
  if (w.list_marker != 'M' || !w.header || w.header_text == 0) return true;
  for (uint16_t e = 0; e < w.header_count; ++e) {
    const uint64_t at = uint64_t(w.header_text) + (list[e].name_offset_low | uint32_t(list[e].name_offset_high) << 16);
    if (at >= kDpramBytes || At(uint32_t(at), list[e].name_length) == nullptr) return false;
  }
  return true;
}

int Answer(int client, int32_t result) {
  g_jobs[client].preset = true;
  g_jobs[client].preset_result = result;
  return 1;
}

int Post(int client, int opcode, void* p1, void* p2, int drive) {
  CFM_LoadReq(&tCFCB[kClientSlot[client]], drive, opcode, p1, p2);
  return 1;
}

int LoadStorageReq(MailboxClient c, const OpTable& ops) {
  if (RemovalRequested()) return 0;
  const int client = int(c);
  const StorageMailboxSlot* head = Dpram_Slot(c);
  const StorageJobFields* f = Fields(c);
  const int op = head->operation < 8 ? ops[head->operation] : kNoOp;
  const int drive = head->sub_operation;
  ClientJob& job = g_jobs[client];
  job.preset = false;
  switch (op) {
    case kNoOp:
      return Answer(client, kCfmNoJob);
    case kOpStatus:
      return Post(client, op, nullptr, nullptr, drive);
    case kOpFreeSpace: {
      void* total = At(f->p1, 4, 4);
      void* free = At(f->p2, 4, 4);
      return total && free ? Post(client, op, total, free, drive) : Answer(client, kCfInvalid);
    }
    case kOpMakeDir: {
      char* path = PathAt(f->p1);
      return path ? Post(client, op, path, nullptr, drive) : Answer(client, kCfInvalid);
    }
    case kOpList:
      job.list = {0, PathAt(f->p1), uint8_t(f->mode_or_length != 0)};
      return job.list.pattern ? Post(client, op, &job.list, nullptr, drive) : Answer(client, kCfInvalid);
    default:
      break;
  }
  // Open, write, close and read work on the file record of the slot's parameter block.
  job.file = {static_cast<CfFile*>(At(f->p1, sizeof(CfFile), alignof(CfFile))), nullptr, f->mode_or_length,
              f->count ? static_cast<uint32_t*>(At(f->count, 4, 4)) : nullptr};
  bool valid = job.file.file != nullptr && (f->count == 0 || job.file.count != nullptr);
  if (op == kOpOpen) {
    job.file.data = PathAt(f->p2);
    valid = valid && job.file.data != nullptr;
  } else if (op == kOpWrite || op == kOpRead) {
    job.file.data = At(f->p2, std::size_t(uint32_t(f->mode_or_length)));
    valid = valid && job.file.data != nullptr && f->mode_or_length > 0;
  }
  if (!valid) return Answer(client, kCfInvalid);
  if (op == kOpWrite || op == kOpClose || (op == kOpRead && c == MailboxClient::kEmail)) ++cfm.activity;
  return Post(client, op, &job.file, nullptr, drive);
}

int LoadDpramFileReq() {
  if (RemovalRequested()) return 0;
  const int client = int(MailboxClient::kLogicFile);
  const StorageMailboxSlot* head = Dpram_Slot(MailboxClient::kLogicFile);
  const uint32_t record = uint32_t(reinterpret_cast<const uint8_t*>(head) - dpram) + sizeof(StorageMailboxSlot);
  const int drive = head->sub_operation;
  ClientJob& job = g_jobs[client];
  job.preset = false;
  switch (head->operation) {
    case kDpramReadFile: {
      DpramReadRequest r;
      std::memcpy(&r, dpram + record, sizeof r);
      char* path = PathAt(r.path, 512);
      void* data = At(r.data, 1);
      uint32_t* out = static_cast<uint32_t*>(At(r.out_count, 4, 4));
      const CfReadListEntry* list = nullptr;
      if (r.list_marker == 'L') {
        list = static_cast<const CfReadListEntry*>(At(r.list, r.list_count * sizeof(CfReadListEntry), 2));
      }
      if (!path || !data || !out || (r.list_marker == 'L' && !list)) return Answer(client, kCfInvalid);
      ConvertMeta(path);
      job.read = {r.unused, path, data, r.type, r.count, out, r.selector, r.unused2, r.list_marker,
                  r.list_count, list, uint32_t(kDpramBytes - r.data)};
      return Post(client, kOpReadCsv2, &job.read, nullptr, drive);
    }
    case kDpramWriteFile: {
      DpramWriteRequest w;
      std::memcpy(&w, dpram + record, sizeof w);
      char* path = PathAt(w.path, 512);
      const void* data = At(w.data, 1);
      uint32_t* out = static_cast<uint32_t*>(At(w.out_count, 4, 4));
      const char* header = w.header_text ? PathAt(w.header_text) : nullptr;
      const CfWriteListEntry* list = nullptr;
      if (w.list_marker == 'M') {
        list = static_cast<const CfWriteListEntry*>(At(w.list, w.header_count * sizeof(CfWriteListEntry), 2));
      }
      if (!path || !data || !out || (w.list_marker == 'M' && !list) || !HeaderNamesInside(w, list)) {
        return Answer(client, kCfInvalid);
      }
      ConvertMeta(path);
      job.write = {w.format, path, data, w.type, w.count, out, w.per_line, w.mode, w.end_flag, w.list_marker,
                   w.header, w.header_count, header, list, uint32_t(kDpramBytes - w.data)};
      ++cfm.activity;
      return Post(client, kOpWriteCsv, &job.write, nullptr, drive);
    }
    case kDpramRename: {
      DpramRenameRequest n;
      std::memcpy(&n, dpram + record, sizeof n);
      char* from = PathAt(n.old_path, 512);
      char* to = PathAt(n.new_path, 512);
      if (!from || !to) return Answer(client, kCfInvalid);
      ConvertMeta(from);
      ConvertMeta(to);
      job.rename = {from, to};
      ++cfm.activity;
      return Post(client, kOpRename, &job.rename, nullptr, drive);
    }
    case kDpramFormat:
      ++cfm.activity;
      return Post(client, kOpFormat, nullptr, nullptr, drive);
    default:
      return Answer(client, kCfmNoJob);
  }
}

}  // namespace

bool RemovalRequested() { return SrGet(174) != 0; }

void CfmMailboxReset() { std::memset(static_cast<void*>(g_jobs), 0, sizeof g_jobs); }

int CFM_LoadDpramReq() { return LoadDpramFileReq(); }
int CFM_LoadLoggerReq() { return LoadStorageReq(MailboxClient::kDataLogger, kLogOps); }
int CFM_LoadReportReq() { return LoadStorageReq(MailboxClient::kReport, kLogOps); }
int CFM_LoadAlarmReq() { return LoadStorageReq(MailboxClient::kAlarmLog, kLogOps); }
int CFM_LoadTrendReq() { return LoadStorageReq(MailboxClient::kTrendLog, kTrendOps); }
int CFM_LoadTrendReadReq() { return LoadStorageReq(MailboxClient::kTrendRead, kTrendOps); }
int CFM_QuorvLoadTrendReadReq() { return LoadStorageReq(MailboxClient::kWebTrendRead, kWebTrendOps); }
int CFM_LoadEmailReq() { return LoadStorageReq(MailboxClient::kEmail, kEmailOps); }
int CFM_LoadDBGLoggerReq() { return LoadStorageReq(MailboxClient::kDebugLog, kLogOps); }

int CFM_LoadRecipeReq() {
  if (RemovalRequested()) return 0;
  const int client = int(MailboxClient::kRecipe);
  const StorageMailboxSlot* head = Dpram_Slot(MailboxClient::kRecipe);
  g_jobs[client].preset = false;
  if (head->operation != 0) return Answer(client, kCfmNoJob);
  void* job = At(Fields(MailboxClient::kRecipe)->p1, 1);
  return job ? Post(client, kOpRecipe, job, nullptr, head->sub_operation) : Answer(client, kCfInvalid);
}

int CFM_PollReq(int client, uint32_t* result) {
  if (client < 0 || client >= kMailboxClients) return kCfmDone;
  ClientJob& job = g_jobs[client];
  if (job.preset) {
    job.preset = false;
    *result = uint32_t(job.preset_result);
    return kCfmDone;
  }
  int32_t r = 0;
  const int state = CFM_PollReq(&tCFCB[kClientSlot[client]], &r);
  if (state == kCfmDone) *result = uint32_t(r);
  return state;
}

// ---- The data logger's posting calls ----

namespace {

StorageMailboxSlot* LoggerSlot() { return Dpram_Slot(MailboxClient::kDataLogger); }

int PostLogger(uint8_t operation, int drive, uint32_t p1, uint32_t p2, int32_t mode_or_length, uint32_t count) {
  StorageMailboxSlot* slot = LoggerSlot();
  if (slot->request != slot->acknowledge) return kCfdlBusy;
  slot->operation = operation;
  slot->sub_operation = uint8_t(drive);
  *Fields(MailboxClient::kDataLogger) = {p1, p2, mode_or_length, count};
  slot->request = uint8_t(slot->request ^ 1);
  return kCfdlPosted;
}

// Drive B's figures show a usable stick.
bool StickHasSpace() { return Cf_Media2.figures_valid && Cf_Media2.total_blocks != 0; }

}  // namespace

int CFDL_MakeDir(int drive, uint32_t path_offset) { return PostLogger(2, drive, path_offset, 0, 0, 0); }
int CFDL_Open(uint32_t file_offset, uint32_t path_offset, int32_t mode) {
  return PostLogger(3, 0, file_offset, path_offset, mode, 0);
}
int CFDL_Write(uint32_t file_offset, uint32_t data_offset, int32_t length, uint32_t count_offset) {
  return PostLogger(4, 0, file_offset, data_offset, length, count_offset);
}
int CFDL_Close(uint32_t file_offset) { return PostLogger(5, 0, file_offset, 0, 0, 0); }

int CFDL_Result() {
  const StorageMailboxSlot* slot = LoggerSlot();
  if (slot->request == slot->acknowledge) return int32_t(slot->status);
  if (StickHasSpace()) return kCfdlPosted;
  return SrGet(175) != 0 ? SrGet(175) : kCfdlPosted;
}

int CFDL_GetStatus() { return StickHasSpace() ? 0 : SrGet(175); }

int CFDL_GetFreeSpace(int, uint32_t* total_kib, uint32_t* free_kib) {
  *total_kib = SrGet32(178);
  *free_kib = SrGet32(176);
  return 0;
}
