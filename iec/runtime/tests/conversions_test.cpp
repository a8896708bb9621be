// Conversions over the edges of every type pair, against Python's own arithmetic
// (testsupport/peers/iec_convert.py), through the conversion instruction's routine and
// the raw-address form; and the text converters.
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>

#include "iec_library/iec_string.h"
#include "iec_runtime/conversions.h"
#include "testsupport/child_process.h"
#include "testsupport/temp_root.h"
#include "vm_fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

template <typename T>
Bytes Of(T v) {
  Bytes b(sizeof v);
  std::memcpy(b.data(), &v, sizeof v);
  return b;
}

std::string Hex(const Bytes& b) {
  static const char* d = "0123456789abcdef";
  std::string s;
  for (uint8_t c : b) s += {d[c >> 4], d[c & 15]};
  return s;
}

const int kTypes[] = {1, 2, 3, 4, 10, 11, 12, 13, 14, 15, 16, 17};

std::vector<Bytes> Edges(int t) {
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  switch (t) {
    case 1: return {Of<uint8_t>(0), Of<uint8_t>(1)};
    case 10: case 14: return {Of<uint8_t>(0), Of<uint8_t>(1), Of<uint8_t>(127), Of<uint8_t>(128), Of<uint8_t>(255)};
    case 11: return {Of<int16_t>(-32768), Of<int16_t>(-1), Of<int16_t>(0), Of<int16_t>(32767)};
    case 15: return {Of<uint16_t>(0), Of<uint16_t>(32768), Of<uint16_t>(65535)};
    case 2: return {Of<int32_t>(INT32_MIN), Of<int32_t>(-1), Of<int32_t>(0), Of<int32_t>(70000), Of<int32_t>(INT32_MAX)};
    case 4: case 16: return {Of<uint32_t>(0), Of<uint32_t>(300), Of<uint32_t>(0x80000000u), Of<uint32_t>(UINT32_MAX)};
    case 12: return {Of<int64_t>(INT64_MIN), Of<int64_t>(-1), Of<int64_t>(1LL << 40), Of<int64_t>(INT64_MAX)};
    case 17: return {Of<uint64_t>(0), Of<uint64_t>(1ULL << 63), Of<uint64_t>(UINT64_MAX)};
    case 3:
      return {Of<float>(0.0f), Of<float>(-0.5f), Of<float>(-1.7f), Of<float>(3.99f), Of<float>(1e10f),
              Of<float>(-3.0f), Of<float>(float(nan)), Of<float>(float(-inf)), Of<float>(65535.9f)};
    default:
      return {Of<double>(-5.0), Of<double>(1e300), Of<double>(4294967296.5), Of<double>(-1e19), Of<double>(nan),
              Of<double>(2.5e-3)};
  }
}

const char* const kTexts[] = {"2", "  -12abc", "", "4294967295", "3000000000", "-1", "1.5e3", "18446744073709551615",
                              "99999999999999999999", "+7"};

