// The run loop's checked hot forms against the careful path: the same programs over the
// same data, once on the image checked at its build and once on a copy of the image
// (which no build checked, so every instruction runs the careful way), must leave the
// same variables, the same error log and the same result.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "iec_runtime/interpreter.h"
#include "iec_runtime/vm_db.h"
#include "vm_fixture.h"

namespace {

// Edge values and a pattern in every numeric area; the lowest indexes hold the edges.
void Seed(IecVm& v) {
  const int32_t d[] = {0, 7, -3, INT32_MIN, -1, 0, 1, INT32_MAX, 100, 5};
  const int64_t l[] = {0, 9, -4, INT64_MIN, -1, 0, 1, INT64_MAX, 100, 5};
  for (uint32_t i = 1; i <= 31; ++i) {
    const uint32_t k = i % 10;
    v.Set<uint8_t>(kArData8, i, uint8_t(i % 3 == 0 ? 0 : 37 * i));
    v.Set<int16_t>(kArData16, i, int16_t(k == 3 ? INT16_MIN : d[k] % 30000));
    v.Set<int32_t>(kArData32, i, d[k]);
    v.Set<int64_t>(kArData64, i, l[k]);
    v.Set<uint32_t>(kArTime, i, uint32_t(d[k]));
  }
  v.Set<float>(kArData32, 20, 1.5f);
  v.Set<float>(kArData32, 21, -0.0f);
  v.Set<double>(kArData64, 20, 2.5);
}

std::vector<uint8_t> Areas(IecVm& v) {
  std::vector<uint8_t> out;
  for (int area : {kArData8, kArData16, kArData32, kArData64, kArTime, kArLocks}) {
    const DbAreaDesc* d = N4VM_Area(v.Db(), area);
    const uint8_t* p = N4VM_AreaPtr(v.Db(), area);
    out.insert(out.end(), p, p + uint32_t(d->item_size) * d->allocated);
  }
  return out;
}

TEST(HotForms, CheckedFormsAndTheCarefulPathAgree) {
  const char* const programs[] = {
      // DINT and REAL, with a zero divisor and the minimum / -1.
      "ADD.D 1, 7, 6|SUB.D 2, 3, 7|MUL.D 11, 7, 7|DIV.D 12, 3, 4|DIV.D 13, 1, 5|NEG.D 14, 3|GT.D 1, 2, 3|"
      "GE.D 2, 3, 3|EQ.D 3, 4, 14|NE.D 4, 5, 6|MOV.D 15, 7",
      "ADD.R 1, 20, 20|SUB.R 2, 20, 21|MUL.R 3, 20, 7|DIV.R 4, 20, 21|DIV.R 5, 20, 20|NEG.R 6, 21|GT.R 1, 20, 21|"
      "GE.R 2, 21, 5|EQ.R 3, 21, 5|NE.R 4, 20, 3|MOV.R 22, 20",
      // TIME, BOOL, SINT
      "ADD.T 1, 7, 6|SUB.T 2, 6, 7|SUB.T 3, 7, 6|GT.T 1, 2, 3|GE.T 2, 7, 4|EQ.T 3, 5, 10|NE.T 4, 1, 2|MOV.T 9, 7",
      "NOT 1, 3|NOT 2, 4|OR 3, 3, 6|AND 4, 4, 5|XOR 5, 4, 7|EQ.B 6, 3, 4|NE.B 7, 4, 5|MOV.B 8, 10",
      "ADD.SI 1, 4, 5|SUB.SI 2, 4, 5|MUL.SI 3, 4, 5|DIV.SI 6, 4, 5|DIV.SI 9, 4, 3|NEG.SI 10, 4|GT.SI 11, 4, 5|"
      "GE.SI 12, 4, 4|EQ.SI 13, 4, 5|NE.SI 14, 4, 5|MOV.SI 15, 4",
      // LINT, LREAL, INT
      "ADD.L 1, 7, 6|SUB.L 2, 3, 7|MUL.L 11, 7, 7|DIV.L 12, 3, 4|DIV.L 13, 1, 5|NEG.L 14, 3|GT.L 1, 2, 3|"
      "GE.L 2, 3, 3|EQ.L 3, 4, 14|NE.L 4, 5, 6|MOV.L 15, 7",
      "ADD.LR 1, 20, 20|SUB.LR 2, 20, 9|MUL.LR 3, 20, 20|DIV.LR 4, 20, 10|DIV.LR 5, 20, 20|NEG.LR 6, 20|"
      "GT.LR 1, 20, 9|GE.LR 2, 20, 20|EQ.LR 3, 20, 1|NE.LR 4, 20, 1|MOV.LR 22, 20",
      "ADD.I 1, 7, 6|SUB.I 2, 3, 7|MUL.I 11, 7, 7|DIV.I 12, 3, 4|DIV.I 13, 1, 5|NEG.I 14, 3|GT.I 1, 2, 3|"
      "GE.I 2, 3, 3|EQ.I 3, 4, 14|NE.I 4, 5, 6|MOV.I 15, 7",
      // Indexed reads and writes of every width (index variable 9 holds 100, 6 holds 1).
      "LDX.D 1, 2, 6|STX.D 20, 6, 7|LDX.R 2, 20, 6|STX.R 24, 6, 20|LDX.T 1, 2, 6|STX.T 20, 6, 7|LDX.B 1, 2, 6|"
      "STX.B 20, 6, 4|LDX.SI 2, 20, 6|STX.SI 25, 6, 4|LDX.L 1, 2, 6|STX.L 20, 6, 7|LDX.LR 2, 20, 6|"
      "STX.LR 25, 6, 20|LDX.I 1, 2, 6|STX.I 20, 6, 7",
      "LDX.D 1, 0, 9", "STX.I 1, 9, 2", "LDX.B 1, 31, 6", "STX.L 0, 3, 1",
      // Immediates, index 0 among them.
      "SET1 1|SET0 2|IMM.B 3, 0x1FF|IMM.W 1, -2|IMM.D 1, 0x12345678|IMM.L 1, -5|IMM.T 1, 86400000|IMM.D 0, 5",
      // Jumps: a counted loop, every absolute form, a jump past the code.
      "IMM.D 1, 0|TOP: ADD.D 1, 1, 6|GT.D 1, 8, 1|JT 1, TOP|JF 1, NEXT|IMM.D 2, 1|NEXT: JMP OVER|IMM.D 3, 1|"
      "OVER: JA ABS|IMM.D 4, 1|ABS: JAT 3, A2|IMM.D 5, 1|A2: JAF 3, A3|IMM.D 6, 1|A3: JEQ 1, 8, A4|IMM.D 7, 1|A4: SET1 9",
      "JA 0x7FFE",
      // Lock-respecting forms on locked and unlocked destinations.
      "LOCK.D 1|LOCK.B 2|ADD.D! 1, 7, 6|ADD.D! 3, 7, 6|GT.D! 2, 7, 6|GT.D! 4, 7, 6|IMM.D! 1, 9|MOV.D! 5, 7|"
      "LDX.D! 1, 2, 6|STX.D! 0, 6, 7|NOT! 2, 3|SET1! 2",
  };
  for (const char* program : programs) {
    SCOPED_TRACE(program);
    // The careful run's image is a copy: only the last built image is checked.
    IecVm careful(std::string(program) + "|RET");
    IecVm checked(std::string(program) + "|RET");
    ASSERT_EQ(careful.build_error, 0);
    ASSERT_EQ(checked.build_error, 0);
    Seed(careful);
    Seed(checked);
    const std::vector<uint8_t> copy = careful.code;
    const int careful_result = N4VMTic_Run(careful.Db(), copy.data(), uint32_t(copy.size()), 1);
    EXPECT_EQ(checked.Run(), careful_result);
    EXPECT_EQ(Areas(checked), Areas(careful));
    const auto a = checked.Errors(), b = careful.Errors();
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
      EXPECT_EQ(a[i].code, b[i].code);
      EXPECT_EQ(a[i].arg, b[i].arg);
      EXPECT_EQ(a[i].position, b[i].position);
    }
  }
}

