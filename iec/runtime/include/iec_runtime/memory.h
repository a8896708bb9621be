#pragma once
// The runtime's memory manager (the code image, the saved database and the change image,
// each a heap block tied to a file) and its file layers. Names handed to the file layers
// stay inside the runtime's folders: a relative name without ".." lands in the runtime
// folder, and the only absolute names taken are the runtime's own files in /mnt/cfg.

#include <cstddef>
#include <cstdint>
#include <cstdio>

// The runtime folder on the unit, for relative names.
inline constexpr const char* kN4Folder = "/mnt/cfg/iec/";

// Host path of a runtime file name, or false when the name is refused.
bool N4_HostPath(const char* name, char* out, std::size_t out_size);

enum : int16_t { kN4BlockCode = 1, kN4BlockDb = 2, kN4BlockChange = 3 };

struct N4MemBlock {
  int16_t kind;
  uint16_t flags;  // bit 0 allocated or loaded, bit 1 linked
  int16_t links;
  int16_t changed;
  uint32_t size;
  uint8_t* linked;
  uint8_t* data;
};

struct N4MMContext {
  const char* prefix;
  N4MemBlock code, db, change;
};

struct N4WritePiece {
  const uint8_t* data;
  uint32_t length;
};

int N4Memory_Alloc(N4MemBlock* block, uint32_t size);
int N4Memory_Free(N4MemBlock* block);
int N4Memory_Link(N4MemBlock* block);
int N4Memory_Unlink(N4MemBlock* block);
int N4Memory_Load(N4MemBlock* block, const char* prefix);
int N4Memory_Save(N4MemBlock* block, const char* prefix);
int N4Memory_StartWrite(N4MemBlock* block, const char* prefix);
int N4Memory_Write(N4MemBlock* block, const char* prefix, const N4WritePiece* piece);
int N4Memory_EndWrite(N4MemBlock* block, const char* prefix);

void N4MM_Open(N4MMContext* mm, const char* prefix);
void N4MM_Close(N4MMContext* mm);
int N4MM_LoadCode(N4MMContext* mm);
int N4MM_LoadVMDB(N4MMContext* mm);
int N4MM_LoadChange(N4MMContext* mm);
uint8_t* N4MM_LinkCode(N4MMContext* mm);
uint8_t* N4MM_LinkVMDB(N4MMContext* mm);
uint8_t* N4MM_LinkChange(N4MMContext* mm);
int N4MM_UnlinkCode(N4MMContext* mm);
int N4MM_UnlinkVMDB(N4MMContext* mm);
int N4MM_UnlinkChange(N4MMContext* mm);
int N4MM_FreeCode(N4MMContext* mm);
int N4MM_FreeVMDB(N4MMContext* mm);
int N4MM_FreeChange(N4MMContext* mm);
int N4MM_AllocRawVMDB(N4MMContext* mm, uint32_t size);
int N4MM_SaveVMDB(N4MMContext* mm);
int N4MM_SaveChange(N4MMContext* mm);
int N4MM_WriteCodeRequest(N4MMContext* mm, int step, const N4WritePiece* piece);
int N4MM_WriteChangeRequest(N4MMContext* mm, int step, const N4WritePiece* piece);
int N4MM_RegisterChange(N4MMContext* mm);

// Buffered file wrappers (1 = ok where the result is a flag).
FILE* N4File_Open(const char* path, int write);
FILE* N4File_OpenAppend(const char* path);
void N4File_Close(FILE* file);
int N4File_Read(FILE* file, void* buffer, uint32_t length);
int N4File_Write(FILE* file, const void* data, uint32_t length);
uint32_t N4File_Fread(FILE* file, uint32_t size, uint32_t count, void* buffer);
uint32_t N4File_Fwrite(FILE* file, uint32_t size, uint32_t count, const void* data);
int N4File_Fseek(FILE* file, int mode, long offset);
int N4File_Fflush(FILE* file);
int N4File_Rename(const char* from, const char* to);
int N4File_Delete(const char* path);
int N4File_Copy(const char* source, const char* target);
uint32_t N4File_GetSize(const char* path);
int N4File_Exist(const char* path);
int N4File_WriteLine(FILE* file, const char* text);
int N4File_ReadLine(FILE* file, char* buffer, uint32_t size);
int N4File_Eof(FILE* file);

// File-transfer helpers of the communication server.
FILE* N4FT_OpenRead(const char* name, uint32_t* size);
FILE* N4FT_OpenWrite(const char* name);
uint16_t N4FT_Read(FILE* file, uint16_t length, void* buffer);
int N4FT_Write(FILE* file, uint16_t length, const void* data);
void N4FT_Close(FILE* file);
int N4FT_Delete(const char* name);
int N4FT_OpenDir();
int N4FT_GetDirEntry();
void N4FT_CloseDir();

// Virtual files of the resource loader; RAM copies only of the runtime's own large files.
FILE* N4Vfs_OpenReadRand(const char* path, uint32_t* size);
FILE* N4Vfs_OpenWriteCreate(const char* path);
FILE* N4Vfs_OpenWriteAppend(const char* path);
void N4Vfs_Close(FILE* f);
int N4Vfs_Eof(FILE* f);
uint32_t N4Vfs_Read(FILE* f, int32_t offset, uint32_t length, void* buffer);  // offset -1: keep the position
int N4Vfs_Write(FILE* f, int32_t offset, uint32_t length, const void* data);
int N4Vfs_GetSize(const char* path, uint32_t* size);
int N4Vfs_Delete(const char* path);
int N4Vfs_Rename(const char* from, const char* to);
int N4Vfs_FileInFlash(const char* path);
int32_t N4Vfs_GetMaxRamFileSize();
void N4Vfs_CleanSRAMBuffers();
uint8_t* N4Vfs_CreateRamFile(const char* path, uint32_t size);
void N4Vfs_ReleaseRamFile(uint8_t* copy);
uint8_t* N4Vfs_LoadToMemory(const char* path, uint32_t* size);
void N4Vfs_ReleaseFromMemory(uint8_t* copy);
int N4MM_WriteSyncRequest(const char* prefix, int step, const N4WritePiece* piece);
int N4MM_SaveChangeA(N4MMContext* mm, const char* name);

// Writes a whole file through a temporary name, fsync and rename: the old file stays
// until the new one is complete. True when the new file is in place.
bool N4_WriteFileAtomic(const char* host_path, const void* const* parts, const uint32_t* sizes, int count);
