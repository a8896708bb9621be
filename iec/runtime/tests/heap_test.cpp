// The relocatable heap: allocation, locking, compaction around pinned blocks, relocation
// and the malloc form.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "iec_runtime/heap.h"

namespace {

TEST(Heap, SizesAndCapacity) {
  std::vector<uint8_t> buf(64);
  EXPECT_EQ(N4Heap_CreateHeapBuffer(buf.data(), 35, 0), nullptr);
  N4Heap h = N4Heap_CreateHeapBuffer(buf.data(), 36, 0);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(N4Heap_Alloc(h, 1), 0u);  // capacity 0
  h = N4Heap_CreateHeapBuffer(buf.data(), 64, 0);
  EXPECT_EQ(N4Heap_GetFreeSpace(h), 28 - 8);
  uint32_t a = N4Heap_Alloc(h, 5);
  ASSERT_EQ(a, 1u);
  EXPECT_EQ(N4Heap_Used(h), 8u);
  EXPECT_EQ(N4Heap_Alloc(h, 0), 0u);
  EXPECT_EQ(N4Heap_Alloc(h, 8), 0u);  // 8 + 8 (slot) + 8 + 8 > 28
  EXPECT_EQ(std::memcmp(buf.data(), "N4SH", 4), 0);
}

TEST(Heap, LockingIsExclusiveAndFreedBlocksAreNotLocked) {
  std::vector<uint8_t> buf(256);
  N4Heap h = N4Heap_CreateHeapBuffer(buf.data(), 256, 0);
  uint32_t a = N4Heap_Alloc(h, 12);
  auto* p = static_cast<uint8_t*>(N4Heap_Lock(h, a));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p, buf.data() + 12);
  EXPECT_EQ(N4Heap_Lock(h, a), nullptr);  // locked twice
  N4Heap_Unlock(h, a);
  EXPECT_NE(N4Heap_Lock(h, a), nullptr);
  EXPECT_EQ(N4Heap_Lock(h, 0), nullptr);
  EXPECT_EQ(N4Heap_Lock(h, 9), nullptr);
  N4Heap_Free(h, a);
  EXPECT_EQ(N4Heap_Lock(h, a), nullptr);
  EXPECT_EQ(N4Heap_NbAlloc(h), 0u);
}

TEST(Heap, CompactionMovesAroundAPinnedBlockOnlyWhenUnlocked) {
  std::vector<uint8_t> buf(512);
  N4Heap h = N4Heap_CreateHeapBuffer(buf.data(), 512, 0);
  uint32_t a = N4Heap_Alloc(h, 16), b = N4Heap_Alloc(h, 8), c = N4Heap_Alloc(h, 4);
  std::memcpy(N4Heap_Lock(h, b), "pinned!", 8);
  N4Heap_Free(h, a);
  EXPECT_EQ(N4Heap_Compact(h, 32), 0u);  // B pins the hole
  N4Heap_Unlock(h, b);
  EXPECT_EQ(N4Heap_Compact(h, 1), 1u);  // B moves down in one move
  auto* pb = static_cast<char*>(N4Heap_Lock(h, b));
  EXPECT_EQ(pb, reinterpret_cast<char*>(buf.data() + 12));
  EXPECT_STREQ(pb, "pinned!");
  N4Heap_Unlock(h, b);
  N4Heap_Compact(h, 32);  // the hole travels past C and leaves at the top
  EXPECT_EQ(N4Heap_Used(h), 12u);
  EXPECT_EQ(N4Heap_NbAlloc(h), 2u);
  // Freeing the last block and compacting once lowers the top and trims its slot.
  N4Heap_Free(h, c);
  EXPECT_EQ(N4Heap_Compact(h, 0), 1u);
  EXPECT_EQ(N4Heap_Used(h), 8u);
  EXPECT_EQ(N4Heap_SlotCount(h), 2u);
}

TEST(Heap, RelocationFollowsTheBufferAndChecksItsLength) {
  std::vector<uint8_t> one(128), two(128);
  N4Heap h = N4Heap_CreateHeapBuffer(one.data(), 128, 0);
  uint32_t a = N4Heap_Alloc(h, 4);
  std::memcpy(N4Heap_Lock(h, a), "abc", 4);
  N4Heap_Unlock(h, a);
  two = one;
  EXPECT_EQ(N4Heap_RelocateHeapBuffer(two.data(), 124), nullptr);
  N4Heap moved = N4Heap_RelocateHeapBuffer(two.data(), 128);
  ASSERT_NE(moved, nullptr);
  EXPECT_EQ(N4Heap_Lock(moved, a), two.data() + 12);
  EXPECT_STREQ(static_cast<char*>(N4Heap_Lock(h, a)), "abc");
  two[0] = 'X';
  EXPECT_EQ(N4Heap_RelocateHeapBuffer(two.data(), 128), nullptr);
}

TEST(Heap, MallocHeapChainsTables) {
  N4Heap h = N4Heap_CreateHeapMalloc(2);  // tables of at least 3
  std::vector<uint32_t> handles;
  for (int i = 0; i < 7; ++i) handles.push_back(N4Heap_Alloc(h, 10));
  EXPECT_EQ(handles.back(), 7u);
  EXPECT_EQ(N4Heap_NbAlloc(h), 7u);
  EXPECT_EQ(N4Heap_GetFreeSpace(h), -1);
  N4Heap_Free(h, 2);
  EXPECT_EQ(N4Heap_Lock(h, 2), nullptr);
  EXPECT_EQ(N4Heap_Alloc(h, 3), 2u);  // the first empty entry
  EXPECT_NE(N4Heap_Lock(h, 6), nullptr);
  EXPECT_EQ(N4Heap_Compact(h, 5), 0u);
  N4Heap_DeleteHeap(h);
}

}  // namespace
