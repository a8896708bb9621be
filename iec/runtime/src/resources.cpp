// The resource loader: files are read through the virtual-file layer with every length
// taken from the file's own size, never from its content alone.
#include "iec_runtime/resources.h"

#include <cstring>

#include "iec_runtime/memory.h"
#include "le_bytes.h"

namespace {

struct Header {
  uint8_t kind;
  uint16_t count;
  uint32_t data_size, crc;
};

// An open resource file and its header, checked against the file's size.
class File {
 public:
  explicit File(int kind) {
    const char* name = N4Rc_GetFileName(kind);
    if (name[0] == '?') return;
    f_ = N4Vfs_OpenReadRand(name, &size_);
    if (f_ == nullptr) return;
    uint8_t h[kRcHeaderSize];
    if (size_ < kRcHeaderSize || size_ > 0x7FFFFFFF || !Read(0, h, sizeof h)) return;
    header_ = {h[2], le::U16(h + 4), le::U32(h + 8), le::U32(h + 12)};
    if (h[0] != 0 || h[2] != kind) {
      error_ = kRcBadHeader;
      return;
    }
    if (uint64_t(kRcHeaderSize) + uint64_t(kRcEntrySize) * header_.count + header_.data_size != size_) {
      error_ = kRcBadSize;
      return;
    }
    error_ = kRcOk;
  }
  ~File() { N4Vfs_Close(f_); }
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  int error() const { return error_; }
  const Header& header() const { return header_; }
  uint32_t data_start() const { return kRcHeaderSize + kRcEntrySize * header_.count; }
  bool Read(uint32_t at, void* out, uint32_t n) {
    return uint64_t(at) + n <= size_ && N4Vfs_Read(f_, int32_t(at), n, out) == n;
  }

 private:
  FILE* f_ = nullptr;
  uint32_t size_ = 0;
  Header header_{};
  int error_ = kRcNoFile;
};

bool EntryFits(const uint8_t* e, uint32_t data_size) {
  return uint64_t(le::U32(e + 4)) + le::U32(e + 8) <= data_size;
}

}  // namespace

const char* N4Rc_GetFileName(int kind) {
  static const char* const kNames[] = {"n4.rsc", "n4.rst", "n4.rbm", "n4.rfn"};
  return kind >= 1 && kind <= 4 ? kNames[kind - 1] : "?";
}

uint32_t N4Rc_Crc32(uint32_t crc, const uint8_t* data, uint32_t length) {
  for (uint32_t i = 0; i < length; ++i) {
    crc ^= data[i];
    for (int b = 0; b < 8; ++b) crc = (crc & 1) ? (crc >> 1) ^ 0xA000A001u : crc >> 1;
  }
  return crc;
}

namespace {
int Check(File& f) {
  if (f.error() != kRcOk) return f.error();
  const Header& h = f.header();
  uint32_t crc = 0xFFFFFFFF, at = kRcHeaderSize, end = f.data_start() + h.data_size;
  uint8_t buf[512];
  while (at < end) {
    uint32_t n = end - at < sizeof buf ? end - at : uint32_t(sizeof buf);
    if (!f.Read(at, buf, n)) return kRcNoFile;
    crc = N4Rc_Crc32(crc, buf, n);
    at += n;
  }
  if (crc != h.crc) return kRcBadCrc;
  for (uint32_t i = 0; i < h.count; ++i) {
    uint8_t e[kRcEntrySize];
    if (!f.Read(kRcHeaderSize + kRcEntrySize * i, e, sizeof e)) return kRcNoFile;
    if (!EntryFits(e, h.data_size)) return kRcBadEntry;
  }
  return kRcOk;
}
}  // namespace

int N4Rc_CheckFile(int kind) {
  File f(kind);
  return Check(f);
}

uint32_t N4Rc_LoadRCDirectory(N4Heap heap, int kind, uint16_t* count) {
  if (count) *count = 0;
  File f(kind);
  if (Check(f) != kRcOk) return 0;
  // The block keeps the file's header, so that a later load sees whether the file changed.
  uint32_t bytes = f.data_start();
  uint32_t handle = N4Heap_Alloc(heap, bytes);
  auto* block = static_cast<uint8_t*>(N4Heap_Lock(heap, handle));
  if (block == nullptr) {
    N4Heap_Free(heap, handle);
    return 0;
  }
  bool ok = f.Read(0, block, bytes);
  N4Heap_Unlock(heap, handle);
  if (!ok) {
    N4Heap_Free(heap, handle);
    return 0;
  }
  if (count) *count = f.header().count;
  return handle;
}

