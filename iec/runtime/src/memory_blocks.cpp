// The memory manager's three blocks and their files. Downloads are written beside the
// target file and renamed over it at the end, so that an interrupted download never
// leaves a half image where the next start would load it.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "iec_runtime/memory.h"

namespace {

const char* FileOf(int16_t kind) {
  switch (kind) {
    case kN4BlockCode: return "/mnt/cfg/n4.cod";
    case kN4BlockDb: return "n4.hot";
    case kN4BlockChange: return "/mnt/cfg/n4.upd";
    default: return nullptr;
  }
}

// The block's file on the host; the prefix is the runtime's folder prefix (empty in the panel).
bool BlockPath(const N4MemBlock* b, const char* prefix, char* out, std::size_t n) {
  const char* file = FileOf(b->kind);
  if (file == nullptr) return false;
  std::string name = std::string(prefix ? prefix : "") + file;
  if (name.size() > 255) return false;
  return N4_HostPath(name.c_str(), out, n);
}

bool PartPath(const N4MemBlock* b, const char* prefix, char* out, std::size_t n) {
  if (!BlockPath(b, prefix, out, n)) return false;
  std::size_t len = std::strlen(out);
  if (len + 6 > n) return false;
  std::memcpy(out + len, ".part", 6);
  return true;
}

void Clear(N4MemBlock* b) {
  int16_t kind = b->kind;
  std::memset(b, 0, sizeof *b);
  b->kind = kind;
}

}  // namespace

int N4Memory_Alloc(N4MemBlock* b, uint32_t size) {
  if (b->flags != 0 || size == 0) return 1;
  b->data = static_cast<uint8_t*>(std::calloc(size, 1));
  if (b->data == nullptr) return 1;
  b->size = size;
  b->flags = 1;
  b->links = 0;
  b->linked = nullptr;
  return 0;
}

int N4Memory_Free(N4MemBlock* b) {
  if (b->flags != 1) return 1;
  std::free(b->data);
  Clear(b);
  return 0;
}

int N4Memory_Link(N4MemBlock* b) {
  if (!(b->flags & 1)) return 1;
  b->linked = b->data;
  ++b->links;
  b->flags |= 2;
  return 0;
}

int N4Memory_Unlink(N4MemBlock* b) {
  if ((b->flags & 3) != 3) return 1;
  if (--b->links <= 0) {
    b->links = 0;
    b->flags &= uint16_t(~2u);
    b->linked = nullptr;
  }
  return 0;
}

int N4Memory_Load(N4MemBlock* b, const char* prefix) {
  char path[4096];
  struct stat st;
  if (b->flags != 0 || !BlockPath(b, prefix, path, sizeof path) || ::stat(path, &st) != 0 || st.st_size <= 0 ||
      st.st_size > 0x7FFFFFFF)
    return 1;
  FILE* f = std::fopen(path, "rb");
  if (f == nullptr) return 1;
  if (N4Memory_Alloc(b, uint32_t(st.st_size)) != 0) {
    std::fclose(f);
    return 1;
  }
  uint32_t done = 0;
  while (done < b->size) {
    uint32_t piece = b->size - done > 4096 ? 4096 : b->size - done;
    if (std::fread(b->data + done, 1, piece, f) != piece) break;
    done += piece;
  }
  std::fclose(f);
  if (done != b->size) {
    std::free(b->data);
    Clear(b);
    return 1;
  }
  return 0;
}

int N4Memory_Save(N4MemBlock* b, const char* prefix) {
  char path[4096];
  if (!(b->flags & 1) || !BlockPath(b, prefix, path, sizeof path)) return 1;
  const void* parts[] = {b->data};
  const uint32_t sizes[] = {b->size};
  return N4_WriteFileAtomic(path, parts, sizes, 1) ? 0 : 1;
}

int N4Memory_StartWrite(N4MemBlock* b, const char* prefix) {
  char path[4096];
  if (b->flags != 0 || !PartPath(b, prefix, path, sizeof path)) return 1;
  FILE* f = std::fopen(path, "wb");
  if (f == nullptr) return 1;
  return std::fclose(f) == 0 ? 0 : 1;
}

int N4Memory_Write(N4MemBlock* b, const char* prefix, const N4WritePiece* piece) {
  char path[4096];
  if (b->flags != 0 || piece == nullptr || !PartPath(b, prefix, path, sizeof path)) return 1;
  FILE* f = std::fopen(path, "ab");
  if (f == nullptr) return 1;
  bool whole = piece->length == 0 || std::fwrite(piece->data, 1, piece->length, f) == piece->length;
  if (std::fclose(f) != 0) whole = false;
  return whole ? 0 : 1;
}

