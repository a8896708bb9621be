// The code image check over valid, version-gated and damaged images, and the accessors
// that the database build relies on.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "iec_runtime/code_image.h"
#include "testsupport/iec_image.h"

namespace {

using Bytes = std::vector<uint8_t>;

int Check(const Bytes& b) { return N4VMCode_CheckCode(b.data(), uint32_t(b.size())); }
void Put32(Bytes& b, uint32_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}
void Put16(Bytes& b, uint32_t at, uint16_t v) {
  b[at] = uint8_t(v);
  b[at + 1] = uint8_t(v >> 8);
}

TEST(CodeImage, AValidImagePassesAndGatesOnFormatSignatureAndVersion) {
  ts::IecImage img;
  EXPECT_EQ(Check(img.Build()), 0);
  img.version = "1.07";  // three characters are compared
  EXPECT_EQ(Check(img.Build()), 0);
  img.version = "1.10";
  EXPECT_EQ(Check(img.Build()), 4);
  img.version = "1.00";
  img.format = 0x12;
  EXPECT_EQ(Check(img.Build()), 2);
  img.format = 0x21;  // only the low nibble counts
  EXPECT_EQ(Check(img.Build()), 0);
  ts::IecImageLayout at;
  Bytes b = ts::IecImage{}.Build(&at);
  b[at.signature + 2] = 'X';
  EXPECT_EQ(Check(b), 3);
  b = ts::IecImage{}.Build();
  Put32(b, 4, uint32_t(b.size()) - 2);  // a signature cut by the end
  EXPECT_EQ(Check(b), 3);
}

TEST(CodeImage, EveryTruncationIsRefused) {
  ts::IecImage img;
  img.tasks = {"@@B", "MAIN"};
  img.strings = {"one", "two"};
  img.ext_version = 22;
  img.ct_alloc = 64;
  img.retain.n32 = 2;
  img.retain.first32 = 1;
  Bytes whole = img.Build();
  ASSERT_EQ(Check(whole), 0);
  // The extension block is the image's last section: any cut reaches a checked field.
  for (std::size_t n = 0; n < whole.size(); n += 1) {
    Bytes cut(whole.begin(), whole.begin() + long(n));
    EXPECT_NE(Check(cut), 0) << "cut at " << n;
  }
}

struct Damage {
  const char* what;
  std::function<void(Bytes&, const ts::IecImageLayout&)> apply;
};

TEST(CodeImage, DamagedOffsetsCountsAndChainsAreRefused) {
  ts::IecImage img;
  img.tasks = {"@@B", "MAIN"};
  img.strings = {"one", "two"};
  img.ext_version = 22;
  img.ct_alloc = 64;
  img.retain.n32 = 2;
  img.retain.first32 = 1;
  const std::vector<Damage> table = {
      {"application header past the end", [](Bytes& b, auto&) { Put32(b, 8, 0xFFFFFFF0); }},
      {"sizing block cut by the end", [](Bytes& b, auto&) { Put32(b, 32, uint32_t(b.size()) - 40); }},
      {"application name without NUL", [](Bytes& b, auto& L) { std::memset(&b[L.app_header], 'A', 16); }},
      {"offset X beyond the image", [](Bytes& b, auto& L) { Put32(b, L.app_header + 28, uint32_t(b.size()) + 4); }},
      {"program bytecode beyond the image", [](Bytes& b, auto& L) { Put32(b, L.program_list, 0x7FFFFFF0); }},
      {"program list without end", [](Bytes& b, auto& L) {
         for (uint32_t at = L.program_list; at + 4 <= b.size(); at += 12) Put32(b, at, L.bytecode);
       }},
      {"class count past the end", [](Bytes& b, auto& L) { Put16(b, L.classes + 2, 0xFFFF); }},
      {"custom functions past the end", [](Bytes& b, auto& L) { Put16(b, L.custom_funcs + 2, 5000); }},
      {"task record longer than the image", [](Bytes& b, auto& L) { Put16(b, L.tasks, 0xFFF0); }},
      {"task record too short for its name", [](Bytes& b, auto& L) { Put16(b, L.tasks, 3); }},
      {"task definition outside its record", [](Bytes& b, auto& L) { Put16(b, L.tasks + 2, 200); }},
      {"instance block past the end", [](Bytes& b, auto&) { Put32(b, 28, uint32_t(b.size()) - 8); }},
      {"8-bit initial values unterminated", [](Bytes& b, auto& L) { Put32(b, L.init, uint32_t(b.size()) - 2); }},
      {"string initial value longer than the image", [](Bytes& b, auto& L) {
         uint32_t at = uint32_t(b.size()) - 4;
         Put32(b, L.init + 20, at);
         b[at] = 1;
         b[at + 1] = 0;
         b[at + 2] = 200;
       }},
      {"capacity list unterminated", [](Bytes& b, auto& L) {
         Put32(b, L.init + 24, uint32_t(b.size()) - 1);
         b.back() = 7;
       }},
      {"retain layout cut by the end", [](Bytes& b, auto& L) { Put32(b, L.init + 36, uint32_t(b.size()) - 50); }},
      {"retained run beyond its area", [](Bytes& b, auto& L) { Put16(b, L.retain + 70, 4); }},
      {"retained run from index 0", [](Bytes& b, auto& L) { Put16(b, L.retain + 70, 0); }},
      {"retained strings beyond the strings", [](Bytes& b, auto& L) {
         Put16(b, L.retain + 76, 3);
         Put16(b, L.retain + 78, 1);
       }},
      {"extension version with more slots than bytes", [](Bytes& b, auto& L) { Put32(b, L.extension, 30); }},
      {"string table count past the end", [](Bytes& b, auto& L) { Put16(b, L.string_table + 2, 900); }},
      {"string offset past the end", [](Bytes& b, auto& L) { Put32(b, L.string_table + 4, uint32_t(b.size())); }},
      {"CT used above allocated", [](Bytes& b, auto& L) { Put32(b, L.ct_seg + 4, 65); }},
      {"CT initial record beyond the segment", [](Bytes& b, auto& L) {
         // Grow the image by a record {len 4, offset 62, 4 bytes} placed at the end.
         uint32_t rec = uint32_t(b.size());
         b.insert(b.end(), {4, 62, 0, 0, 0, 1, 2, 3, 4, 0});
         Put32(b, L.extension + 4 * 9, rec - 8);
         Put32(b, rec - 8, 64);
         Put32(b, rec - 4, 0);
       }},
      {"published list cut by the end", [](Bytes& b, auto&) { Put32(b, 64, uint32_t(b.size()) - 8); }},
      {"I/O definition past the end", [](Bytes& b, auto&) { Put32(b, 44, uint32_t(b.size())); }},
  };
  for (const Damage& d : table) {
    ts::IecImageLayout L;
    Bytes b = img.Build(&L);
    d.apply(b, L);
    EXPECT_EQ(Check(b), 5) << d.what;
  }
}

TEST(CodeImage, CountsSizesAndVersionedSlots) {
  ts::IecImage img;
  img.d8_max = 9;
  img.d16_max = 3;
  img.d64_max = 20;
  img.string_caps = {10, 20, 5};
  img.min_string_buffer = 10;
  img.tasks = {"A", "B", "C", "D", "E", "F", "G", "H"};
  img.ext_version = 13;
  img.strings = {"x"};  // needs version 14: absent
  img.heap_size = 4096;
  Bytes b = img.Build();
  ASSERT_EQ(Check(b), 0);
  const uint8_t* c = b.data();
  EXPECT_EQ(N4VMCode_GetNbData8(c), 10);
  EXPECT_EQ(N4VMCode_GetNbLockFlags(c), 21);
  uint32_t buf = 0;
  EXPECT_EQ(N4VMCode_GetNbString(c, &buf), 4);
  EXPECT_EQ(buf, 13u + 23u + 8u);
  EXPECT_EQ(N4VMCode_GetStringTable(c, 1), nullptr);
  EXPECT_EQ(N4VMCode_GetHeapSize(c), 0);  // slot 18 needs version 16
  EXPECT_EQ(N4VMCode_GetCallStackSize(c), 16);
  EXPECT_EQ(N4VMCode_GetCallStackAllocSize(c), 32u);
  EXPECT_STREQ(N4VMCode_GetAppName(c), "APP");

  img.ext_version = 16;
  img.min_string_buffer = 1000;
  b = img.Build();
  ASSERT_EQ(Check(b), 0);
  N4VMCode_GetNbString(b.data(), &buf);
  EXPECT_EQ(buf, 1000u);
  EXPECT_STREQ(N4VMCode_GetStringTable(b.data(), 1), "x");
  EXPECT_EQ(N4VMCode_GetStringTable(b.data(), 0), nullptr);
  EXPECT_EQ(N4VMCode_GetStringTable(b.data(), 2), nullptr);
  EXPECT_EQ(N4VMCode_GetHeapSize(b.data()), 4096);
  EXPECT_EQ(N4VMCode_GetDefStringTable(b.data()), 1);
}

}  // namespace