bool N4Rc_GetEntry(N4Heap heap, uint32_t directory, uint16_t index, uint16_t* id, uint16_t* type) {
  auto* block = static_cast<const uint8_t*>(N4Heap_Lock(heap, directory));
  if (block == nullptr) return false;
  bool ok = index < le::U16(block + 4);
  if (ok) {
    const uint8_t* e = block + kRcHeaderSize + kRcEntrySize * index;
    if (id) *id = le::U16(e);
    if (type) *type = le::U16(e + 2);
  }
  N4Heap_Unlock(heap, directory);
  return ok;
}

uint32_t N4Rc_LoadRCByIndex(N4Heap heap, int kind, uint32_t directory, uint16_t index, uint32_t* size) {
  if (size) *size = 0;
  auto* block = static_cast<const uint8_t*>(N4Heap_Lock(heap, directory));
  if (block == nullptr) return 0;
  uint8_t head[kRcHeaderSize], entry[kRcEntrySize];
  bool in_range = index < le::U16(block + 4);
  std::memcpy(head, block, sizeof head);
  if (in_range) std::memcpy(entry, block + kRcHeaderSize + kRcEntrySize * index, sizeof entry);
  N4Heap_Unlock(heap, directory);
  if (!in_range) return 0;
  File f(kind);
  const Header& h = f.header();
  if (f.error() != kRcOk || h.count != le::U16(head + 4) || h.data_size != le::U32(head + 8) ||
      h.crc != le::U32(head + 12) || !EntryFits(entry, h.data_size))
    return 0;
  uint32_t n = le::U32(entry + 8);
  if (n == 0) return 0;
  uint32_t handle = N4Heap_Alloc(heap, n);
  void* data = N4Heap_Lock(heap, handle);
  bool ok = data != nullptr && f.Read(f.data_start() + le::U32(entry + 4), data, n);
  if (data != nullptr) N4Heap_Unlock(heap, handle);
  if (!ok) {
    N4Heap_Free(heap, handle);
    return 0;
  }
  if (size) *size = n;
  return handle;
}

void* N4Rc_Lock(N4Heap heap, uint32_t handle) { return N4Heap_Lock(heap, handle); }
void N4Rc_Unlock(N4Heap heap, uint32_t handle) { N4Heap_Unlock(heap, handle); }
void N4Rc_Free(N4Heap heap, uint32_t handle) { N4Heap_Free(heap, handle); }
uint32_t N4Rc_Compact(N4Heap heap) { return N4Heap_Compact(heap, 16); }

int32_t N4RCS_ValueSize(uint8_t type) {
  switch (type) {
    case 0: return 0;
    case 1: case 5: return 1;
    case 2: case 6: case 13: return 2;
    case 3: case 7: case 9: return 4;
    case 4: case 8: case 10: return 8;
    case 11: return 4;   // two 16-bit numbers
    case 14: return 3;   // variable: type, 16-bit index
    case 15: case 16: return 5;  // array: type, 16-bit index, 16-bit size
    case 17: return 7;   // CT item: type, 16-bit size, 32-bit offset
    case 12: return 1;   // a text: at least its zero byte
    default: return -1;
  }
}

int N4RCS_NextProperty(const uint8_t* data, uint32_t size, uint32_t* pos, N4RcsProperty* out) {
  uint32_t at = *pos;
  if (at >= size) return 0;
  if (size - at < 2) return -1;
  uint8_t id = data[at], type = data[at + 1];
  int32_t n = N4RCS_ValueSize(type);
  uint32_t rest = size - at - 2;
  if (n < 0 || uint32_t(n) > rest) return -1;
  const uint8_t* v = data + at + 2;
  uint32_t length = uint32_t(n), skip = uint32_t(n);
  if (type == 12) {
    const void* nul = std::memchr(v, 0, rest);
    if (nul == nullptr) return -1;
    length = uint32_t(static_cast<const uint8_t*>(nul) - v);
    skip = length + 1;
  }
  *out = {id, type, type == 0 ? nullptr : v, length};
  *pos = at + 2 + skip;
  return 1;
}

int N4RCS_FindProperty(const uint8_t* data, uint32_t size, uint8_t id, N4RcsProperty* out) {
  uint32_t pos = 0;
  N4RcsProperty p;
  int r;
  while ((r = N4RCS_NextProperty(data, size, &pos, &p)) == 1) {
    if (p.id == id) {
      *out = p;
      return 1;
    }
  }
  return r;
}
