// Memory blocks and their files, the file wrappers and the names they accept, and the
// retain file over damaged files.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "iec_runtime/memory.h"
#include "iec_runtime/retain.h"
#include "runtime_fixture.h"

namespace {

using Files = RuntimeTest;
using Bytes = std::vector<uint8_t>;

TEST_F(Files, BlocksAreFreedOnlyWhenNotLinked) {
  N4MMContext mm;
  N4MM_Open(&mm, "");
  EXPECT_EQ(N4MM_AllocRawVMDB(&mm, 64), 0);
  EXPECT_EQ(N4MM_AllocRawVMDB(&mm, 64), 1);  // already allocated
  uint8_t* a = N4MM_LinkVMDB(&mm);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(N4MM_LinkVMDB(&mm), a);
  EXPECT_EQ(N4MM_FreeVMDB(&mm), 1);
  EXPECT_EQ(N4MM_UnlinkVMDB(&mm), 0);
  EXPECT_EQ(N4MM_FreeVMDB(&mm), 1);  // still linked once
  EXPECT_EQ(N4MM_UnlinkVMDB(&mm), 0);
  EXPECT_EQ(N4MM_FreeVMDB(&mm), 0);
  EXPECT_EQ(mm.db.kind, kN4BlockDb);
  EXPECT_EQ(mm.db.size, 0u);
}

TEST_F(Files, LoadingTakesTheWholeFileOrNothing) {
  N4MMContext mm;
  N4MM_Open(&mm, "");
  EXPECT_EQ(N4MM_LoadCode(&mm), 1);  // missing
  root_.Write("/mnt/cfg/n4.cod", Bytes{});
  EXPECT_EQ(N4MM_LoadCode(&mm), 1);  // empty: nothing allocated
  EXPECT_EQ(mm.code.flags, 0);
  Bytes big(10000);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = uint8_t(i * 7);
  root_.Write("/mnt/cfg/n4.cod", big);
  ASSERT_EQ(N4MM_LoadCode(&mm), 0);
  EXPECT_EQ(Bytes(mm.code.data, mm.code.data + mm.code.size), big);
  // The database image saves to the runtime folder and replaces the file whole.
  ASSERT_EQ(N4MM_AllocRawVMDB(&mm, 5000), 0);
  std::memset(mm.db.data, 0xAB, 5000);
  EXPECT_EQ(N4MM_SaveVMDB(&mm), 0);
  EXPECT_EQ(root_.Read("/mnt/cfg/iec/n4.hot"), Bytes(5000, 0xAB));
  N4MM_Close(&mm);
}

TEST_F(Files, ARegisteredChangeBecomesTheCodeAndIsSavedOnce) {
  N4MMContext mm;
  N4MM_Open(&mm, "");
  root_.Write("/mnt/cfg/n4.cod", Bytes{1, 2, 3});
  root_.Write("/mnt/cfg/n4.upd", Bytes{4, 5});
  ASSERT_EQ(N4MM_LoadCode(&mm), 0);
  EXPECT_EQ(N4MM_RegisterChange(&mm), 1);  // no change loaded
  ASSERT_EQ(N4MM_LoadChange(&mm), 0);
  N4MM_LinkCode(&mm);
  EXPECT_EQ(N4MM_RegisterChange(&mm), 1);  // the code is in use
  N4MM_UnlinkCode(&mm);
  EXPECT_EQ(N4MM_RegisterChange(&mm), 0);
  EXPECT_EQ(mm.code.size, 2u);
  EXPECT_EQ(mm.change.flags, 0);
  EXPECT_EQ(N4MM_SaveChange(&mm), 0);
  EXPECT_EQ(root_.Read("/mnt/cfg/n4.cod"), (Bytes{4, 5}));
  N4MM_Close(&mm);
}

TEST_F(Files, NamesStayInsideTheRuntimeFolders) {
  root_.Write("/mnt/cfg/ladder.pgm", Bytes{9});
  root_.Write("/mnt/cfg/iec/data/a.txt", Bytes{1});
  uint32_t size = 99;
  struct Case {
    const char* name;
    bool opens;
  };
  const Case cases[] = {
      {"data/a.txt", true},
      {"./data/a.txt", true},
      {"data\\a.txt", true},
      {"/mnt/cfg/ladder.pgm", false},              // absolute: not one of the runtime's files
      {"..\\..\\mnt\\cfg\\ladder.pgm", false},      // climbs out through backslashes
      {"data/../../ladder.pgm", false},
      {"..", false},
      {"", false},
      {"/mnt/cfg/n4.ret/../ladder.pgm", false},
  };
  for (const Case& c : cases) {
    FILE* f = N4FT_OpenRead(c.name, &size);
    EXPECT_EQ(f != nullptr, c.opens) << c.name;
    N4FT_Close(f);
  }
  EXPECT_EQ(N4FT_Delete("/mnt/cfg/ladder.pgm"), 0);
  EXPECT_EQ(N4File_Delete("../ladder.pgm"), 0);
  EXPECT_TRUE(root_.Exists("/mnt/cfg/ladder.pgm"));
  FILE* w = N4FT_OpenWrite("out.bin");
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(N4FT_Write(w, 3, "abc"), 1);
  N4FT_Close(w);
  EXPECT_EQ(root_.Read("/mnt/cfg/iec/out.bin"), (Bytes{'a', 'b', 'c'}));
  char full[300];
  N4_GetFullPath(full, "n4.ret");
  EXPECT_STREQ(full, "n4.ret");
  N4_GetFullPath(full, std::string(255, 'x').c_str());
  EXPECT_STREQ(full, "");
}

TEST_F(Files, ReadLineStopsAt255CharactersAndDropsZeros) {
  std::string text(300, 'a');
  text += "\nb";
  text[10] = '\0';
  root_.Write("/mnt/cfg/iec/l.txt", Bytes(text.begin(), text.end()));
  FILE* f = N4File_Open("l.txt", 0);
  ASSERT_NE(f, nullptr);
  char buf[400];
  EXPECT_EQ(N4File_ReadLine(f, buf, sizeof buf), 254);  // 255 read, one of them a zero
  EXPECT_EQ(N4File_ReadLine(f, buf, sizeof buf), 45);
  EXPECT_EQ(N4File_ReadLine(f, buf, sizeof buf), 1);
  EXPECT_STREQ(buf, "b");
  N4File_Close(f);
}

// The retain file of an application with 8-bit, 32-bit and string retains.
class RetainFile : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    b8_.assign(3, 0);
    b32_.assign(8, 0);
    str_.assign(13, 0);
    blocks_ = {};
    blocks_.block[0] = b8_.data();
    blocks_.size[0] = 3;
    blocks_.block[2] = b32_.data();
    blocks_.size[2] = 8;
    blocks_.block[5] = str_.data();
    blocks_.size[5] = 13;
    blocks_.crc = 0xA1B2C3D4;
  }
  Bytes File(std::size_t body) {
    Bytes f = {0xD4, 0xC3, 0xB2, 0xA1};
    for (std::size_t i = 0; i < body; ++i) f.push_back(uint8_t(0x40 + i));
    return f;
  }
  Bytes b8_, b32_, str_;
  N4RetainBlocks blocks_;
};

