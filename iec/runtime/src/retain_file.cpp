// The retain file. The reader takes the block sizes from the running application and
// loads only a file of exactly that length, so a truncated file never half-loads; the
// writer replaces the file atomically, so a power loss during a stop keeps the old one.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <new>

#include "iec_runtime/memory.h"
#include "iec_runtime/retain.h"
#include "le_bytes.h"

int N4Retain_ShutDown(const N4RetainBlocks* r, const char* path) {
  char host[4096];
  if (r == nullptr || path == nullptr || !N4_HostPath(path, host, sizeof host)) return 1;
  uint32_t total = 0;
  for (uint32_t s : r->size) total += s;
  if (total == 0) {
    ::unlink(host);
    return 0;
  }
  uint8_t crc[4];
  le::Put32(crc, r->crc);
  const void* parts[8] = {crc};
  uint32_t sizes[8] = {4};
  int n = 1;
  for (int i = 0; i < 7; ++i)
    if (r->size[i] != 0) {
      parts[n] = r->block[i];
      sizes[n++] = r->size[i];
    }
  return N4_WriteFileAtomic(host, parts, sizes, n) ? 0 : 1;
}

int N4Retain_Load(const N4RetainBlocks* r, const char* path) {
  char host[4096];
  if (r == nullptr || path == nullptr || !N4_HostPath(path, host, sizeof host)) return 1;
  FILE* f = std::fopen(host, "rb");
  if (f == nullptr) return 1;
  uint8_t head[4];
  bool whole = std::fread(head, 1, 4, f) == 4;
  uint32_t file_crc = whole ? le::U32(head) : 0;
  std::printf("dwCrcFile is %d and pRetain->dwCrc is %d\n", int(file_crc), int(r->crc));
  uint64_t expected = 4;
  for (uint32_t s : r->size) expected += s;
  struct stat st;
  bool ok = whole && file_crc == r->crc && ::fstat(fileno(f), &st) == 0 && uint64_t(st.st_size) == expected;
  // Read everything before touching the database: a read error loads nothing.
  uint8_t* staged = nullptr;
  if (ok) {
    staged = new (std::nothrow) uint8_t[expected - 4 + 1];
    ok = staged != nullptr && std::fread(staged, 1, expected - 4, f) == expected - 4;
  }
  std::fclose(f);
  if (ok) {
    const uint8_t* p = staged;
    for (int i = 0; i < 7; ++i) {
      if (r->size[i] != 0) std::memcpy(r->block[i], p, r->size[i]);
      p += r->size[i];
    }
  }
  delete[] staged;
  return ok ? 0 : 1;
}

int N4Retain_CanLoad(uint32_t crc, const char* path) {
  char host[4096];
  if (path == nullptr || !N4_HostPath(path, host, sizeof host)) return 0;
  FILE* f = std::fopen(host, "rb");
  if (f == nullptr) return 0;
  uint8_t head[4];
  bool ok = std::fread(head, 1, 4, f) == 4 && le::U32(head) == crc;
  std::fclose(f);
  return ok ? 1 : 0;
}

int N4Retain_CanStore() { return 1; }
void N4Retain_CycleExchange(const N4RetainBlocks*) {}
