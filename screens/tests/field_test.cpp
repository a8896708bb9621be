// Data-field formatters and editors: one table per field kind, each case a start value
// and a row of key codes, with the text shown and the value handed back.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "screens/field.h"
#include "screens/keys.h"

namespace {

using Keys = std::vector<uint8_t>;
constexpr uint8_t E = kKeyEnter, X = kKeyEsc, L = kKeyLeft, R = kKeyRight, U = kKeyUp, D = kKeyDown, N = kKeySign,
                  P = kKeyPoint;
constexpr uint8_t K(int digit) { return uint8_t(kKeyDigit0 + digit); }

class Fields : public ::testing::Test {
 protected:
  char text[64] = {};
  FldContext f;
  void SetUp() override { FieldsReset(); }
  void Init(uint8_t kind, uint8_t width, uint8_t decimals, uint32_t min, uint32_t max, uint8_t flags = 0) {
    f = {};
    f.kind = kind;
    f.width = width;
    f.decimals = decimals;
    f.minimum = min;
    f.maximum = max;
    f.flags = flags;
    f.text = text;
  }
};

// ---- Integers -------------------------------------------------------------------------

struct NumShow {
  uint8_t kind, width, decimals, flags;
  uint32_t min, max, value;
  bool no_data;
  const char* text;
};

class NumDisplay : public Fields, public ::testing::WithParamInterface<NumShow> {};
TEST_P(NumDisplay, Shows) {
  const NumShow& c = GetParam();
  Init(c.kind, c.width, c.decimals, c.min, c.max, c.flags);
  f.no_data = c.no_data;
  PGM_bShowAsterixForNodata = 1;
  FLD_NumUpdate(f, c.value, false);
  EXPECT_STREQ(text, c.text);
  EXPECT_EQ(f.length, std::strlen(c.text));
}
INSTANTIATE_TEST_SUITE_P(
    Kinds, NumDisplay,
    ::testing::Values(NumShow{1, 5, 2, 0, 0, 99999, 12345, false, "123.45"}, NumShow{1, 5, 2, 0, 0, 99999, 5, false, "0.05"},
                      NumShow{1, 3, 0, 0, 0, 999, 1000, false, "+++"}, NumShow{1, 3, 0, 0, 0, 500, 700, false, ">>>"},
                      NumShow{1, 3, 0, 0, 10, 500, 7, false, "<<<"}, NumShow{3, 4, 0, 0, 0, 0xFFFF, 255, false, "FF"},
                      NumShow{3, 4, 0, 0x80, 0, 0xFFFF, 255, false, "00FF"}, NumShow{0, 8, 0, 0, 0, 255, 5, false, "101"},
                      NumShow{2, 5, 1, 0, uint32_t(-9999), 9999, uint32_t(-125), false, "-12.5"},
                      NumShow{2, 5, 0, 0, uint32_t(-9999), 9999, uint32_t(-10000), false, "<<<<<"},
                      NumShow{2, 5, 0, 0, uint32_t(-9999), 9999, uint32_t(-100000), false, "+++++"},
                      NumShow{2, 4, 0, 0, uint32_t(-50), 50, uint32_t(-51), false, "<<<<"},
                      NumShow{8, 4, 0, 0, 0, 9999, 1234, false, "****"}, NumShow{1, 4, 0, 0, 0, 9999, 12, true, "****"},
                      NumShow{1, 10, 0, 0, 0, 0xFFFFFFFF, 4294967295u, false, "4294967295"}));

struct NumEditCase {
  const char* name;
  uint8_t kind, width, decimals;
  uint32_t min, max, start;
  Keys keys;
  std::vector<uint16_t> results;
  const char* text;     // after the last key
  uint32_t out;         // 0xDEADBEEF: nothing written
};

class NumEditor : public Fields, public ::testing::WithParamInterface<NumEditCase> {};
TEST_P(NumEditor, Keys) {
  const NumEditCase& c = GetParam();
  Init(c.kind, c.width, c.decimals, c.min, c.max);
  FLD_NumUpdate(f, c.start, true);
  uint32_t out = 0xDEADBEEF;
  std::vector<uint16_t> results;
  for (uint8_t k : c.keys) results.push_back(FLD_NumEdit(f, &out, k));
  EXPECT_EQ(results, c.results);
  EXPECT_STREQ(text, c.text);
  EXPECT_EQ(out, c.out);
}
const uint32_t kNothing = 0xDEADBEEF;
INSTANTIATE_TEST_SUITE_P(
    Kinds, NumEditor,
    ::testing::Values(
        NumEditCase{"TypeAndEnter", 1, 5, 0, 0, 99999, 7, {K(4), K(2), E}, {3, 3, 1}, "00042", 42},
        NumEditCase{"EscWritesNothing", 1, 5, 0, 0, 99999, 7, {K(4), X}, {3, 2}, "00004", kNothing},
        NumEditCase{"OutOfRangeIsRefused", 1, 5, 0, 0, 500, 7, {K(7), K(0), K(0), E}, {3, 3, 3, 4}, "00700", kNothing},
        NumEditCase{"WidthLimit", 1, 2, 0, 0, 99, 7, {K(1), K(2), K(3)}, {3, 3, 0}, "12", kNothing},
        NumEditCase{"SignedTopDigitRefused", 2, 10, 0, 0x80000000u, 0x7FFFFFFF, 0,
                    {K(2), K(1), K(4), K(7), K(4), K(8), K(3), K(6), K(4), N, K(9), K(8), E},
                    {3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 0, 3, 1}, "-2147483648", 0x80000000u},
        NumEditCase{"UnsignedTopDigit", 1, 10, 0, 0, 0xFFFFFFFF, 0,
                    {K(4), K(2), K(9), K(4), K(9), K(6), K(7), K(2), K(9), K(6), K(5)},
                    {3, 3, 3, 3, 3, 3, 3, 3, 3, 0, 3}, "4294967295", kNothing},
        NumEditCase{"HexMultiTap", 3, 2, 0, 0, 255, 0, {K(2), K(2), K(2), K(3), E}, {3, 3, 3, 3, 1}, "B3", 0xB3},
        NumEditCase{"HexMultiTapWraps", 3, 2, 0, 0, 255, 0, {K(3), K(3), K(3), K(3), K(3)}, {3, 3, 3, 3, 3}, "03", kNothing},
        NumEditCase{"BinaryTakesOnlyZeroAndOne", 0, 4, 0, 0, 15, 0, {K(1), K(2), K(0), E}, {3, 0, 3, 1}, "0010", 2},
        NumEditCase{"UpStepsTheLastDigit", 1, 4, 0, 0, 9999, 19, {U, U}, {3, 3}, "0021", kNothing},
        NumEditCase{"LeftThenUpStepsTens", 1, 4, 0, 0, 9999, 19, {L, U, E}, {3, 3, 1}, "0029", 29},
        NumEditCase{"UpAboveMaxRefused", 1, 4, 0, 0, 20, 19, {L, U}, {3, 0}, "0019", kNothing},
        NumEditCase{"UpBelowMinJumpsToMin", 1, 4, 0, 10, 20, 3, {U}, {3}, "0010", kNothing},
        NumEditCase{"DownUnderflowRefused", 1, 4, 0, 0, 9999, 0, {D}, {0}, "0000", kNothing},
        NumEditCase{"CursorReplacesADigit", 1, 4, 2, 0, 9999, 1234, {L, L, K(9), E}, {3, 3, 3, 1}, "19.34", 1934},
        NumEditCase{"RightWrapsToTheFirstDigit", 1, 3, 0, 0, 999, 123, {R, R, K(7), E}, {3, 3, 3, 1}, "723", 723},
        NumEditCase{"SignedDownCrossesZero", 2, 3, 0, uint32_t(-999), 999, 1, {D, D, E}, {3, 3, 1}, "-001", uint32_t(-1)},
        NumEditCase{"MaskedShowsStars", 8, 4, 0, 0, 9999, 55, {K(1), K(2), E}, {3, 3, 1}, "**", 12},
        NumEditCase{"MaskedWidthLimit", 8, 2, 0, 0, 99, 0, {K(1), K(2), K(3)}, {3, 3, 0}, "**", kNothing},
        NumEditCase{"OtherKeysUnused", 1, 4, 0, 0, 9999, 0, {kKeyExponent, N}, {0, 0}, "0000", kNothing}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- REAL and LREAL -------------------------------------------------------------------

struct FloatShow {
  uint8_t kind, width, decimals, flags;
  float value;
  const char* text;
};
class FloatDisplay : public Fields, public ::testing::WithParamInterface<FloatShow> {};
TEST_P(FloatDisplay, Shows) {
  const FloatShow& c = GetParam();
  Init(c.kind, c.width, c.decimals, 0, 0, c.flags);
  float lo = -1e30f, hi = 1e30f;
  std::memcpy(&f.minimum, &lo, 4);
  std::memcpy(&f.maximum, &hi, 4);
  FLD_FloatUpdate(f, c.value, false);
  EXPECT_STREQ(text, c.text);
  f.kind = kFldLreal;
  f.lminimum = -1e30;
  f.lmaximum = 1e30;
  if (c.kind == kFldReal) {
    FLD_LrealUpdate(f, c.value, false);
    EXPECT_STREQ(text, c.text) << "LREAL";
  }
}
INSTANTIATE_TEST_SUITE_P(Kinds, FloatDisplay,
                         ::testing::Values(FloatShow{4, 0, 2, 0, 0.25f, ".25"}, FloatShow{4, 0, 2, 0, -0.25f, "-.25"},
                                           FloatShow{4, 3, 2, 0x80, 1.5f, "001.50"}, FloatShow{4, 3, 2, 0, 1.5f, "1.50"},
                                           FloatShow{4, 2, 1, 0, 123.0f, "++++"}, FloatShow{4, 2, 1, 0, -99.5f, "-99.5"},
                                           FloatShow{4, 2, 1, 0, __builtin_nanf(""), "eeee"},
                                           FloatShow{5, 1, 2, 0, 1234.0f, "1.23E+03"}, FloatShow{4, 3, 2, 0, 2e31f, ">>>>>"}, FloatShow{4, 3, 2, 0, -2e31f, "<<<<<"}));

struct FloatEditCase {
  const char* name;
  uint8_t kind, width, decimals;
  Keys keys;
  std::vector<uint16_t> results;
  const char* text;
  double out;  // -1: nothing written
};
class FloatEditor : public Fields, public ::testing::WithParamInterface<FloatEditCase> {};
TEST_P(FloatEditor, Keys) {
  const FloatEditCase& c = GetParam();
  for (bool lreal : {false, true}) {
    if (lreal && c.kind == kFldRealExp) continue;
    Init(lreal ? uint8_t(kFldLreal) : c.kind, c.width, c.decimals, 0, 0);
    float lo = -100, hi = 100;
    std::memcpy(&f.minimum, &lo, 4);
    std::memcpy(&f.maximum, &hi, 4);
    f.lminimum = -100;
    f.lmaximum = 100;
    std::vector<uint16_t> results;
    double got = -1;
    if (lreal) {
      FLD_LrealUpdate(f, 7, true);
      for (uint8_t k : c.keys) results.push_back(FLD_LrealEdit(f, &got, k));
    } else {
      float out = -1;
      FLD_FloatUpdate(f, 7, true);
      for (uint8_t k : c.keys) results.push_back(FLD_FloatEdit(f, &out, k));
      got = out;
    }
    EXPECT_EQ(results, c.results) << (lreal ? "LREAL" : "REAL");
    EXPECT_STREQ(text, c.text) << (lreal ? "LREAL" : "REAL");
    EXPECT_NEAR(got, c.out, 1e-5) << (lreal ? "LREAL" : "REAL");
  }
}
INSTANTIATE_TEST_SUITE_P(
    Kinds, FloatEditor,
    ::testing::Values(FloatEditCase{"FractionLimit", 4, 3, 2, {P, K(2), K(5), K(1), E}, {3, 3, 3, 0, 1}, ".25", 0.25},
                      FloatEditCase{"IntegerLimitAndSign", 4, 2, 1, {K(1), K(2), K(3), N, E}, {3, 3, 0, 3, 1}, "-12", -12},
                      FloatEditCase{"OutOfRangeRefused", 4, 3, 0, {K(5), K(0), K(0), E}, {3, 3, 3, 4}, "500", -1},
                      FloatEditCase{"Exponent", 5, 2, 2, {K(1), P, K(5), P, K(1), N, E}, {3, 3, 3, 3, 3, 3, 1}, "1.5E-1", 0.15},
                      FloatEditCase{"ExponentDigitLimit", 5, 2, 2, {K(1), kKeyExponent, K(1), K(2), K(3)}, {3, 3, 3, 3, 0},
                                    "1E+12", -1},
                      FloatEditCase{"EscWritesNothing", 4, 3, 2, {K(1), X}, {3, 2}, "1", -1}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Date and time --------------------------------------------------------------------

struct TimeCase {
  const char* name;
  uint8_t selector;
  uint16_t w0, w1, w2;
  Keys keys;
  const char* text;
  uint16_t out2;  // the third word handed back (0xFFFF: not accepted)
};
class TimeField : public Fields, public ::testing::WithParamInterface<TimeCase> {};
TEST_P(TimeField, ShowsAndSteps) {
  const TimeCase& c = GetParam();
  Init(kFldTime, 0, c.selector, 0, 0);
  const uint16_t v[3] = {c.w0, c.w1, c.w2};
  FLD_TimeUpdate(f, v, !c.keys.empty());
  uint16_t out[3] = {0xFFFF, 0xFFFF, 0xFFFF};
  for (uint8_t k : c.keys) FLD_TimeEdit(f, out, k);
  EXPECT_STREQ(text, c.text);
  EXPECT_EQ(out[2], c.out2);
}
INSTANTIATE_TEST_SUITE_P(
    Formats, TimeField,
    ::testing::Values(TimeCase{"DayZeroAndFarYear", 0x40, 0, 1, 2150, {}, "<<-Jan-2150", 0xFFFF},
                      TimeCase{"TwoDigitYearTooFar", 0x10, 5, 3, 2150, {}, "03/05/>>", 0xFFFF},
                      TimeCase{"TwoDigitYear", 0x10, 5, 3, 2024, {}, "03/05/24", 0xFFFF},
                      TimeCase{"TwelveHour", 4, 9, 5, 13, {}, "01:05:09 PM", 0xFFFF},
                      TimeCase{"MidnightIsTwelve", 3, 0, 0, 0, {}, "12:00 AM", 0xFFFF},
                      TimeCase{"HoursAbove23", 2, 0, 0, 30, {}, ">>:00:00", 0xFFFF},
                      TimeCase{"YearDownStaysAt2000", 0x10, 1, 1, 2000, {R, R, D, E}, "01/01/00", 2000},
                      TimeCase{"FourDigitYearWraps", 0x20, 1, 1, 1996, {R, R, D, E}, "01/01/2095", 2095},
                      TimeCase{"HourWraps", 1, 0, 59, 23, {U, E}, "00:59", 0},
                      TimeCase{"MonthName", 0x30, 1, 12, 2024, {R, U, E}, "01-Jan-24", 2024},
                      TimeCase{"AmPmMovesTwelveHours", 3, 0, 0, 9, {R, R, U, E}, "09:00 PM", 21},
                      TimeCase{"EscKeepsNothing", 1, 0, 0, 5, {U, X}, "06:00", 0xFFFF}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Fields, ATimeZoneSignChangeNegatesTheOffset) {
  Init(kFldTime, 0, 5, 0, 0);
  const uint16_t v[3] = {0, 30, 5};
  FLD_TimeUpdate(f, v, true);
  EXPECT_STREQ(text, "-05:30");
  uint16_t out[3] = {};
  FLD_TimeEdit(f, out, U);  // the sign
  EXPECT_EQ(FLD_TimeEdit(f, out, E), kFldAccept);
  EXPECT_EQ(timezoneAdvance, 1);
  EXPECT_EQ(int16_t(out[2]), -5);
  EXPECT_EQ(int16_t(out[1]), -30);
}

// ---- Seconds timer --------------------------------------------------------------------

struct SecCase {
  const char* name;
  uint8_t selector;
  uint32_t max, value;
  Keys keys;
  const char* text;
  std::vector<uint16_t> results;
  uint32_t out;
};
class SecTimer : public Fields, public ::testing::WithParamInterface<SecCase> {};
TEST_P(SecTimer, ShowsAndEdits) {
  const SecCase& c = GetParam();
  Init(kFldSecTimer, 0, c.selector, 0, c.max);
  FLD_SecTimeUpdate(f, c.value, !c.keys.empty());
  uint32_t out = kNothing;
  std::vector<uint16_t> results;
  for (uint8_t k : c.keys) results.push_back(FLD_SecTimeEdit(f, &out, k));
  EXPECT_STREQ(text, c.text);
  EXPECT_EQ(results, c.results);
  EXPECT_EQ(out, c.out);
}
INSTANTIATE_TEST_SUITE_P(
    Patterns, SecTimer,
    ::testing::Values(
        SecCase{"HoursMinutesSeconds", 0x01, 86399, 3725, {}, "1:02:05", {}, kNothing},
        SecCase{"MinutesOnlyTakeTheRest", 0x00, 86399, 3725, {}, "62:05", {}, kNothing},
        SecCase{"Tenths", 0x14, 6000, 625, {}, "1:02.5", {}, kNothing},
        SecCase{"Milliseconds", 0x38, 600000, 62005, {}, "1:02.005", {}, kNothing},
        SecCase{"EditDigits", 0x01, 86399, 3725, {K(2), R, R, U, E}, "21:03:05", {3, 3, 3, 3, 1}, 21 * 3600 + 3 * 60 + 5},
        SecCase{"DownRollsTheDigit", 0x01, 86399, 0, {D, E}, "90:00:00", {3, 4}, kNothing},
        // The largest entry the fields hold is clamped as a whole, not wrapped.
        SecCase{"TotalClampedNotWrapped", 0x01, 0xFFFFFFFF, 0xFFFFFFFF,
                {K(1), K(1), K(9), K(3), K(0), K(4), K(6), K(5), K(9), K(5), K(9), E}, "1193046:59:59",
                {3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 1}, 0xFFFFFFFF},
        SecCase{"OutOfRangeRefused", 0x01, 86399, 100, {K(2), K(4), E}, "24:01:40", {3, 3, 4}, kNothing}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Enumeration ----------------------------------------------------------------------

std::vector<uint8_t> EnumTable(int16_t mode, std::vector<std::pair<int32_t, uint32_t>> entries, uint16_t count = 0xFFFF) {
  std::vector<uint8_t> t(4);
  if (count == 0xFFFF) count = uint16_t(entries.size());
  std::memcpy(t.data(), &mode, 2);
  std::memcpy(t.data() + 2, &count, 2);
  for (auto [v, s] : entries) {
    t.resize(t.size() + 8);
    std::memcpy(t.data() + t.size() - 8, &v, 4);
    std::memcpy(t.data() + t.size() - 4, &s, 4);
  }
  return t;
}

TEST_F(Fields, EnumerationShowsTheFirstEntryNotBelowTheValueAndSteps) {
  const char strings[] = "Low\0Middle\0High";
  const auto table = EnumTable(0, {{10, 0}, {20, 4}, {30, 11}});
  const FldEnumTable source{table.data(), table.size(), reinterpret_cast<const uint8_t*>(strings), sizeof strings};
  struct Case {
    uint32_t value;
    const char* text;
  };
  for (const Case& c : {Case{15, "Midd"}, Case{99, "High"}, Case{0, "Low"}, Case{20, "Midd"}}) {
    Init(kFldEnum, 4, 0, 0, 0);
    f.table = &source;
    FLD_EnumUpdate(f, c.value, false);
    EXPECT_STREQ(text, c.text) << c.value;
  }
  FLD_EnumUpdate(f, 15, true);
  uint32_t out = kNothing;
  struct Step {
    uint8_t key;
    uint16_t result;
    const char* text;
  };
  for (const Step& s : {Step{U, 3, "High"}, Step{U, 3, "Low"}, Step{D, 3, "High"}, Step{K(1), 0, "High"}, Step{E, 1, "High"}}) {
    EXPECT_EQ(FLD_EnumEdit(f, &out, s.key), s.result);
    EXPECT_STREQ(text, s.text);
  }
  EXPECT_EQ(out, 30u);
}

// Tables from the program are checked: nothing is read outside them.
TEST_F(Fields, EnumerationTablesOutsideTheirBoundsShowNothing) {
  const char strings[] = "Ok";
  const char* const firmware[] = {"Off", "On"};
  FLD_SetFirmwareStrings(firmware, 2);
  struct Case {
    const char* what;
    std::vector<uint8_t> table;
    uint32_t offset;
    const char* text;
  };
  const std::vector<Case> cases{
      {"string offset past the strings", EnumTable(0, {{5, 1000}}), 0, ""},
      {"count larger than the table", EnumTable(0, {{5, 0}}, 900), 0, "Ok"},
      {"table offset past the table", EnumTable(0, {{5, 0}}), 4000, ""},
      {"no entries", EnumTable(0, {}), 0, ""},
      {"firmware string by index", EnumTable(-1, {{5, 1}}), 0, "On"},
      {"firmware index out of range", EnumTable(-1, {{5, 7}}), 0, ""},
  };
  for (const Case& c : cases) {
    const FldEnumTable source{c.table.data(), c.table.size(), reinterpret_cast<const uint8_t*>(strings), 2};
    Init(kFldEnum, 8, 0, 0, 0);
    f.extra1 = c.offset;
    f.table = &source;
    FLD_EnumUpdate(f, 3, true);
    EXPECT_STREQ(text, c.text) << c.what;
    uint32_t out = kNothing;
    FLD_EnumEdit(f, &out, U);
    FLD_EnumEdit(f, &out, E);
  }
}

// ---- IP address -----------------------------------------------------------------------

TEST_F(Fields, IpAddressOctetsTypedSteppedAndSelected) {
  Init(kFldIp, 15, 0, 0, 0);
  FLD_IPUpdate(f, 0x0A000001, false);
  EXPECT_STREQ(text, "10.0.0.1");
  FLD_IPUpdate(f, 0x0A000001, true);
  EXPECT_STREQ(text, "010.000.000.001");
  EXPECT_EQ(f.cursor, 1);
  struct Step {
    uint8_t key;
    uint16_t result;
    const char* text;
    uint8_t cursor;
  };
  const std::vector<Step> steps{
      {K(1), 3, "001.000.000.001", 0}, {K(9), 3, "019.000.000.001", 0}, {K(2), 3, "192.000.000.001", 5},
      {K(3), 3, "192.003.000.001", 0}, {K(0), 3, "192.030.000.001", 0}, {K(0), 3, "192.255.000.001", 5},
      {P, 0, "192.255.000.001", 5},    {R, 3, "192.255.000.001", 9},    {R, 3, "192.255.000.001", 13},
      {R, 3, "192.255.000.001", 1},    {L, 3, "192.255.000.001", 13},   {D, 3, "192.255.000.000", 13},
      {D, 3, "192.255.000.255", 13},   {K(7), 3, "192.255.000.007", 0}, {P, 3, "192.255.000.007", 1},
  };
  for (const Step& s : steps) {
    EXPECT_EQ(FLD_IPEdit(f, nullptr, s.key), s.result) << text;
    EXPECT_STREQ(text, s.text);
    EXPECT_EQ(f.cursor, s.cursor) << text;
  }
  uint32_t out = 0;
  EXPECT_EQ(FLD_IPEdit(f, &out, E), kFldAccept);
  EXPECT_EQ(out, 0xC0FF0007u);
}

// ---- Text -----------------------------------------------------------------------------

TEST_F(Fields, TextTypedWithShiftCapsAndBackspace) {
  Init(kFldText, 5, 0, 0, 0);  // four characters and the NUL
  std::strcpy(text, "old");
  FLD_LitUpdate(f, true);
  struct Step {
    uint8_t key;
    uint16_t result;
    const char* text;
  };
  const std::vector<Step> steps{
      // Shift stays on until a backspace or Enter; caps turns a letter upper case alone.
      {'A', 3, "a"},     {254, 0, "a"},     {'B', 3, "aB"},    {'1', 3, "aB!"}, {254, 0, "aB!"}, {'1', 3, "aB!1"},
      {'X', 4, "aB!1"},  {8, 3, "aB!"},     {253, 0, "aB!"},   {'D', 3, "aB!D"}, {L, 3, "aB!D"},  {8, 3, "a!D"},
      {E, 1, "a!D"},
  };
  for (const Step& s : steps) {
    EXPECT_EQ(FLD_LitEdit(f, s.key), s.result) << int(s.key);
    EXPECT_STREQ(text, s.text) << int(s.key);
  }
}

TEST_F(Fields, TextBackspaceAtTheStartClearsAnEnteredText) {
  Init(kFldText, 8, 0, 0, 0);
  std::strcpy(text, "abc");
  FLD_LitUpdate(f, true);
  EXPECT_EQ(FLD_LitEdit(f, 8), kFldChanged);
  EXPECT_STREQ(text, "");
  EXPECT_EQ(FLD_LitEdit(f, 8), kFldRefused);
  EXPECT_EQ(FLD_LitEdit(f, X), kFldCancel);
}

// ---- Bar ------------------------------------------------------------------------------

TEST_F(Fields, BarStepsAndWritesAtOnce) {
  Init(kFldBar, 2, 0, 0, 100);
  FLD_BarUpdate(f, 50, true);
  EXPECT_EQ(std::string(text), std::string("\x0E ", 2));
  uint32_t out = 0;
  EXPECT_EQ(FLD_BarEdit(f, &out, R), kFldChanged);
  EXPECT_EQ(out, 60u);
  EXPECT_EQ(std::string(text), std::string("\x0E\x0A", 2));
  for (int i = 0; i < 4; ++i) FLD_BarEdit(f, &out, U);
  EXPECT_EQ(out, 100u);
  EXPECT_EQ(FLD_BarEdit(f, &out, U), kFldUnused) << "the end of the bar";
  EXPECT_EQ(FLD_BarEdit(f, &out, X), kFldCancel);
  EXPECT_EQ(out, 50u);
  Init(kFldBar, 2, 0, 7, 7);
  FLD_BarUpdate(f, 7, true);
  EXPECT_EQ(FLD_BarEdit(f, &out, R), kFldUnused) << "no range to step in";
}

}  // namespace