TEST_F(RetainFile, OnlyAWholeFileOfTheSameLayoutLoads) {
  struct Case {
    const char* what;
    Bytes file;
    int result;
  };
  Bytes wrong_crc = File(24);
  wrong_crc[0] ^= 1;
  const std::vector<Case> cases = {
      {"whole", File(24), 0},
      {"truncated after the CRC", File(0), 1},
      {"truncated in the last block", File(23), 1},
      {"too long", File(25), 1},
      {"shorter than a CRC", Bytes{0xD4, 0xC3}, 1},
      {"empty", Bytes{}, 1},
      {"another layout", wrong_crc, 1},
  };
  for (const Case& c : cases) {
    b8_.assign(3, 0xEE);
    root_.Write("/mnt/cfg/n4.ret", c.file);
    EXPECT_EQ(N4Retain_Load(&blocks_, "/mnt/cfg/n4.ret"), c.result) << c.what;
    if (c.result == 0) {
      EXPECT_EQ(b8_, (Bytes{0x40, 0x41, 0x42})) << c.what;
      EXPECT_EQ(b32_[0], 0x43) << c.what;
      EXPECT_EQ(str_[12], 0x40 + 23) << c.what;
    } else {
      EXPECT_EQ(b8_, Bytes(3, 0xEE)) << c.what;  // nothing loaded
    }
  }
  std::remove(root_.Host("/mnt/cfg/n4.ret").c_str());
  EXPECT_EQ(N4Retain_Load(&blocks_, "/mnt/cfg/n4.ret"), 1);
  EXPECT_EQ(N4Retain_Load(&blocks_, nullptr), 1);
}

