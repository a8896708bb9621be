#pragma once
// The relocatable heap: blocks reached through handles (slot numbers from 1), locked for
// their address while in use, and compacted a few moves at a time. A buffer heap lives
// inside one caller-given buffer (a region of the VM database) and keeps offsets from the
// buffer's start, so that moving the buffer only needs a relocation; a malloc heap hands
// every block to the C allocator.
#include <cstdint>

using N4Heap = void*;  // the heap's control record

inline constexpr uint32_t kHeapMinBuffer = 36;

N4Heap N4Heap_CreateHeapBuffer(void* buffer, uint32_t length, uint32_t flags);
N4Heap N4Heap_CreateHeapMalloc(uint32_t table_size);
uint32_t N4Heap_Alloc(N4Heap heap, uint32_t size);
void* N4Heap_Lock(N4Heap heap, uint32_t handle);
void N4Heap_Unlock(N4Heap heap, uint32_t handle);
void N4Heap_Free(N4Heap heap, uint32_t handle);
uint32_t N4Heap_NbAlloc(N4Heap heap);
int32_t N4Heap_GetFreeSpace(N4Heap heap);
uint32_t N4Heap_Compact(N4Heap heap, uint32_t moves);
void N4Heap_FreeAll(N4Heap heap);
void N4Heap_DeleteHeap(N4Heap heap);
N4Heap N4Heap_RelocateHeapBuffer(void* buffer, uint32_t length);
// The top of the used data area and the slot count of a buffer heap (for tests and the
// system information).
uint32_t N4Heap_Used(N4Heap heap);
uint32_t N4Heap_SlotCount(N4Heap heap);
