#pragma once
// The application's resource files (kinds 1 to 4: "n4.rsc", "n4.rst", "n4.rbm", "n4.rfn"
// in the runtime folder) and the property tokens of a resource. Layout (little-endian,
// docs/iec-code-image.md): a 16-byte header {u8 0, u8 version, u8 kind, u8 0, u16 entry
// count, u16 0, u32 data size, u32 CRC-32 of everything after the header}, the directory
// of 12-byte entries {u16 id, u16 type, u32 offset in the data, u32 size}, then the data.
// Every read is bounded by the file's size and every offset and count is checked before
// use. Directories and resources are loaded into a relocatable heap and reached by lock
// and unlock.
#include <cstdint>

#include "iec_runtime/heap.h"

inline constexpr uint32_t kRcHeaderSize = 16, kRcEntrySize = 12;

enum N4RcError : int {
  kRcOk = 0,
  kRcNoFile = 1,       // no such kind, no file, or a read that came short
  kRcBadHeader = 2,    // byte 0 not zero, or another kind than the file's name says
  kRcBadSize = 3,      // the file is not header + directory + data long
  kRcBadCrc = 4,       // the stored CRC differs from the file's
  kRcBadEntry = 5,     // a directory entry reaches past the data
};

// The file name of a kind; "?" for any other.
const char* N4Rc_GetFileName(int kind);
// Reflected CRC-32 with the polynomial 0xA000A001, eight shifts per byte and no final
// inversion; start with 0xFFFFFFFF.
uint32_t N4Rc_Crc32(uint32_t crc, const uint8_t* data, uint32_t length);
// Checks a kind's file whole: header, size, directory and CRC.
int N4Rc_CheckFile(int kind);
// Loads a checked file's header and directory into the heap: the block's handle, or 0.
uint32_t N4Rc_LoadRCDirectory(N4Heap heap, int kind, uint16_t* count);
// Loads resource index of a loaded directory into the heap: the block's handle (0 when
// the index is out of range, the file changed since the directory was loaded, or the
// heap is full); size out.
uint32_t N4Rc_LoadRCByIndex(N4Heap heap, int kind, uint32_t directory, uint16_t index, uint32_t* size);
// The id and type of directory entry index (false beyond the count).
bool N4Rc_GetEntry(N4Heap heap, uint32_t directory, uint16_t index, uint16_t* id, uint16_t* type);
void* N4Rc_Lock(N4Heap heap, uint32_t handle);
void N4Rc_Unlock(N4Heap heap, uint32_t handle);
void N4Rc_Free(N4Heap heap, uint32_t handle);
// 16 moves of compaction.
uint32_t N4Rc_Compact(N4Heap heap);

// A resource is a run of property tokens {u8 property id, u8 value type, value}.
struct N4RcsProperty {
  uint8_t id;
  uint8_t type;
  const uint8_t* value;  // nullptr for type 0
  uint32_t length;       // bytes of the value (a text's without its zero byte)
};
inline constexpr uint8_t kRcsObjectType = 255;
// The value's size for a value type; a text (12) needs its zero byte; -1 for an unknown type.
int32_t N4RCS_ValueSize(uint8_t type);
// Reads the token at *pos and moves past it: 1 read, 0 at the end, -1 when the token is
// unknown or runs past size (the position then stays).
int N4RCS_NextProperty(const uint8_t* data, uint32_t size, uint32_t* pos, N4RcsProperty* out);
// The first property with that id: 1 found, 0 not found, -1 malformed before it.
int N4RCS_FindProperty(const uint8_t* data, uint32_t size, uint8_t id, N4RcsProperty* out);
