#pragma once
// The storage service: every file job on removable media runs here, one at a time, so
// that no client ever waits in the main loop. Each client owns one slot; a posted job
// is handed to CFM_TheLoop through a one-message request queue when it is the slot's
// turn (round robin from the slot after the last one served), and its answer comes back
// through a one-message answer queue into the slot, where the client polls it.
//
// Clients that run in the PLC scan use their slot of the register mailbox instead
// (ground/mailbox.h): the screen pass's SYS_Update calls their request function here
// and polls the job for them.
//
// Main thread only; CFM_TheLoop and CFM_Update never run inside a time slice.

#include <cstdint>

#include "storage/cf.h"

// Slot states.
enum CfcbState : int32_t {
  kCfcbIdle = 0,
  kCfcbPosted = 1,
  kCfcbInProgress = 2,
  kCfcbAnswered = 4,
  kCfcbFailed = 5,     // the answer came while the slot was not in progress
  kCfcbCancelled = 6,  // the answer still due is to be dropped
};

struct CFCB {
  int32_t state;
  int32_t drive;
  int32_t opcode;
  void* p1;
  void* p2;
  int32_t result;
};

inline constexpr int kCfcbSlots = 14;
extern CFCB tCFCB[kCfcbSlots];
// Slot owners.
extern CFCB* pUpdtCFCB;            // 0 the status update of the service itself
extern CFCB* pDpramCFCB;           // 1 the logic's file API
extern CFCB* pLoggerCFCB;          // 2 data logger
extern CFCB* pDirCFCB;             // 3 media directory and clone screens
extern CFCB* pVidCFCB;             // 4 screen capture
extern CFCB* pReportCFCB;          // 5 reports
extern CFCB* pRecipeCFCB;          // 6 recipes
extern CFCB* pAlarmCFCB;           // 7 alarm log
extern CFCB* pEmailCFCB;           // 8 e-mail attachments
extern CFCB* pTrendCFCB;           // 9 trend logger
extern CFCB* pTrendReadCFCB;       // 10 trend reader
extern CFCB* pQuorvTrendReadCFCB;  // 11 the web server's trend reader
extern CFCB* pDbgLoggerCFCB;       // 12 debug log
extern CFCB* pLoadSDFirmwareCFCB;  // 13 firmware search

// Jobs of CFM_TheLoop.
enum CfmOpcode : int32_t {
  kOpOpen = 0,        // P1 = CfmFileJob {file, path, mode}
  kOpRead = 1,        // P1 = CfmFileJob {file, buffer, size, count}
  kOpWrite = 2,       // P1 = CfmFileJob {file, data, length, count}
  kOpClose = 3,       // P1 = CfmFileJob {file}
  kOpRename = 4,      // P1 = CfRename
  kOpReadCsv = 5,     // also 14 and 23: P1 = CfReadRequest
  kOpFormat = 6,      // no parameter: formats the drive
  kOpMakeDir = 7,     // P1 = path
  kOpRemoveDir = 8,   // P1 = path
  kOpChangeDir = 9,   // P1 = path
  kOpList = 10,       // P1 = CfmListRequest
  kOpDeleteListed = 11,
  kOpStatus = 12,
  kOpFreeSpace = 13,  // P1 = u32 total KiB out, P2 = u32 free KiB out
  kOpReadCsv2 = 14,
  kOpWriteCsv = 15,   // P1 = CfWriteRequest
  kOpProgramHeader = 16,
  kOpValidatePgm = 17,
  kOpLoadPgm = 18,
  kOpReleaseTransfer = 19,
  kOpSavePgm = 20,
  kOpSaveCapture = 21,
  kOpReadPicture = 22,
  kOpReadCsv3 = 23,
  kOpWait = 24,
  kOpRecipe = 25,
  kOpNothing = 26,
  kOpFirmwareDir = 27,
};

// The parameter block of the open, read, write and close jobs.
struct CfmFileJob {
  CfFile* file;
  void* data;              // the path of an open, else the data
  int32_t mode_or_length;
  uint32_t* count;         // bytes transferred
};

// A directory list job: the entries go to CfmDirTable.
struct CfmListRequest {
  uint32_t count;          // out: entries stored
  const char* pattern;
  uint8_t include_parent;  // store ".." too
};

// One stored entry of a directory list.
struct CfmDirRecord {
  char name[256];
  char extension[15];
  uint8_t attributes;  // 0x80 on a last record that stands for entries that did not fit
  uint8_t used;
  uint16_t time;
  uint16_t date;
  uint32_t size;
};
inline constexpr int kCfmDirRecords = 512;
inline constexpr uint8_t kCfmDirMore = 0x80;
extern CfmDirRecord CfmDirTable[kCfmDirRecords];
extern CfmDirRecord* CfmDirIndex[kCfmDirRecords];  // the records in listing order
extern int CfmDirCount;

