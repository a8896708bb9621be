#pragma once
// A zeroed register image, a test clock, the engine's kept state reset, and a ladder
// program to load and scan.

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "alarm_group.h"
#include "ground/regimage.h"
#include "logic/engine.h"
#include "platform/clock.h"
#include "scan_state.h"
#include "testsupport/ladder_asm.h"
#include "testsupport/ladder_program.h"
#include "testsupport/reg_fixture.h"

namespace lt {

class LadderTest : public ts::RegImageTest {
 protected:
  void SetUp() override {
    RegImageTest::SetUp();
    old_change_screen = 0;
    alarm_status = 0;
    local_frt_100us = 0;
    local_scan_time = 0;
    local_scan_time_rm = 0;
  }

  // Loads text in the given form (a program start: S1 set) and runs one scan.
  int32_t Run(const std::string& text, ts::OperandForm form = ts::OperandForm::k16) {
    prog_ = ts::LadderProgram(form);
    prog_.Load(text);
    return prog_.Scan();
  }
  int32_t Scan() { return prog_.Scan(); }

  static uint8_t* Byte(uint32_t token) { return plc_reg + (token - 1024) / 8; }
  static bool Bit(const std::string& name) {
    const uint32_t t = ts::RegisterToken(name);
    return (*Byte(t) >> (t % 8)) & 1;
  }
  static void SetBit(const std::string& name, bool on = true) {
    const uint32_t t = ts::RegisterToken(name);
    *Byte(t) = uint8_t(on ? (*Byte(t) | (1u << (t % 8))) : (*Byte(t) & ~(1u << (t % 8))));
  }
  static void SetBits(std::initializer_list<const char*> names) {
    for (const char* n : names) SetBit(n);
  }
  static uint16_t Word(const std::string& name) { return RegWord((ts::RegisterToken(name) - 1024) / 8); }
  static void SetWord(const std::string& name, uint16_t v) { SetRegWord((ts::RegisterToken(name) - 1024) / 8, v); }

  // The bit stack as the last scan left it, bottom first.
  static std::vector<int> BitStack() {
    const logic::Machine& m = logic::LastMachine();
    return std::vector<int>(m.bits, m.bits + m.bsp);
  }
  static logic::Stop LastStop() { return logic::LastMachine().stop; }

  plat::ScopedTestClock clock_;
  ts::LadderProgram prog_;
};

}  // namespace lt
