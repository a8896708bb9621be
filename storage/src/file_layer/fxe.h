#pragma once
// The file layer: POSIX files under the drives' mount points, with the status numbers of
// an embedded FAT library (the file API maps them to its own codes). Every path is a
// panel path, mapped as the file API describes; one that cannot be mapped gives 17.
// Main thread only (and the logic's media threads for format, copy and delete).

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

#include "cf_media.h"
#include "storage/cf.h"

enum FxeStatus : int {
  kFxeOk = 0,
  kFxeNotFound = 4,
  kFxeNotFile = 5,        // a directory
  kFxeFailed = 6,         // access, I/O, anything else
  kFxeNotOpen = 7,
  kFxeEndOfFile = 9,
  kFxeExists = 11,
  kFxeBadPath = 13,       // also the missing source of a rename
  kFxeNotDirectory = 14,
  kFxeNoMoreEntries = 15,
  kFxeNotEmpty = 16,      // directory not empty, or the target exists
  kFxeNoDrive = 17,       // path not mappable, or drive not mountable
  kFxeBadAttribute = 25,
  kFxeWriteProtected = 35,
  kFxeTooManyOpen = 144,
};

// The attribute bits of a file mode: directory, read-only (owner cannot write), system
// (group cannot execute).
uint8_t FxeAttributes(unsigned mode);

// Attributes, size and modification time of an entry.
struct FxeEntryInfo {
  uint8_t attributes;
  uint32_t size;
  int year, month, day, hour, minute, second;
};

// ---- Drives (fxe_drives.cpp) ----
struct MntEntry {
  char device[16];
  char mount_point[16];
  uint8_t mounted;
};
extern MntEntry MntDrive[kCfDrives];
// Busy flag around statvfs and the media-space file; one per process.
extern volatile uint8_t FileMutex;

// 1 with the mount point when the drive is usable (mounted now when needed), else 0.
int MountDrive(int drive, const char** mount_point);
void UnmountDrive(const char* mount_point);
// Maps a panel path to a host path (out holds PATH_MAX). kFxeOk, or kFxeNoDrive.
int FxeMapPath(const CfMedia* media, const char* path, char* out, int* drive = nullptr);
// The panel's clock as a time for file stamps.
void FxeClockNow(struct timespec* now);
void FxeDrivesReset();

// ---- Files (fxe_files.cpp) ----
int _fxe_file_open(CfMedia* media, CfFile* file, const char* path, int kind);
int _fxe_file_create(CfMedia* media, const char* path);
int _fxe_file_close(CfFile* file);
int _fxe_file_read(CfFile* file, void* buffer, uint32_t size, uint32_t* count);
int _fxe_file_write(CfFile* file, const void* data, uint32_t length);
int _fxe_file_seek(CfFile* file, off_t offset);
int _fxe_file_relative_seek(CfFile* file, off_t offset, int from);
int _fxe_file_delete(CfMedia* media, const char* path);
int _fxe_file_rename(CfMedia* media, const char* old_path, const char* new_path);
int _fxe_directory_rename(CfMedia* media, const char* old_path, const char* new_path);
int _fxe_file_attributes_read(CfMedia* media, const char* path, uint8_t* attributes);
int _fxe_directory_attributes_read(CfMedia* media, const char* path, uint8_t* attributes);
int _fxe_file_attributes_set(CfMedia* media, const char* path, uint8_t attributes);
int _fxe_directory_attributes_set(CfMedia* media, const char* path, uint8_t attributes);
int _fxe_media_flush();

// ---- Directories (fxe_dirs.cpp) ----
int _fxe_directory_create(CfMedia* media, const char* path);
int _fxe_directory_delete(CfMedia* media, const char* path);
int _fxe_directory_name_test(CfMedia* media, const char* path);
// name holds kCfPathBytes.
int _fxe_directory_first_full_entry_find(CfMedia* media, char* name, FxeEntryInfo* info);
int _fxe_directory_next_full_entry_find(CfMedia* media, char* name, FxeEntryInfo* info);
int _fxe_directory_information_get(CfMedia* media, const char* name, FxeEntryInfo* info);
int _fxe_directory_local_path_set(CfMedia* media, const char* path);
int _fxe_directory_local_path_restore(CfMedia* media);
int _fxe_directory_local_path_get(CfMedia* media, char* out);

// ---- Media space (media_space.cpp) ----
inline constexpr const char* kMediaSpaceFile = "/dev/shm/read.dat";
int _fxe_media_space_available(CfMedia* media, uint32_t* free_kib);
// One round of the media-space child: the figures of A and B written into the file.
void MediaSpaceWriteOnce();