// List results.
inline constexpr int32_t kCfmListNoMatch = 1000;
inline constexpr int32_t kCfmListEmpty = 1002;
// A poll's result for a job that was not run (unknown operation, failed slot).
inline constexpr int32_t kCfmNoJob = 97;
// Poll returns.
inline constexpr int kCfmPending = 2;
inline constexpr int kCfmDone = 4;

// The storage status record.
struct CfmStatus {
  uint32_t free_kib;
  uint32_t total_kib;
  int32_t status;          // of drive A
  uint32_t activity;       // write and close jobs posted through the mailbox
};
extern CfmStatus cfm;

// ---- Client side ----
// Fills the slot and posts it (a slot that is not idle gets the job too, with a debug
// message), then runs one scan of the slots.
void CFM_LoadReq(CFCB* slot, int drive, int opcode, void* p1, void* p2);
// kCfmPending while posted or in progress; kCfmDone with the result (and the slot idle)
// when answered; a failed, idle or cancelled slot gives kCfmDone with result 97.
int CFM_PollReq(CFCB* slot, int32_t* result);
// 0 while an answer is still due; otherwise the slot is made idle and 1 returned.
int CFM_IsBlkReady(CFCB* slot);
void CFM_CancelReq(CFCB* slot);
// 1 when every slot is idle, answered or failed.
int CFM_IsAllHalted();
// The space of a drive: {u32 total KiB, u32 free KiB, i32 status, u32 activity count}.
struct CfmParm {
  int32_t drive;
  uint32_t total_kib;
  uint32_t free_kib;
  int32_t status;
  uint32_t activity;
};
int CFM_GetParm(CfmParm* record);
// Stores a selected file name for the output register (1), or 0 when none is linked.
int CFM_LoadSelect(const char* name);
int CFM_IsDmemCorrupt();
void CFM_SetDmemCorrupt(int flag);
void CFM_LoadPgmException();
void CFM_LoadDatException();

// The program's storage links, which CFM_Init takes up: the selected-name output
// register and up to four capture counters {register reference, limit, flags: bit 0
// advance on use, bit 1 wrap to 0 at the limit}. A reference of 0 is not linked.
struct CfmCounterConfig {
  uint32_t reference;
  uint32_t limit;
  uint32_t flags;
};
struct CfmProgramLinks {
  uint32_t select_reference;
  CfmCounterConfig counters[4];
};
void CFM_SetProgramLinks(const CfmProgramLinks& links);

// Expands the name codes of a file name in place (text holds 512 bytes): $s $m $h $D $M
// $Y $W (clock), $p (page), $1..$4 (capture counters, $nuK: the last K digits).
void ConvertMeta(char* text);

// ---- The data logger's mailbox client ----
inline constexpr int kCfdlPosted = -2;
inline constexpr int kCfdlBusy = -3;
int CFDL_MakeDir(int drive, uint32_t path_offset);
int CFDL_Open(uint32_t file_offset, uint32_t path_offset, int32_t mode);
int CFDL_Write(uint32_t file_offset, uint32_t data_offset, int32_t length, uint32_t count_offset);
int CFDL_Close(uint32_t file_offset);
int CFDL_Result();
int CFDL_GetStatus();
int CFDL_GetFreeSpace(int unused, uint32_t* total_kib, uint32_t* free_kib);

// The job fields of a mailbox client's slot, after its head: parameters are byte
// offsets from the start of dpram (0 = none).
struct StorageJobFields {
  uint32_t p1;
  uint32_t p2;
  int32_t mode_or_length;
  uint32_t count;
};

// The logic's file requests in its mailbox slot, after the head (u8 request, u8
// acknowledge, u8 request code, u8 drive, i32 status). Every address is a byte offset
// from the start of dpram; paths are NUL-terminated there with room for 512 bytes (their
// name codes are expanded in place).
enum DpramFileRequestCode : uint8_t { kDpramReadFile = 0, kDpramWriteFile = 1, kDpramRename = 2, kDpramFormat = 4 };
struct DpramWriteRequest {
  int32_t format;
  uint32_t path;
  uint32_t data;
  int32_t type;
  int32_t count;
  uint32_t out_count;
  int32_t per_line;
  int32_t mode;
  int32_t end_flag;
  char list_marker;
  uint8_t header;
  uint16_t header_count;
  uint32_t header_text;
  uint32_t list;
};
struct DpramReadRequest {
  int32_t unused;
  uint32_t path;
  uint32_t data;
  int32_t type;
  int32_t count;
  uint32_t out_count;
  int32_t selector;
  int32_t unused2;
  char list_marker;
  uint8_t pad;
  uint16_t list_count;
  uint32_t list;
};
struct DpramRenameRequest {
  uint32_t old_path;
  uint32_t new_path;
};

// Mailbox client polls (by the client's index in the mailbox order) are declared in
// storage/services.h.
