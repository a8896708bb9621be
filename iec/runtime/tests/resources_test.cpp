// Resource files: good files load into the heap entry by entry; damaged files (wrong
// header, sizes, CRC, entries past the data) are refused without reading past the file;
// property tokens are walked within their resource.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "iec_runtime/heap.h"
#include "iec_runtime/resources.h"
#include "testsupport/temp_root.h"

namespace {

struct Resource {
  uint16_t id, type;
  std::vector<uint8_t> bytes;
};

void Put16(std::vector<uint8_t>& b, std::size_t at, uint16_t v) { std::memcpy(b.data() + at, &v, 2); }
void Put32(std::vector<uint8_t>& b, std::size_t at, uint32_t v) { std::memcpy(b.data() + at, &v, 4); }

// A resource file written from its documented layout.
std::vector<uint8_t> ResourceFile(uint8_t kind, const std::vector<Resource>& rs) {
  std::vector<uint8_t> data;
  std::vector<uint8_t> f(16 + 12 * rs.size(), 0);
  f[1] = 1;
  f[2] = kind;
  Put16(f, 4, uint16_t(rs.size()));
  for (std::size_t i = 0; i < rs.size(); ++i) {
    Put16(f, 16 + 12 * i, rs[i].id);
    Put16(f, 16 + 12 * i + 2, rs[i].type);
    Put32(f, 16 + 12 * i + 4, uint32_t(data.size()));
    Put32(f, 16 + 12 * i + 8, uint32_t(rs[i].bytes.size()));
    data.insert(data.end(), rs[i].bytes.begin(), rs[i].bytes.end());
  }
  f.insert(f.end(), data.begin(), data.end());
  Put32(f, 8, uint32_t(data.size()));
  Put32(f, 12, N4Rc_Crc32(0xFFFFFFFF, f.data() + 16, uint32_t(f.size() - 16)));
  return f;
}

void Reseal(std::vector<uint8_t>& f) {
  if (f.size() >= 16) Put32(f, 12, N4Rc_Crc32(0xFFFFFFFF, f.data() + 16, uint32_t(f.size() - 16)));
}

class Resources : public ::testing::Test {
 protected:
  void SetUp() override { heap_ = N4Heap_CreateHeapBuffer(buffer_, sizeof buffer_, 0); }
  static std::string Path(int kind) { return std::string("/mnt/cfg/iec/") + N4Rc_GetFileName(kind); }
  std::vector<Resource> Sample() const {
    return {{7, 1, {1, 2, 3, 4, 5}}, {9, 2, {}}, {12, 3, std::vector<uint8_t>(300, 0xAB)}};
  }
  ts::TempRoot root_;
  alignas(8) uint8_t buffer_[4096];
  N4Heap heap_ = nullptr;
};

TEST_F(Resources, TheChecksumIsTheReflectedCrcOfItsOwnPolynomial) {
  const char* text = "123456789";
  EXPECT_EQ(N4Rc_Crc32(0xFFFFFFFF, reinterpret_cast<const uint8_t*>(text), 9), 0x4844DAEDu);
  EXPECT_STREQ(N4Rc_GetFileName(1), "n4.rsc");
  EXPECT_STREQ(N4Rc_GetFileName(4), "n4.rfn");
  EXPECT_STREQ(N4Rc_GetFileName(5), "?");
}

TEST_F(Resources, AGoodFileLoadsItsDirectoryAndEachResource) {
  root_.Write(Path(2), ResourceFile(2, Sample()));
  EXPECT_EQ(N4Rc_CheckFile(2), kRcOk);
  uint16_t count = 0;
  uint32_t dir = N4Rc_LoadRCDirectory(heap_, 2, &count);
  ASSERT_NE(dir, 0u);
  EXPECT_EQ(count, 3);
  uint16_t id = 0, type = 0;
  ASSERT_TRUE(N4Rc_GetEntry(heap_, dir, 2, &id, &type));
  EXPECT_EQ(id, 12);
  EXPECT_EQ(type, 3);
  EXPECT_FALSE(N4Rc_GetEntry(heap_, dir, 3, &id, &type));

  uint32_t size = 0;
  uint32_t first = N4Rc_LoadRCByIndex(heap_, 2, dir, 0, &size);
  ASSERT_NE(first, 0u);
  EXPECT_EQ(size, 5u);
  uint32_t third = N4Rc_LoadRCByIndex(heap_, 2, dir, 2, &size);
  ASSERT_NE(third, 0u);
  EXPECT_EQ(size, 300u);
  auto* p = static_cast<uint8_t*>(N4Rc_Lock(heap_, first));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(std::vector<uint8_t>(p, p + 5), (std::vector<uint8_t>{1, 2, 3, 4, 5}));
  N4Rc_Unlock(heap_, first);
  EXPECT_EQ(N4Rc_LoadRCByIndex(heap_, 2, dir, 1, &size), 0u);  // an empty resource has no block
  EXPECT_EQ(N4Rc_LoadRCByIndex(heap_, 2, dir, 3, &size), 0u);  // past the directory

  // Freed blocks go by compaction; the last resource moves down and keeps its bytes.
  N4Rc_Free(heap_, first);
  EXPECT_GE(N4Rc_Compact(heap_), 1u);
  p = static_cast<uint8_t*>(N4Rc_Lock(heap_, third));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p[0], 0xAB);
  EXPECT_EQ(p[299], 0xAB);
  N4Rc_Unlock(heap_, third);

