#pragma once
// Table cases for the word-stack and register instructions: a rung body that runs with
// the power flow of the on contact I1, the registers it starts from and those it leaves,
// and the power flow after it (written to Q1 by the rung's coil). Every case runs in
// both operand forms and must leave the word stack empty, so a wrong cell count shows.
// A table runs as one test; a failure names its case.
//
//   WordCase{"add_overflow", "PUSH R1; PUSH R2; ADD; PULL R3",
//            {W("R1", 32767), W("R2", 1)}, {W("R3", 0x8000)}, kOff}

#include <bit>
#include <cstring>
#include <string>
#include <vector>

#include "ladder_fixture.h"

namespace lt {

// A register value of one, two or four words, low word first.
struct Reg {
  const char* name;
  uint64_t value;
  uint8_t words;
};
inline Reg W(const char* name, uint16_t v) { return {name, v, 1}; }
inline Reg D(const char* name, uint32_t v) { return {name, v, 2}; }
inline Reg F(const char* name, float v) { return {name, std::bit_cast<uint32_t>(v), 2}; }
inline Reg Q(const char* name, uint64_t v) { return {name, v, 4}; }

inline constexpr bool kOn = true, kOff = false;

struct WordCase {
  const char* what;
  std::string body;
  std::vector<Reg> in;
  std::vector<Reg> out;
  bool power;
};
inline void PrintTo(const WordCase& c, std::ostream* os) { *os << c.what; }

// Image byte offset of a register name ("R5", "SR448", "@0x10030000") in either form.
inline uint32_t RegOffset(const std::string& name) {
  uint32_t t = ts::RegisterToken(name);
  if (t >= 0x10008000 && t < 0x1000C000) t -= 0x0FF3BC00;
  if (t >= 0x1001C000 && t < 0x10020000) t -= 0x0FF4BC00;
  if (t >= 0x10030000 && t < 0x10031000) t -= 0x0FF5BC00;
  return (t - 1024) / 8;
}
inline void PutReg(const Reg& r) {
  const uint32_t off = RegOffset(r.name);
  for (int i = 0; i < r.words; ++i) SetRegWord(off + 2 * i, uint16_t(r.value >> (16 * i)));
}
inline uint64_t GetReg(const Reg& r) {
  const uint32_t off = RegOffset(r.name);
  uint64_t v = 0;
  for (int i = 0; i < r.words; ++i) v |= uint64_t(RegWord(off + 2 * i)) << (16 * i);
  return v;
}

class WordCaseTest : public LadderTest {
 protected:
  // Runs every case in both operand forms, each from a zeroed register image.
  void RunCases(const std::vector<WordCase>& cases) {
    for (ts::OperandForm form : {ts::OperandForm::k16, ts::OperandForm::k32}) {
      for (const WordCase& c : cases) {
        SCOPED_TRACE(std::string(c.what) + (form == ts::OperandForm::k16 ? " (16-bit form)" : " (32-bit form)"));
        std::memset(plc_reg, 0, sizeof plc_reg);
        std::memset(old_reg, 0, sizeof old_reg);
        RunCase(c, form);
      }
    }
  }

 private:
  void RunCase(const WordCase& c, ts::OperandForm form) {
    SetBit("I1");
    for (const Reg& r : c.in) PutReg(r);
    ASSERT_EQ(Run("LD I1; " + c.body + "; OUT Q1; END", form), -1) << c.body;
    for (const Reg& r : c.out) EXPECT_EQ(GetReg(r), r.value) << r.name << std::hex << " = 0x" << GetReg(r);
    EXPECT_EQ(Bit("Q1"), c.power) << "power flow";
    EXPECT_EQ(logic::LastMachine().wsp, 0) << "cells left on the word stack";
  }
};

}  // namespace lt
