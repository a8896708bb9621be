// CSV register files: written by the unit and read back by Python's csv module, written
// by Python and read by the unit, for every value type; by-column reads, line counts,
// open modes and the header row.
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "storage/csv.h"
#include "storage_fixture.h"

namespace st {
namespace {

namespace fs = std::filesystem;

class Csv : public StorageTest {
 protected:
  void SetUp() override {
    StorageTest::SetUp();
    ts::Insert(root_, ts::kCard);
    static const bool python = [] {
      int status = 0;
      Python("import csv", &status);
      return status == 0;
    }();
    if (!python) GTEST_SKIP() << "python3 is not available";
  }

  int Write(const char* path, int type, const void* data, uint32_t bytes, int count, int per_line = 0,
            int end_flag = 1, int mode = 3, uint32_t* written = nullptr) {
    uint32_t n = 0;
    CfWriteRequest w{};
    w.format = 1;
    w.path = path;
    w.data = data;
    w.type = type;
    w.count = count;
    w.out_count = written ? written : &n;
    w.per_line = per_line;
    w.mode = mode;
    w.end_flag = end_flag;
    w.data_bytes = bytes;
    return CF_WriteFile(0, &w);
  }
  std::string Text(const std::string& rest) { return ReadHost(ts::OnMedium(root_, ts::kCard, rest)); }
  // Every cell of each file as Python's csv module reads it, joined by "|", a line per
  // file.
  std::string PythonCells(const std::vector<std::string>& rests) {
    std::string files;
    for (const auto& r : rests) files += "\"" + ts::OnMedium(root_, ts::kCard, r) + "\",";
    return Python("import csv\nfor f in [" + files +
                  "]:\n rows = list(csv.reader(open(f, newline=\"\")))\n print(\"|\".join(c for r in rows for c in r))");
  }
  int ReadRow(const char* path, int type, void* data, uint32_t bytes, int count, int skip, uint32_t* got) {
    CfReadRequest r{};
    r.path = path;
    r.data = data;
    r.type = type;
    r.count = count;
    r.out_count = got;
    r.selector = skip;
    r.data_bytes = bytes;
    return CF_ReadFile(0, &r);
  }
};

TEST_F(Csv, ValuesAreWrittenAsTheirTypeSays) {
  const int16_t words[] = {-1, 2, 300};
  ASSERT_EQ(Write("A:\\W.CSV", kCsvInt16, words, sizeof words, 3, 3), kCfOk);
  EXPECT_EQ(Text("/W.CSV"), "-1,2,300\r\n");
  ASSERT_EQ(Write("A:\\W.CSV", kCsvInt16, words, sizeof words, 3, 2, 0), kCfOk);
  EXPECT_EQ(Text("/W.CSV"), "-1,2\r\n300,");
  const char text[] = "a,b";
  ASSERT_EQ(Write("A:\\T.CSV", kCsvText, text, sizeof text, 1), kCfOk);
  EXPECT_EQ(Text("/T.CSV"), "\"a,b\"\r\n");
  const uint16_t bits = 0x8001;
  ASSERT_EQ(Write("A:\\B.CSV", kCsvBits16, &bits, 2, 1), kCfOk);
  EXPECT_EQ(Text("/B.CSV"), "1000000000000001\r\n");
}

TEST_F(Csv, EveryTypeWrittenByTheUnitReadsBackInPython) {
  struct Case {
    int type;
    std::vector<uint8_t> data;
    int count;
    std::string cells;
  };
  auto bytes = [](const auto& values) {
    std::vector<uint8_t> v(sizeof values);
    std::memcpy(v.data(), &values, sizeof values);
    return v;
  };
  const int32_t i32[] = {-70000, 5};
  const uint16_t hex[] = {0xAB, 0xFFFF};
  const int16_t i16[] = {-32768, 32767};
  const float f32[] = {1.5f, -0.25f};
  const uint32_t u32[] = {4000000000u, 0};
  const uint16_t u16[] = {65535, 1};
  const double f64[] = {3.25, 1e-7};
  const uint16_t b16[] = {0x8001, 0x00F0};
  const char txt[] = "hello, world";
  const Case cases[] = {
      {kCsvText, std::vector<uint8_t>(txt, txt + sizeof txt), 1, "hello, world"},
      {kCsvBits16, bytes(b16), 2, "1000000000000001|0000000011110000"},
      {kCsvBit, {0x05, 0x01}, 10, "1|0|1|0|0|0|0|0|1|0"},
      {kCsvInt32, bytes(i32), 2, "-70000|5"},
      {kCsvHex16, bytes(hex), 2, "AB|FFFF"},
      {kCsvInt16, bytes(i16), 2, "-32768|32767"},
      {kCsvFloat, bytes(f32), 2, "1.5|-0.25"},
      {kCsvUint32, bytes(u32), 2, "4000000000|0"},
      {kCsvUint16, bytes(u16), 2, "65535|1"},
      {kCsvDouble, bytes(f64), 2, "3.25|1e-07"},
  };
  std::vector<std::string> files;
  std::string expected;
  for (const Case& c : cases) {
    uint32_t written = 0;
    const std::string name = "V" + std::to_string(c.type) + ".CSV";
    ASSERT_EQ(Write(("A:\\OUT\\" + name).c_str(), c.type, c.data.data(), uint32_t(c.data.size()), c.count, 0, 1, 3,
                    &written),
              kCfOk)
        << c.type;
    EXPECT_EQ(written, uint32_t(c.count)) << c.type;
    files.push_back("/OUT/" + name);
    expected += c.cells + "\n";
  }
  EXPECT_EQ(PythonCells(files), expected);
}

TEST_F(Csv, EveryTypeWrittenByPythonReadsBackInTheUnit) {
  const std::string file = ts::OnMedium(root_, ts::kCard, "/IN.CSV");
  const std::string script =
      "import csv\nw = csv.writer(open(\"" + file + "\", \"w\", newline=\"\"))\n"
      "w.writerow([\"hello, world\"])\n"
      "w.writerow([\"1000000000000001\", \"0000000011110000\"])\n"
      "w.writerow([1, 0, 1, 1])\n"
      "w.writerow([-70000, 5])\n"
      "w.writerow([\"ab\", \"FFFF\"])\n"
      "w.writerow([-32768, 32767])\n"
      "w.writerow([1.5, -0.25])\n"
      "w.writerow([4000000000, 0])\n"
      "w.writerow([65535, 1])\n"
      "w.writerow([3.25, 1e-07])\n"
      "w.writerow([-5, 100])\n";
  int status = 0;
  Python(script, &status);
  ASSERT_EQ(status, 0);
  uint32_t got = 0;
  char text[64] = {};
  ASSERT_EQ(ReadRow("A:\\in.csv", kCsvText, text, sizeof text, 1, 0, &got), kCfOk);
  EXPECT_STREQ(text, "hello, world");
  EXPECT_EQ(got, 12u);
  // Cells to skip before each row: 1 text cell, then the rows' widths.
  uint16_t b16[2];
  ASSERT_EQ(ReadRow("A:\\IN.CSV", kCsvBits16, b16, sizeof b16, 2, 1, &got), kCfOk);
  EXPECT_EQ(b16[0], 0x8001);
  EXPECT_EQ(b16[1], 0x00F0);
  uint16_t bits = 0xFFFF;
  ASSERT_EQ(ReadRow("A:\\IN.CSV", kCsvBit, &bits, 2, 4, 3, &got), kCfOk);
  EXPECT_EQ(bits & 0xF, 0xD);
  int32_t i32[2];
  ASSERT_EQ(ReadRow("A:\\IN.CSV", kCsvInt32, i32, sizeof i32, 2, 7, &got), kCfOk);
  EXPECT_EQ(i32[0], -70000);
  EXPECT_EQ(i32[1], 5);
  uint16_t hex[2];
  ASSERT_EQ(ReadRow("A:\\IN.CSV", kCsvHex16, hex, sizeof hex, 2, 9, &got), kCfOk);
  EXPECT_EQ(hex[0], 0xAB);
  EXPECT_EQ(hex[1], 0xFFFF);
  int16_t i16[2];
  ASSERT_EQ(ReadRow("A:\\IN.CSV", kCsvInt16, i16, sizeof i16, 2, 11, &got), kCfOk);
  EXPECT_EQ(i16[0], -32768);
  EXPECT_EQ(i16[1], 32767);
  float f32[2];
  ASSERT_EQ(ReadRow("A:\\IN.CSV", kCsvFloat, f32, sizeof f32, 2, 13, &got), kCfOk);
  EXPECT_EQ(f32[0], 1.5f);
  EXPECT_EQ(f32[1], -0.25f);
  uint32_t u32[2];
  ASSERT_EQ(ReadRow("A:\\IN.CSV", kCsvUint32, u32, sizeof u32, 2, 15, &got), kCfOk);
  EXPECT_EQ(u32[0], 4000000000u);
  uint16_t u16[2];
  ASSERT_EQ(ReadRow("A:\\IN.CSV", kCsvUint16, u16, sizeof u16, 2, 17, &got), kCfOk);
  EXPECT_EQ(u16[0], 65535);
  double f64[2];
  ASSERT_EQ(ReadRow("A:\\IN.CSV", kCsvDouble, f64, sizeof f64, 2, 19, &got), kCfOk);
  EXPECT_EQ(f64[0], 3.25);
  EXPECT_EQ(f64[1], 1e-7);
  int8_t i8[2];
  ASSERT_EQ(ReadRow("A:\\IN.CSV", kCsvInt8, i8, sizeof i8, 2, 21, &got), kCfOk);
  EXPECT_EQ(i8[0], -5);
  EXPECT_EQ(i8[1], 100);
  EXPECT_EQ(got, 2u);
  // Asking past the end reads what is there and says so.
  ASSERT_EQ(ReadRow("A:\\IN.CSV", kCsvInt8, i8, sizeof i8, 2, 22, &got), kCfEndOfFile);
  EXPECT_EQ(got, 1u);
  // A destination too small for the values asked is refused, not overrun.
  EXPECT_EQ(ReadRow("A:\\IN.CSV", kCsvInt32, i32, 4, 2, 7, &got), kCfInvalid);
}

TEST_F(Csv, ColumnReadThinsALongRangeEvenly) {
  std::string rows;
  for (int i = 0; i <= 1000; ++i) rows += "x," + std::to_string(i) + ",\"q,q\"," + std::to_string(-i) + "\r\n";
  WriteHost(ts::OnMedium(root_, ts::kCard, "/COL.CSV"), rows);
  std::vector<int32_t> values(100, -1);
  uint32_t got = 0;
  CfReadRequest r{};
  r.path = "A:\\COL.CSV";
  r.data = values.data();
  r.type = kCsvInt32;
  r.count = int32_t(1u | 100u << 16);  // column 1, at most 100 values
  r.out_count = &got;
  r.selector = int32_t(0x80000000u | 1000u << 16);  // rows 0..1000
  r.data_bytes = uint32_t(values.size() * 4);
  ASSERT_EQ(CF_ReadFile(0, &r), kCfOk);
  EXPECT_EQ(got, 100u);
  for (int k = 0; k < 100; ++k) EXPECT_EQ(values[std::size_t(k)], k * 1000 / 99) << k;
  // Column 3 stands after a quoted cell holding a comma.
  r.count = int32_t(3u | 100u << 16);
  r.selector = int32_t(0x80000000u | 5u << 16 | 2u);  // rows 2..5: three values
  ASSERT_EQ(CF_ReadFile(0, &r), kCfOk);
  EXPECT_EQ(got, 3u);
  EXPECT_EQ(values[0], -2);
  EXPECT_EQ(values[2], -5);
  EXPECT_EQ(values[3], 0) << "the rest of the destination asked for is cleared";
}

TEST_F(Csv, ColumnReadStaysInEachRow) {
  // A row too short for the column, and an empty last cell, give 0 for that row; the
  // rows after them are still read from their own lines.
  WriteHost(ts::OnMedium(root_, ts::kCard, "/SHORT.CSV"), "1,10\r\n2\r\n3,\r\n4,40\r\n5,50\r\n");
  int32_t values[4] = {-1, -1, -1, -1};
  uint32_t got = 0;
  CfReadRequest r{};
  r.path = "A:\\SHORT.CSV";
  r.data = values;
  r.type = kCsvInt32;
  r.count = int32_t(1u | 100u << 16);
  r.out_count = &got;
  r.selector = int32_t(0x80000000u | 4u << 16);  // rows 0..4: four values
  r.data_bytes = sizeof values;
  ASSERT_EQ(CF_ReadFile(0, &r), kCfOk);
  EXPECT_EQ(got, 4u);
  EXPECT_EQ(std::vector<int32_t>(values, values + 4), (std::vector<int32_t>{10, 0, 0, 50}));
}

TEST_F(Csv, ReadingOnAtTheEndFindsNothingMore) {
  WriteHost(ts::OnMedium(root_, ts::kCard, "/E.CSV"), "1,2");
  int32_t v[5] = {};
  uint32_t got = 0;
  EXPECT_EQ(ReadRow("A:\\E.CSV", kCsvInt32, v, sizeof v, 5, 0, &got), kCfEndOfFile);
  EXPECT_EQ(got, 2u);
  EXPECT_EQ(v[1], 2);
}

TEST_F(Csv, LineCountLeavesOutALastLineWithoutLineFeed) {
  WriteHost(ts::OnMedium(root_, ts::kCard, "/N.CSV"), std::string(300, 'a') + "\r\nb\r\nc");
  uint32_t lines = 0, got = 0;
  CfReadRequest r{};
  r.path = "A:\\N.CSV";
  r.data = &lines;
  r.out_count = &got;
  r.selector = kCsvCountLines;
  r.data_bytes = 4;
  ASSERT_EQ(CF_ReadFile(0, &r), kCfOk);
  EXPECT_EQ(lines, 2u);
  EXPECT_EQ(got, 1u);
}

TEST_F(Csv, OpenModesAndAMissingFolder) {
  const int32_t v = 7;
  const struct {
    int mode;
    bool exists;
    int status;
    const char* after;
  } cases[] = {
      {0, false, kCfOk, "7\r\n"},    {0, true, kCfExists, "old"},     {1, false, kCfNotFound, nullptr},
      {1, true, kCfOk, "old7\r\n"},  {2, false, kCfOk, "7\r\n"},      {2, true, kCfOk, "old7\r\n"},
      {3, true, kCfOk, "7\r\n"},     {4, true, kCfInvalid, "old"},
  };
  for (const auto& c : cases) {
    const std::string host = ts::OnMedium(root_, ts::kCard, "/NEW/DIR/M.CSV");
    fs::remove_all(ts::OnMedium(root_, ts::kCard, "/NEW"));
    if (c.exists) {
      fs::create_directories(fs::path(host).parent_path());
      WriteHost(host, "old");
    }
    EXPECT_EQ(Write("A:\\new\\dir\\m.csv", kCsvInt32, &v, 4, 1, 0, 1, c.mode), c.status) << c.mode;
    if (c.after) {
      EXPECT_EQ(ReadHost(host), c.after) << c.mode << c.exists;
    } else {
      EXPECT_FALSE(fs::exists(host)) << c.mode;
    }
  }
  EXPECT_EQ(Write("A:\\NEW", kCsvInt32, &v, 4, 1), kCfFull) << "a folder of that name";
  EXPECT_EQ(Write("A:\\X.CSV", kCsvInt32, &v, 4, 0), kCfInvalid);
  EXPECT_EQ(Write("A:\\X.CSV", 10, &v, 4, 1), kCfInvalid) << "bytes only in list mode";
}

TEST_F(Csv, ListModeWritesAHeaderRowOnANewFile) {
  const char names[] = "Speed,Temp,Flag,";
  const CfWriteListEntry list[] = {
      {0, 0, 6, 0, 1, kCsvInt16},  // Speed
      {6, 0, 5, 1, 2, kCsvInt32},  // Temp[0], Temp[1]
      {11, 0, 5, 0, 3, kCsvBit},   // Flag
  };
  // The data moves on by each entry's values: the word, the pair, then the bits.
  struct {
    int16_t speed;
    int32_t temp[2];
    uint16_t flags;
  } __attribute__((packed)) data = {-12, {250, -3}, 0x5};
  uint32_t written = 0;
  CfWriteRequest w{};
  w.format = 1;
  w.path = "A:\\LIST.CSV";
  w.data = &data;
  w.type = 0;
  w.count = 1;
  w.out_count = &written;
  w.mode = 2;
  w.end_flag = 1;
  w.list_marker = 'M';
  w.header = 1;
  w.header_count = 3;
  w.header_text = names;
  w.list = list;
  w.data_bytes = sizeof data;
  ASSERT_EQ(CF_WriteFile(0, &w), kCfOk);
  EXPECT_EQ(written, 6u);
  ASSERT_EQ(CF_WriteFile(0, &w), kCfOk);  // appended: no second header
  EXPECT_EQ(PythonCells({"/LIST.CSV"}),
            "Speed|Temp[0]|Temp[1]|Flag|-12|250|-3|1|0|1|-12|250|-3|1|0|1\n");
}

}  // namespace
}  // namespace st