  // The file replaced after the directory was loaded: its resources are not taken by
  // the old directory.
  std::vector<Resource> other = Sample();
  other[0].bytes.push_back(6);
  root_.Write(Path(2), ResourceFile(2, other));
  EXPECT_EQ(N4Rc_LoadRCByIndex(heap_, 2, dir, 0, &size), 0u);
}

TEST_F(Resources, DamagedFilesAreRefused) {
  struct Case {
    const char* what;
    void (*damage)(std::vector<uint8_t>&);
    int error;
  };
  const Case cases[] = {
      {"first byte not zero", [](std::vector<uint8_t>& f) { f[0] = 1; }, kRcBadHeader},
      {"another kind", [](std::vector<uint8_t>& f) { f[2] = 3; }, kRcBadHeader},
      {"header cut", [](std::vector<uint8_t>& f) { f.erase(f.begin() + 10, f.end()); }, kRcNoFile},
      {"file cut in the data", [](std::vector<uint8_t>& f) { f.pop_back(); }, kRcBadSize},
      {"bytes after the data", [](std::vector<uint8_t>& f) { f.push_back(0); }, kRcBadSize},
      {"count beyond the file", [](std::vector<uint8_t>& f) { Put16(f, 4, 0xFFFF); }, kRcBadSize},
      {"data size that wraps", [](std::vector<uint8_t>& f) { Put32(f, 8, 0xFFFFFFF0u); }, kRcBadSize},
      {"one bit of data flipped", [](std::vector<uint8_t>& f) { f.back() ^= 0x10; }, kRcBadCrc},
      {"entry past the data",
       [](std::vector<uint8_t>& f) {
         Put32(f, 16 + 4, 2);
         Put32(f, 16 + 8, 0xFFFFFFFFu);
         Reseal(f);
       },
       kRcBadEntry},
      {"entry offset past the data",
       [](std::vector<uint8_t>& f) {
         Put32(f, 16 + 12 + 4, 306);
         Put32(f, 16 + 12 + 8, 0);
         Reseal(f);
       },
       kRcBadEntry},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> f = ResourceFile(1, Sample());
    c.damage(f);
    root_.Write(Path(1), f);
    EXPECT_EQ(N4Rc_CheckFile(1), c.error) << c.what;
    uint16_t count = 1;
    EXPECT_EQ(N4Rc_LoadRCDirectory(heap_, 1, &count), 0u) << c.what;
    EXPECT_EQ(count, 0) << c.what;
    EXPECT_EQ(N4Heap_NbAlloc(heap_), 0u) << c.what;  // nothing left behind in the heap
  }
  EXPECT_EQ(N4Rc_CheckFile(3), kRcNoFile);  // no file
  EXPECT_EQ(N4Rc_CheckFile(0), kRcNoFile);  // no such kind
}

TEST_F(Resources, AHeapTooSmallRefusesTheDirectory) {
  root_.Write(Path(1), ResourceFile(1, Sample()));
  uint8_t small[80];
  N4Heap h = N4Heap_CreateHeapBuffer(small, sizeof small, 0);
  uint16_t count = 0;
  EXPECT_EQ(N4Rc_LoadRCDirectory(h, 1, &count), 0u);
  EXPECT_EQ(N4Heap_NbAlloc(h), 0u);
}

TEST_F(Resources, PropertyTokensAreWalkedWithinTheirResource) {
  const std::vector<uint8_t> r = {
      255, 2, 0x34, 0x12,           // object type
      1,   1, 7,                    // one byte
      2,   9, 0, 0, 0x80, 0x3F,     // REAL 1.0
      3,   12, 'a', 'b', 0,         // text
      4,   17, 5, 8, 0, 1, 2, 3, 4, // CT item
      5,   0,                       // no value
      6,   11, 1, 0, 2, 0,          // pair
  };
  N4RcsProperty p;
  ASSERT_EQ(N4RCS_FindProperty(r.data(), uint32_t(r.size()), kRcsObjectType, &p), 1);
  EXPECT_EQ(p.length, 2u);
  EXPECT_EQ(p.value[0] | p.value[1] << 8, 0x1234);
  ASSERT_EQ(N4RCS_FindProperty(r.data(), uint32_t(r.size()), 3, &p), 1);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(p.value), p.length), "ab");
  ASSERT_EQ(N4RCS_FindProperty(r.data(), uint32_t(r.size()), 4, &p), 1);
  EXPECT_EQ(p.length, 7u);
  ASSERT_EQ(N4RCS_FindProperty(r.data(), uint32_t(r.size()), 5, &p), 1);
  EXPECT_EQ(p.value, nullptr);
  ASSERT_EQ(N4RCS_FindProperty(r.data(), uint32_t(r.size()), 6, &p), 1);
  EXPECT_EQ(p.length, 4u);
  EXPECT_EQ(N4RCS_FindProperty(r.data(), uint32_t(r.size()), 99, &p), 0);

  // Every cut inside a token, and an unknown value type, stop the walk there.
  for (std::size_t cut : {1u, 3u, 12u, 17u, 24u}) {
    uint32_t pos = 0;
    int last;
    while ((last = N4RCS_NextProperty(r.data(), uint32_t(cut), &pos, &p)) == 1) {}
    EXPECT_EQ(last, -1) << cut;
    EXPECT_LE(pos, cut);
  }
  const std::vector<uint8_t> unknown = {1, 42, 0};
  EXPECT_EQ(N4RCS_FindProperty(unknown.data(), 3, 9, &p), -1);
  const std::vector<uint8_t> open_text = {1, 12, 'x', 'y'};
  EXPECT_EQ(N4RCS_FindProperty(open_text.data(), 4, 9, &p), -1);
}

}  // namespace
