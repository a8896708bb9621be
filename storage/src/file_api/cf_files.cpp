// Files of the file API: drive status, open, read, write, close, rename, delete, free
// space and the buffered writer of the CSV files.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "cf_internal.h"
#include "fxe.h"

volatile unsigned long RmFormatOpsThreadId = 0;

namespace {

constexpr uint32_t kWriteBufferBytes = 512;
uint8_t g_write_buffer[kWriteBufferBytes];
uint32_t g_write_fill = 0;

bool FormatHoldsDrive(int drive) {
  return drive >= 0 && drive < kCfDrives && !MntDrive[drive].mounted && RmFormatOpsThreadId != 0;
}

}  // namespace

void CF_Init() {
  CfDirsReset();
  CfResult = kCfDriveAbsent;
}

int CF_GetStatus(int drive) {
  if (FormatHoldsDrive(drive)) return CfState = kCfDriveBusy;
  return CfState = MountDrive(drive, nullptr) ? kCfOk : kCfDriveAbsent;
}

int CF_Open(CfFile* file, const char* path, int mode) {
  char full[kCfPathBytes];
  CfMedia* media = CfDriveChk(0, path, full);
  char directory[kCfPathBytes];
  char name[256];
  char extension[15];
  if (CF_PathParse(directory, name, extension, full + CfLetterLength(full)) != kCfOk || name[0] == '\0' ||
      std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) {
    return CfDecode(12);
  }
  if (mode & kCfCreate) {
    CfUpper(full);
    _fxe_file_delete(media, full);
    const int created = _fxe_file_create(media, full);
    if (created != kFxeOk) return CfDecode(created);
    // Only an owner-only file keeps the creation's owner-only permission.
    if ((mode & kCfOwnerOnly) == 0) _fxe_file_attributes_set(media, full, 0);
  }
  const int opened = _fxe_file_open(media, file, full, mode == 0 ? 0 : 1);
  if (opened != kFxeOk) return CfDecode(opened);
  return CfDecode(_fxe_file_relative_seek(file, 0, (mode & kCfAppend) ? 1 : 0));
}

int CF_Read(CfFile* file, void* buffer, uint32_t size, uint32_t* count) {
  return CfDecode(_fxe_file_read(file, buffer, size, count));
}

int CF_Write(CfFile* file, const void* data, uint32_t length, uint32_t* count) {
  const int status = _fxe_file_write(file, data, length);
  *count = status == kFxeOk ? length : 0;
  return CfDecode(status);
}

int CF_Close(CfFile* file) { return CfDecode(_fxe_file_close(file)); }

int CF_Size(CfFile* file, uint32_t* size) {
  *size = file->size_at_open;
  return kCfOk;
}

int CF_RenameFile(int, const CfRename* names) {
  char from[kCfPathBytes];
  char to[kCfPathBytes];
  CfMedia* media = CfDriveChk(0, names->old_path, from);
  if (CfDriveChk(0, names->new_path, to) != media) return CfDecode(12);
  return CfDecode(_fxe_file_rename(media, from, to));
}

int CF_DeleteFile(int drive, const char* pattern) {
  char full[kCfPathBytes];
  CfMedia* media = CfDriveChk(drive, pattern, full);
  char directory[kCfPathBytes];
  char name[256];
  char extension[15];
  if (CF_PathParse(directory, name, extension, full + CfLetterLength(full)) != kCfOk) return CfDecode(12);
  CfDirEntry entry;
  int status = CF_GetFirst(media->drive, &entry, full);
  if (status == kCfExists) return CfDecode(kFxeNotFound);
  int deleted = 0;
  bool refused = false;
  int failure = kCfOk;
  for (; status == kCfOk; status = CF_GetNext(media->drive, &entry)) {
    if (entry.attributes & (kCfAttrDirectory | kCfAttrVolume)) continue;
    if (entry.attributes & kCfAttrSystem) {
      refused = true;
      continue;
    }
    // A name alone is taken in the current directory.
    std::string path(full, 2);
    if (directory[0] != '\0') path += std::string(directory) + "\\";
    path += entry.name;
    const int removed = _fxe_file_delete(media, path.c_str());
    if (removed == kFxeOk) {
      ++deleted;
    } else if (failure == kCfOk) {
      failure = CfDecode(removed);
    }
  }
  CF_GetDone(media->drive, &entry);
  if (status != kCfExists) return status;
  if (failure != kCfOk) return failure;
  if (deleted == 0) return CfDecode(refused ? kFxeFailed : kFxeNotFound);
  return CfDecode(kFxeOk);
}

int CF_GetFreeSpace(int drive, uint32_t* total_kib, uint32_t* free_kib) {
  *total_kib = 0;
  *free_kib = 0;
  if (FormatHoldsDrive(drive)) return kCfDriveBusy;
  CfMedia* media = CfMediaOf(drive);
  if (media == nullptr) return CfDecode(kFxeNoDrive);
  *total_kib = media->total_blocks * media->block_kib;
  return CfDecode(_fxe_media_space_available(media, free_kib));
}

int CfWriteBuffered(CfFile* file, const void* data, uint32_t length) {
  auto flush = [&] {
    if (g_write_fill == 0) return true;
    const int status = _fxe_file_write(file, g_write_buffer, g_write_fill);
    g_write_fill = 0;
    CfResult = status;
    return status == kFxeOk;
  };
  if (length == 0) return flush() ? 0 : -1;
  const auto* p = static_cast<const uint8_t*>(data);
  for (uint32_t taken = 0; taken < length;) {
    const uint32_t n = std::min(length - taken, kWriteBufferBytes - g_write_fill);
    std::memcpy(g_write_buffer + g_write_fill, p + taken, n);
    g_write_fill += n;
    taken += n;
    if (g_write_fill == kWriteBufferBytes && !flush()) return -1;
  }
  return int(length);
}

void CfWriteBufferReset() { g_write_fill = 0; }
