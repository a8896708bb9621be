#pragma once
// The file API of the panel's own code: three drives named by DOS-style letters, paths
// with "\" or "/" separators, one current directory per drive, wildcard listings and
// tree removal. Every call returns a CfStatus and runs to completion on the caller's
// thread (the main thread: the calls share static work buffers and are not reentrant).
//
// Drives: 0 "A:" the microSD card (/mnt/USB0), 1 "B:" the USB stick (/mnt/USB1), 2 "Z:"
// the internal flash volume (/mnt/cfg). A path without a letter is on drive A. A path
// without any separator is taken relative to the drive's current directory, one with a
// separator anywhere from the drive's root.

#include <cstdint>

#include "storage/services.h"

// Results of every CF_* call.
enum CfStatus : int16_t {
  kCfOk = 0,
  kCfEndOfFile = -1,
  kCfDriveAbsent = 2,
  kCfMediumError = 5,       // I/O error while the drive still mounts
  kCfNotFound = 66,         // "B": file, path or directory missing; a delete that matched nothing
  kCfNotAFile = 73,         // "I": not a file, or the file is not open
  kCfRefused = 77,          // "M": access refused or another failure
  kCfExists = 81,           // "Q": already exists; no more directory entries
  kCfDriveBusy = 82,        // "R": a media format job runs and the drive is unmounted
  kCfInvalid = 86,          // "V": invalid name, path, drive letter, argument or date
  kCfFull = 92,             // "\": full, write-protected, directory not empty, file corrupt
  kCfTooDeep = 96,          // a directory tree nested deeper than 16 levels
};

inline constexpr int kCfDrives = 3;

// Attribute bits of a directory entry.
inline constexpr uint8_t kCfAttrReadOnly = 0x01;
inline constexpr uint8_t kCfAttrSystem = 0x04;
inline constexpr uint8_t kCfAttrVolume = 0x08;
inline constexpr uint8_t kCfAttrDirectory = 0x10;

// One open file. Callers zero it before its first use.
struct CfFile {
  int32_t descriptor;
  uint8_t open;
  uint32_t size;          // current size, updated after each write
  uint32_t size_at_open;  // what CF_Size gives
};

// One entry of a listing.
struct CfDirEntry {
  char name[512];       // as found on the medium
  char base[256];       // upper case; a directory's whole name
  char extension[15];   // upper case, without the dot; empty for a directory
  uint8_t attributes;
  uint16_t time;        // DOS form: hour << 11 | minute << 5 | second / 2
  uint16_t date;        // DOS form: (year - 1980) << 9 | month << 5 | day
  uint32_t size;
  const char* saved_directory;  // the drive's current directory before the listing
};

// The file name pair of a rename.
struct CfRename {
  const char* old_path;
  const char* new_path;
};

// CF_Open mode bits.
inline constexpr int kCfAppend = 0x01;
inline constexpr int kCfCreate = 0x02 | 0x04 | 0x08;
inline constexpr int kCfOwnerOnly = 0x08;

// The last file-layer status and the last drive state, for callers that read the last
// result again.
extern int CfResult;
extern int CfState;

// Start: the tree-depth counter cleared, the last status 2.
void CF_Init();
// 0 when the drive is usable (mounted now when needed), 2 when absent, 82 while a media
// format job runs and the drive is unmounted.
int CF_GetStatus(int drive);
int CF_Open(CfFile* file, const char* path, int mode);
// A read of 0 bytes gives -1 (end of file).
int CF_Read(CfFile* file, void* buffer, uint32_t size, uint32_t* count);
// count is length on success, 0 on failure.
int CF_Write(CfFile* file, const void* data, uint32_t length, uint32_t* count);
int CF_Close(CfFile* file);
int CF_Size(CfFile* file, uint32_t* size);
int CF_RenameFile(int unused, const CfRename* names);
int CF_DeleteFile(int drive, const char* pattern);
int CF_MakeDir(int drive, const char* path);
int CF_RemoveDir(int drive, const char* path);
int CF_ChangeDir(int drive, const char* path);
// Listing: 0 with the entry filled, 81 at the end; CF_GetDone ends a listing early.
int CF_GetFirst(int drive, CfDirEntry* entry, const char* pattern);
int CF_GetNext(int drive, CfDirEntry* entry);
int CF_GetDone(int drive, CfDirEntry* entry);
// The total is that of the previous refresh (0 before the first); then the figures are
// refreshed and the free space given.
int CF_GetFreeSpace(int drive, uint32_t* total_kib, uint32_t* free_kib);

// Splits a path at its last separator into directory, upper-case name (at most 255
// characters) and upper-case extension (at most 14). The buffers hold 512, 256 and 15.
int CF_PathParse(char* directory, char* name, char* extension, const char* path);
int CF_FileParse(char* name, char* extension, const char* file_name);

// A status of the file layer as a CfStatus (144, an I/O error, checks the drive again).
int CfResultDecode(int fxe_status);
// The media format operation's result as a CfStatus.
int CfStateDecode(int state);

// Formats a drive: 0 not usable, 3 formatted and mounted again, 2 failed.
int Cf_Format(int unused, int drive);

// Non-zero while the logic's media format job runs (its thread's id).
extern volatile unsigned long RmFormatOpsThreadId;
