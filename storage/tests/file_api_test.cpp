// The file API: status codes, name parsing, listings with patterns, deletes by pattern,
// directory trees.
#include <filesystem>
#include <set>
#include <string>

#include "fxe.h"
#include "storage/cf_status.h"
#include "storage_fixture.h"

namespace st {
namespace {

namespace fs = std::filesystem;

class FileApi : public StorageTest {
 protected:
  void SetUp() override {
    StorageTest::SetUp();
    ts::Insert(root_, ts::kCard);
  }
  void Touch(const std::string& rest) {
    const std::string host = ts::OnMedium(root_, ts::kCard, rest);
    fs::create_directories(fs::path(host).parent_path());
    WriteHost(host, "x");
  }
  std::set<std::string> List(const char* pattern) {
    std::set<std::string> names;
    CfDirEntry e{};
    for (int s = CF_GetFirst(0, &e, pattern); s == kCfOk; s = CF_GetNext(0, &e)) names.insert(e.name);
    return names;
  }
};

TEST(CfStatus, FileLayerStatusesMapToApiCodes) {
  const std::pair<int, int> table[] = {
      {0, 0},   {1, 5},   {2, 5},   {3, 5},   {4, 66},  {5, 73},  {6, 77},  {7, 73},  {8, 92},  {9, -1},
      {10, 92}, {11, 81}, {12, 86}, {13, 66}, {14, 66}, {15, 81}, {16, 92}, {17, 2},  {18, 86}, {25, 86},
      {26, 5},  {34, 5},  {35, 92}, {36, 86}, {137, 86}};
  for (const auto& [fxe, cf] : table) EXPECT_EQ(CfResultDecode(fxe), cf) << fxe;
  for (int i = 18; i <= 25; ++i) EXPECT_EQ(kCfStatusTable[std::size_t(i)], kCfInvalid) << i;
  for (int i = 26; i <= 34; ++i) EXPECT_EQ(kCfStatusTable[std::size_t(i)], kCfMediumError) << i;
  const std::pair<int, int> states[] = {{0, 2}, {1, 4}, {2, 1}, {82, 82}, {3, 0}, {7, 0}};
  for (const auto& [state, cf] : states) EXPECT_EQ(CfStateDecode(state), cf) << state;
}

TEST_F(FileApi, IoErrorChecksTheDriveAgain) {
  EXPECT_EQ(CF_GetStatus(0), kCfOk);
  EXPECT_EQ(CfResultDecode(kFxeTooManyOpen), kCfMediumError);
  ts::Remove(root_, ts::kCard);
  EXPECT_EQ(CfResultDecode(kFxeTooManyOpen), kCfDriveAbsent);
}

TEST(CfParse, NamesAndExtensionsAreUpperCasedAndCut) {
  char dir[512], name[256], ext[15];
  const std::string long_name(300, 'n');
  ASSERT_EQ(CF_PathParse(dir, name, ext, ("\\D\\" + long_name + ".abcdefghijklmnopqrst").c_str()), kCfOk);
  EXPECT_EQ(std::string(dir), "\\D");
  EXPECT_EQ(std::string(name), std::string(255, 'N'));
  EXPECT_EQ(std::string(ext), "ABCDEFGHIJKLMN");
  const struct {
    const char* path;
    int status;
    const char* dir;
    const char* name;
    const char* ext;
  } cases[] = {
      {"x.csv", kCfOk, "", "X", "CSV"},         {"\\x.csv", kCfOk, "\\", "X", "CSV"},
      {"a\\b/c.d.e", kCfOk, "a\\b", "C", "D.E"}, {".", kCfOk, "", ".", ""},
      {"..", kCfOk, "", "..", ""},              {".hidden", kCfInvalid, "", "", ""},
      {"LOG\\.cfg", kCfInvalid, "LOG", "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CF_PathParse(dir, name, ext, c.path), c.status) << c.path;
    EXPECT_STREQ(dir, c.dir) << c.path;
    if (c.status == kCfOk) {
      EXPECT_STREQ(name, c.name) << c.path;
      EXPECT_STREQ(ext, c.ext) << c.path;
    }
  }
}

TEST_F(FileApi, ListingMatchesPatternsWithoutRegardToCase) {
  Touch("/LOG/day1.csv");
  Touch("/LOG/DAY2.CSV");
  Touch("/LOG/notes.txt");
  Touch("/LOG/ABC");
  Touch("/LOG/SUB/x.csv");
  EXPECT_EQ(List("A:\\LOG\\*.csv"), (std::set<std::string>{"day1.csv", "DAY2.CSV"}));
  EXPECT_EQ(List("A:\\LOG\\AB"), std::set<std::string>{});
  EXPECT_EQ(List("A:\\LOG\\ABC"), std::set<std::string>{"ABC"});
  EXPECT_EQ(List("A:\\LOG\\DAY?.CSV"), (std::set<std::string>{"day1.csv", "DAY2.CSV"}));
  EXPECT_EQ(List("A:\\LOG\\*.*"),
            (std::set<std::string>{".", "..", "day1.csv", "DAY2.CSV", "notes.txt", "ABC", "SUB"}));
  // The listing's directory was the drive's current one only while it ran.
  EXPECT_STREQ(Cf_Media.directory, "");
  CfDirEntry e{};
  ASSERT_EQ(CF_GetFirst(0, &e, "A:\\LOG\\SUB"), kCfOk);
  EXPECT_EQ(e.attributes & kCfAttrDirectory, kCfAttrDirectory);
  EXPECT_STREQ(e.base, "SUB");
  EXPECT_STREQ(e.extension, "");
  EXPECT_STREQ(Cf_Media.directory, "/LOG/");
  CF_GetDone(0, &e);
  EXPECT_STREQ(Cf_Media.directory, "");
  EXPECT_EQ(CF_GetFirst(0, &e, "A:\\NONE\\*.*"), kCfNotFound);
}

TEST_F(FileApi, DeleteByPatternDeletesMatchingFilesOnly) {
  Touch("/D/a.txt");
  Touch("/D/b.TXT");
  Touch("/D/c.csv");
  fs::create_directories(ts::OnMedium(root_, ts::kCard, "/D/dir.txt"));
  EXPECT_EQ(CF_DeleteFile(0, "A:\\D\\*.TXT"), kCfOk);
  EXPECT_EQ(List("A:\\D\\*.*"), (std::set<std::string>{".", "..", "c.csv", "dir.txt"}));
  EXPECT_EQ(CF_DeleteFile(0, "A:\\D\\*.TXT"), kCfNotFound);
  // Relative to the current directory.
  ASSERT_EQ(CF_ChangeDir(0, "\\D"), kCfOk);
  EXPECT_EQ(CF_DeleteFile(0, "*.CSV"), kCfOk);
  EXPECT_FALSE(fs::exists(ts::OnMedium(root_, ts::kCard, "/D/c.csv")));
}

TEST_F(FileApi, MakeDirCreatesEveryLevel) {
  EXPECT_EQ(CF_MakeDir(0, "A:\\one\\two\\three"), kCfOk);
  EXPECT_TRUE(fs::is_directory(ts::OnMedium(root_, ts::kCard, "/ONE/TWO/THREE")));
  EXPECT_EQ(CF_MakeDir(0, "A:\\ONE\\TWO\\THREE"), kCfExists);
  EXPECT_EQ(CF_MakeDir(0, "A:\\one\\four"), kCfOk);
}

TEST_F(FileApi, RemoveDirRemovesTheTreeWithReadOnlyFiles) {
  Touch("/T/a.txt");
  Touch("/T/S/b.txt");
  Touch("/T/S/U/c.txt");
  fs::permissions(ts::OnMedium(root_, ts::kCard, "/T/S/b.txt"), fs::perms::owner_read);
  EXPECT_EQ(CF_RemoveDir(0, "T"), kCfOk);
  EXPECT_FALSE(fs::exists(ts::OnMedium(root_, ts::kCard, "/T")));
  EXPECT_EQ(CF_RemoveDir(0, "A:\\NONE"), kCfNotFound);
}

TEST_F(FileApi, TreeDeeperThanSixteenLevelsStopsThere) {
  std::string deep = "/R";
  for (int i = 1; i < 17; ++i) deep += "/L" + std::to_string(i);
  Touch(deep + "/f.txt");  // 17 levels: R and L1..L16
  EXPECT_EQ(CF_RemoveDir(0, "A:\\R"), kCfTooDeep);
  EXPECT_TRUE(fs::exists(ts::OnMedium(root_, ts::kCard, deep + "/f.txt")));
  // The depth counter is back at zero: a shallow tree goes whole.
  Touch("/S/L1/f.txt");
  EXPECT_EQ(CF_RemoveDir(0, "A:\\S"), kCfOk);
}

TEST_F(FileApi, ChangeDirJoinsRelativeAndReplacesAbsolutePaths) {
  const struct {
    const char* path;
    const char* directory;
  } steps[] = {{"LOG", "LOG/"}, {"SUB", "LOG/SUB/"}, {"\\OTHER\\", "/OTHER/"}, {"\\", ""}, {"A:\\X", "/X/"}};
  for (const auto& s : steps) {
    EXPECT_EQ(CF_ChangeDir(0, s.path), kCfOk);
    EXPECT_STREQ(Cf_Media.directory, s.directory) << s.path;
  }
  EXPECT_EQ(CF_ChangeDir(5, "X"), kCfInvalid);
}

TEST_F(FileApi, OpenRefusesNamesWithoutAName) {
  CfFile f{};
  EXPECT_EQ(CF_Open(&f, "A:\\LOG\\", 2), kCfInvalid);
  EXPECT_EQ(CF_Open(&f, "A:\\.cfg", 2), kCfInvalid);
  EXPECT_EQ(CF_Open(&f, "A:\\NONE.TXT", 0), kCfNotFound);
  ASSERT_EQ(CF_Open(&f, "A:\\SIZE.TXT", 2), kCfOk);
  uint32_t n = 0;
  CF_Write(&f, "12345", 5, &n);
  EXPECT_EQ(f.size, 5u);
  CF_Close(&f);
  ASSERT_EQ(CF_Open(&f, "A:\\SIZE.TXT", 1), kCfOk);
  uint32_t size = 0;
  EXPECT_EQ(CF_Size(&f, &size), kCfOk);
  EXPECT_EQ(size, 5u);
  CF_Close(&f);
}

}  // namespace
}  // namespace st
