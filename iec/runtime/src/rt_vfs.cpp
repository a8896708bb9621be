// Virtual files of the resource loader: plain streams, and RAM copies of the runtime's
// own large files.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "iec_runtime/memory.h"

namespace {
// The names that may have a RAM copy (their RAM-file ids 1, 2, 3).
const char* const kRamFiles[] = {"/mnt/cfg/n4.hot", "/mnt/cfg/n4.cod", "/mnt/cfg/n4.upd"};

FILE* Open(const char* path, const char* mode) {
  char host[4096];
  return N4_HostPath(path, host, sizeof host) ? std::fopen(host, mode) : nullptr;
}
}  // namespace

uint32_t N4Vfs_GetSizeOf(const char* path) { return N4File_GetSize(path); }

FILE* N4Vfs_OpenReadRand(const char* path, uint32_t* size) {
  if (size) *size = N4File_GetSize(path);
  return Open(path, "rb");
}
FILE* N4Vfs_OpenWriteCreate(const char* path) { return Open(path, "wb"); }
FILE* N4Vfs_OpenWriteAppend(const char* path) { return Open(path, "ab"); }
void N4Vfs_Close(FILE* f) { N4File_Close(f); }
int N4Vfs_Eof(FILE* f) { return N4File_Eof(f); }

uint32_t N4Vfs_Read(FILE* f, int32_t offset, uint32_t length, void* buffer) {
  if (f == nullptr || (offset != -1 && std::fseek(f, offset, SEEK_SET) != 0)) return 0;
  return uint32_t(std::fread(buffer, 1, length, f));
}
int N4Vfs_Write(FILE* f, int32_t offset, uint32_t length, const void* data) {
  if (f == nullptr || (offset != -1 && std::fseek(f, offset, SEEK_SET) != 0)) return 0;
  return std::fwrite(data, 1, length, f) == length ? 1 : 0;
}
int N4Vfs_GetSize(const char* path, uint32_t* size) {
  uint32_t n = N4File_GetSize(path);
  if (size) *size = n;
  return n != 0 ? 1 : 0;
}
int N4Vfs_Delete(const char* path) { return N4File_Delete(path); }
int N4Vfs_Rename(const char* from, const char* to) { return N4File_Rename(from, to); }
int N4Vfs_FileInFlash(const char*) { return 0; }
int32_t N4Vfs_GetMaxRamFileSize() { return -1; }
void N4Vfs_CleanSRAMBuffers() {}

uint8_t* N4Vfs_CreateRamFile(const char* path, uint32_t size) {
  if (path == nullptr || size == 0) return nullptr;
  for (const char* name : kRamFiles)
    if (std::strcmp(path, name) == 0) return static_cast<uint8_t*>(std::calloc(size, 1));
  return nullptr;
}
void N4Vfs_ReleaseRamFile(uint8_t* copy) { std::free(copy); }

uint8_t* N4Vfs_LoadToMemory(const char* path, uint32_t* size) {
  uint32_t n = 0;
  if (size) *size = 0;
  if (!N4Vfs_GetSize(path, &n)) return nullptr;
  uint8_t* copy = N4Vfs_CreateRamFile(path, n);
  FILE* f = copy ? Open(path, "rb") : nullptr;
  if (f == nullptr) {
    std::free(copy);
    return nullptr;
  }
  uint32_t done = 0;
  while (done < n) {
    uint32_t piece = n - done > 512 ? 512 : n - done;
    if (std::fread(copy + done, 1, piece, f) != piece) break;
    done += piece;
  }
  std::fclose(f);
  if (done != n) {
    std::free(copy);
    return nullptr;
  }
  if (size) *size = n;
  return copy;
}
void N4Vfs_ReleaseFromMemory(uint8_t* copy) { std::free(copy); }
