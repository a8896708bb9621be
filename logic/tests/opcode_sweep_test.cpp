// Every opcode word below 1024 against the opcode table of the instruction set, written
// here from its invalid and no-op columns (the engine's map is written from the
// meaning column).
#include <set>

#include "ladder_fixture.h"
#include "opcode_table.h"

namespace {

using lt::LadderTest;
using logic::Stop;

struct Span {
  int first, last;
};

std::set<int> Expand(std::initializer_list<Span> spans) {
  std::set<int> s;
  for (Span r : spans)
    for (int op = r.first; op <= r.last; ++op) s.insert(op);
  return s;
}

const std::set<int> kInvalid = Expand({
    {0, 8}, {10, 30}, {37, 37}, {42, 47}, {49, 49}, {57, 59},                                         // group 0
    {197, 198}, {216, 229}, {231, 239}, {245, 247}, {255, 255},                                        // group 3
    {256, 259}, {274, 279}, {293, 299},                                                                // group 4
    {322, 323}, {332, 339}, {348, 349}, {366, 366}, {369, 369}, {371, 371}, {380, 380}, {382, 383},    // group 5
    {385, 390}, {392, 393}, {395, 399}, {401, 447},                                                    // group 6
    {448, 449}, {456, 457}, {464, 465}, {472, 473}, {480, 481}, {488, 497}, {504, 504}, {510, 510},    // group 7
    {521, 522}, {527, 527}, {532, 539}, {545, 575},                                                    // group 8
    {576, 1023},                                                                                       // groups 9-15
});
const std::set<int> kNoop = {66, 67, 72, 88, 89, 138, 139, 159, 180, 181, 185, 186, 189, 190, 191};

// The instructions built today: booleans, coils, flow and screen requests.
const std::set<int> kBuilt = Expand({{9, 9}, {31, 36}, {38, 41}, {48, 48}, {50, 56}, {60, 65},
                                     {68, 71}, {73, 74}, {361, 361},
                                     // timers and counters
                                     {199, 215}, {450, 455}, {458, 463}, {466, 471}, {474, 479}, {482, 487}, {498, 503},
                                     // word stack, moves, word logic, arithmetic, compares, conversions
                                     {75, 87}, {90, 117}, {120, 131}, {140, 158}, {160, 177}, {192, 196},
                                     {260, 273}, {280, 292}, {300, 321}, {324, 331}, {540, 542},
                                     // LREAL
                                     {543, 543},
                                     // indexed, pointer and mask
                                     {340, 347}, {350, 360}, {362, 365}, {384, 384}, {505, 509},
                                     // strings and byte blocks
                                     {178, 179}, {182, 184}, {187, 188}, {400, 400}, {511, 519},
                                     // PID
                                     {240, 243}, {523, 526},
                                     // serial blocks: open, send, receive, close, modem, Modbus
                                     {132, 137}, {394, 394}, {531, 531}});

TEST_F(LadderTest, EveryOpcodeWordIsInvalidNoopOrMeaningful) {
  int meaning = 0;
  for (int op = 0; op < 1024; ++op) {
    SCOPED_TRACE("opcode " + std::to_string(op));
    const bool invalid = kInvalid.count(op) > 0;
    const bool noop = kNoop.count(op) > 0;
    meaning += !invalid && !noop;
    if (!invalid && !noop) {
      EXPECT_EQ(logic::OpcodeBuilt(uint16_t(op)), kBuilt.count(op) > 0);
      if (kBuilt.count(op)) continue;  // run by their own tests
    }
    // The power flow of I1 passes a skipped word unchanged to the coil.
    SetBit("I1");
    SetBit("Q1", false);
    const int32_t r = Run("LD I1; OP" + std::to_string(op) + "; OUT Q1; END");
    if (noop) {
      EXPECT_EQ(r, -1);
      EXPECT_TRUE(Bit("Q1"));
      EXPECT_TRUE(BitStack().empty());
    } else {
      // Invalid, and meaningful but not built: its operands are unknown, so it cannot be
      // skipped. The position is the word after the opcode.
      EXPECT_EQ(r, 2);
      EXPECT_EQ(LastStop(), invalid ? Stop::kInvalidOpcode : Stop::kNotBuilt);
      EXPECT_FALSE(Bit("Q1"));
    }
  }
  EXPECT_EQ(meaning, 332);
}

TEST_F(LadderTest, InvalidFirstWordReturnsOne) {
  for (int op : {0, 1, 8, 600, 1023}) {
    SCOPED_TRACE(op);
    EXPECT_EQ(Run("OP" + std::to_string(op) + "; END"), 1);
  }
}

}  // namespace
