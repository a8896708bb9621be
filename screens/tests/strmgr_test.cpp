// The language segment of the program strings: chosen by the language-select register,
// only when it names another language that the table holds.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "controller/poweron.h"
#include "ground/rcb.h"
#include "ground/regaccess.h"
#include "ground/regimage.h"
#include "controller/screenloop.h"
#include "ground/tablestore.h"
#include "screens/services.h"
#include "testsupport/screen_program.h"
#include "testsupport/temp_root.h"

namespace {

constexpr uint32_t kLangReg = reg::kTokR + 4;  // R5

class Languages : public ::testing::Test {
 protected:
  void SetUp() override {
    KernelPowerOnReset();
    prog.AddPage(0);
    prog.strings = {{"Start", "Stop"}, {"Anfang", "Halt"}, {"Debut", "Arret"}};
    prog.language_reg = kLangReg;
    prog.languages = 3;
    prog.Install();
    pPGM_Strings = string_table_bl + kTableHeader + 8;
    SYS_ResetRCBs(1);
  }
  static void SetLanguage(uint16_t v) { PlcReg_Set(kLangReg, &v, 16); }
  std::string Text(std::size_t n) const {
    return reinterpret_cast<const char*>(pPGM_Strings + prog.StringOffset(n));
  }

  ts::TempRoot root;
  ts::ScreenProgram prog;
};

TEST_F(Languages, TheRegisterChoosesTheSegment) {
  STR_Init(kLangReg, 3);
  struct Step {
    uint16_t value;
    int reopen;
    const char* first;
  };
  const Step steps[] = {
      {0, 0, "Start"},   // the language already shown
      {2, 1, "Debut"},
      {2, 0, "Debut"},   // the same value again does not reopen the page
      {3, 0, "Debut"},   // past the language count
      {0, 1, "Start"},
      {1, 1, "Anfang"},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.value);
    SetLanguage(s.value);
    EXPECT_EQ(STR_Update(), s.reopen);
    EXPECT_EQ(Text(0), s.first);
  }
  EXPECT_EQ(Text(1), "Halt") << "every string of the segment";
}

TEST_F(Languages, OneLanguageOrAShortTableNeverSwitches) {
  STR_Init(0, 1);
  SetLanguage(1);
  EXPECT_EQ(STR_Update(), 0);
  // A table cut short: the third segment is not whole and is never chosen.
  SetBlockSize(string_table_bl, BlockSize(string_table_bl) - 4);
  STR_Init(kLangReg, 3);
  SetLanguage(2);
  EXPECT_EQ(STR_Update(), 0);
  EXPECT_EQ(Text(0), "Start");
  SetLanguage(1);
  EXPECT_EQ(STR_Update(), 1);
}

}  // namespace