TEST_F(RetainFile, WritingReplacesTheFileWholeOrKeepsThePreviousOne) {
  b8_ = {1, 2, 3};
  ASSERT_EQ(N4Retain_ShutDown(&blocks_, "/mnt/cfg/n4.ret"), 0);
  Bytes first = root_.Read("/mnt/cfg/n4.ret");
  EXPECT_EQ(first.size(), 4u + 3 + 8 + 13);
  EXPECT_EQ(N4Retain_CanLoad(0xA1B2C3D4, "/mnt/cfg/n4.ret"), 1);
  EXPECT_EQ(N4Retain_CanLoad(0xA1B2C3D5, "/mnt/cfg/n4.ret"), 0);
  // The temporary file cannot be made: the write fails and the old values stay.
  ASSERT_EQ(::mkdir(root_.Host("/mnt/cfg/n4.ret.tmp").c_str(), 0700), 0);
  b8_ = {7, 7, 7};
  EXPECT_EQ(N4Retain_ShutDown(&blocks_, "/mnt/cfg/n4.ret"), 1);
  EXPECT_EQ(root_.Read("/mnt/cfg/n4.ret"), first);
  ::rmdir(root_.Host("/mnt/cfg/n4.ret.tmp").c_str());
  // Nothing to retain: the file goes.
  N4RetainBlocks none{};
  EXPECT_EQ(N4Retain_ShutDown(&none, "/mnt/cfg/n4.ret"), 0);
  EXPECT_FALSE(root_.Exists("/mnt/cfg/n4.ret"));
}

TEST_F(RetainFile, DescriptorFollowsTheLayoutWithoutPadding) {
  ts::IecImage img;
  img.retain.n32 = 2;
  img.retain.first32 = 3;
  img.retain.ntime = 1;
  img.retain.firsttime = 1;
  img.retain.nstr = 1;
  img.retain.firststr = 2;
  img.string_caps = {4, 6};
  Built b = Build(img);
  ASSERT_EQ(b.error, 0);
  N4RetainBlocks r = N4VMWarm_Blocks(b.db.data());
  EXPECT_EQ(r.size[2], 8u);
  EXPECT_EQ(r.block[2], N4VM_Item(b.db.data(), kArData32, 3));
  EXPECT_EQ(r.size[3], 0u);  // no 64-bit retains: the TIME block follows the 32-bit one
  EXPECT_EQ(r.size[4], 4u);
  EXPECT_EQ(r.size[5], 9u);
  EXPECT_EQ(r.crc, img.retain.crc);
  EXPECT_EQ(N4VMWarm_ShutDown(b.db.data(), "/mnt/cfg/n4.ret"), 0);
  EXPECT_EQ(root_.Read("/mnt/cfg/n4.ret").size(), 4u + 8 + 4 + 9);
  // Another layout: the file is not loaded and the values keep their initial values.
  img.retain.crc ^= 0xFF;
  Built other = Build(img);
  SetDint(other.db.data(), 3, 31);
  EXPECT_EQ(N4VMWarm_Load(other.db.data(), "/mnt/cfg/n4.ret"), 1);
  EXPECT_EQ(Dint(other.db.data(), 3), 31u);
}

}  // namespace

namespace {

TEST_F(Files, VirtualFilesAndRamCopiesOfTheRuntimeFiles) {
  Bytes big(1300);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = uint8_t(i);
  root_.Write("/mnt/cfg/n4.cod", big);
  root_.Write("/mnt/cfg/iec/n4.rsc", big);
  uint32_t size = 0;
  uint8_t* copy = N4Vfs_LoadToMemory("/mnt/cfg/n4.cod", &size);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(size, 1300u);
  EXPECT_EQ(Bytes(copy, copy + size), big);
  N4Vfs_ReleaseFromMemory(copy);
  EXPECT_EQ(N4Vfs_LoadToMemory("n4.rsc", &size), nullptr);  // not a RAM file
  EXPECT_EQ(N4Vfs_LoadToMemory("/mnt/cfg/n4.upd", &size), nullptr);  // missing
  FILE* f = N4Vfs_OpenReadRand("n4.rsc", &size);
  ASSERT_NE(f, nullptr);
  uint8_t buf[4];
  EXPECT_EQ(N4Vfs_Read(f, 1000, 4, buf), 4u);
  EXPECT_EQ(buf[0], uint8_t(1000));
  EXPECT_EQ(N4Vfs_Read(f, -1, 4, buf), 4u);  // goes on from the position
  EXPECT_EQ(buf[0], uint8_t(1004));
  N4Vfs_Close(f);
  EXPECT_EQ(N4Vfs_GetSize("n4.rst", &size), 0);
}

TEST_F(Files, ACodeImageOfVersionBelowASlotHasNoSuchSection) {
  ts::IecImage img;
  img.ext_version = 18;
  Bytes b = img.Build();
  EXPECT_EQ(N4VMCode_GetITCount(b.data()), 0u);  // slot present but 0: no interrupt tasks
  EXPECT_EQ(N4VMCode_GetInstanceNames(b.data())[0], '\0');  // below version 22: an empty list
  EXPECT_EQ(N4VMVode_GetEATableVers(b.data(), 1), 0u);
}

}  // namespace
