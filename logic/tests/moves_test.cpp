// Register moves and fills, the block copy and its typed form, and the indirect and
// array copies: the words they reach, the order of overlapping copies, the pointer
// bounds, and the checks that keep every computed range inside the register image.
#include "word_case.h"

namespace {

using lt::D;
using lt::F;
using lt::kOff;
using lt::kOn;
using lt::LadderTest;
using lt::W;
using lt::WordCase;
using ts::OperandForm;

class Moves : public lt::WordCaseTest {};

const std::vector<WordCase> kMovesDirect = {
    WordCase{"mov", "MOV R2, R1", {W("R1", 7)}, {W("R1", 7), W("R2", 7)}, kOn},
    WordCase{"mov_immediate", "MOVK R2, -1", {}, {W("R2", 0xFFFF)}, kOn},
    WordCase{"mov2", "MOV2 R3, R1", {D("R1", 0x11112222)}, {D("R3", 0x11112222)}, kOn},
    // A DINT moves as one value, also onto its own high word.
    WordCase{"mov2_overlapping", "MOV2 R2, R1", {W("R1", 1), W("R2", 2)}, {W("R2", 1), W("R3", 2)}, kOn},
    WordCase{"mov2_immediate_real", "MOV2K R3, 2.5", {}, {F("R3", 2.5f)}, kOn},
    WordCase{"mov_power_off_still_moves", "PWR_OFF; MOV R2, R1", {W("R1", 3)}, {W("R2", 3)}, kOff},
    WordCase{"fill", "FILL R10, R1, 3", {W("R1", 9), W("R13", 5)},
             {W("R10", 9), W("R11", 9), W("R12", 9), W("R13", 5)}, kOn},
    // The source word is read once, before it is overwritten.
    WordCase{"fill_over_its_source", "FILL R1, R2, 3", {W("R1", 1), W("R2", 9), W("R3", 3)},
             {W("R1", 9), W("R2", 9), W("R3", 9)}, kOn},
    WordCase{"fill_immediate", "FILLK R10, 0x55AA, 2", {}, {W("R10", 0x55AA), W("R11", 0x55AA), W("R12", 0)}, kOn},
    // A count of 0 writes nothing and consumes all three operands.
    WordCase{"fill_count_zero", "FILLK R10, 7, 0; MOVK R11, 1", {}, {W("R10", 0), W("R11", 1)}, kOn},
    WordCase{"block", "BLKMOV R10, R1, 3", {W("R1", 1), W("R2", 2), W("R3", 3)},
             {W("R10", 1), W("R11", 2), W("R12", 3)}, kOn},
    // Lowest word first: a destination just above its source repeats the first word.
    WordCase{"block_overlap_upwards", "BLKMOV R2, R1, 3", {W("R1", 1), W("R2", 2), W("R3", 3)},
             {W("R2", 1), W("R3", 1), W("R4", 1)}, kOn},
    WordCase{"block_overlap_downwards", "BLKMOV R1, R2, 2", {W("R2", 2), W("R3", 3)}, {W("R1", 2), W("R2", 3)}, kOn},
    // Typed form: type 1 copies bytes, types 2 to 4 words, others nothing.
    WordCase{"typed_bytes", "BLKMOV_TB 0,0,1,0, R10, R1, 3", {W("R1", 0x2211), W("R2", 0x4433), W("R11", 0xAA00)},
             {W("R10", 0x2211), W("R11", 0xAA33)}, kOn},
    // An overlapping byte copy moves the block as a whole.
    WordCase{"typed_bytes_overlap", "BLKMOV_TB 0,0,1,0, R1.9, R1, 3", {W("R1", 0x2211), W("R2", 0x4433)},
             {W("R1", 0x1111), W("R2", 0x3322)}, kOn},
    WordCase{"typed_words", "BLKMOV_TW 0,0,3,0, R10, R1, 2", {W("R1", 5), W("R2", 6)},
             {W("R10", 5), W("R11", 6), W("R12", 0)}, kOn},
    WordCase{"typed_other_type", "OP91; .word 0 0 7 0; MOVK R5, 1", {}, {W("R5", 1)}, kOn},
};
TEST_F(Moves, Direct) { RunCases(kMovesDirect); }

const std::vector<WordCase> kMovesIndirect = {
    // Plain forms: R1 and R2 hold R numbers.
    WordCase{"from_pointer", "MOVI_S R20, R1, 2", {W("R1", 5), W("R5", 0xA), W("R6", 0xB)},
             {W("R20", 0xA), W("R21", 0xB)}, kOn},
    WordCase{"from_pointer_zero", "MOVI_S R20, R1, 1", {W("R1", 0), W("R20", 4)}, {W("R20", 4)}, kOff},
    WordCase{"from_last_register", "MOVI_S R20, R1, 1", {W("R1", 50240), W("R50240", 0x77)}, {W("R20", 0x77)}, kOn},
    WordCase{"from_past_last_register", "MOVI_S R20, R1, 2", {W("R1", 50240), W("R50240", 0x77)}, {W("R20", 0)}, kOff},
    WordCase{"count_zero_passes", "MOVI_S R20, R1, 0", {W("R1", 50240)}, {W("R20", 0)}, kOn},
    WordCase{"to_pointer", "MOVI_D R1, R20, 2", {W("R1", 5), W("R20", 0xA), W("R21", 0xB)},
             {W("R5", 0xA), W("R6", 0xB)}, kOn},
    WordCase{"to_pointer_past_end", "MOVI_D R1, R20, 3", {W("R1", 50239), W("R20", 1)}, {W("R50239", 0)}, kOff},
    WordCase{"both_pointers", "MOVI_SD R1, R2, 2", {W("R1", 10), W("R2", 5), W("R5", 3), W("R6", 4)},
             {W("R10", 3), W("R11", 4)}, kOn},
    WordCase{"both_source_zero", "MOVI_SD R1, R2, 1", {W("R1", 10), W("R2", 0)}, {W("R10", 0)}, kOff},
    WordCase{"both_destination_past_end", "MOVI_SD R1, R2, 2", {W("R1", 50240), W("R2", 5), W("R5", 1)},
             {W("R50240", 0)}, kOff},
    // Typed array forms: element v of two-word elements is word 2v of the array.
    WordCase{"array_source_two_word_elements", "MOVI_S_AW 0,0,2,4, R20, R100, 2, R1",
             {W("R1", 3), W("R106", 6), W("R107", 7)}, {W("R20", 6), W("R21", 7)}, kOn},
    WordCase{"array_source_four_word_elements", "MOVI_S_AW 0,0,4,4, R20, R100, 1, R1",
             {W("R1", 1), W("R104", 4)}, {W("R20", 4)}, kOn},
    // Type 5 ignores the flags and uses one-word elements.
    WordCase{"array_type5_ignores_flags", "MOVI_S_AW 0,0,5,0, R20, R100, 2, R1",
             {W("R1", 3), W("R103", 3), W("R104", 4)}, {W("R20", 3), W("R21", 4)}, kOn},
    WordCase{"array_source_bytes", "MOVI_S_AB 0,0,1,4, R20, R100, 2, R1",
             {W("R1", 1), W("R100", 0x2211), W("R101", 0x4433)}, {W("R20", 0x3322)}, kOn},
    WordCase{"array_destination", "MOVI_D_AW 0,0,3,8, R100, R20, 2, R1",
             {W("R1", 2), W("R20", 8), W("R21", 9)}, {W("R104", 8), W("R105", 9)}, kOn},
    WordCase{"array_both", "MOVI_SD_AW 0,0,2,12, R200, R100, 2, R1, R2",
             {W("R1", 1), W("R2", 2), W("R102", 5), W("R103", 6)}, {W("R204", 5), W("R205", 6)}, kOn},
    WordCase{"array_both_bytes", "MOVI_SD_AB 0,0,1,12, R200, R100, 2, R1, R2",
             {W("R1", 1), W("R2", 2), W("R100", 0x2211), W("R101", 0x0033)}, {W("R201", 0x3322)}, kOn},
    // Typed pointer forms: the bound counts whole elements.
    WordCase{"pointer_last_element", "MOVI_S_PW 0,0,2,1, R20, R1, 1", {W("R1", 50239), W("R50239", 1)},
             {W("R20", 1)}, kOn},
    // R50240 holds one word of a two-word element: refused, although only one word
    // would be copied.
    WordCase{"pointer_bound_counts_elements", "MOVI_S_PW 0,0,2,1, R20, R1, 1", {W("R1", 50240), W("R50240", 1)},
             {W("R20", 0)}, kOff},
    WordCase{"pointer_bytes", "MOVI_S_PB 0,0,1,1, R20, R1, 3", {W("R1", 5), W("R5", 0x2211), W("R6", 0x4433)},
             {W("R20", 0x2211), W("R21", 0x0033)}, kOn},
    // Bytes: the bound is k + n / 2 - 1.
    WordCase{"pointer_bytes_bound", "MOVI_S_PB 0,0,1,1, R20, R1, 4", {W("R1", 50240)}, {W("R20", 0)}, kOff},
    WordCase{"pointer_destination", "MOVI_D_PW 0,0,2,2, R1, R20, 2", {W("R1", 5), W("R20", 1), W("R21", 2)},
             {W("R5", 1), W("R6", 2)}, kOn},
    WordCase{"pointer_destination_bytes", "MOVI_D_PB 0,0,1,2, R1, R20.9, 1", {W("R1", 5), W("R20", 0xAB00)},
             {W("R5", 0x00AB)}, kOn},
    WordCase{"pointer_both", "MOVI_SD_P 0,0,2,3, R1, R2, 2", {W("R1", 10), W("R2", 5), W("R5", 1), W("R6", 2)},
             {W("R10", 1), W("R11", 2)}, kOn},
    // Flags that select neither form: the pointer fields are skipped, nothing copied.
    WordCase{"neither_form_97", "MOVI_S_PW 0,0,2,0, R20, R1, 1; MOVK R30, 1", {W("R1", 5), W("R5", 9)},
             {W("R20", 0), W("R30", 1)}, kOff},
    WordCase{"neither_form_99_flags5", "MOVI_SD_P 0,0,2,5, R1, R2, 1; MOVK R30, 1",
             {W("R1", 10), W("R2", 5), W("R5", 9)}, {W("R10", 0), W("R30", 1)}, kOff},
    WordCase{"other_type_header_only", "OP98; .word 0 0 7 0; MOVK R30, 1", {}, {W("R30", 1)}, kOn},
};
TEST_F(Moves, Indirect) { RunCases(kMovesIndirect); }

// The highest register each form reaches: R10240 (word 12223) through the escape 1777,
// SR448 (word 54527, the last token of the image) through the ESR window. Ranges are
// checked against the image's 109,176 bytes; past its end the power flow goes off and
// nothing is written.
class ImageEnd : public LadderTest, public ::testing::WithParamInterface<OperandForm> {
 protected:
  const char* Last() const { return GetParam() == OperandForm::k16 ? "R10240" : "SR448"; }
  // Words from the last register to the end of the image.
  uint32_t Room() const { return (reg::kImageSize - lt::RegOffset(Last())) / 2; }
  bool RunRung(const std::string& body) {
    SetBit("I1");
    EXPECT_EQ(Run("LD I1; " + body + "; OUT Q1; END", GetParam()), -1) << body;
    return Bit("Q1");
  }
  uint16_t LastWord() const { return RegWord(lt::RegOffset(Last())); }
  static uint16_t LastImageWord() { return RegWord(reg::kImageSize - 2); }
};

TEST_P(ImageEnd, FillsStopAtTheImage) {
  const std::string n = std::to_string(Room()), over = std::to_string(Room() + 1);
  EXPECT_FALSE(RunRung(std::string("FILLK ") + Last() + ", 7, " + over));
  EXPECT_EQ(LastWord(), 0);
  EXPECT_TRUE(RunRung(std::string("FILLK ") + Last() + ", 7, " + n));
  EXPECT_EQ(LastImageWord(), 7);

  SetWord("R1", 9);
  EXPECT_FALSE(RunRung(std::string("FILL ") + Last() + ", R1, " + over));
  EXPECT_EQ(LastWord(), 7);
}

TEST_P(ImageEnd, BlockCopiesStopAtTheImage) {
  const std::string over = std::to_string(Room() + 1);
  SetWord("R1", 5);
  EXPECT_FALSE(RunRung(std::string("BLKMOV ") + Last() + ", R1, " + over));
  EXPECT_EQ(LastWord(), 0);
  // As a source: the words past the end would be read.
  EXPECT_FALSE(RunRung(std::string("BLKMOV R1, ") + Last() + ", " + over));
  EXPECT_EQ(Word("R1"), 5);
  EXPECT_TRUE(RunRung(std::string("BLKMOV R1, ") + Last() + ", " + std::to_string(Room())));
  EXPECT_EQ(Word("R1"), 0);
}

// An index register reaches far beyond the image: 65535 four-word elements.
TEST_P(ImageEnd, ArrayElementsStopAtTheImage) {
  SetWord("R1", 65535);
  SetWord("R20", 3);
  EXPECT_FALSE(RunRung("MOVI_S_AW 0,0,4,4, R20, R100, 1, R1"));
  EXPECT_EQ(Word("R20"), 3);
  EXPECT_FALSE(RunRung("MOVI_D_AW 0,0,4,8, R100, R20, 1, R1"));
  EXPECT_FALSE(RunRung("MOVI_SD_AW 0,0,4,12, R200, R100, 1, R1, R2"));
  // The last element in the image, and one past it, from the last register on.
  SetWord("R1", uint16_t(Room() - 1));
  EXPECT_TRUE(RunRung(std::string("MOVI_D_AW 0,0,5,8, ") + Last() + ", R20, 1, R1"));
  EXPECT_EQ(LastImageWord(), 3);
  SetWord("R1", uint16_t(Room()));
  EXPECT_FALSE(RunRung(std::string("MOVI_D_AW 0,0,5,8, ") + Last() + ", R20, 1, R1"));
}

INSTANTIATE_TEST_SUITE_P(Moves, ImageEnd, ::testing::Values(OperandForm::k16, OperandForm::k32),
                         [](const auto& info) { return info.param == OperandForm::k16 ? "form16" : "form32"; });

}  // namespace

namespace {

// A reference that names no register (a word below 1024 in the 16-bit form) is a
// malformed program: the scan stops after the operand, before anything is written.
TEST_F(LadderTest, MoveWithAReferenceToNoRegisterStopsTheScan) {
  SetBit("I1");
  SetWord("R1", 5);
  EXPECT_EQ(Run("LD I1; OP90; .word 32768 5; END"), 4);
  EXPECT_EQ(LastStop(), logic::Stop::kBadOperand);
  EXPECT_EQ(Word("R1"), 5);
  // The array form's index register: D = R1, B = R100, n = 1, X = 7.
  EXPECT_EQ(Run("LD I1; OP97; .word 0 0 2 4 32768 34352 1 7; END"), 10);
  EXPECT_EQ(LastStop(), logic::Stop::kBadOperand);
  EXPECT_EQ(Word("R1"), 5);
}

}  // namespace