int N4Memory_EndWrite(N4MemBlock* b, const char* prefix) {
  char part[4096], path[4096];
  struct stat st;
  if (b->flags != 0 || !PartPath(b, prefix, part, sizeof part) || !BlockPath(b, prefix, path, sizeof path)) return 1;
  if (::stat(part, &st) != 0 || st.st_size == 0) {
    ::unlink(part);
    return 1;
  }
  FILE* f = std::fopen(part, "rb+");
  bool ok = f != nullptr && ::fsync(fileno(f)) == 0;
  if (f) std::fclose(f);
  return ok && std::rename(part, path) == 0 ? 0 : 1;
}

void N4MM_Open(N4MMContext* mm, const char* prefix) {
  std::memset(mm, 0, sizeof *mm);
  mm->prefix = prefix;
  mm->code.kind = kN4BlockCode;
  mm->db.kind = kN4BlockDb;
  mm->change.kind = kN4BlockChange;
}

void N4MM_Close(N4MMContext* mm) {
  N4MM_FreeCode(mm);
  N4MM_FreeVMDB(mm);
  N4MM_FreeChange(mm);
}

int N4MM_LoadCode(N4MMContext* mm) { return N4Memory_Load(&mm->code, mm->prefix); }
int N4MM_LoadVMDB(N4MMContext* mm) { return N4Memory_Load(&mm->db, mm->prefix); }
int N4MM_LoadChange(N4MMContext* mm) { return N4Memory_Load(&mm->change, mm->prefix); }
uint8_t* N4MM_LinkCode(N4MMContext* mm) { return N4Memory_Link(&mm->code) == 0 ? mm->code.linked : nullptr; }
uint8_t* N4MM_LinkVMDB(N4MMContext* mm) { return N4Memory_Link(&mm->db) == 0 ? mm->db.linked : nullptr; }
uint8_t* N4MM_LinkChange(N4MMContext* mm) { return N4Memory_Link(&mm->change) == 0 ? mm->change.linked : nullptr; }
int N4MM_UnlinkCode(N4MMContext* mm) { return N4Memory_Unlink(&mm->code); }
int N4MM_UnlinkVMDB(N4MMContext* mm) { return N4Memory_Unlink(&mm->db); }
int N4MM_UnlinkChange(N4MMContext* mm) { return N4Memory_Unlink(&mm->change); }
int N4MM_FreeCode(N4MMContext* mm) { return N4Memory_Free(&mm->code); }
int N4MM_FreeVMDB(N4MMContext* mm) { return N4Memory_Free(&mm->db); }
int N4MM_FreeChange(N4MMContext* mm) { return N4Memory_Free(&mm->change); }
int N4MM_AllocRawVMDB(N4MMContext* mm, uint32_t size) { return N4Memory_Alloc(&mm->db, size); }
int N4MM_SaveVMDB(N4MMContext* mm) { return N4Memory_Save(&mm->db, mm->prefix); }
int N4MM_SaveChange(N4MMContext* mm) {
  if (!mm->code.changed) return 0;
  if (N4Memory_Save(&mm->code, mm->prefix) != 0) return 1;
  mm->code.changed = 0;
  return 0;
}

namespace {
int WriteRequest(N4MemBlock* b, const char* prefix, int step, const N4WritePiece* piece) {
  switch (step) {
    case 2: return N4Memory_StartWrite(b, prefix);
    case 3: return N4Memory_Write(b, prefix, piece);
    case 4: return N4Memory_EndWrite(b, prefix);
    default: return 1;
  }
}
}  // namespace

int N4MM_WriteCodeRequest(N4MMContext* mm, int step, const N4WritePiece* piece) {
  return WriteRequest(&mm->code, mm->prefix, step, piece);
}
int N4MM_WriteChangeRequest(N4MMContext* mm, int step, const N4WritePiece* piece) {
  return WriteRequest(&mm->change, mm->prefix, step, piece);
}

int N4MM_WriteSyncRequest(const char* prefix, int step, const N4WritePiece* piece) {
  N4MemBlock temp{};
  temp.kind = kN4BlockCode;
  return WriteRequest(&temp, prefix, step, piece);
}

int N4MM_SaveChangeA(N4MMContext* mm, const char* name) {
  if (!mm->code.changed && (name == nullptr || *name == '\0')) return 0;
  if (N4Memory_Save(&mm->code, mm->prefix) != 0) return 1;
  mm->code.changed = 0;
  return 0;
}

int N4MM_RegisterChange(N4MMContext* mm) {
  if (!(mm->change.flags & 1) || (mm->code.flags & 2)) return 1;
  if (mm->code.flags & 1) N4Memory_Free(&mm->code);
  mm->code = mm->change;
  mm->code.kind = kN4BlockCode;
  mm->code.changed = 1;
  std::memset(&mm->change, 0, sizeof mm->change);
  mm->change.kind = kN4BlockChange;
  return 0;
}