TEST(HotForms, TheJumpBudgetEndsACheckedLoopWhereTheCarefulPathDoes) {
  N4VMTic_SetJumpBudget(100);
  IecVm careful("TOP: ADD.D 1, 1, 2|JMP TOP");
  IecVm checked("TOP: ADD.D 1, 1, 2|JMP TOP");
  careful.Set(kArData32, 2, 1);
  checked.Set(kArData32, 2, 1);
  const std::vector<uint8_t> copy = careful.code;
  EXPECT_EQ(N4VMTic_Run(careful.Db(), copy.data(), uint32_t(copy.size()), 1), 0);
  EXPECT_EQ(checked.Run(), 0);
  EXPECT_EQ(checked.D(1), 101);
  EXPECT_EQ(careful.D(1), 101);
  ASSERT_EQ(checked.Errors().size(), 1u);
  EXPECT_EQ(checked.Errors()[0].code, 8);
  EXPECT_EQ(checked.Errors()[0].position, careful.Errors()[0].position);
  N4VMTic_SetJumpBudget(50'000'000);
}

TEST(HotForms, ARebuiltImageIsCheckedAgain) {
  // The same image size, an operand beyond the area: the rebuild in place must check
  // the new image, not run the old one's checked forms.
  IecVm beyond("ADD.D 1, 2, 40|RET");
  IecVm vm("ADD.D 1, 2, 3|RET");
  ASSERT_EQ(vm.code.size(), beyond.code.size());
  vm.Set(kArData32, 2, 5);
  EXPECT_EQ(vm.Run(), 1);
  EXPECT_EQ(vm.D(1), 5);
  std::memcpy(vm.code.data(), beyond.code.data(), vm.code.size());
  ASSERT_EQ(N4VM_Build(vm.code.data(), uint32_t(vm.code.size()), vm.Db()), 0);
  EXPECT_EQ(vm.Run(), 0);
  EXPECT_EQ(vm.ErrorCodes(), std::vector<uint16_t>{32});
}

}  // namespace