// Expected answers of the Python reference, one per line of the request.
std::vector<std::string> Reference(const std::string& request) {
  ts::TempRoot root;
  root.Write("/conv.txt", Bytes(request.begin(), request.end()));
  ts::ChildProcess py("python3", {std::string(PANEL_SOURCE_DIR) + "/testsupport/peers/iec_convert.py", root.Host("/conv.txt")});
  EXPECT_EQ(py.Wait(std::chrono::seconds(30)), 0) << py.output();
  std::vector<std::string> lines;
  std::istringstream in(py.output());
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

uint8_t* Var(uint8_t* db, int type, uint32_t i) {
  switch (type) {
    case 1: case 10: case 14: return N4VM_Item(db, kArData8, i);
    case 11: case 15: return N4VM_Item(db, kArData16, i);
    case 2: case 3: case 16: return N4VM_Item(db, kArData32, i);
    case 12: case 13: case 17: return N4VM_Item(db, kArData64, i);
    case 4: return N4VM_Item(db, kArTime, i);
    default: return N4VMStr_Record(db, i);
  }
}

TEST(Conversions, EveryTypePairAtItsEdgesMatchesTheReference) {
  ts::IecImage img = IecVm::Image();
  img.string_caps = {255, 255};
  IecVm vm("RET", img);
  ASSERT_EQ(vm.build_error, 0);
  struct Case {
    std::string mode;
    int target, source;
    Bytes value;
    std::string text;
  };
  std::vector<Case> cases;
  std::string request;
  for (int s : kTypes)
    for (int t : kTypes)
      for (const Bytes& v : Edges(s))
        for (const char* mode : {"var", "bin"}) {
          cases.push_back({mode, t, s, v, ""});
          request += std::string(mode) + " " + std::to_string(t) + " " + std::to_string(s) + " " + Hex(v) + "\n";
        }
  for (int s : kTypes)
    for (const Bytes& v : Edges(s)) {
      if (s == 13 && std::isnan(*reinterpret_cast<const double*>(v.data()))) continue;  // "nan" or "-nan"
      if (s == 3 && std::isnan(*reinterpret_cast<const float*>(v.data()))) continue;
      cases.push_back({"var", 5, s, v, ""});
      request += "var 5 " + std::to_string(s) + " " + Hex(v) + "\n";
    }
  for (int t : kTypes)
    for (const char* text : kTexts) {
      cases.push_back({"var", t, 5, {}, text});
      request += "var " + std::to_string(t) + " 5 s:" + Hex(Bytes(text, text + std::strlen(text))) + "\n";
    }
  const std::vector<std::string> expected = Reference(request);
  ASSERT_EQ(expected.size(), cases.size());
  int failures = 0;
  for (size_t k = 0; k < cases.size() && failures < 20; ++k) {
    const Case& c = cases[k];
    uint8_t* db = vm.Db();
    std::string got;
    if (c.mode == "bin") {
      uint8_t out[8] = {};
      N4VMCnv_ConvBin(out, c.value.data(), c.target, c.source);
      got = Hex(Bytes(out, out + N4VMCnv_Width(c.target)));
    } else {
      if (c.source == 5) N4VMStr_AscForce(Var(db, 5, 1), c.text.data(), uint32_t(c.text.size()));
      else std::memcpy(Var(db, c.source, 1), c.value.data(), c.value.size());
      const uint16_t op[4] = {2, 1, uint16_t(c.target), uint16_t(c.source)};
      ASSERT_EQ(N4VMCnv_Convert(db, op), 0);
      const uint8_t* t = Var(db, c.target, 2);
      got = c.target == 5 ? "s:" + Hex(Bytes(t + 2, t + 2 + t[1])) : Hex(Bytes(t, t + N4VMCnv_Width(c.target)));
    }
    if (got != expected[k]) {
      ++failures;
      ADD_FAILURE() << c.mode << " " << c.target << " <- " << c.source << " " << (c.source == 5 ? c.text : Hex(c.value))
                    << ": got " << got << ", expected " << expected[k];
    }
  }
}

TEST(Conversions, TheConversionInstructionAndItsEdges) {
  IecVm vm("CONV 1, 1, 10, 2|CONV 2, 2, 16, 3|CONV! 3, 3, 2, 3|CONV 4, 1, 6, 2|RET");
  vm.Set(kArData32, 1, -1);        // DINT -1 into SINT: the byte 0xFF
  vm.Set(kArData32, 2, -3.0f);     // REAL -3.0 into UDINT: 4294967293
  vm.Set(kArData32, 3, 7.5f);      // into a locked DINT: skipped
  vm.Set(kArData32, 4, 99);        // type code 6: nothing
  N4VMTic_LockVar(vm.Db(), 3, 0x04);
  EXPECT_EQ(vm.Run(), 1);
  EXPECT_EQ(vm.B(1), 0xFF);
  EXPECT_EQ(uint32_t(vm.D(2)), 4294967293u);
  EXPECT_EQ(vm.R(3), 7.5f);
  EXPECT_EQ(vm.D(4), 99);
  EXPECT_TRUE(vm.Errors().empty());
}

TEST(Conversions, TextConvertersParseUnsignedTypesAsUnsigned) {
  struct {
    int type;
    const char* text;
    uint64_t expected;
  } const parse[] = {
      {1, "2", 1}, {1, "0", 0}, {2, "  -12abc", uint32_t(-12)}, {3, "", 0}, {16, "4000000000", 4000000000u},
      {4, "4294967296", 4294967295u}, {16, "-5", 0}, {17, "18446744073709551615", UINT64_MAX},
      {12, "-9223372036854775808", uint64_t(INT64_MIN)}, {10, "300", 44}, {11, "70000", 4464},
  };
  for (const auto& p : parse) {
    uint64_t v = 0;
    N4VMCnv_SZToNumPtr(&v, p.type, p.text);
    uint64_t mask = N4VMCnv_Width(p.type) == 8 ? ~0ull : (1ull << (8 * N4VMCnv_Width(p.type))) - 1;
    EXPECT_EQ(v & mask, p.expected) << p.type << " '" << p.text << "'";
  }
  struct {
    int type;
    uint64_t value;
    const char* text;
  } const print[] = {
      {17, 1ULL << 63, "9223372036854775808"}, {12, uint64_t(-5), "-5"}, {10, 0xFF, "255"}, {11, 0xFFFF, "-1"},
      {4, 86400000, "86400000"}, {1, 1, "1"},
  };
  for (const auto& p : print) {
    char buf[22];
    N4VMCnv_NumToSZPtr(&p.value, p.type, buf);
    EXPECT_STREQ(buf, p.text);
  }
}

}  // namespace
